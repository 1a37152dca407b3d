#include "ARCHIVES/ZIP32.h"

#include <memory>

#include "ARCHIVES/ArcErrors.h"
#include "ARCHIVES/LibraryDriver.h"
#include "ARCHIVES/SelfExtractor.h"
#include "platform/win/Modules.h"

namespace {

std::unique_ptr<TZipDll> ZipLibrary;

// The library object without loading anything (for the entries that are used after a loading one).
TZipDll& ZipDll() {
    return ZipLibrary ? *ZipLibrary : EnsureZipLibrary();
}

// A name of the file list as the ZIP libraries read it: a leading "-" would be a switch and "[" opens a
// character set, so both are written as sets of their own.
void ZipName(const std::string& name, std::string& result) {
    result.clear();
    size_t start = 0;
    if (!name.empty() && name[0] == '-') {
        result = "[-]";
        start = 1;
    }
    for (size_t i = start; i < name.size(); ++i)
        result += name[i] == '[' ? std::string("[[]") : std::string(1, name[i]);
}

}  // namespace

// The command of ZIP32J.DLL for packing, removing and updating.
std::string TZip32::PackCommand(const std::string& verb, const std::string& arcFileName,
                                const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                bool useResFile) {
    TCmdOpt cmd;
    cmd.NameConverter = ZipName;
    cmd.AddFlag("S", options.a > 0);
    cmd.AddFlag("D", options.a < 2);
    cmd.AddFlag("v", options.l > 0);
    cmd.AddFlag("q", options.n > 0);
    cmd.AddFlag("r", options.r > 0);
    cmd.AddFlag("o", options.n > 0);
    cmd.AddFlag("u", options.u > 0);
    cmd.AddFlag("j", options.x == 0);
    cmd.AddFlag("FF", options.jc > 0);
    cmd.AddFlag("k", options.ji > 0);
    cmd.AddInt("", options.jm);
    cmd.AddFlag("J", options.gd > 0);
    return CommandLine(verb, cmd, arcFileName, options, baseDir, files, useResFile);
}

// What LMZIP32.DLL takes for packing: update with recursion, and only these few switches.
std::string TZip32::ReducedPackCommand(const std::string& arcFileName, const TArchiverOptions& options, TFileArgs files,
                                       bool useResFile) {
    TCmdOpt cmd;
    cmd.AddFlag("o", options.c == 1);
    cmd.AddFlag("j", options.x == 0);
    return CommandLine("-ru", cmd, arcFileName, options, "", files, useResFile);
}

TZipDll::~TZipDll() {
    TZipDll::FreeDLL();
}

void TZipDll::LoadDLL() {
    if (unzip32_ == 0)
        unzip32_ = win::LoadLibraryA("UNZIP32.DLL");
    if (zip32j_ == 0)
        zip32j_ = win::LoadLibraryA("ZIP32J.DLL");
    if (lmzip32_ == 0)
        lmzip32_ = win::LoadLibraryA("LMZIP32.DLL");
}

void TZipDll::FreeDLL() {
    for (win::HMODULE* module : {&unzip32_, &lmzip32_, &zip32j_}) {
        if (*module != 0)
            win::FreeLibrary(*module);
        *module = 0;
    }
    FZip = nullptr;
    FUnZip = nullptr;
    TCustomArchiverDll::FreeDLL();
}

win::HMODULE TZipDll::Module(TZipModule module) const {
    switch (module) {
        case zmUnzip32:
            return unzip32_;
        case zmLmzip32:
            return lmzip32_;
        case zmZip32j:
            return zip32j_;
    }
    return 0;
}

template <typename Proc>
bool TZipDll::Lookup(Proc& entry, const char* name, std::initializer_list<TZipModule> order, bool required) {
    entry = nullptr;
    for (TZipModule one : order) {
        win::HMODULE module = Module(one);
        if (module == 0)
            continue;
        std::string spelled = name;
        if (one == zmLmzip32 && spelled.size() > 2 && spelled[2] == 'Z')
            spelled[2] = 'z';  // LMZIP32.DLL spells its entries "Unzip..."
        entry = reinterpret_cast<Proc>(win::GetProcAddress(module, spelled.c_str()));
        if (entry)
            return true;
    }
    if (required)
        throw EEntryNotFound("%0:s のエントリが DLL に見つかりませんでした。", {name});
    return false;
}

template <typename Proc>
void TZipDll::BindUnzip32(Proc& entry, const char* name) {
    if (entry)
        return;
    entry = reinterpret_cast<Proc>(win::GetProcAddress(unzip32_, name));
    if (entry)
        return;
    char path[257] = {};
    // Named by its path when it is loaded, by its name when it is not loaded at all.
    std::string library =
        unzip32_ != 0 && win::GetModuleFileNameA(unzip32_, path, sizeof path) > 0 ? path : "UNZIP32.DLL";
    throw EEntryNotFound("%0:s に %1:s のエントリが見つかりません。", {library, name});
}

int TZipDll::Zip(win::HWND parent, const char* cmdLine, char* output, win::DWORD size) {
    LoadDLL();
    Lookup(FZip, "Zip", {zmZip32j, zmLmzip32}, true);
    return FZip(parent, cmdLine, size == 0 ? nullptr : output, size);
}

int TZipDll::UnZip(win::HWND parent, const char* cmdLine, char* output, win::DWORD size) {
    LoadDLL();
    Lookup(FUnZip, "UnZip", {zmUnzip32, zmLmzip32}, true);
    return FUnZip(parent, cmdLine, size == 0 ? nullptr : output, size);
}

bool TZipDll::CheckArchive(const char* fileName, int mode) {
    LoadDLL();
    Lookup(FCheckArchive, "UnZipCheckArchive", {zmUnzip32, zmLmzip32, zmZip32j}, true);
    return TCustomArchiverDll::CheckArchive(fileName, mode);
}

int TZipDll::CloseArchive(HARC arc) {
    LoadDLL();
    Lookup(FCloseArchive, "UnZipCloseArchive", {zmLmzip32, zmZip32j, zmUnzip32}, true);
    return TCustomArchiverDll::CloseArchive(arc);
}

int TZipDll::ExtractMem(win::HWND parent, const char* cmdLine, uint8_t* buffer, win::DWORD size, int64_t* unixTime,
                        win::WORD* attributes, win::DWORD* writtenSize) {
    Lookup(FExtractMem, "UnZipExtractMem", {zmUnzip32, zmLmzip32, zmZip32j}, true);
    return TCustomArchiverDll::ExtractMem(parent, cmdLine, buffer, size, unixTime, attributes, writtenSize);
}

int TZipDll::FindFirst(HARC arc, const char* wildName, TArchiveEntryInfo& info) {
    LoadDLL();
    Lookup(FFindFirst, "UnZipFindFirst", {zmLmzip32, zmZip32j, zmUnzip32}, true);
    return TCustomArchiverDll::FindFirst(arc, wildName, info);
}

int TZipDll::FindNext(HARC arc, TArchiveEntryInfo& info) {
    Lookup(FFindNext, "UnZipFindNext", {zmLmzip32, zmZip32j, zmUnzip32}, true);
    return TCustomArchiverDll::FindNext(arc, info);
}

bool TZipDll::KillOwnerWindowEx(win::HWND wnd) {
    BindUnzip32(FKillOwnerWindowEx, "UnZipKillOwnerWindowEx");
    return TCustomArchiverDll::KillOwnerWindowEx(wnd);
}

HARC TZipDll::OpenArchive(win::HWND parent, const char* fileName, int mode) {
    LoadDLL();
    Lookup(FOpenArchive, "UnZipOpenArchive", {zmLmzip32, zmZip32j, zmUnzip32}, true);
    return TCustomArchiverDll::OpenArchive(parent, fileName, mode);
}

bool TZipDll::SetOwnerWindowEx(win::HWND wnd, ARCHIVERPROC callback) {
    BindUnzip32(FSetOwnerWindowEx, "UnZipSetOwnerWindowEx");
    return TCustomArchiverDll::SetOwnerWindowEx(wnd, callback);
}

bool TZipDll::GetWriteTimeEx(HARC arc, win::FILETIME& time) {
    return Lookup(FGetWriteTimeEx, "UnZipGetWriteTimeEx", {zmLmzip32, zmZip32j, zmUnzip32}, false) &&
           TCustomArchiverDll::GetWriteTimeEx(arc, time);
}

bool TZipDll::GetCreateTimeEx(HARC arc, win::FILETIME& time) {
    return Lookup(FGetCreateTimeEx, "UnZipGetCreateTimeEx", {zmLmzip32, zmZip32j, zmUnzip32}, false) &&
           TCustomArchiverDll::GetCreateTimeEx(arc, time);
}

bool TZipDll::GetAccessTimeEx(HARC arc, win::FILETIME& time) {
    return Lookup(FGetAccessTimeEx, "UnZipGetAccessTimeEx", {zmLmzip32, zmZip32j, zmUnzip32}, false) &&
           TCustomArchiverDll::GetAccessTimeEx(arc, time);
}

TZipDll& EnsureZipLibrary() {
    if (!ZipLibrary)
        ZipLibrary = std::make_unique<TZipDll>();
    ZipLibrary->LoadDLL();
    return *ZipLibrary;
}

void ReleaseZipLibrary() {
    ZipLibrary.reset();
}

bool IsZipArchive(const std::string& fileName) {
    try {
        TZipDll& dll = EnsureZipLibrary();
        std::string fullName = ExpandFileName(fileName);
        if (!dll.CheckArchive(fullName.c_str(), 24) || !FileExists(fullName))
            return false;
        HARC handle = dll.OpenArchive(0, fullName.c_str(), 0x800002);
        if (handle == 0)
            return false;
        dll.CloseArchive(handle);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

TZip32::TZip32() {
    EnsureZipLibrary();
}

void TZip32::LoadDLL() {
    EnsureZipLibrary();
}

void TZip32::FreeDLL() {
    ReleaseZipLibrary();
}

HARC TZip32::OpenArchive(win::HWND parentWnd, const std::string& arcFileName, int mode) {
    return ZipDll().OpenArchive(parentWnd, ExpandFileName(arcFileName).c_str(), mode);
}

int TZip32::FindFirst(HARC handle, const std::string& wildName, TArchiveEntryInfo& info) {
    return ZipDll().FindFirst(handle, wildName.c_str(), info);
}

int TZip32::FindNext(HARC handle, TArchiveEntryInfo& info) {
    return ZipDll().FindNext(handle, info);
}

int TZip32::CloseArchive(HARC handle) {
    return ZipDll().CloseArchive(handle);
}

int TZip32::Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    TZipDll& dll = EnsureZipLibrary();
    if (!dll.Unzip32Loaded() && !dll.Lmzip32Loaded())
        throw EArchiver("ZIP 形式書庫の解凍には UNZIP32.DLL または LMZIP32.DLL が必要です。");
    lastCommandLine_ = ExtractCommand("-x", arcFileName, options, baseDir, files, useResFile);
    return dll.UnZip(parentWnd, lastCommandLine_.c_str(), output.data(), static_cast<win::DWORD>(output.size()));
}

int TZip32::Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                 const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    TZipDll& dll = EnsureZipLibrary();
    if (dll.Zip32jLoaded())
        return RunZip(parentWnd, PackCommand("", arcFileName, options, baseDir, files, useResFile), output);
    if (dll.Lmzip32Loaded())
        return RunZip(parentWnd, ReducedPackCommand(arcFileName, options, files, useResFile), output);
    throw EArchiver("ZIP 形式書庫の作成には ZIP32J.DLL または LMZIP32.DLL が必要です。");
}

int TZip32::RemoveItem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                       const std::string&, TFileArgs files, bool useResFile, std::string& output) {
    return RunZip(parentWnd, PackCommand("-d", arcFileName, options, "", files, useResFile), output);
}

int TZip32::Update(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return RunZip(parentWnd, PackCommand("-f", arcFileName, options, baseDir, files, useResFile), output);
}

int TZip32::MakeSfx(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                    const std::string& outDir, std::string& output) {
    if (!EnsureZipLibrary().Zip32jLoaded())
        throw ESfxNoRequiredFile("zip", "", "ZIP32J.DLL");
    bool win32 = options.gw > 0;
    const char* stubName = win32 ? "sfx32gui.dat" : "sfx16.dat";
    std::string stub = SearchSfxModule(stubName);
    if (stub.empty())
        throw ESfxNoRequiredFile("zip", win32 ? "Win32" : "DOS", stubName);
    std::string sfxName = SfxFileName(arcFileName, ".EXE", outDir);
    TCmdOpt name;
    name.AddQuoted("", sfxName);  // quoted, as every other name: a folder may hold blanks
    WriteSfxFile(stub, arcFileName, sfxName, false);
    return RunZip(parentWnd, "-A" + name.CmdLine, output);
}

int TZip32::ExtractMem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                       const std::string& entryName, void* buffer, win::DWORD size, win::DWORD* writtenSize) {
    lastCommandLine_ = ExtractCommand("", arcFileName, options, "", {entryName}, false);
    return ZipDll().ExtractMem(parentWnd, lastCommandLine_.c_str(), static_cast<uint8_t*>(buffer), size, nullptr,
                               nullptr, writtenSize);
}

int TZip32::CheckArchive(const std::string& arcFileName, int mode, int) {
    return ZipDll().CheckArchive(arcFileName.c_str(), mode) ? 1 : 0;
}

bool TZip32::SetOwnerWindow(win::HWND wnd, ARCHIVERPROC callback) {
    bool result = ZipDll().SetOwnerWindowEx(wnd, callback);
    TArchiver::SetOwnerWindow(wnd, callback);
    return result;
}

bool TZip32::KillOwnerWindow(win::HWND wnd) {
    TForgetOwnerWindow forget(*this, wnd);
    return ZipDll().KillOwnerWindowEx(wnd);
}

std::string TZip32::ExtractCommand(const std::string& verb, const std::string& arcFileName,
                                   const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                   bool useResFile) const {
    TCmdOpt cmd;
    cmd.NameConverter = ZipName;
    cmd.AddFlag("o", options.c == 1);
    cmd.AddFlag("-i", options.n > 0 || HasOwnerWindow());
    cmd.AddFlag("j", options.x == 0);
    return CommandLine(verb, cmd, arcFileName, options, baseDir, files, useResFile);
}

int TZip32::RunZip(win::HWND parentWnd, std::string cmdLine, std::string& output) {
    lastCommandLine_ = std::move(cmdLine);
    return ZipDll().Zip(parentWnd, lastCommandLine_.c_str(), output.data(), static_cast<win::DWORD>(output.size()));
}
