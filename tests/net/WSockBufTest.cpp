// The send block and the queue discipline around it.
#include <gtest/gtest.h>

#include "net/WSocket.h"
#include "tests/support/TestEnvironment.h"

namespace {

TEST(TBufferTest, SizeWriteRemoveAndReuse) {
    EXPECT_EQ(TBuffer(0).BlockSize(), 1514);
    EXPECT_EQ(TBuffer(-5).BlockSize(), 1514);
    EXPECT_EQ(TBuffer(100).BlockSize(), 100);

    TBuffer full(0);
    std::string big(2000, 'a');
    EXPECT_EQ(full.Write(big.data(), 2000), 1514);
    EXPECT_EQ(full.Write(big.data(), 10), 0);

    TBuffer b(100);
    int len = -1;
    EXPECT_EQ(b.Peek(len), nullptr);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(b.Remove(5), 0);
    b.Write("0123456789", 10);
    EXPECT_EQ(b.Remove(4), 4);
    const char* p = static_cast<const char*>(b.Peek(len));
    ASSERT_EQ(len, 6);
    EXPECT_EQ(std::string(p, 6), "456789");
    EXPECT_EQ(b.Remove(100), 6);
    EXPECT_EQ(b.ReadPos(), 0);
    EXPECT_EQ(b.WritePos(), 0);
    b.Write("xy", 2);
    p = static_cast<const char*>(b.Peek(len));
    EXPECT_EQ(std::string(p, 2), "xy");
}

// Opens the queue for inspection.
class QueueProbe : public TWSocket {
public:
    using TWSocket::PutDataInSendBuffer;
    std::vector<int> BlockFill() const {
        std::vector<int> fill;
        for (const auto& b : FSendBlocks)
            fill.push_back(b->WritePos() - b->ReadPos());
        return fill;
    }
};

TEST(SendQueueTest, AppendsCopiesIntoBlocksOfTheSocketsSize) {
    QueueProbe s;
    std::string data = tarvo::test::RandomBytes(4000, 1);
    s.PutDataInSendBuffer(data.data(), 4000);
    EXPECT_EQ(s.BlockFill(), (std::vector<int>{1460, 1460, 1080}));
    EXPECT_EQ(s.BufferedByteCount(), 4000);
    EXPECT_FALSE(s.AllSent());
    s.PutDataInSendBuffer(nullptr, 10);
    s.PutDataInSendBuffer(data.data(), 0);
    EXPECT_EQ(s.BufferedByteCount(), 4000);
    s.PutDataInSendBuffer(data.data(), 380);
    EXPECT_EQ(s.BlockFill(), (std::vector<int>{1460, 1460, 1460}));
}

}  // namespace
