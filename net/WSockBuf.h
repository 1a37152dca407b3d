#pragma once
// A block of a socket's outgoing queue. Writes go in at WritePos, sends take from ReadPos; space already sent
// is not reclaimed until the whole block has drained.

#include <memory>

class TBuffer {
public:
    explicit TBuffer(int Size);  // 1514 bytes when Size <= 0
    TBuffer(const TBuffer&) = delete;
    TBuffer& operator=(const TBuffer&) = delete;
    virtual ~TBuffer() = default;

    // Appends up to Len bytes; the number taken (0 when the block is full).
    int Write(const void* Data, int Len);
    // The unsent bytes without consuming them; nullptr and Len 0 when there are none.
    const void* Peek(int& Len) const;
    // Consumes up to Len bytes; the number consumed. An emptied block starts again at offset 0.
    int Remove(int Len);

    int BlockSize() const { return FBlockSize; }
    int WritePos() const { return FWritePos; }
    int ReadPos() const { return FReadPos; }

private:
    std::unique_ptr<char[]> FBlock;
    int FBlockSize;
    int FWritePos = 0;
    int FReadPos = 0;
};
