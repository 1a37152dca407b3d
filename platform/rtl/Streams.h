#pragma once
// The class library's streams: a byte stream base with 64-bit positions, a file stream and a memory stream.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    // Read and Write move up to count bytes and return how many moved (0 at the end; -1 never).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual void SetSize(int64_t size) = 0;

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
    int64_t Size();

    // Whole transfers: raise EReadError "Stream read error" / EWriteError "Stream write error" when short.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from source's position, or all of source from its start when count is 0.
    int64_t CopyFrom(TStream& source, int64_t count);
};

// Open modes; the share flags of the original are accepted and have no effect here.
constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyNone = 0x0040;

// A file opened by name. fmCreate truncates or creates (with `permissions`, less the umask); failures raise
// EFCreateError "Cannot create file "name". reason" or EFOpenError "Cannot open file "name". reason".
// I/O errors raise EReadError / EWriteError with the system's reason.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& fileName, uint16_t mode, mode_t permissions = 0666);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;

    const std::string& FileName() const { return fileName_; }
    int Handle() const { return fd_; }

protected:
    struct AdoptDescriptor {
        int fd;
    };
    TFileStream(std::string fileName, AdoptDescriptor handle) : fileName_(std::move(fileName)), fd_(handle.fd) {}
    void CloseHandle();
    void ReleaseHandle() { fd_ = -1; }  // the descriptor was closed by the caller

private:
    std::string fileName_;
    int fd_ = -1;
};

class TMemoryStream : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;

    void Clear();
    void LoadFromFile(const std::string& fileName);
    void LoadFromStream(TStream& source);
    void SaveToFile(const std::string& fileName);  // written through a temporary file and renamed
    void SaveToStream(TStream& target);
    uint8_t* Memory() { return data_.data(); }
    const uint8_t* Memory() const { return data_.data(); }

private:
    std::vector<uint8_t> data_;
    int64_t position_ = 0;
};
