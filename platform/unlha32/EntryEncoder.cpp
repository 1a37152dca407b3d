#include "platform/unlha32/EntryEncoder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/unlha32/Crc16.h"
#include "platform/unlha32/EntryName.h"
#include "platform/unlha32/LhaError.h"

namespace lha {

namespace {

constexpr uint8_t kOsId = 'U';  // Unix: the permission bits below mean what they say

class InputFile {
public:
    // O_NONBLOCK keeps a FIFO from stalling the open; only a regular file is read.
    explicit InputFile(const std::string& path) : path_(path) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat st;
        if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))
            throw ELhaError(kFileOpen, "cannot read " + path + ": " + SysErrorMessage(fd_ < 0 ? errno : EINVAL));
        fcntl(fd_, F_SETFL, 0);
    }
    ~InputFile() { ::close(fd_); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    size_t Read(uint8_t* buffer, size_t size) {
        while (true) {
            ssize_t n = ::read(fd_, buffer, size);
            if (n >= 0) {
                crc_ = UpdateCrc16(crc_, buffer, static_cast<size_t>(n));
                total_ += static_cast<uint64_t>(n);
                return static_cast<size_t>(n);
            }
            if (errno != EINTR)
                throw ELhaError(kFileOpen, "cannot read " + path_ + ": " + SysErrorMessage(errno));
        }
    }
    uint16_t Crc() const { return crc_; }
    uint64_t Total() const { return total_; }

private:
    std::string path_;
    int fd_ = -1;
    uint16_t crc_ = 0;
    uint64_t total_ = 0;
};

LhaHeader HeaderFor(const PackItem& item) {
    LhaHeader h;
    h.path = EncodeEntryPath(item.entryPath);
    h.writeTime = item.st.st_mtime;
    h.osId = kOsId;
    h.unixMode = static_cast<uint16_t>(item.st.st_mode & 0xFFFF);
    h.method = item.directory ? "-lhd-" : "-lh5-";
    h.attribute = item.directory ? kAttrDirectory : kAttrArchive;
    if (!(item.st.st_mode & S_IWUSR))
        h.attribute |= kAttrReadOnly;
    h.originalSize = h.packedSize = item.directory ? 0 : static_cast<uint64_t>(item.st.st_size);
    return h;
}

// Codes the file; false when coding does not shrink it (the output written so far is then dropped).
bool Encode(ArchiveWriter& out, InputFile& in, LhaHeader& h, LhEncoder& encoder, Progress& progress) {
    uint64_t start = out.Position();
    bool smaller = h.originalSize > 0 && encoder.Encode(
                                             [&](uint8_t* b, size_t n) {
                                                 size_t got = in.Read(b, n);
                                                 progress.Advance(in.Total());
                                                 return got;
                                             },
                                             [&](const uint8_t* p, size_t n) { out.Append(p, n); }, h.originalSize);
    if (smaller && out.Position() - start < in.Total()) {
        h.packedSize = out.Position() - start;
        h.originalSize = in.Total();
        h.crc = in.Crc();
        return true;
    }
    out.Truncate(start);
    return false;
}

void Store(ArchiveWriter& out, const std::string& path, LhaHeader& h, Progress& progress) {
    InputFile in(path);
    std::vector<uint8_t> buf(1 << 18);
    while (size_t n = in.Read(buf.data(), buf.size())) {
        out.Append(buf.data(), n);
        progress.Advance(in.Total());
    }
    h.method = "-lh0-";
    h.packedSize = h.originalSize = in.Total();
    h.crc = in.Crc();
}

}  // namespace

LhaHeader PackEntry(ArchiveWriter& out, const PackItem& item, LhEncoder& encoder, Progress& progress) {
    LhaHeader h = HeaderFor(item);
    const uint64_t headerAt = out.Position();
    std::vector<uint8_t> placeholder = WriteLevel2Header(h);
    out.Append(placeholder.data(), placeholder.size());
    progress.Begin(item.localPath, item.entryName, h.originalSize);
    if (!item.directory) {
        InputFile in(item.localPath);
        if (!Encode(out, in, h, encoder, progress))
            Store(out, item.localPath, h, progress);
    }
    std::vector<uint8_t> header = WriteLevel2Header(h);
    if (header.size() != placeholder.size())
        throw ELhaError(kFileOpen, item.localPath + " changed its size while it was packed");
    out.Patch(headerAt, header);
    progress.End();
    h.headerOffset = headerAt;
    h.headerSize = header.size();
    return h;
}

}  // namespace lha
