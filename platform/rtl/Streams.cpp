#include "platform/rtl/Streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/SysUtils.h"

int64_t TStream::Size() {
    int64_t pos = Seek(0, soCurrent);
    int64_t size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<uint8_t> buf(static_cast<size_t>(std::min<int64_t>(count, 1 << 20)) + 1);
    int64_t left = count;
    while (left > 0) {
        int64_t n = std::min<int64_t>(left, static_cast<int64_t>(buf.size()));
        source.ReadBuffer(buf.data(), n);
        WriteBuffer(buf.data(), n);
        left -= n;
    }
    return count;
}

TFileStream::TFileStream(const std::string& fileName, uint16_t mode, mode_t permissions) : fileName_(fileName) {
    if (mode == fmCreate) {
        fd_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, permissions);
        if (fd_ < 0)
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + SysErrorMessage(errno));
        return;
    }
    int flags = O_CLOEXEC;
    switch (mode & 3) {
        case fmOpenWrite:
            flags |= O_WRONLY;
            break;
        case fmOpenReadWrite:
            flags |= O_RDWR;
            break;
        default:
            flags |= O_RDONLY;
    }
    fd_ = ::open(fileName.c_str(), flags);
    if (fd_ < 0)
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + SysErrorMessage(errno));
}

TFileStream::~TFileStream() {
    CloseHandle();
}

void TFileStream::CloseHandle() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    auto* p = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd_, p + done, static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw EReadError("Stream read error: " + SysErrorMessage(errno));
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    const auto* p = static_cast<const uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        ssize_t n = ::write(fd_, p + done, static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw EWriteError("Stream write error: " + SysErrorMessage(n < 0 ? errno : ENOSPC));
        done += n;
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    int whence = origin == soBeginning ? SEEK_SET : (origin == soCurrent ? SEEK_CUR : SEEK_END);
    off_t r = ::lseek(fd_, offset, whence);
    if (r < 0)
        throw EStreamError("Stream seek error: " + SysErrorMessage(errno));
    return r;
}

void TFileStream::SetSize(int64_t size) {
    if (::ftruncate(fd_, size) != 0)
        throw EWriteError("Stream write error: " + SysErrorMessage(errno));
    if (Position() > size)
        Seek(size, soBeginning);
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    int64_t n = std::clamp<int64_t>(static_cast<int64_t>(data_.size()) - position_, 0, std::max<int64_t>(count, 0));
    if (n > 0)
        std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    if (position_ + count > static_cast<int64_t>(data_.size()))
        data_.resize(static_cast<size_t>(position_ + count));
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == soBeginning ? 0 : (origin == soCurrent ? position_ : static_cast<int64_t>(data_.size()));
    if (base + offset < 0)
        throw EStreamError("Stream seek error: negative position");
    position_ = base + offset;
    return position_;
}

void TMemoryStream::SetSize(int64_t size) {
    data_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
    position_ = std::min(position_, size);
}

void TMemoryStream::Clear() {
    data_.clear();
    position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    int64_t size = source.Size();
    data_.resize(static_cast<size_t>(size));
    source.ReadBuffer(data_.data(), size);
    position_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
    AtomicFile file(fileName);
    file.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
    file.Commit();
}

void TMemoryStream::SaveToStream(TStream& target) {
    target.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}
