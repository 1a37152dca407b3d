#include "platform/unlha32/Extraction.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <random>

#include "platform/rtl/SysUtils.h"
#include "platform/unlha32/ArchiveIndex.h"
#include "platform/unlha32/EntryDecoder.h"
#include "platform/unlha32/EntryName.h"
#include "platform/unlha32/LhaError.h"
#include "platform/unlha32/NameFilter.h"

namespace lha {

namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    Fd& operator=(Fd&& o) noexcept {
        if (this != &o) {
            Reset();
            fd_ = o.fd_;
            o.fd_ = -1;
        }
        return *this;
    }
    int get() const { return fd_; }
    int Release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

[[noreturn]] void WriteFailed(const std::string& what, int error) {
    throw ELhaError(kFileWrite, "cannot write " + what + ": " + SysErrorMessage(error));
}

mode_t CurrentUmask() {
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// The destination folder and the folders under it, each entered by a descriptor, never through a link.
class Destination {
public:
    explicit Destination(const std::string& root) : name_(root.empty() ? "." : root) {
        ForceDirectories(name_);
        root_ = Fd(::open(name_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (root_.get() < 0)
            WriteFailed(name_, errno);
    }

    // The folder of the given components (made when missing).
    Fd Folder(const std::vector<std::string>& components, size_t count) const {
        Fd dir(::dup(root_.get()));
        for (size_t i = 0; i < count; ++i) {
            if (::mkdirat(dir.get(), components[i].c_str(), 0777) != 0 && errno != EEXIST)
                WriteFailed(components[i], errno);
            Fd next(::openat(dir.get(), components[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (next.get() < 0)
                WriteFailed(Join(components, i + 1) + " (not a folder)", errno);
            dir = std::move(next);
        }
        return dir;
    }
    std::string Join(const std::vector<std::string>& components, size_t count) const {
        std::string path = IncludeTrailingPathDelimiter(name_);
        for (size_t i = 0; i < count; ++i)
            path += (i ? "/" : "") + components[i];
        return path;
    }

private:
    std::string name_;
    Fd root_;
};

class FdSink : public ByteSink {
public:
    FdSink(int fd, std::string what) : fd_(fd), what_(std::move(what)) {}
    void Write(const uint8_t* data, size_t size) override {
        while (size > 0) {
            ssize_t n = ::write(fd_, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                WriteFailed(what_, n < 0 ? errno : ENOSPC);
            data += n;
            size -= static_cast<size_t>(n);
        }
    }

private:
    int fd_;
    std::string what_;
};

class MemorySink : public ByteSink {
public:
    MemorySink(uint8_t* buffer, uint32_t size) : buffer_(buffer), size_(size) {}
    void Write(const uint8_t* data, size_t size) override {
        size_t room = size_ - std::min<size_t>(size_, written_);
        if (buffer_ && room)
            std::memcpy(buffer_ + written_, data, std::min(room, size));
        written_ += size;
    }
    uint64_t Written() const { return written_; }

private:
    uint8_t* buffer_;
    uint32_t size_;
    uint64_t written_ = 0;
};

struct timespec ToTimespec(int64_t t) {
    return {static_cast<time_t>(t), 0};
}

mode_t FileMode(const LhaHeader& h, mode_t mask) {
    mode_t mode = h.unixMode ? (*h.unixMode & 0777) : ((h.attribute & kAttrReadOnly) ? 0444 : 0666);
    return (mode | S_IRUSR) & ~mask;
}

class Extractor {
public:
    Extractor(const CommandLine& cmd, OutputLog& log, Progress& progress)
        : cmd_(cmd),
          log_(log),
          progress_(progress),
          test_(cmd.verb == "t"),
          flat_(cmd.verb == "e"),
          mask_(CurrentUmask()) {}

    void Run() {
        ArchiveIndex index = ReadArchiveIndex(cmd_.archive);
        TFileStream archive(cmd_.archive, fmOpenRead);
        NameFilter filter(cmd_.names, cmd_.switches.All("jx"), index.entries, NameFilter::Purpose::Reading);
        if (!test_)
            destination_ = std::make_unique<Destination>(cmd_.baseDir);
        progress_.Report(ARCEXTRACT_OPEN);
        bool any = false;
        std::vector<const ArchiveEntry*> folders;
        for (const auto& entry : index.entries) {
            if (!filter.Matches(entry))
                continue;
            any = true;
            Attempt(entry.name, [&] {
                if (One(archive, entry))
                    folders.push_back(&entry);
            });
        }
        for (const ArchiveEntry* f : folders)
            Attempt(f->name, [&] { SetFolderTime(*f); });
        if (index.damage) {
            log_.Line("damaged archive: " + index.damage->Message());
            Fail(*index.damage);
        }
        if (!any && !cmd_.names.empty())
            Fail(ELhaError(kNoMatch, "no entry matches the names given"));
        if (firstError_)
            throw *firstError_;
    }

private:
    template <typename F>
    void Attempt(const std::string& name, F f) {
        try {
            f();
        } catch (const ELhaError& e) {
            log_.Line(name + "  " + e.Message());
            Fail(e);
        }
    }
    void Fail(const ELhaError& e) {
        if (!firstError_)
            firstError_ = e;
    }

    // Returns true for a folder entry whose time is to be set at the end.
    bool One(TFileStream& archive, const ArchiveEntry& entry) {
        const LhaHeader& h = entry.header;
        if (test_) {
            NullSink sink;
            progress_.Begin(entry.name, entry.name, h.originalSize);
            DecodeEntry(archive, h, sink, &progress_);
            progress_.End();
            log_.Line(entry.name + "  OK");
            return false;
        }
        auto safe = SafeComponents(entry.path);
        if (!safe)
            throw ELhaError(kUnsafeName, "refused: the name leads outside the destination folder");
        if (!IsReadableMethod(h.method))
            throw ELhaError(kMethod, "packing method " + h.method + " is not supported");
        if (h.unixMode && S_ISLNK(*h.unixMode))
            throw ELhaError(kNotSupported, "symbolic links are not extracted");
        if (h.IsDirectory()) {
            if (flat_)
                return false;
            destination_->Folder(*safe, safe->size());
            return true;
        }
        std::vector<std::string> parts = flat_ ? std::vector<std::string>{safe->back()} : *safe;
        WriteFile(archive, h, parts);
        log_.Line(entry.name + "  extracted");
        return false;
    }

    void WriteFile(TFileStream& archive, const LhaHeader& h, const std::vector<std::string>& parts) {
        Fd folder = destination_->Folder(parts, parts.size() - 1);
        const std::string target = destination_->Join(parts, parts.size());
        std::string temp;
        Fd out = CreateTemporary(folder.get(), parts.back(), temp);
        try {
            FdSink sink(out.get(), target);
            progress_.Begin(JoinEntryPath(parts), target, h.originalSize);
            DecodeEntry(archive, h, sink, &progress_);
            fchmod(out.get(), FileMode(h, mask_));
            struct timespec times[2] = {ToTimespec(h.writeTime), ToTimespec(h.writeTime)};
            futimens(out.get(), times);
            if (::close(out.Release()) != 0)
                WriteFailed(target, errno);
            if (::renameat(folder.get(), temp.c_str(), folder.get(), parts.back().c_str()) != 0)
                WriteFailed(target, errno);
            progress_.End();
        } catch (...) {
            out.Reset();
            ::unlinkat(folder.get(), temp.c_str(), 0);
            throw;
        }
    }

    static Fd CreateTemporary(int folder, const std::string& name, std::string& temp) {
        static thread_local std::mt19937 random{std::random_device{}()};
        for (int attempt = 0; attempt < 100; ++attempt) {
            temp.assign(1, '.');
            temp.append(name, 0, 200);
            temp.append(".tmp-");
            temp.append(std::to_string(random() % 1000000000));
            int fd = ::openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd >= 0)
                return Fd(fd);
            if (errno != EEXIST)
                WriteFailed(name, errno);
        }
        WriteFailed(name, EEXIST);
    }

    void SetFolderTime(const ArchiveEntry& entry) {
        auto safe = SafeComponents(entry.path);
        Fd dir = destination_->Folder(*safe, safe->size());
        struct timespec times[2] = {ToTimespec(entry.header.writeTime), ToTimespec(entry.header.writeTime)};
        futimens(dir.get(), times);
    }

    const CommandLine& cmd_;
    OutputLog& log_;
    Progress& progress_;
    bool test_;
    bool flat_;
    mode_t mask_;
    std::unique_ptr<Destination> destination_;
    std::optional<ELhaError> firstError_;
};

}  // namespace

void RunExtract(const CommandLine& cmd, OutputLog& log, Progress& progress) {
    Extractor(cmd, log, progress).Run();
}

void RunExtractToMemory(const CommandLine& cmd, uint8_t* buffer, uint32_t size, int64_t* unixTime, uint16_t* attributes,
                        uint32_t* written, Progress& progress) {
    ArchiveIndex index = ReadArchiveIndex(cmd.archive);
    NameFilter filter(cmd.names, {}, index.entries, NameFilter::Purpose::Reading);
    for (const auto& entry : index.entries) {
        if (entry.header.IsDirectory() || !filter.Matches(entry))
            continue;
        TFileStream archive(cmd.archive, fmOpenRead);
        MemorySink sink(buffer, size);
        progress.Begin(entry.name, entry.name, entry.header.originalSize);
        DecodeEntry(archive, entry.header, sink, &progress);
        progress.End();
        if (written)
            *written = static_cast<uint32_t>(std::min<uint64_t>(sink.Written(), size));
        if (unixTime)
            *unixTime = entry.header.writeTime;
        if (attributes)
            *attributes = entry.header.attribute;
        if (sink.Written() > size)
            throw ELhaError(kBufferTooSmall, "the entry is larger than the buffer");
        return;
    }
    index.RequireSound();
    throw ELhaError(kNoMatch, "no entry matches the name given");
}

}  // namespace lha
