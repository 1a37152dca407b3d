#pragma once
// The binding of one archiver library, whose entries are found by prefix and suffix ("Unlha",
// "UnlhaOpenArchive", ...), and the entry record listings fill, which the binding extends by UTC times and
// 64-bit sizes. Each format keeps one binding for the whole program.

#include <string>

#include "platform/ArchiverApi.h"
#include "platform/win/WinTypes.h"

#pragma pack(push, 1)
// A FILETIME as the packed record holds it: the platform's FILETIME wants 4-byte alignment, which the
// record's offsets do not give. Converts both ways.
struct TPackedFileTime {
    win::DWORD dwLowDateTime;
    win::DWORD dwHighDateTime;

    operator win::FILETIME() const { return {dwLowDateTime, dwHighDateTime}; }
    TPackedFileTime& operator=(const win::FILETIME& time) {
        dwLowDateTime = time.dwLowDateTime;
        dwHighDateTime = time.dwHighDateTime;
        return *this;
    }
};

// The library's record (bytes 0..557) and what the binding completes after each entry found. Packed: copy
// the fields out (a reference to one would be misaligned).
struct TArchiveEntryInfo : ArcEntryRecord {
    TPackedFileTime WriteTime;  // UTC
    TPackedFileTime AccessTime;
    TPackedFileTime CreateTime;
    uint64_t OriginalSize64;
    uint64_t CompressedSize64;
};
#pragma pack(pop)
static_assert(sizeof(ArcEntryRecord) == 558, "the library's part of the entry record");
static_assert(sizeof(TArchiveEntryInfo) == 598, "entry record layout");

// The entries of one library, unbound (nullptr) until first use. Calls go to the stored addresses.
class TCustomArchiverDll {
public:
    TCustomArchiverDll() = default;
    TCustomArchiverDll(const TCustomArchiverDll&) = delete;
    TCustomArchiverDll& operator=(const TCustomArchiverDll&) = delete;
    virtual ~TCustomArchiverDll() = default;

    virtual void LoadDLL() = 0;
    virtual void FreeDLL();  // forgets every entry
    // Output is passed as nullptr when size is 0.
    virtual int Command(win::HWND parent, const char* cmdLine, char* output, win::DWORD size);
    virtual bool CheckArchive(const char* fileName, int mode);
    virtual int CloseArchive(HARC arc);
    virtual int ExtractMem(win::HWND parent, const char* cmdLine, uint8_t* buffer, win::DWORD size, int64_t* unixTime,
                           win::WORD* attributes, win::DWORD* writtenSize);
    // 0 found (the record completed), -1 no more, other: the library's error.
    virtual int FindFirst(HARC arc, const char* wildName, TArchiveEntryInfo& info);
    virtual int FindNext(HARC arc, TArchiveEntryInfo& info);
    virtual bool KillOwnerWindowEx(win::HWND wnd);
    virtual HARC OpenArchive(win::HWND parent, const char* fileName, int mode);
    virtual bool SetOwnerWindowEx(win::HWND wnd, ARCHIVERPROC callback);
    // The optional entries answer false when the library lacks them.
    virtual bool GetWriteTimeEx(HARC arc, win::FILETIME& time);
    virtual bool GetCreateTimeEx(HARC arc, win::FILETIME& time);
    virtual bool GetAccessTimeEx(HARC arc, win::FILETIME& time);
    virtual bool GetOriginalSizeEx(HARC arc, uint64_t& size);
    virtual bool GetCompressedSizeEx(HARC arc, uint64_t& size);
    virtual int GetArchiveType(const char* fileName);

protected:
    // Times and 64-bit sizes of the entry just found, from the Ex entries or from the record itself.
    void CompleteEntryInfo(HARC arc, TArchiveEntryInfo& info);

    ArcCommandProc FCommand = nullptr;
    ArcOpenArchiveProc FOpenArchive = nullptr;
    ArcCloseArchiveProc FCloseArchive = nullptr;
    ArcFindFirstProc FFindFirst = nullptr;
    ArcFindNextProc FFindNext = nullptr;
    ArcExtractMemProc FExtractMem = nullptr;
    ArcCheckArchiveProc FCheckArchive = nullptr;
    ArcSetOwnerWindowExProc FSetOwnerWindowEx = nullptr;
    ArcKillOwnerWindowExProc FKillOwnerWindowEx = nullptr;
    ArcGetFileTimeExProc FGetWriteTimeEx = nullptr;
    ArcGetFileTimeExProc FGetCreateTimeEx = nullptr;
    ArcGetFileTimeExProc FGetAccessTimeEx = nullptr;
    ArcGetSizeExProc FGetOriginalSizeEx = nullptr;
    ArcGetSizeExProc FGetCompressedSizeEx = nullptr;
    ArcGetArchiveTypeProc FGetArchiveType = nullptr;
};

// A library loaded by its file name on first need, each entry bound by name on its first call.
class TArchiverDll : public TCustomArchiverDll {
public:
    TArchiverDll(std::string displayName, std::string dllName, std::string entryPrefix);
    ~TArchiverDll() override;

    // Raises ENoArchiverDLL when the library cannot be loaded; tried again at every call until it loads.
    void LoadDLL() override;
    void FreeDLL() override;
    int Command(win::HWND parent, const char* cmdLine, char* output, win::DWORD size) override;
    bool CheckArchive(const char* fileName, int mode) override;
    int CloseArchive(HARC arc) override;
    int ExtractMem(win::HWND parent, const char* cmdLine, uint8_t* buffer, win::DWORD size, int64_t* unixTime,
                   win::WORD* attributes, win::DWORD* writtenSize) override;
    int FindFirst(HARC arc, const char* wildName, TArchiveEntryInfo& info) override;
    int FindNext(HARC arc, TArchiveEntryInfo& info) override;
    bool KillOwnerWindowEx(win::HWND wnd) override;
    HARC OpenArchive(win::HWND parent, const char* fileName, int mode) override;
    bool SetOwnerWindowEx(win::HWND wnd, ARCHIVERPROC callback) override;
    bool GetWriteTimeEx(HARC arc, win::FILETIME& time) override;
    bool GetCreateTimeEx(HARC arc, win::FILETIME& time) override;
    bool GetAccessTimeEx(HARC arc, win::FILETIME& time) override;
    bool GetOriginalSizeEx(HARC arc, uint64_t& size) override;
    bool GetCompressedSizeEx(HARC arc, uint64_t& size) override;
    int GetArchiveType(const char* fileName) override;

    win::HMODULE ModuleHandle() const { return moduleHandle_; }
    const std::string& DisplayName() const { return displayName_; }
    const std::string& DllName() const { return dllName_; }
    const std::string& EntryPrefix() const { return entryPrefix_; }

private:
    // Loads the library first, so no entry is ever looked up in no module. A missing required entry raises
    // EEntryNotFound naming the library's path and the entry; a missing optional one answers false.
    template <typename Proc>
    bool BindEntry(Proc& entry, const char* suffix, bool required);

    win::HMODULE moduleHandle_ = 0;
    std::string displayName_;
    std::string dllName_;
    std::string entryPrefix_;
};
