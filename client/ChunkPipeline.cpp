#include "client/ChunkPipeline.h"

#include "cipher/CipherBase.h"

TChunkPipeline::TChunkPipeline(TFileStream& in, TWriter write) : fIn(in), fWrite(std::move(write)) {
    // Left unfilled: the reads fault the pages in, on the worker thread.
    for (TChunk& chunk : fChunks) {
        chunk.data = std::make_unique_for_overwrite<uint8_t[]>(kChunkSize);
        fFree.push_back(&chunk);
    }
    fThread = std::thread([this] { Serve(); });
}

TChunkPipeline::~TChunkPipeline() {
    {
        std::lock_guard<std::mutex> lock(fMutex);
        fQuit = true;
    }
    fChanged.notify_all();
    fThread.join();
    for (TChunk& chunk : fChunks)
        if (chunk.filled)
            WipeBytes(chunk.data.get(), 0, kChunkSize);
}

// Writing comes first, so a chunk is free again as soon as possible; reading stops after the short chunk that
// ends the input. A failure ends the thread: the caller learns of it at its next wait.
void TChunkPipeline::Serve() {
    std::unique_lock<std::mutex> lock(fMutex);
    for (;;) {
        fChanged.wait(lock, [this] { return fQuit || !fTransformed.empty() || (!fInputEnded && !fFree.empty()); });
        if (fQuit)
            return;
        const bool writing = !fTransformed.empty();
        std::deque<TChunk*>& from = writing ? fTransformed : fFree;
        TChunk* chunk = from.front();
        from.pop_front();
        chunk->filled = chunk->filled || !writing;
        lock.unlock();
        try {
            if (writing)
                fWrite(chunk->data.get(), chunk->size);
            else
                chunk->size = fIn.Read(chunk->data.get(), kChunkSize);
        } catch (...) {
            lock.lock();
            fFailure = std::current_exception();
            fChanged.notify_all();
            return;
        }
        lock.lock();
        if (writing) {
            fFree.push_back(chunk);
        } else {
            fRead.push_back(chunk);
            fInputEnded = chunk->size < kChunkSize;
        }
        fChanged.notify_all();
    }
}

void TChunkPipeline::RaiseFailure() {
    if (fFailure)
        std::rethrow_exception(fFailure);
}

TChunkPipeline::TChunk& TChunkPipeline::Next() {
    std::unique_lock<std::mutex> lock(fMutex);
    fChanged.wait(lock, [this] { return fFailure || !fRead.empty(); });
    RaiseFailure();
    TChunk* chunk = fRead.front();
    fRead.pop_front();
    return *chunk;
}

void TChunkPipeline::Transformed(TChunk& chunk) {
    {
        std::lock_guard<std::mutex> lock(fMutex);
        fTransformed.push_back(&chunk);
    }
    fChanged.notify_all();
}

void TChunkPipeline::Finish() {
    std::unique_lock<std::mutex> lock(fMutex);
    fChanged.wait(lock, [this] { return fFailure || fFree.size() + fRead.size() == kChunks; });
    RaiseFailure();
}
