// Draining the send queue several blocks per call: the bytes keep their order across blocks and across
// short sends, the callers' events stay as they were, and datagrams still go one block each.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "tests/net/SocketPeers.h"

namespace tarvo::test {
namespace {

// A socket whose queue can be looked at.
class ProbedSocket : public TWSocket {
public:
    std::vector<int> BlockFill() const {
        std::vector<int> fill;
        for (const auto& b : FSendBlocks)
            fill.push_back(b->WritePos() - b->ReadPos());
        return fill;
    }
    std::vector<int> BlockSizes() const {
        std::vector<int> sizes;
        for (const auto& b : FSendBlocks)
            sizes.push_back(b->BlockSize());
        return sizes;
    }
};

// Records what a stream socket's drain reports.
struct SendRecord {
    int dataSent = 0;
    std::vector<int> queuedAtDataSent;  // the bytes still queued each time OnDataSent came
    std::vector<int> sendData;
    long long Total() const {
        long long total = 0;
        for (int n : sendData)
            total += n;
        return total;
    }
    void Attach(TWSocket& s) {
        s.OnDataSent = [this, &s](TCustomWSocket*, win::WORD) {
            ++dataSent;
            queuedAtDataSent.push_back(s.BufferedByteCount());
        };
        s.OnSendData = [this](TCustomWSocket*, int n) { sendData.push_back(n); };
    }
};

void ConnectTo(TWSocket& s, int port) {
    s.SetAddr("127.0.0.1");
    s.SetPort(IntToStr(port));
    s.Connect();
}

class GatheredSendTest : public TarvoTest {
protected:
    void TearDown() override {
        PumpPending(1);
        TarvoTest::TearDown();
    }
};

TEST_F(GatheredSendTest, OneSendOfManyBlocksLeavesInFewCallsIntactAndDataSentComesOnce) {
    std::string payload = RandomBytes(300 * 1460 + 7, 11);
    std::string peerGot;
    std::atomic<bool> peerDone{false};
    LoopbackPeer peer([&](int fd) {
        peerGot = LoopbackPeer::ReadExactly(fd, payload.size());
        peerDone = true;
    });
    ProbedSocket s;
    SendRecord record;
    record.Attach(s);
    ConnectTo(s, peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return record.dataSent == 1; }));  // the connection's own FD_WRITE
    EXPECT_EQ(s.Send(payload.data(), static_cast<int>(payload.size())), static_cast<int>(payload.size()));
    ASSERT_TRUE(PumpUntil([&] { return peerDone && record.dataSent == 2; }));
    PumpPending();
    EXPECT_EQ(record.dataSent, 2);
    EXPECT_TRUE(peerGot == payload);
    EXPECT_EQ(record.Total(), static_cast<long long>(payload.size()));
    EXPECT_GT(*std::max_element(record.sendData.begin(), record.sendData.end()), s.SendBlockSize);
    EXPECT_EQ(s.BlockFill(), std::vector<int>{0});  // one emptied block kept for reuse
    EXPECT_EQ(s.BufferedByteCount(), 0);
    EXPECT_TRUE(s.AllSent());
    s.Close();
}

TEST_F(GatheredSendTest, ShortSendsInsideBlocksResumeWhereTheyStopped) {
    // Sizes that leave blocks part-filled, so later sends fill them up and calls end inside blocks.
    std::string payload =
        RandomBytes(3 << 20, 12) + RandomBytes(1000, 13) + RandomBytes(4999, 14) + RandomBytes(333333, 15);
    GatedReader peer(payload.size());
    ProbedSocket s;
    SendRecord record;
    record.Attach(s);
    bool queued = false;
    s.OnSessionConnected = [&](TCustomWSocket* sock, win::WORD) {
        size_t at = 0;
        for (size_t n : {size_t{3} << 20, size_t{1000}, size_t{4999}, size_t{333333}}) {
            sock->Send(payload.data() + at, static_cast<int>(n));
            at += n;
        }
        queued = sock->BufferedByteCount() > 0;
        peer.Open();
    };
    ConnectTo(s, peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return peer.Done() && record.dataSent > 0; }, 60000));
    PumpPending();
    EXPECT_TRUE(queued);  // WinSock took only part: the rest went out on FD_WRITE
    // Only a dry queue is reported. (An FD_WRITE still queued from the connection may come after the drain and
    // report the dry queue once more, as WinSock's own would.)
    EXPECT_EQ(record.queuedAtDataSent, std::vector<int>(record.dataSent, 0));
    EXPECT_TRUE(peer.Got() == payload);
    EXPECT_EQ(record.Total(), static_cast<long long>(payload.size()));
    EXPECT_EQ(s.BufferedByteCount(), 0);
    s.Close();
}

TEST_F(GatheredSendTest, EmptiedBlocksAreReusedOnlyAtTheCurrentBlockSize) {
    std::string payload = RandomBytes(10 * 1460, 17);
    LoopbackPeer peer([&](int fd) { LoopbackPeer::ReadExactly(fd, payload.size()); });
    ProbedSocket s;
    SendRecord record;
    record.Attach(s);
    ConnectTo(s, peer.Port());
    ASSERT_TRUE(PumpUntil([&] { return record.dataSent == 1; }));
    s.Send(payload.data(), static_cast<int>(payload.size()));
    ASSERT_TRUE(PumpUntil([&] { return record.dataSent == 2; }));
    ASSERT_EQ(s.BlockFill(), std::vector<int>{0});
    s.SendBlockSize = 100;
    s.PutDataInSendBuffer(payload.data(), 1460 + 150);  // the kept block first, then new ones of 100 bytes
    EXPECT_EQ(s.BlockSizes(), (std::vector<int>{1460, 100, 100}));
    EXPECT_EQ(s.BlockFill(), (std::vector<int>{1460, 100, 50}));
    s.Abort();
}

TEST_F(GatheredSendTest, DatagramsStayOneBlockEach) {
    DatagramSink sink;
    TWSocket sender;
    sink.Aim(sender);
    const std::vector<std::string>& datagrams = sink.datagrams;
    std::string payload = RandomBytes(3000, 16);
    EXPECT_EQ(sender.Send(payload.data(), 3000), 3000);
    ASSERT_TRUE(PumpUntil([&] { return datagrams.size() == 3; }));
    EXPECT_EQ(datagrams[0].size(), 1460u);
    EXPECT_EQ(datagrams[1].size(), 1460u);
    EXPECT_EQ(datagrams[2].size(), 80u);
    EXPECT_TRUE(datagrams[0] + datagrams[1] + datagrams[2] == payload);
}

}  // namespace
}  // namespace tarvo::test
