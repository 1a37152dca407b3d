// Resolution routines and error texts.
#include <gtest/gtest.h>

#include "net/WSocket.h"
#include "platform/winsock/HostLookup.h"
#include "tests/support/Raised.h"
#include "tests/support/TestEnvironment.h"

namespace tarvo::test {
namespace {

class ResolveTest : public TarvoTest {
protected:
    void TearDown() override {
        win::winsock::SetHostResolvers(nullptr, nullptr);
        TarvoTest::TearDown();
    }
    TWSocket keepLoaded;  // one socket alive keeps WinSock loaded for the test
};

TEST_F(ResolveTest, Hosts) {
    EXPECT_EQ(WSocketResolveHost("127.0.0.1"), Winsock_htonl(0x7F000001));
    EXPECT_EQ(WSocketResolveHost(" 127.0.0.1 "), Winsock_htonl(0x7F000001));
    EXPECT_EQ(WSocketResolveHost("255.255.255.255"), win::INADDR_BROADCAST);
    EXPECT_EQ(WSocketResolveHost("localhost"), Winsock_htonl(0x7F000001));
    EXPECT_EQ(RaisedBy<ESocketException>([] { WSocketResolveHost(""); }), "WSocketResolveHost: '' Invalid Hostname.");
    std::string long257(257, 'h');
    EXPECT_EQ(RaisedBy<ESocketException>([&] { WSocketResolveHost(long257); }),
              "WSocketResolveHost: '" + long257 + "' Invalid Hostname.");

    std::vector<std::string> asked;
    win::winsock::SetHostResolvers(
        [&](const std::string& name, win::winsock::HostAnswer& a) {
            asked.push_back(name);
            if (name == "bare.test") {
                a.name = name;
                return 0;  // an entry with no address at all
            }
            return win::WSAHOST_NOT_FOUND;
        },
        nullptr);
    EXPECT_EQ(RaisedBy<ESocketException>([] { WSocketResolveHost("1.2.3.400"); }),
              "WSocketResolveHost: Cannot convert host address '1.2.3.400', Error #11001");
    EXPECT_EQ(asked, std::vector<std::string>{"1.2.3.400"});  // not a dotted quad: asked the host database
    EXPECT_EQ(RaisedBy<ESocketException>([] { WSocketResolveHost("bare.test"); }),
              "WSocketResolveHost: Cannot convert host address 'bare.test', Error #11004");
}

TEST_F(ResolveTest, Ports) {
    WriteFile(sandbox().machine + "etc/services", "ftp 2121/tcp\n");
    EXPECT_EQ(WSocketResolvePort("21abc", "tcp"), 21);
    EXPECT_EQ(WSocketResolvePort("ftp", "tcp"), 2121);
    EXPECT_EQ(WSocketResolvePort("ftp", " tcp "), 2121);
    EXPECT_EQ(WSocketResolvePort("65535", "tcp"), 65535);
    // Not a port: refused instead of being taken modulo 65536.
    EXPECT_EQ(RaisedBy<ESocketException>([] { WSocketResolvePort("70000", "tcp"); }),
              "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(RaisedBy<ESocketException>([] { WSocketResolvePort("99999999999999999999", "tcp"); }),
              "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(RaisedBy<ESocketException>([] { WSocketResolvePort("", "tcp"); }), "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(RaisedBy<ESocketException>([] { WSocketResolvePort(std::string(32, '1'), "tcp"); }),
              "WSocketResolvePort: Invalid Port.");
    EXPECT_EQ(RaisedBy<ESocketException>([] { WSocketResolvePort("21", ""); }), "WSocketResolvePort: Invalid Proto.");
    EXPECT_EQ(RaisedBy<ESocketException>([] { WSocketResolvePort("nosuchservice", "tcp"); }),
              "WSocketResolvePort: Cannot convert port 'nosuchservice', Error #11004");
}

TEST_F(ResolveTest, Protocols) {
    EXPECT_EQ(WSocketResolveProto("UDP"), 17);
    EXPECT_EQ(WSocketResolveProto("raw"), 255);
    EXPECT_EQ(WSocketResolveProto("6"), 6);
    EXPECT_EQ(WSocketResolveProto("tcp"), 6);
    EXPECT_EQ(RaisedBy<ESocketException>([] { WSocketResolveProto(""); }), "WSocketResolveProto: Invalid Protocol.");
    EXPECT_EQ(RaisedBy<ESocketException>([] { WSocketResolveProto("NoSuchProto"); }),
              "WSocketResolveProto: Cannot convert protocol 'nosuchproto', Error #11004");
}

TEST(SocketErrorTextTest, KnownAndUnknownCodes) {
    EXPECT_EQ(SocketErrorText(10061), "Connection refused");
    EXPECT_EQ(SocketErrorText(0), "No Error");
    EXPECT_EQ(SocketErrorText(10047), "Address family not supported by protocol family");
    EXPECT_EQ(SocketErrorText(11004), "No Data");
    EXPECT_EQ(SocketErrorText(12345), "Not a WinSock error");
}

}  // namespace
}  // namespace tarvo::test
