#include "platform/unlha32/ArchiveWriter.h"

#include "platform/unlha32/LhaError.h"

namespace lha {

namespace {

constexpr size_t kBufferSize = 1 << 20;

template <typename F>
void Writing(const std::string& what, F f) {
    try {
        f();
    } catch (const EStreamError& e) {
        throw ELhaError(kArchiveWrite, "cannot write " + what + ": " + e.Message());
    }
}

}  // namespace

ArchiveWriter::ArchiveWriter(const std::string& archive, mode_t permissions) {
    Writing(archive, [&] { file_ = std::make_unique<AtomicFile>(archive, permissions); });
    buffer_.reserve(kBufferSize);
}

void ArchiveWriter::Append(const uint8_t* data, size_t size) {
    if (buffer_.size() + size > kBufferSize)
        Flush();
    if (size >= kBufferSize) {
        Writing(file_->FinalName(), [&] { file_->WriteBuffer(data, static_cast<int64_t>(size)); });
        flushed_ += size;
        return;
    }
    buffer_.insert(buffer_.end(), data, data + size);
}

void ArchiveWriter::Flush() {
    if (buffer_.empty())
        return;
    Writing(file_->FinalName(), [&] { file_->WriteBuffer(buffer_.data(), static_cast<int64_t>(buffer_.size())); });
    flushed_ += buffer_.size();
    buffer_.clear();
}

void ArchiveWriter::Patch(uint64_t offset, const std::vector<uint8_t>& bytes) {
    if (offset >= flushed_) {
        std::copy(bytes.begin(), bytes.end(), buffer_.begin() + static_cast<ptrdiff_t>(offset - flushed_));
        return;
    }
    Flush();
    Writing(file_->FinalName(), [&] {
        file_->Seek(static_cast<int64_t>(offset), soBeginning);
        file_->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        file_->Seek(static_cast<int64_t>(flushed_), soBeginning);
    });
}

void ArchiveWriter::Truncate(uint64_t offset) {
    if (offset >= flushed_) {
        buffer_.resize(static_cast<size_t>(offset - flushed_));
        return;
    }
    buffer_.clear();
    Writing(file_->FinalName(), [&] {
        file_->SetSize(static_cast<int64_t>(offset));
        file_->Seek(static_cast<int64_t>(offset), soBeginning);
    });
    flushed_ = offset;
}

void ArchiveWriter::CopyFrom(TStream& source, uint64_t offset, uint64_t size) {
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(size, kBufferSize)));
    source.SetPosition(static_cast<int64_t>(offset));
    while (size > 0) {
        auto n = static_cast<int64_t>(std::min<uint64_t>(size, chunk.size()));
        if (source.Read(chunk.data(), n) != n)
            throw ELhaError(kArchiveOpen, "the old archive ends too early");
        Append(chunk.data(), static_cast<size_t>(n));
        size -= static_cast<uint64_t>(n);
    }
}

void ArchiveWriter::Commit() {
    const uint8_t end = 0;
    Append(&end, 1);
    Flush();
    Writing(file_->FinalName(), [&] { file_->Commit(); });
}

}  // namespace lha
