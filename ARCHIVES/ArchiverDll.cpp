#include "ARCHIVES/ArchiverDll.h"

#include "ARCHIVES/ArcErrors.h"
#include "platform/win/FileTimes.h"
#include "platform/win/Modules.h"

namespace {

// The record's MS-DOS stamp is local time; the completed fields hold UTC. An impossible stamp gives 0.
win::FILETIME DosStampToUtc(uint16_t dosDate, uint16_t dosTime) {
    win::FILETIME local{}, utc{};
    if (!win::DosDateTimeToFileTime(dosDate, dosTime, &local) || !win::LocalFileTimeToFileTime(&local, &utc))
        return win::FILETIME{};
    return utc;
}

}  // namespace

void TCustomArchiverDll::FreeDLL() {
    FCommand = nullptr;
    FOpenArchive = nullptr;
    FCloseArchive = nullptr;
    FFindFirst = nullptr;
    FFindNext = nullptr;
    FExtractMem = nullptr;
    FCheckArchive = nullptr;
    FSetOwnerWindowEx = nullptr;
    FKillOwnerWindowEx = nullptr;
    FGetWriteTimeEx = nullptr;
    FGetCreateTimeEx = nullptr;
    FGetAccessTimeEx = nullptr;
    FGetOriginalSizeEx = nullptr;
    FGetCompressedSizeEx = nullptr;
    FGetArchiveType = nullptr;
}

int TCustomArchiverDll::Command(win::HWND parent, const char* cmdLine, char* output, win::DWORD size) {
    return FCommand(parent, cmdLine, size == 0 ? nullptr : output, size);
}

bool TCustomArchiverDll::CheckArchive(const char* fileName, int mode) {
    return FCheckArchive(fileName, mode) != 0;
}

int TCustomArchiverDll::CloseArchive(HARC arc) {
    return FCloseArchive(arc);
}

int TCustomArchiverDll::ExtractMem(win::HWND parent, const char* cmdLine, uint8_t* buffer, win::DWORD size,
                                   int64_t* unixTime, win::WORD* attributes, win::DWORD* writtenSize) {
    return FExtractMem(parent, cmdLine, buffer, size, unixTime, attributes, writtenSize);
}

int TCustomArchiverDll::FindFirst(HARC arc, const char* wildName, TArchiveEntryInfo& info) {
    int result = FFindFirst(arc, wildName, &info);
    if (result == 0)
        CompleteEntryInfo(arc, info);
    return result;
}

int TCustomArchiverDll::FindNext(HARC arc, TArchiveEntryInfo& info) {
    int result = FFindNext(arc, &info);
    if (result == 0)
        CompleteEntryInfo(arc, info);
    return result;
}

bool TCustomArchiverDll::KillOwnerWindowEx(win::HWND wnd) {
    return FKillOwnerWindowEx(wnd) != 0;
}

HARC TCustomArchiverDll::OpenArchive(win::HWND parent, const char* fileName, int mode) {
    return FOpenArchive(parent, fileName, static_cast<win::DWORD>(mode));
}

bool TCustomArchiverDll::SetOwnerWindowEx(win::HWND wnd, ARCHIVERPROC callback) {
    return FSetOwnerWindowEx(wnd, callback) != 0;
}

bool TCustomArchiverDll::GetWriteTimeEx(HARC arc, win::FILETIME& time) {
    return FGetWriteTimeEx && FGetWriteTimeEx(arc, &time) != 0;
}

bool TCustomArchiverDll::GetCreateTimeEx(HARC arc, win::FILETIME& time) {
    return FGetCreateTimeEx && FGetCreateTimeEx(arc, &time) != 0;
}

bool TCustomArchiverDll::GetAccessTimeEx(HARC arc, win::FILETIME& time) {
    return FGetAccessTimeEx && FGetAccessTimeEx(arc, &time) != 0;
}

bool TCustomArchiverDll::GetOriginalSizeEx(HARC arc, uint64_t& size) {
    return FGetOriginalSizeEx && FGetOriginalSizeEx(arc, &size) != 0;
}

bool TCustomArchiverDll::GetCompressedSizeEx(HARC arc, uint64_t& size) {
    return FGetCompressedSizeEx && FGetCompressedSizeEx(arc, &size) != 0;
}

int TCustomArchiverDll::GetArchiveType(const char* fileName) {
    return FGetArchiveType(fileName);
}

void TCustomArchiverDll::CompleteEntryInfo(HARC arc, TArchiveEntryInfo& info) {
    // The record is packed: the library writes into aligned locals, never through pointers into it.
    win::FILETIME time;
    info.WriteTime = GetWriteTimeEx(arc, time) ? time : DosStampToUtc(info.DosDate, info.DosTime);
    info.AccessTime = GetAccessTimeEx(arc, time) ? time : DosStampToUtc(info.DosDate, info.DosTime);
    info.CreateTime = GetCreateTimeEx(arc, time) ? time : DosStampToUtc(info.DosDate, info.DosTime);
    uint64_t size;
    info.OriginalSize64 = GetOriginalSizeEx(arc, size) ? size : info.OriginalSize;
    info.CompressedSize64 = GetCompressedSizeEx(arc, size) ? size : info.CompressedSize;
}

TArchiverDll::TArchiverDll(std::string displayName, std::string dllName, std::string entryPrefix)
    : displayName_(std::move(displayName)), dllName_(std::move(dllName)), entryPrefix_(std::move(entryPrefix)) {}

TArchiverDll::~TArchiverDll() {
    TArchiverDll::FreeDLL();
}

void TArchiverDll::LoadDLL() {
    if (moduleHandle_ == 0)
        moduleHandle_ = win::LoadLibraryA(dllName_.c_str());
    if (moduleHandle_ == 0)
        RaiseNoArchiverDLL(displayName_, dllName_);
}

void TArchiverDll::FreeDLL() {
    TCustomArchiverDll::FreeDLL();
    if (moduleHandle_ != 0) {
        win::FreeLibrary(moduleHandle_);
        moduleHandle_ = 0;
    }
}

template <typename Proc>
bool TArchiverDll::BindEntry(Proc& entry, const char* suffix, bool required) {
    LoadDLL();
    if (entry)
        return true;
    std::string name = entryPrefix_ + suffix;
    entry = reinterpret_cast<Proc>(win::GetProcAddress(moduleHandle_, name.c_str()));
    if (entry)
        return true;
    if (!required)
        return false;
    char path[257] = {};
    win::GetModuleFileNameA(moduleHandle_, path, sizeof path);
    throw EEntryNotFound("%0:s に %1:s のエントリが見つかりません。", {std::string(path), name});
}

int TArchiverDll::Command(win::HWND parent, const char* cmdLine, char* output, win::DWORD size) {
    BindEntry(FCommand, "", true);
    return TCustomArchiverDll::Command(parent, cmdLine, output, size);
}

bool TArchiverDll::CheckArchive(const char* fileName, int mode) {
    BindEntry(FCheckArchive, "CheckArchive", true);
    return TCustomArchiverDll::CheckArchive(fileName, mode);
}

int TArchiverDll::CloseArchive(HARC arc) {
    BindEntry(FCloseArchive, "CloseArchive", true);
    return TCustomArchiverDll::CloseArchive(arc);
}

int TArchiverDll::ExtractMem(win::HWND parent, const char* cmdLine, uint8_t* buffer, win::DWORD size, int64_t* unixTime,
                             win::WORD* attributes, win::DWORD* writtenSize) {
    BindEntry(FExtractMem, "ExtractMem", true);
    return TCustomArchiverDll::ExtractMem(parent, cmdLine, buffer, size, unixTime, attributes, writtenSize);
}

int TArchiverDll::FindFirst(HARC arc, const char* wildName, TArchiveEntryInfo& info) {
    BindEntry(FFindFirst, "FindFirst", true);
    return TCustomArchiverDll::FindFirst(arc, wildName, info);
}

int TArchiverDll::FindNext(HARC arc, TArchiveEntryInfo& info) {
    BindEntry(FFindNext, "FindNext", true);
    return TCustomArchiverDll::FindNext(arc, info);
}

bool TArchiverDll::KillOwnerWindowEx(win::HWND wnd) {
    BindEntry(FKillOwnerWindowEx, "KillOwnerWindowEx", true);
    return TCustomArchiverDll::KillOwnerWindowEx(wnd);
}

HARC TArchiverDll::OpenArchive(win::HWND parent, const char* fileName, int mode) {
    BindEntry(FOpenArchive, "OpenArchive", true);
    return TCustomArchiverDll::OpenArchive(parent, fileName, mode);
}

bool TArchiverDll::SetOwnerWindowEx(win::HWND wnd, ARCHIVERPROC callback) {
    BindEntry(FSetOwnerWindowEx, "SetOwnerWindowEx", true);
    return TCustomArchiverDll::SetOwnerWindowEx(wnd, callback);
}

bool TArchiverDll::GetWriteTimeEx(HARC arc, win::FILETIME& time) {
    return BindEntry(FGetWriteTimeEx, "GetWriteTimeEx", false) && TCustomArchiverDll::GetWriteTimeEx(arc, time);
}

bool TArchiverDll::GetCreateTimeEx(HARC arc, win::FILETIME& time) {
    return BindEntry(FGetCreateTimeEx, "GetCreateTimeEx", false) && TCustomArchiverDll::GetCreateTimeEx(arc, time);
}

bool TArchiverDll::GetAccessTimeEx(HARC arc, win::FILETIME& time) {
    return BindEntry(FGetAccessTimeEx, "GetAccessTimeEx", false) && TCustomArchiverDll::GetAccessTimeEx(arc, time);
}

bool TArchiverDll::GetOriginalSizeEx(HARC arc, uint64_t& size) {
    return BindEntry(FGetOriginalSizeEx, "GetOriginalSizeEx", false) &&
           TCustomArchiverDll::GetOriginalSizeEx(arc, size);
}

bool TArchiverDll::GetCompressedSizeEx(HARC arc, uint64_t& size) {
    return BindEntry(FGetCompressedSizeEx, "GetCompressedSizeEx", false) &&
           TCustomArchiverDll::GetCompressedSizeEx(arc, size);
}

int TArchiverDll::GetArchiveType(const char* fileName) {
    BindEntry(FGetArchiveType, "GetArchiveType", true);
    return TCustomArchiverDll::GetArchiveType(fileName);
}
