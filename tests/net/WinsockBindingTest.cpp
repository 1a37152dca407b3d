// Run-time binding: what is loaded when, and the texts when WinSock, an entry or its start-up fails.
#include <gtest/gtest.h>

#include "net/WSocket.h"
#include "platform/win/Modules.h"
#include "platform/winsock/WinSockModule.h"
#include "tests/support/Raised.h"
#include "tests/support/TestEnvironment.h"

namespace tarvo::test {
namespace {

// Leaves WinSock unloaded: the last socket destroyed unloads it.
void Unload() {
    TWSocket();
}

class WinsockBindingTest : public TarvoTest {
protected:
    void TearDown() override {
        win::ClearModuleHooks();
        win::RegisterWinSockModules();
        Unload();
        SetReqVerLowValue(1);
        SetReqVerHighValue(1);
        TarvoTest::TearDown();
    }
};

TEST_F(WinsockBindingTest, SocketsAloneLoadNothingAndTheLastOneUnloads) {
    Unload();
    { TWSocket a, b; }
    EXPECT_FALSE(Wsock32Loaded());
    EXPECT_EQ(win::GetModuleHandleA("wsock32.dll"), 0u);
    {
        TWSocket s;
        EXPECT_EQ(Winsock_htons(0x0102), 0x0201);
        EXPECT_TRUE(Wsock32Loaded());
        EXPECT_FALSE(Ws2Loaded());
        EXPECT_EQ(WinsockSafe_htonl(1), 0x01000000u);
    }
    EXPECT_FALSE(Wsock32Loaded());
    // A wrapper called afterwards loads, starts and binds afresh.
    win::SOCKET s = Winsock_socket(win::AF_INET, win::SOCK_STREAM, 0);
    EXPECT_NE(s, win::INVALID_SOCKET);
    Winsock_closesocket(s);
}

TEST_F(WinsockBindingTest, MissingLibraryEntryAndStartupTexts) {
    Unload();
    win::HideModule("wsock32.dll");
    EXPECT_EQ(RaisedBy<ESocketException>([] { Winsock_socket(2, 1, 0); }), "Unable to load wsock32.dll Error #126");
    {
        TWSocket s;
        s.SetAddr("127.0.0.1");
        s.SetPort("21");
        EXPECT_EQ(RaisedBy<ESocketException>([&] { s.Connect(); }), "connect: Unable to load wsock32.dll Error #126");
    }
    win::ClearModuleHooks();
    win::HideModuleEntry("wsock32.dll", "socket");
    EXPECT_EQ(RaisedBy<ESocketException>([] { Winsock_socket(2, 1, 0); }),
              "Procedure socket not found in wsock32.dll Error #127");
    win::ClearModuleHooks();
    EXPECT_NE(Winsock_socket(2, 1, 0), win::INVALID_SOCKET);  // the slot stayed empty: bound now

    win::HideModule("ws2_32.dll");
    EXPECT_EQ(RaisedBy<ESocketException>(
                  [] { WinsockSafe_WSAIoctl(0, 0, nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr); }),
              "Unable to load ws2_32.dll Error #126");
    EXPECT_EQ(WinsockUseCount(), 0);  // the counted call gave its count back on the way out
    win::ClearModuleHooks();
    win::HideModuleEntry("ws2_32.dll", "WSAIoctl");
    EXPECT_EQ(RaisedBy<ESocketException>(
                  [] { WinsockSafe_WSAIoctl(0, 0, nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr); }),
              "Procedure WSAIoctl not found in ws2_32.dll Error #127");
}

TEST_F(WinsockBindingTest, VersionWordAndStartupFailure) {
    Unload();
    TWSocket s;
    s.SetReqVerLow(0);  // WinSock 0.1 is not offered
    EXPECT_EQ(RaisedBy<ESocketException>([] { Winsock_htons(1); }), "wsock32.dll: WSAStartup error #10092");
    // The library stays loaded and is not started again: calls now fail as WinSock would.
    EXPECT_EQ(Winsock_socket(2, 1, 0), win::INVALID_SOCKET);
    EXPECT_EQ(Winsock_WSAGetLastError(), win::WSANOTINITIALISED);
    EXPECT_EQ(RaisedBy<ESocketException>([&] { s.SetReqVerLow(1); }),
              "SetReqVerLow: WinSock version can't be changed now");
    EXPECT_EQ(s.ReqVerLow(), 0);
    EXPECT_EQ(RaisedBy<ESocketException>([&] { s.SetReqVerHigh(2); }),
              "SetReqVerHigh: WinSock version can't be changed now");
}

TEST_F(WinsockBindingTest, FakeModuleStandsInForWinSock) {
    Unload();
    static int startups = 0;
    win::RegisterBuiltinModule(
        "wsock32.dll",
        {{"WSAStartup", reinterpret_cast<win::FARPROC>(+[](win::WORD, win::WSADATA*) { return ++startups, 10091; })},
         {"WSACleanup", reinterpret_cast<win::FARPROC>(+[] { return 0; })}});
    EXPECT_EQ(RaisedBy<ESocketException>([] { Winsock_htons(1); }), "wsock32.dll: WSAStartup error #10091");
    EXPECT_EQ(startups, 1);
}

TEST(WinsockTextHelpers, ParseDecimalPrefixAndDottedQuads) {
    EXPECT_EQ(ParseDecimalPrefix("  21abc"), 21);
    EXPECT_EQ(ParseDecimalPrefix("abc"), 0);
    EXPECT_EQ(ParseDecimalPrefix(""), 0);
    EXPECT_EQ(ParseDecimalPrefix("99999999999999999999"), 2147483647);  // saturates, never wraps
    EXPECT_TRUE(IsDottedQuad("192.168.0.1"));
    EXPECT_TRUE(IsDottedQuad("  10.0.0.1  "));
    EXPECT_TRUE(IsDottedQuad("1.2.3.0004"));
    for (const char* bad :
         {"1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.256", ".1.2.3", "1..2.3", "1.2.3.", "1.2.3.4x", "1.2. 3.4", ""})
        EXPECT_FALSE(IsDottedQuad(bad)) << bad;
}

}  // namespace
}  // namespace tarvo::test
