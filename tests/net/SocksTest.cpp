// The SOCKS layer against microsocks (SOCKS 5), dante (SOCKS 4) and scripted proxies (4A, failures,
// replies with data behind them).
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "platform/winsock/HostLookup.h"
#include "tests/net/SocketPeers.h"
#include "tests/support/PeerProcess.h"
#include "tests/support/Raised.h"

namespace tarvo::test {
namespace {

class SocksTest : public TarvoTest {
protected:
    LoopbackPeer echo{EchoScript};
    RecordingSocket c;
    std::vector<std::string> socks;

    void SetUp() override {
        TarvoTest::SetUp();
        c.socket.OnSocksConnected = [&](TCustomWSocket*, win::WORD e) { c.events.push_back("socks " + IntToStr(e)); };
        c.socket.OnSocksError = [&](TCustomWSocket*, int e, const std::string& m) {
            c.events.push_back("error " + IntToStr(e) + " " + m);
        };
        c.socket.OnSocksAuthState = [&](TCustomWSocket*, TSocksAuthState st) {
            c.events.push_back("auth " + IntToStr(static_cast<int>(st)));
        };
    }

    void Through(int proxyPort, const std::string& level, const std::string& addr = "127.0.0.1") {
        c.socket.SetSocksServer("127.0.0.1");
        c.socket.SetSocksPort(IntToStr(proxyPort));
        c.socket.SetSocksLevel(level);
        c.socket.OnSessionConnected = [&](TCustomWSocket* s, win::WORD e) {
            c.events.push_back("connected " + IntToStr(e));
            if (e == 0)
                s->SendStr("through the proxy");
        };
        c.ConnectTo(echo.Port(), addr);
    }

    // Through a SOCKS 5 proxy that asks for a user and password, until the destination's echo has come back.
    void ThroughAuthenticatingProxy(int proxyPort) {
        c.socket.SocksAuthentication = socksAuthenticateUsercode;
        c.socket.SocksUsercode = "alice";
        c.socket.SocksPassword = "s3cret";
        Through(proxyPort, "5");
        ASSERT_TRUE(PumpUntil([&] { return c.received == "through the proxy"; }));
    }

    void TearDown() override {
        win::winsock::SetHostResolvers(nullptr, nullptr);
        TarvoTest::TearDown();
    }

    bool Has(const std::string& event) const {
        return std::find(c.events.begin(), c.events.end(), event) != c.events.end();
    }
};

TEST_F(SocksTest, Socks5WithoutAuthenticationThroughMicrosocks) {
    if (!ProgramAvailable("/usr/bin/microsocks"))
        GTEST_SKIP() << "microsocks is not installed";
    PeerProcess proxy;
    const int port = proxy.StartListening({"/usr/bin/microsocks", "-i", "127.0.0.1", "-p", "0"});
    ASSERT_GT(port, 0);
    Through(port, "5");
    ASSERT_TRUE(PumpUntil([&] { return c.received == "through the proxy"; }));
    EXPECT_EQ(c.events, (std::vector<std::string>{"closed>opened", "opened>connecting", "connecting>connected",
                                                  "socks 0", "connected 0"}));
    c.socket.Close();
    EXPECT_EQ(c.socket.SocksServer(), "");  // set again for every SOCKS connect
    EXPECT_EQ(c.socket.SocksLevel(), "5");
}

TEST_F(SocksTest, Socks5UserAndPasswordRightAndWrong) {
    if (!ProgramAvailable("/usr/bin/microsocks"))
        GTEST_SKIP() << "microsocks is not installed";
    PeerProcess proxy;
    const int port =
        proxy.StartListening({"/usr/bin/microsocks", "-i", "127.0.0.1", "-p", "0", "-u", "alice", "-P", "s3cret"});
    ASSERT_GT(port, 0);
    c.socket.SocksAuthentication = socksAuthenticateUsercode;
    c.socket.SocksUsercode = "alice";
    c.socket.SocksPassword = "s3cret";
    Through(port, "5");
    ASSERT_TRUE(PumpUntil([&] { return c.received == "through the proxy"; }));
    EXPECT_TRUE(Has("auth 0"));
    EXPECT_TRUE(Has("auth 1"));
    c.socket.Close();

    c.events.clear();
    c.closed = false;
    c.socket.SocksPassword = "wrong";
    Through(port, "5");
    ASSERT_TRUE(PumpUntil([&] { return c.closed; }));
    EXPECT_TRUE(Has("error 20015 socks authentication failed"));
    EXPECT_TRUE(Has("connected 20015"));
    EXPECT_TRUE(Has("closed 20015"));
}

TEST_F(SocksTest, Socks4ThroughDante) {
    const std::string danted = UnpackedDaemon("usr/sbin/danted");
    ASSERT_FALSE(danted.empty()) << "dante is not unpacked (tools/fetch-peer-daemons.sh)";
    if (::geteuid() != 0)
        GTEST_SKIP() << "dante needs root";
    // It takes no port 0.
    const std::string conf = sandbox().work + "danted.conf";
    PeerProcess proxy;
    const int port = proxy.StartOnFreePort(
        [&](int free) {
            WriteFile(conf, "logoutput: " + sandbox().work +
                                "danted.log\n"
                                "internal: 127.0.0.1 port = " +
                                IntToStr(free) +
                                "\n"
                                "external: 127.0.0.1\n"
                                "socksmethod: none\n"
                                "clientmethod: none\n"
                                "user.privileged: root\n"
                                "user.unprivileged: nobody\n"
                                "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                                "socks pass { from: 127.0.0.0/8 to: 0.0.0.0/0 protocol: tcp }\n");
            return std::vector<std::string>{danted, "-f", conf, "-p", sandbox().work + "danted.pid"};
        },
        sandbox().work + "danted.out");
    ASSERT_GT(port, 0);
    Through(port, "4");
    ASSERT_TRUE(PumpUntil([&] { return c.received == "through the proxy"; }));
    EXPECT_TRUE(Has("socks 0"));
    EXPECT_TRUE(Has("connected 0"));
}

// A request as a scripted proxy read it on its thread, handed to the test's thread.
class SeenRequest {
public:
    void Set(const std::string& request) {
        std::lock_guard<std::mutex> guard(mutex_);
        request_ = request;
    }
    std::string Get() {
        std::lock_guard<std::mutex> guard(mutex_);
        return request_;
    }

private:
    std::mutex mutex_;
    std::string request_;
};

// A SOCKS 4A proxy of our own: checks the request, answers with the given code and then relays to echo.
struct Socks4AProxy {
    SeenRequest request;
    LoopbackPeer peer;
    explicit Socks4AProxy(unsigned char code)
        : peer([this, code](int fd) {
              std::string got = LoopbackPeer::ReadExactly(fd, 8);
              for (int zeros = 0, i = 0; zeros < 2 && i < 600; ++i) {
                  std::string b = LoopbackPeer::ReadExactly(fd, 1);
                  if (b.empty())
                      return;
                  got += b;
                  zeros += b[0] == 0;
              }
              request.Set(got);
              LoopbackPeer::WriteAll(fd, std::string{0, static_cast<char>(code), 0, 0, 0, 0, 0, 0});
              if (code == 90)
                  EchoScript(fd);
          }) {}
};

TEST_F(SocksTest, Socks4ASendsTheNameAndFailureRepliesCloseWithTheirCode) {
    Socks4AProxy good(90);
    c.socket.SocksUsercode = "bob";
    Through(good.peer.Port(), "4a", "echo.test");
    ASSERT_TRUE(PumpUntil([&] { return c.received == "through the proxy"; }));
    std::string port{static_cast<char>(echo.Port() >> 8), static_cast<char>(echo.Port() & 0xFF)};
    EXPECT_EQ(good.request.Get(), std::string("\x04\x01", 2) + port + std::string("\0\0\0\x01", 4) + "bob" +
                                      std::string(1, '\0') + "echo.test" + std::string(1, '\0'));
    c.socket.Close();

    Socks4AProxy refused(91);
    c.events.clear();
    c.closed = false;
    Through(refused.peer.Port(), "4A", "echo.test");
    ASSERT_TRUE(PumpUntil([&] { return c.closed; }));
    EXPECT_TRUE(Has("error 20016 request rejected or failed"));
    EXPECT_TRUE(Has("connected 20016"));
    EXPECT_TRUE(Has("closed 20016"));
}

// A SOCKS 5 proxy of our own that answers CONNECT with the given reply (and whatever follows it).
LoopbackPeer::Script Socks5Script(std::string reply, SeenRequest* request = nullptr) {
    return [reply, request](int fd) {
        LoopbackPeer::ReadExactly(fd, 3);
        LoopbackPeer::WriteAll(fd, std::string{5, 0});
        std::string head = LoopbackPeer::ReadExactly(fd, 5);
        if (head.size() < 5)
            return;
        std::string rest = LoopbackPeer::ReadExactly(fd, static_cast<unsigned char>(head[4]) + 2);
        if (request)
            request->Set(head + rest);
        LoopbackPeer::WriteAll(fd, reply);
        LoopbackPeer::ReadAll(fd);
    };
}

TEST_F(SocksTest, BytesBehindTheSocks5ReplyComeFirstAndInOrder) {
    SeenRequest request;
    LoopbackPeer proxy(Socks5Script(std::string{5, 0, 0, 1, 127, 0, 0, 1, 0, 80} + "abc", &request));
    int countAtConnect = -1;
    std::string firstRead;
    Through(proxy.Port(), "5");
    c.socket.OnSessionConnected = [&](TCustomWSocket* s, win::WORD e) {
        c.events.push_back("connected " + IntToStr(e));
        countAtConnect = s->RcvdCount();
    };
    c.socket.OnDataAvailable = [&](TCustomWSocket* s, win::WORD) {
        std::string got = s->ReceiveStr();
        if (firstRead.empty())
            firstRead = got;
        c.received += got;
        c.events.push_back("data");
    };
    ASSERT_TRUE(PumpUntil([&] { return c.received == "abc"; }));
    EXPECT_EQ(countAtConnect, 3);
    EXPECT_EQ(firstRead, "abc");
    EXPECT_EQ(c.events.back(), "data");
    std::string port{static_cast<char>(echo.Port() >> 8), static_cast<char>(echo.Port() & 0xFF)};
    EXPECT_EQ(request.Get(), (std::string{5, 1, 0, 3, 9} + "127.0.0.1" + port));
    c.socket.Close();  // lets the proxy's script end
}

TEST_F(SocksTest, LongBoundNameReplyCompletes) {
    std::string name(200, 'n');
    LoopbackPeer proxy(Socks5Script(std::string{5, 0, 0, 3, static_cast<char>(200)} + name + std::string{0, 80}));
    Through(proxy.Port(), "5");
    ASSERT_TRUE(PumpUntil([&] { return Has("connected 0"); }));
    c.socket.Close();
}

TEST_F(SocksTest, Socks5ReplyCodesAndAddressTypes) {
    LoopbackPeer proxy(Socks5Script(std::string{5, 5, 0, 1, 0, 0, 0, 0, 0, 0}));
    Through(proxy.Port(), "5");
    ASSERT_TRUE(PumpUntil([&] { return c.closed; }));
    EXPECT_TRUE(Has("error 20008 connection refused"));
    EXPECT_TRUE(Has("closed 20008"));

    LoopbackPeer odd(Socks5Script(std::string{5, 0, 0, 4, 0, 0, 0, 0, 0, 0}));
    c.events.clear();
    c.closed = false;
    Through(odd.Port(), "5");
    ASSERT_TRUE(PumpUntil([&] { return c.closed; }));
    EXPECT_TRUE(Has("error 20011 address type not supported"));
}

// Answers the method request with method, then, when that is 2, the authentication request with status 0
// a byte at a time; then relays to echo as if connected.
LoopbackPeer::Script Socks5AuthScript(char version, char method) {
    return [version, method](int fd) {
        LoopbackPeer::ReadExactly(fd, 3);
        LoopbackPeer::WriteAll(fd, std::string{version, method});
        if (method != 2)
            return (void)LoopbackPeer::ReadAll(fd);
        std::string auth = LoopbackPeer::ReadExactly(fd, 2);
        if (auth.size() < 2)
            return;
        LoopbackPeer::ReadExactly(fd, static_cast<unsigned char>(auth[1]));
        std::string length = LoopbackPeer::ReadExactly(fd, 1);
        if (length.empty())
            return;
        LoopbackPeer::ReadExactly(fd, static_cast<unsigned char>(length[0]));
        LoopbackPeer::WriteAll(fd, std::string{1});
        LoopbackPeer::WriteAll(fd, std::string{0});
        std::string head = LoopbackPeer::ReadExactly(fd, 5);
        if (head.size() < 5)
            return;
        LoopbackPeer::ReadExactly(fd, static_cast<unsigned char>(head[4]) + 2);
        LoopbackPeer::WriteAll(fd, std::string{5, 0, 0, 1, 127, 0, 0, 1, 0, 80});
        EchoScript(fd);
    };
}

TEST_F(SocksTest, AnAuthenticationReplyInSingleBytesIsJudgedWhole) {
    LoopbackPeer proxy(Socks5AuthScript(5, 2));
    ASSERT_NO_FATAL_FAILURE(ThroughAuthenticatingProxy(proxy.Port()));
    EXPECT_EQ(c.events, (std::vector<std::string>{"closed>opened", "opened>connecting", "connecting>connected",
                                                  "socks 0", "auth 0", "auth 1", "connected 0"}));
    c.socket.Close();
}

TEST_F(SocksTest, ARefusedSecondConnectLeavesTheSessionThroughTheProxyAsItWas) {
    LoopbackPeer proxy(Socks5AuthScript(5, 2));
    ASSERT_NO_FATAL_FAILURE(ThroughAuthenticatingProxy(proxy.Port()));
    c.events.clear();
    EXPECT_EQ(RaisedBy<ESocketException>([&] { c.socket.Connect(); }), "Connect: Socket already in use");
    c.socket.SendStr(", still");
    ASSERT_TRUE(PumpUntil([&] { return c.received.size() >= 24 || c.closed; }));
    EXPECT_EQ(c.received, "through the proxy, still");
    EXPECT_EQ(c.events, std::vector<std::string>{});
    EXPECT_EQ(c.socket.State(), wsConnected);
    c.socket.Close();
}

TEST_F(SocksTest, AWrongVersionOrAnUnofferedMethodEndsTheNegotiation) {
    struct Case {
        char version, method;
        std::string error;
    } cases[] = {{4, 0, "error 20002 socks version error"},
                 {5, '\xFF', "error 20003 authentification method not acceptable"}};
    for (const Case& k : cases) {
        LoopbackPeer proxy(Socks5AuthScript(k.version, k.method));
        c.events.clear();
        c.closed = false;
        Through(proxy.Port(), "5");
        ASSERT_TRUE(PumpUntil([&] { return c.closed; })) << k.error;
        EXPECT_TRUE(Has(k.error)) << k.error;
        int code = std::stoi(k.error.substr(6, 5));
        EXPECT_TRUE(Has("connected " + IntToStr(code)));
        EXPECT_TRUE(Has("closed " + IntToStr(code)));
    }
}

// A socket whose negotiation can be put into a state it never takes by itself.
class StraySocksState : public TWSocket {
public:
    void Disturb() { FSocksState = 7; }
};

TEST_F(SocksTest, DataInAStateOutsideTheNegotiationIsAnInternalError) {
    LoopbackPeer proxy(Socks5AuthScript(5, 0));
    StraySocksState s;
    std::vector<std::string> events;
    s.OnSocksConnected = [&](TCustomWSocket*, win::WORD) { s.Disturb(); };
    s.OnSocksError = [&](TCustomWSocket*, int e, const std::string& m) { events.push_back(IntToStr(e) + " " + m); };
    s.OnSessionClosed = [&](TCustomWSocket*, win::WORD e) { events.push_back("closed " + IntToStr(e)); };
    s.SetSocksServer("127.0.0.1");
    s.SetSocksPort(IntToStr(proxy.Port()));
    s.SetAddr("127.0.0.1");
    s.SetPort(IntToStr(echo.Port()));
    s.Connect();
    ASSERT_TRUE(PumpUntil([&] { return s.State() == wsClosed; }));
    EXPECT_EQ(events, (std::vector<std::string>{"20013 internal error", "closed 20013"}));
}

TEST_F(SocksTest, ASocks4DestinationThatCannotBeResolvedClosesWithoutASession) {
    win::winsock::SetHostResolvers([](const std::string&, win::winsock::HostAnswer&) { return 11001; }, nullptr);
    LoopbackPeer proxy([](int fd) { LoopbackPeer::ReadAll(fd); });
    Through(proxy.Port(), "4", "nowhere.test");
    ASSERT_TRUE(PumpUntil([&] { return c.closed; }));
    auto begins = [&](const std::string& prefix) {
        return std::count_if(c.events.begin(), c.events.end(),
                             [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
    };
    EXPECT_EQ(begins("error 20017 ESocketException "), 1);
    EXPECT_EQ(begins("connected "), 0);
    EXPECT_EQ(c.events.back(), "closed 20017");
}

TEST_F(SocksTest, SettingsAndValuesThatCannotBeSentAreRefusedBeforeConnecting) {
    TWSocket& s = c.socket;
    s.SetSocksLevel("4a");
    EXPECT_EQ(s.SocksLevel(), "4A");
    EXPECT_EQ(RaisedBy<ESocketException>([&] { s.SetSocksLevel("6"); }), "Invalid socks level. Must be 4, 4A or 5.");
    EXPECT_EQ(s.SocksLevel(), "4A");
    s.SetSocksLevel("5");
    s.SetSocksServer("127.0.0.1");
    s.SetSocksPort(IntToStr(echo.Port()));
    s.SetAddr("127.0.0.1");
    s.SetPort("0");
    EXPECT_EQ(RaisedBy<ESocketException>([&] { s.Listen(); }), "Listening is not supported thru socks server");
    s.SetProto("udp");
    EXPECT_EQ(RaisedBy<ESocketException>([&] { s.Connect(); }), "tcp is the only protocol supported thru socks server");
    s.SetProto("tcp");
    s.SetAddr(std::string(300, 'h'));
    EXPECT_EQ(RaisedBy<ESocketException>([&] { s.Connect(); }), "connect: SOCKS host name longer than 255 characters");
    s.SetAddr("127.0.0.1");
    s.SocksAuthentication = socksAuthenticateUsercode;
    s.SocksPassword = std::string(256, 'p');
    EXPECT_EQ(RaisedBy<ESocketException>([&] { s.Connect(); }), "connect: SOCKS password longer than 255 characters");
    EXPECT_EQ(s.State(), wsClosed);
    PumpPending();
    EXPECT_EQ(echo.Accepted(), 0);
}

}  // namespace
}  // namespace tarvo::test
