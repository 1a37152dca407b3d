#include "net/WSockBuf.h"

#include <algorithm>
#include <cstring>

TBuffer::TBuffer(int Size) : FBlockSize(Size > 0 ? Size : 1514) {
    FBlock = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(FBlockSize));  // only written bytes are read
}

int TBuffer::Write(const void* Data, int Len) {
    int room = FBlockSize - FWritePos;
    if (room <= 0 || Len <= 0)
        return 0;
    int n = std::min(Len, room);
    std::memcpy(FBlock.get() + FWritePos, Data, static_cast<size_t>(n));
    FWritePos += n;
    return n;
}

const void* TBuffer::Peek(int& Len) const {
    Len = FWritePos - FReadPos;
    if (Len > 0)
        return FBlock.get() + FReadPos;
    Len = 0;
    return nullptr;
}

int TBuffer::Remove(int Len) {
    int available = FWritePos - FReadPos;
    if (available <= 0 || Len <= 0)
        return 0;
    int n = std::min(Len, available);
    FReadPos += n;
    if (FReadPos == FWritePos)
        FReadPos = FWritePos = 0;
    return n;
}
