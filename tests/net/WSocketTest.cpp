// TWSocket sessions against real peers on loopback.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/winsock/HostLookup.h"
#include "tests/net/SocketPeers.h"
#include "tests/support/PeerProcess.h"
#include "tests/support/Raised.h"

namespace tarvo::test {
namespace {

class WSocketTest : public TarvoTest {
protected:
    void TearDown() override {
        win::winsock::SetHostResolvers(nullptr, nullptr);
        PumpPending(1);
        TarvoTest::TearDown();
    }
};

TEST_F(WSocketTest, EchoSessionKeepsFourMebibytesIntactAndEventsInOrder) {
    LoopbackPeer peer(EchoScript);
    RecordingSocket c;
    std::string payload = RandomBytes(4 << 20, 42);
    c.socket.OnSessionConnected = [&](TCustomWSocket* s, win::WORD e) {
        c.events.push_back("connected " + IntToStr(e));
        s->Send(payload.data(), static_cast<int>(payload.size()));
    };
    c.ConnectTo(peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return c.received.size() >= payload.size(); }, 60000));
    EXPECT_TRUE(c.received == payload);
    EXPECT_EQ(c.sendData, static_cast<long long>(payload.size()));
    EXPECT_EQ(c.socket.BufferedByteCount(), 0);
    EXPECT_EQ(c.socket.PeerAddr(), "127.0.0.1");
    EXPECT_EQ(c.socket.PeerPort(), IntToStr(peer.Port()));
    c.socket.Close();
    EXPECT_EQ(c.events, (std::vector<std::string>{"closed>opened", "opened>connecting", "connecting>connected",
                                                  "connected 0", "connected>closed", "closed 0"}));
    EXPECT_EQ(c.socket.PeerAddr(), "error");
}

TEST_F(WSocketTest, RefusedPortConnectsWithTheErrorThenCloses) {
    RefusingLoopbackPort refusing;
    RecordingSocket c;
    c.ConnectTo(refusing.Port());
    ASSERT_TRUE(PumpUntil([&] { return c.closed; }));
    EXPECT_EQ(c.events, (std::vector<std::string>{"closed>opened", "opened>connecting", "connecting>connected",
                                                  "connected 10061", "connected>closed", "closed 0"}));
}

TEST_F(WSocketTest, PeerResetEndsTheSessionWithConnectionReset) {
    LoopbackPeer peer([](int fd) {
        LoopbackPeer::ReadExactly(fd, 5);
        LoopbackPeer::Reset(fd);
    });
    RecordingSocket c;
    c.socket.OnSessionConnected = [](TCustomWSocket* s, win::WORD) { s->SendStr("hello"); };
    c.ConnectTo(peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return c.closed; }));
    EXPECT_EQ(c.events.back(), "connected>closed");
    EXPECT_NE(std::find(c.events.begin(), c.events.end(), "closed 10054"), c.events.end());
    EXPECT_EQ(c.socket.State(), wsClosed);
}

TEST_F(WSocketTest, HalfClosedPeerStillReadsWhatWeSendAfterItsClose) {
    std::string peerGot;
    std::atomic<bool> peerDone{false};
    LoopbackPeer peer([&](int fd) {
        LoopbackPeer::WriteAll(fd, "bye");
        LoopbackPeer::ShutdownWrite(fd);
        peerGot = LoopbackPeer::ReadAll(fd);
        peerDone = true;
    });
    RecordingSocket c;
    c.socket.OnDataAvailable = [&](TCustomWSocket* s, win::WORD) {
        std::string got = s->ReceiveStr();
        c.received += got;
        if (got == "bye")
            s->SendStr("ack");
    };
    c.ConnectTo(peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return c.closed; }));
    EXPECT_EQ(c.received, "bye");
    ASSERT_GE(c.events.size(), 2u);
    EXPECT_EQ(c.events[c.events.size() - 2], "closed 0");  // the peer's close, then ours
    EXPECT_EQ(c.events.back(), "connected>closed");
    ASSERT_TRUE(PumpUntil([&] { return peerDone.load(); }));
    EXPECT_EQ(peerGot, "ack");
}

TEST_F(WSocketTest, SlowReaderForcesShortSendsAndTheQueueDeliversEverything) {
    std::string payload = RandomBytes(4 << 20, 9);
    GatedReader peer(payload.size());
    RecordingSocket c;
    bool queued = false;
    c.socket.OnSessionConnected = [&](TCustomWSocket* s, win::WORD) {
        s->Send(payload.data(), static_cast<int>(payload.size()));
        queued = s->BufferedByteCount() > 0;  // WinSock took only part
        peer.Open();
    };
    c.ConnectTo(peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return peer.Done() && c.dataSent > 0; }, 60000));
    EXPECT_TRUE(queued);
    EXPECT_TRUE(peer.Got() == payload);
    EXPECT_EQ(c.sendData, static_cast<long long>(payload.size()));
    EXPECT_TRUE(c.socket.AllSent());
}

TEST_F(WSocketTest, SendDataHandlerMaySendAgainOrAbortSafely) {
    std::string peerGot;
    std::atomic<bool> done{false};
    LoopbackPeer peer([&](int fd) {
        peerGot = LoopbackPeer::ReadAll(fd);
        done = true;
    });
    RecordingSocket c;
    bool once = false;
    std::string payload = RandomBytes(5000, 3);
    c.socket.OnSendData = [&](TCustomWSocket* s, int) {
        if (once)
            return;
        once = true;
        s->SendStr("tail");  // the bytes just sent have already left the queue
    };
    c.socket.OnSessionConnected = [&](TCustomWSocket* s, win::WORD) {
        s->Send(payload.data(), static_cast<int>(payload.size()));
    };
    c.socket.OnDataSent = [&](TCustomWSocket* s, win::WORD) { s->Close(); };
    c.ConnectTo(peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    EXPECT_EQ(peerGot.size(), payload.size() + 4);
    EXPECT_TRUE(peerGot.find("tail") != std::string::npos);
    EXPECT_EQ(peerGot.substr(0, 1460), payload.substr(0, 1460));

    RecordingSocket a;
    a.socket.OnSendData = [](TCustomWSocket* s, int) { s->Abort(); };  // frees the queue under the drain
    a.socket.OnSessionConnected = [&](TCustomWSocket* s, win::WORD) {
        s->Send(payload.data(), static_cast<int>(payload.size()));
    };
    a.ConnectTo(peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return a.closed; }));
    EXPECT_EQ(a.socket.BufferedByteCount(), 0);
}

TEST_F(WSocketTest, SendOutsideASessionAndEmptySends) {
    RecordingSocket c;
    EXPECT_EQ(RaisedBy<ESocketException>([&] { c.socket.SendStr("x"); }),
              "Error 10057 in function Send\r\nSocket is not connected");
    int errors = 0;
    c.socket.OnError = [&](TCustomWSocket*) { ++errors; };
    EXPECT_EQ(c.socket.SendStr("x"), -1);
    EXPECT_EQ(c.socket.LastError(), 10057);
    EXPECT_EQ(errors, 1);

    LoopbackPeer peer(EchoScript);
    c.socket.OnError = nullptr;
    c.ConnectTo(peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return c.socket.State() == wsConnected && c.dataSent == 1; }));
    EXPECT_EQ(c.socket.Send("", 0), 0);
    EXPECT_EQ(c.dataSent, 1);  // never from inside Send
    ASSERT_TRUE(PumpUntil([&] { return c.dataSent == 2; }));
    c.socket.Close();
}

TEST_F(WSocketTest, PropertyChecksAndConnectPreconditions) {
    LoopbackPeer peer(EchoScript);
    RecordingSocket c;
    c.ConnectTo(peer.Port());
    EXPECT_EQ(RaisedBy<ESocketException>([&] { c.socket.SetPort("99"); }), "Cannot change Port if not closed");
    EXPECT_EQ(RaisedBy<ESocketException>([&] { c.socket.SetAddr("localhost"); }), "Cannot change Addr if not closed");
    EXPECT_EQ(RaisedBy<ESocketException>([&] { c.socket.SetAddr("127.0.0.1"); }),
              "(nothing raised)");  // unchanged text
    EXPECT_EQ(RaisedBy<ESocketException>([&] { c.socket.SetProto("udp"); }), "Cannot change Proto if not closed");
    EXPECT_EQ(RaisedBy<ESocketException>([&] { c.socket.SetLocalPort("1"); }), "Cannot change LocalPort if not closed");
    EXPECT_EQ(RaisedBy<ESocketException>([&] { c.socket.SetLocalAddr("1.2.3.4"); }),
              "Cannot change LocalAddr if not closed");
    EXPECT_EQ(RaisedBy<ESocketException>([&] { c.socket.SetSendFlags(7); }), "Invalid SendFlags");
    EXPECT_EQ(RaisedBy<ESocketException>([&] { c.socket.Connect(); }), "Connect: Socket already in use");
    EXPECT_EQ(c.socket.Port(), IntToStr(peer.Port()));
    c.socket.Close();
    c.socket.Close();  // nothing more
    EXPECT_EQ(RaisedBy<ESocketException>([&] { c.socket.Connect(); }), "Connect: No Port Specified");
    c.socket.SetPort(IntToStr(peer.Port()));
    EXPECT_EQ(RaisedBy<ESocketException>([&] { c.socket.Connect(); }), "Connect: No IP Address Specified");
    c.socket.SetAddr("127.0.0.1");
    c.socket.SetPort("70000");
    EXPECT_EQ(RaisedBy<ESocketException>([&] { c.socket.Connect(); }), "connect: WSocketResolvePort: Invalid Port.");
}

TEST_F(WSocketTest, BackgroundExceptionReachesItsHandlerAndAborts) {
    LoopbackPeer peer(EchoScript);
    RecordingSocket c;
    std::string seen;
    c.socket.OnBgException = [&](TCustomWSocket*, const Exception& e, bool&) { seen = e.Message(); };
    c.ConnectTo(peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return c.socket.State() == wsConnected; }));
    win::PostMessageA(c.socket.WindowHandle(), WM_SOCKET_TEST_EXCEPTION, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return c.socket.State() == wsClosed; }));
    EXPECT_EQ(seen, "Test exception in WSocket");
}

TEST_F(WSocketTest, ListenAcceptDupAndUdp) {
    TWSocket server;
    TWSocket session;
    std::string got;
    server.SetAddr("127.0.0.1");
    server.SetPort("0");
    server.OnSessionAvailable = [&](TCustomWSocket* s, win::WORD) {
        session.Dup(s->Accept());
        session.OnDataAvailable = [&](TCustomWSocket* t, win::WORD) {
            std::string text = t->ReceiveStr();
            got += text;
            t->SendStr(text);
        };
    };
    server.Listen();
    ASSERT_EQ(server.State(), wsListening);
    std::string port = server.GetBoundPort();
    RecordingSocket c;
    c.socket.OnSessionConnected = [](TCustomWSocket* s, win::WORD) { s->SendStr("ping"); };
    c.ConnectTo(std::stoi(port));
    ASSERT_TRUE(PumpUntil([&] { return c.received == "ping"; }));
    EXPECT_EQ(got, "ping");
    EXPECT_EQ(session.State(), wsConnected);
    c.socket.Close();
    ASSERT_TRUE(PumpUntil([&] { return session.State() == wsClosed; }));

    DatagramSink sink;
    EXPECT_EQ(sink.socket.State(), wsConnected);
    TWSocket sender;
    sink.Aim(sender);
    EXPECT_EQ(sender.State(), wsConnected);
    sender.SendStr("datagram");
    ASSERT_TRUE(PumpUntil([&] { return !sink.datagrams.empty(); }));
    EXPECT_EQ(sink.datagrams, std::vector<std::string>{"datagram"});
}

TEST_F(WSocketTest, DnsLookups) {
    TWSocket s;
    std::vector<int> done;
    s.OnDnsLookupDone = [&](TCustomWSocket*, win::WORD e) { done.push_back(e); };
    s.DnsLookup("127.0.0.1");
    EXPECT_EQ(done, std::vector<int>{0});  // before it returned
    EXPECT_EQ(s.DnsResult(), "127.0.0.1");
    EXPECT_EQ(RaisedBy<ESocketException>([&] { s.DnsLookup(""); }), "DNS lookup: invalid host name.");
    s.OnError = [](TCustomWSocket*) {};
    s.DnsLookup("");
    EXPECT_EQ(done.back(), 10022);
    s.ReverseDnsLookup("");
    EXPECT_EQ(done.back(), 10022);
    s.ReverseDnsLookup("not an address");  // refused, not looked up as 255.255.255.255
    EXPECT_EQ(done.back(), 10022);
    s.OnError = nullptr;

    done.clear();
    s.DnsLookup("localhost");
    ASSERT_TRUE(PumpUntil([&] { return !done.empty(); }));
    EXPECT_EQ(done, std::vector<int>{0});
    EXPECT_EQ(s.DnsResult(), "127.0.0.1");

    done.clear();
    s.ReverseDnsLookupAlt("127.0.0.1");
    ASSERT_EQ(done, std::vector<int>{0});
    EXPECT_EQ(s.DnsResultList()[0], s.DnsResult());

    std::mutex lock;
    std::condition_variable cv;
    bool release = false;
    win::winsock::SetHostResolvers(
        [&](const std::string& name, win::winsock::HostAnswer& a) {
            if (name == "slow.test") {
                std::unique_lock<std::mutex> guard(lock);
                cv.wait_for(guard, std::chrono::seconds(20), [&] { return release; });
            }
            if (name == "empty.test")
                return 0;  // no address: no answer
            a.name = name;
            a.addresses = {Winsock_htonl(0x7F000002), Winsock_htonl(0x7F000003)};
            return 0;
        },
        nullptr);
    done.clear();
    s.DnsLookup("slow.test");
    s.CancelDnsLookup();
    EXPECT_EQ(done, std::vector<int>{10004});
    s.CancelDnsLookup();  // nothing pending: nothing happens
    EXPECT_EQ(done.size(), 1u);
    s.DnsLookup("slow.test");
    s.DnsLookup("fast.test");  // cancels the first; only the second answers
    {
        std::lock_guard<std::mutex> guard(lock);
        release = true;
    }
    cv.notify_all();
    ASSERT_TRUE(PumpUntil([&] { return done.size() == 2; }));
    PumpPending();
    EXPECT_EQ(done, (std::vector<int>{10004, 0}));
    EXPECT_EQ(s.DnsResultList().Count(), 2);
    EXPECT_EQ(s.DnsResult(), "127.0.0.2");
    s.DnsLookup("empty.test");
    ASSERT_TRUE(PumpUntil([&] { return done.size() == 3; }));
    EXPECT_EQ(done.back(), 11004);
    EXPECT_EQ(s.DnsResult(), "");

    // Cancelled after the resolver ended, its answer already queued: a cancel like any other, and the
    // answer is never taken for one.
    done.clear();
    s.DnsLookup("over.test");
    ASSERT_TRUE(WaitQueued(s.WindowHandle(), WM_SOCKET_DNS_DONE));
    EXPECT_NO_THROW(s.CancelDnsLookup());
    EXPECT_EQ(done, std::vector<int>{10004});
    PumpPending();
    EXPECT_EQ(done, std::vector<int>{10004});
    EXPECT_EQ(s.DnsResult(), "");
    s.DnsLookup("after.test");
    ASSERT_TRUE(PumpUntil([&] { return done.size() == 2; }));
    EXPECT_EQ(done.back(), 0);
    EXPECT_EQ(s.DnsResult(), "127.0.0.2");
}

TEST_F(WSocketTest, DetachedSocketRunsOnAnotherThread) {
    LoopbackPeer peer(EchoScript);
    RecordingSocket c;
    c.ConnectTo(peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return c.socket.State() == wsConnected; }));
    c.socket.ThreadDetach();
    EXPECT_EQ(c.socket.WindowHandle(), 0u);
    std::string echoed;
    std::thread worker([&] {
        c.socket.ThreadAttach();
        c.socket.OnDataAvailable = [&](TCustomWSocket* s, win::WORD) { echoed += s->ReceiveStr(); };
        c.socket.SendStr("moved");
        PumpUntil([&] { return echoed == "moved"; });
        c.socket.ThreadDetach();
    });
    worker.join();
    EXPECT_EQ(echoed, "moved");
    c.socket.ThreadAttach();
    EXPECT_EQ(RaisedBy<ESocketException>([&] { c.socket.ThreadAttach(); }), "Cannot attach when not detached");
    c.socket.Close();
}

}  // namespace
}  // namespace tarvo::test
