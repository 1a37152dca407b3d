#pragma once
// Moves a file through an in-place transformation chunk by chunk: a thread of its own reads ahead into free
// chunks and writes the transformed ones behind, while the caller's thread transforms. The file transfers then
// take next to no time beside a transformation that is slower than they are (a cipher).

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/rtl/Streams.h"

class TChunkPipeline {
public:
    static constexpr int64_t kChunkSize = int64_t{512} << 10;

    struct TChunk {
        std::unique_ptr<uint8_t[]> data;
        int64_t size = 0;     // below kChunkSize only for the last chunk of the input
        bool filled = false;  // ever read into: it is wiped at the end
    };
    using TWriter = std::function<void(const uint8_t* data, int64_t size)>;

    // Starts reading `in` from its position; transformed chunks go to `write`, in order.
    TChunkPipeline(TFileStream& in, TWriter write);
    // Lets a read or write under way finish, stops the thread and wipes the chunks.
    ~TChunkPipeline();
    TChunkPipeline(const TChunkPipeline&) = delete;
    TChunkPipeline& operator=(const TChunkPipeline&) = delete;

    // The next chunk of the input, to be transformed in place and handed back; raises what reading raised. The
    // short chunk is the last one there is.
    TChunk& Next();
    void Transformed(TChunk& chunk);
    // Waits until every chunk handed back is written; raises what writing raised.
    void Finish();

private:
    static constexpr size_t kChunks = 8;

    void Serve();
    void RaiseFailure();

    TFileStream& fIn;
    TWriter fWrite;
    std::array<TChunk, kChunks> fChunks;
    std::mutex fMutex;
    std::condition_variable fChanged;
    std::deque<TChunk*> fFree, fRead, fTransformed;
    bool fInputEnded = false;
    bool fQuit = false;
    std::exception_ptr fFailure;
    std::thread fThread;
};
