#include <gtest/gtest.h>

#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/TestEnvironment.h"

namespace {

class StreamsTest : public tarvo::test::TarvoTest {};

TEST_F(StreamsTest, FileStreamReadsWritesAndSeeks) {
    std::string name = sandbox().work + "f.bin";
    {
        TFileStream f(name, fmCreate);
        f.WriteBuffer("hello world", 11);
        EXPECT_EQ(f.Size(), 11);
        f.SetSize(5);
        EXPECT_EQ(f.Position(), 5);
    }
    TFileStream f(name, fmOpenRead);
    char buf[8] = {};
    EXPECT_EQ(f.Read(buf, 8), 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    f.SetPosition(1);
    EXPECT_THROW(f.ReadBuffer(buf, 8), EReadError);
    EXPECT_THROW(f.Write("x", 1), EWriteError);  // opened read-only
}

TEST_F(StreamsTest, OpenAndCreateFailuresNameTheFile) {
    try {
        TFileStream f(sandbox().work + "missing", fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message().find("Cannot open file \"" + sandbox().work + "missing\""), std::string::npos);
    }
    EXPECT_THROW(TFileStream(sandbox().work + "no/such/dir/f", fmCreate), EFCreateError);
}

TEST_F(StreamsTest, MemoryStreamGrowsAndCopies) {
    TMemoryStream m;
    m.WriteBuffer("abc", 3);
    m.SetPosition(10);
    m.WriteBuffer("z", 1);
    EXPECT_EQ(m.Size(), 11);
    TMemoryStream copy;
    copy.CopyFrom(m, 0);
    EXPECT_EQ(copy.Size(), 11);
    EXPECT_EQ(copy.Memory()[10], 'z');
    EXPECT_EQ(copy.Memory()[5], 0);
}

TEST_F(StreamsTest, MemoryStreamSaveAndLoad) {
    TMemoryStream m;
    m.WriteBuffer("\x00\x01\x02", 3);
    m.SaveToFile(sandbox().work + "m.bin");
    TMemoryStream back;
    back.LoadFromFile(sandbox().work + "m.bin");
    EXPECT_EQ(back.Size(), 3);
    EXPECT_EQ(back.Memory()[2], 2);
}

}  // namespace
