#include <gtest/gtest.h>

#include <string>

#include "client/ChunkPipeline.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/TestEnvironment.h"

namespace tarvo::test {
namespace {

constexpr int64_t kChunk = TChunkPipeline::kChunkSize;

class ChunkPipelineTest : public TarvoTest {
protected:
    // Runs the file through the pipeline, flipping every byte as the transformation, the way the container
    // drives it; returns what was written and notes the chunk sizes seen.
    std::string Pipe(const std::string& name) {
        TFileStream in(name, fmOpenRead);
        std::string written;
        TChunkPipeline pipeline(in, [&](const uint8_t* data, int64_t size) {
            written.append(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
        });
        for (bool last = false; !last;) {
            TChunkPipeline::TChunk& chunk = pipeline.Next();
            sizes.push_back(chunk.size);
            last = chunk.size < kChunk;
            for (int64_t i = 0; i < chunk.size; ++i)
                chunk.data[static_cast<size_t>(i)] ^= 0xFF;
            pipeline.Transformed(chunk);
        }
        pipeline.Finish();
        return written;
    }
    static std::string Flipped(std::string bytes) {
        for (char& c : bytes)
            c = static_cast<char>(~c);
        return bytes;
    }

    std::vector<int64_t> sizes;
};

TEST_F(ChunkPipelineTest, EveryByteIsTransformedAndWrittenInOrder) {
    for (int64_t size : {int64_t{0}, int64_t{1}, kChunk - 1, kChunk, kChunk + 1, 6 * kChunk + 3}) {
        sizes.clear();
        const std::string plain = RandomBytes(static_cast<size_t>(size), static_cast<uint32_t>(size));
        WriteFile(sandbox().work + "in", plain);
        EXPECT_TRUE(Pipe(sandbox().work + "in") == Flipped(plain)) << size;
        // Whole chunks, then one short one (empty when the size is a multiple of a chunk).
        ASSERT_EQ(sizes.size(), static_cast<size_t>(size / kChunk + 1)) << size;
        EXPECT_EQ(sizes.back(), size % kChunk) << size;
    }
}

// A folder opens for reading, but reading it fails.
TEST_F(ChunkPipelineTest, AReadFailureReachesTheCaller) {
    TFileStream in(sandbox().work, fmOpenRead);
    int writes = 0;
    TChunkPipeline pipeline(in, [&](const uint8_t*, int64_t) { ++writes; });
    EXPECT_THROW(pipeline.Next(), EReadError);
    EXPECT_EQ(writes, 0);
}

TEST_F(ChunkPipelineTest, AWriteFailureReachesTheCallerAndEndsTheWriting) {
    WriteFile(sandbox().work + "in", RandomBytes(static_cast<size_t>(8 * kChunk), 8));
    TFileStream in(sandbox().work + "in", fmOpenRead);
    int writes = 0;
    TChunkPipeline pipeline(in, [&](const uint8_t*, int64_t) {
        if (++writes == 2)
            throw EWriteError("Stream write error: disk full");
    });
    auto drive = [&] {
        for (bool last = false; !last;) {
            TChunkPipeline::TChunk& chunk = pipeline.Next();
            last = chunk.size < kChunk;
            pipeline.Transformed(chunk);
        }
        pipeline.Finish();
    };
    EXPECT_THROW(drive(), EWriteError);
    EXPECT_EQ(writes, 2);
}

// A caller that gives up halfway (its transformation raised) must not be kept waiting.
TEST_F(ChunkPipelineTest, APipelineLeftHalfwayStopsAtOnce) {
    WriteFile(sandbox().work + "in", RandomBytes(static_cast<size_t>(16 * kChunk), 9));
    TFileStream in(sandbox().work + "in", fmOpenRead);
    int64_t written = 0;
    {
        TChunkPipeline pipeline(in, [&](const uint8_t*, int64_t size) { written += size; });
        pipeline.Transformed(pipeline.Next());
        pipeline.Next();  // held, never handed back
    }
    EXPECT_LE(written, kChunk);
}

}  // namespace
}  // namespace tarvo::test
