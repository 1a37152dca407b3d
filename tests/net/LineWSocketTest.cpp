// Line mode: lines cut from the stream as it arrives in pieces, limits, editing, and SendLine.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/net/SocketPeers.h"

namespace tarvo::test {
namespace {

// Writes its chunks one at a time, each when the test releases it; keeps what it receives.
class ChunkPeer {
public:
    explicit ChunkPeer(std::vector<std::string> chunks)
        : chunks_(std::move(chunks)), peer_([this](int fd) {
              for (size_t i = 0; i < chunks_.size(); ++i) {
                  for (int w = 0; w < 2000 && released_ <= static_cast<int>(i); ++w)
                      std::this_thread::sleep_for(std::chrono::milliseconds(5));
                  LoopbackPeer::WriteAll(fd, chunks_[i]);
              }
              for (int w = 0; w < 2000 && !closeNow_; ++w)
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              received_ = LoopbackPeer::ReadAll(fd, 0);
          }) {}
    ~ChunkPeer() {
        released_ = 1 << 20;
        closeNow_ = true;
    }
    int Port() const { return peer_.Port(); }
    void Release() { ++released_; }
    void CloseNow() { closeNow_ = true; }

private:
    std::vector<std::string> chunks_;
    std::atomic<int> released_{0};
    std::atomic<bool> closeNow_{false};
    std::string received_;
    LoopbackPeer peer_;
};

class LineTest : public TarvoTest {
protected:
    TWSocket s;
    std::vector<std::string> lines;
    std::vector<int> counts;

    void Start(ChunkPeer& peer, int readSize = 4096) {
        s.SetLineMode(true);
        s.OnDataAvailable = [this, readSize](TCustomWSocket* sock, win::WORD) {
            counts.push_back(sock->RcvdCount());
            std::string buf(static_cast<size_t>(readSize), '\0');
            int n = sock->Receive(buf.data(), readSize);
            if (n > 0)
                lines.push_back(buf.substr(0, static_cast<size_t>(n)));
        };
        s.SetAddr("127.0.0.1");
        s.SetPort(IntToStr(peer.Port()));
        s.Connect();
        ASSERT_TRUE(PumpUntil([&] { return s.State() == wsConnected; }));
    }
    void Feed(ChunkPeer& peer, size_t expectLines) {
        peer.Release();
        PumpUntil([&] { return lines.size() >= expectLines; }, 5000);
    }
};

TEST_F(LineTest, LineGatheredOverTwoReadsIsOfferedOnce) {
    ChunkPeer peer({"abc", "def\r\n"});
    Start(peer);
    peer.Release();
    PumpPending(20);
    EXPECT_TRUE(lines.empty());
    Feed(peer, 1);
    ASSERT_EQ(lines, std::vector<std::string>{"abcdef\r\n"});
    EXPECT_EQ(counts, std::vector<int>{8});
}

TEST_F(LineTest, TwoLinesInOneReadAndATerminatorSplitAcrossReads) {
    ChunkPeer peer({"one\r\ntwo\r\n", "three\r", "\nfour"});
    Start(peer);
    Feed(peer, 2);
    EXPECT_EQ(lines, (std::vector<std::string>{"one\r\n", "two\r\n"}));
    peer.Release();
    Feed(peer, 3);
    EXPECT_EQ(lines.back(), "three\r\n");
    PumpPending(10);
    EXPECT_EQ(lines.size(), 3u);
    peer.CloseNow();  // the partial line "four" comes as a last line when the session closes
    ASSERT_TRUE(PumpUntil([&] { return lines.size() == 4; }));
    EXPECT_EQ(lines.back(), "four");
}

TEST_F(LineTest, LinesBufferedWhileRawAreOfferedWhenLineModeComesBack) {
    ChunkPeer peer({"HDR\r\nXYnext\r\nmore\r\n"});
    Start(peer);
    // A header line, two raw bytes, then lines again: the mode changes inside the handler each time.
    s.OnDataAvailable = [this](TCustomWSocket* sock, win::WORD) {
        bool raw = lines.size() == 1;
        std::string buf(raw ? 2 : 4096, '\0');
        int n = sock->Receive(buf.data(), static_cast<int>(buf.size()));
        if (n <= 0)
            return;
        lines.push_back(buf.substr(0, static_cast<size_t>(n)));
        s.SetLineMode(!(lines.size() == 1));
    };
    Feed(peer, 4);
    EXPECT_EQ(lines, (std::vector<std::string>{"HDR\r\n", "XY", "next\r\n", "more\r\n"}));
}

// The peer sends half a line and closes; the handler never reads it. It gives in after many calls, so a
// fault costs a failure, not a hung test.
TEST_F(LineTest, ALastPartialLineLeftUnreadEndsTheClose) {
    LoopbackPeer peer([](int fd) { LoopbackPeer::WriteAll(fd, "half a li"); });
    int calls = 0;
    s.SetLineMode(true);
    s.OnDataAvailable = [&](TCustomWSocket* sock, win::WORD) {
        if (++calls > 1000)
            sock->ReceiveStr();
    };
    bool closed = false;
    s.OnSessionClosed = [&](TCustomWSocket*, win::WORD) { closed = true; };
    s.SetAddr("127.0.0.1");
    s.SetPort(IntToStr(peer.Port()));
    s.Connect();
    ASSERT_TRUE(PumpUntil([&] { return closed; }));
    EXPECT_EQ(calls, 1);  // offered once, as the last line
}

TEST_F(LineTest, SmallReadsTakeTheLineInPieces) {
    ChunkPeer peer({"abcdefg\r\nxy\r\n"});
    Start(peer, 3);
    Feed(peer, 5);
    EXPECT_EQ(lines, (std::vector<std::string>{"abc", "def", "g\r\n", "xy\r", "\n"}));
}

TEST_F(LineTest, LineLimitDiscardsUnlessTheHandlerKeepsTheData) {
    ChunkPeer peer({"0123456789A", "B\r\n"});
    s.LineLimit = 10;
    std::vector<int> exceeded;
    bool keep = true;
    s.OnLineLimitExceeded = [&](TCustomWSocket*, int len, bool& clear) {
        exceeded.push_back(len);
        clear = !keep;
    };
    Start(peer);
    peer.Release();
    ASSERT_TRUE(PumpUntil([&] { return !exceeded.empty(); }));
    EXPECT_EQ(exceeded[0], 11);
    keep = false;
    Feed(peer, 1);
    ASSERT_EQ(lines, std::vector<std::string>{"0123456789AB\r\n"});  // kept, then completed
}

TEST_F(LineTest, EditingAppliesBackspaceAndTabs) {
    ChunkPeer peer({std::string("ab\bc\r\n"), std::string("abc\tx\r\n")});
    s.LineEdit = true;
    Start(peer);
    Feed(peer, 1);
    peer.Release();
    Feed(peer, 2);
    EXPECT_EQ(lines, (std::vector<std::string>{"ac\r\n", "abc     x\r\n"}));
}

// The backspaces arrive apart from the text they erase: the peer waits for the echo of the text first.
TEST_F(LineTest, ALineShortenedByEditingIsFoundAtOnce) {
    LoopbackPeer peer([](int fd) {
        LoopbackPeer::WriteAll(fd, "abcdefghij");
        if (LoopbackPeer::ReadExactly(fd, 10) == "abcdefghij")
            LoopbackPeer::WriteAll(fd, std::string(8, '\b') + "\r\n");
        LoopbackPeer::ReadAll(fd);
    });
    s.LineEdit = true;
    s.LineEcho = true;
    s.SetLineMode(true);
    s.OnDataAvailable = [this](TCustomWSocket* sock, win::WORD) { lines.push_back(sock->ReceiveStr()); };
    s.SetAddr("127.0.0.1");
    s.SetPort(IntToStr(peer.Port()));
    s.Connect();
    ASSERT_TRUE(PumpUntil([&] { return !lines.empty(); }));
    EXPECT_EQ(lines, std::vector<std::string>{"ab\r\n"});
    s.Close();
}

TEST_F(LineTest, SendLineReturnsLengthPlusTwo) {
    std::string got;
    std::atomic<bool> done{false};
    LoopbackPeer peer([&](int fd) {
        got = LoopbackPeer::ReadExactly(fd, 6);
        done = true;
    });
    s.SetAddr("127.0.0.1");
    s.SetPort(IntToStr(peer.Port()));
    s.Connect();
    ASSERT_TRUE(PumpUntil([&] { return s.State() == wsConnected; }));
    EXPECT_EQ(s.SendLine(""), 0);
    EXPECT_EQ(s.SendLine("abcd"), 6);
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    EXPECT_EQ(got, "abcd\r\n");
}

}  // namespace
}  // namespace tarvo::test
