// Socket core paths that sessions seldom take: failed Listen calls, notifications held back, the queue
// flushed by hand, a close from the message loop, and receives without a handler or cut short by one.
#include <gtest/gtest.h>

#include <atomic>

#include "tests/net/SocketPeers.h"
#include "tests/support/CrossThreadFlag.h"
#include "tests/support/OpenDescriptors.h"
#include "tests/support/Raised.h"

namespace tarvo::test {
namespace {

using WSocketCoreTest = TarvoTest;

TEST_F(WSocketCoreTest, AFailedListenClosesTheSocketItMadeWhetherOrNotOnErrorHears) {
    BusyLoopbackPort busy;
    ASSERT_GT(busy.Port(), 0);
    TWSocket s;
    s.SetAddr("127.0.0.1");
    int open = OpenDescriptors();

    s.SetPort(IntToStr(busy.Port()));
    std::string raised = RaisedBy<ESocketException>([&] { s.Listen(); });
    EXPECT_EQ(raised.rfind("Error 10048 in function Bind\r\n", 0), 0u) << raised;
    EXPECT_EQ(s.State(), wsClosed);
    EXPECT_EQ(OpenDescriptors(), open);

    int reports = 0;
    s.OnError = [&](TCustomWSocket*) { ++reports; };
    for (int round = 0; round < 3; ++round)
        s.Listen();
    EXPECT_EQ(reports, 3);
    EXPECT_EQ(s.LastError(), win::WSAEADDRINUSE);
    EXPECT_EQ(s.SocketHandle(), win::INVALID_SOCKET);
    EXPECT_EQ(OpenDescriptors(), open);

    // The socket is as good as new: the next port is taken.
    s.SetPort("0");
    s.Listen();
    EXPECT_EQ(s.State(), wsListening);
    EXPECT_EQ(reports, 3);
    s.Close();
    EXPECT_EQ(OpenDescriptors(), open);
}

TEST_F(WSocketCoreTest, PauseHoldsNotificationsBackUntilResume) {
    LoopbackPeer peer(EchoScript);
    RecordingSocket c;
    c.ConnectTo(peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return c.socket.State() == wsConnected; }));
    PumpPending();
    int sentBefore = c.dataSent;
    EXPECT_EQ(c.socket.Pause(), 0);
    EXPECT_TRUE(c.socket.Paused());
    c.socket.SendStr("ping");
    // The echo is waiting in the socket, yet nobody hears of it.
    ASSERT_TRUE(PumpUntil([&] { return c.socket.RcvdCount() == 4; }));
    PumpPending();
    EXPECT_EQ(c.received, "");
    EXPECT_EQ(c.dataSent, sentBefore);
    EXPECT_EQ(c.socket.Resume(), 0);
    EXPECT_FALSE(c.socket.Paused());
    ASSERT_TRUE(PumpUntil([&] { return c.received == "ping"; }));
}

TEST_F(WSocketCoreTest, FlushReturnsOnceTheQueueIsEmpty) {
    std::atomic<size_t> peerGot{0};
    LoopbackPeer peer([&](int fd) { peerGot = LoopbackPeer::ReadAll(fd).size(); });
    RecordingSocket c;
    c.socket.LingerOnOff = wsLingerOff;  // a graceful close, so what was sent arrives
    c.ConnectTo(peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return c.socket.State() == wsConnected; }));
    std::string payload = RandomBytes(8 << 20, 9);
    c.socket.Send(payload.data(), static_cast<int>(payload.size()));
    c.socket.Flush();
    EXPECT_TRUE(c.socket.AllSent());
    EXPECT_EQ(c.socket.BufferedByteCount(), 0);
    c.socket.Close();
    ASSERT_TRUE(PumpUntil([&] { return peerGot.load() > 0; }));
    EXPECT_EQ(peerGot.load(), payload.size());
}

TEST_F(WSocketCoreTest, CloseDelayedClosesFromTheMessageLoop) {
    LoopbackPeer peer(EchoScript);
    RecordingSocket c;
    c.ConnectTo(peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return c.socket.State() == wsConnected; }));
    c.socket.CloseDelayed();
    EXPECT_EQ(c.socket.State(), wsConnected);
    ASSERT_TRUE(PumpUntil([&] { return c.closed; }));
    EXPECT_EQ(c.socket.State(), wsClosed);
    EXPECT_EQ(c.events.back(), "closed 0");
}

TEST_F(WSocketCoreTest, BytesNobodyHandlesAreReadAndDropped) {
    std::atomic<bool> written{false};
    LoopbackPeer peer([&](int fd) {
        written = LoopbackPeer::WriteAll(fd, std::string(5000, 'x'));
        if (LoopbackPeer::ReadExactly(fd, 4) == "next")
            LoopbackPeer::WriteAll(fd, "tail");
        LoopbackPeer::ReadAll(fd);
    });
    RecordingSocket c;
    c.socket.OnDataAvailable = nullptr;
    c.ConnectTo(peer.Port());
    // On loopback the bytes are in our socket once the peer's send returned.
    ASSERT_TRUE(PumpUntil([&] { return written && c.socket.RcvdCount() == 0; }));
    c.socket.OnDataAvailable = [&](TCustomWSocket* s, win::WORD) { c.received += s->ReceiveStr(); };
    c.socket.SendStr("next");
    ASSERT_TRUE(PumpUntil([&] { return c.received.size() >= 4; }));
    EXPECT_EQ(c.received, "tail");
}

TEST_F(WSocketCoreTest, AHandlerSettingLastErrorToMinusOneEndsTheReceiveLoop) {
    CrossThreadFlag sent;
    LoopbackPeer peer([&](int fd) {
        if (LoopbackPeer::ReadExactly(fd, 2) == "go" && LoopbackPeer::WriteAll(fd, "abc"))
            sent.Set();
        LoopbackPeer::ReadAll(fd);
    });
    RecordingSocket c;
    int calls = 0;
    c.socket.OnDataAvailable = [&](TCustomWSocket* s, win::WORD) {
        ++calls;
        char byte;
        if (s->Receive(&byte, 1) == 1)
            c.received += byte;
        s->SetLastError(-1);
    };
    c.ConnectTo(peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return c.socket.State() == wsConnected; }));
    c.socket.SendStr("go");
    // On loopback the bytes are in our socket once the peer's send returned; no message is handled meanwhile.
    ASSERT_TRUE(sent.Wait());
    ASSERT_EQ(c.socket.RcvdCount(), 3);
    // One notification, one call: the handler asked the loop to stop although bytes wait.
    for (int i = 0; i < 100 && calls == 0; ++i)
        c.socket.PumpOneMessage();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(c.received, "a");
    EXPECT_EQ(c.socket.LastError(), 0);
    ASSERT_TRUE(PumpUntil([&] { return c.received == "abc"; }));
}

}  // namespace
}  // namespace tarvo::test
