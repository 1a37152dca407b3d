#include "platform/unlha32/EntryDecoder.h"

#include <algorithm>
#include <vector>

#include "platform/unlha32/Crc16.h"
#include "platform/unlha32/LhDecoder.h"
#include "platform/unlha32/LhaError.h"

namespace lha {

namespace {

bool IsStored(const std::string& method) {
    return method == "-lh0-" || method == "-lz4-";
}

class CheckingSink : public ByteSink {
public:
    CheckingSink(ByteSink& target, Progress* progress) : target_(target), progress_(progress) {}
    void Write(const uint8_t* data, size_t size) override {
        crc_ = UpdateCrc16(crc_, data, size);
        written_ += size;
        target_.Write(data, size);
        if (progress_)
            progress_->Advance(written_);
    }
    uint16_t Crc() const { return crc_; }
    uint64_t Written() const { return written_; }

private:
    ByteSink& target_;
    Progress* progress_;
    uint16_t crc_ = 0;
    uint64_t written_ = 0;
};

void CopyStored(TStream& archive, const LhaHeader& h, ByteSink& sink) {
    if (h.packedSize != h.originalSize)
        throw ELhaError(kDataBroken, "stored entry with two sizes");
    // No larger than the entry: archives hold many small files, each copied through its own buffer.
    std::vector<uint8_t> buf(static_cast<size_t>(std::min<uint64_t>(h.originalSize, 1 << 18)));
    uint64_t left = h.originalSize;
    while (left > 0) {
        auto n = static_cast<int64_t>(std::min<uint64_t>(left, buf.size()));
        if (archive.Read(buf.data(), n) != n)
            throw ELhaError(kDataBroken, "the archive ends inside an entry");
        sink.Write(buf.data(), static_cast<size_t>(n));
        left -= static_cast<uint64_t>(n);
    }
}

}  // namespace

bool IsReadableMethod(const std::string& method) {
    return IsStored(method) || method == "-lhd-" || LhMethodOf(method).has_value();
}

void DecodeEntry(TStream& archive, const LhaHeader& h, ByteSink& sink, Progress* progress) {
    if (!IsReadableMethod(h.method))
        throw ELhaError(kMethod, "packing method " + h.method + " is not supported");
    if (h.IsDirectory())
        return;
    archive.SetPosition(static_cast<int64_t>(h.dataOffset()));
    CheckingSink checked(sink, progress);
    if (IsStored(h.method)) {
        CopyStored(archive, h, checked);
    } else {
        LhDecoder decoder(*LhMethodOf(h.method));
        decoder.Decode(archive, h.packedSize, h.originalSize, checked);
    }
    if (checked.Written() != h.originalSize)
        throw ELhaError(kDataBroken, "size mismatch");
    if (checked.Crc() != h.crc)
        throw ELhaError(kDataBroken, "CRC mismatch");
}

}  // namespace lha
