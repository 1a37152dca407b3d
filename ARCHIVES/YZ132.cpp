#include "ARCHIVES/YZ132.h"

#include "ARCHIVES/ArcErrors.h"
#include "ARCHIVES/SelfExtractor.h"
#include "platform/win/Messages.h"
#include "platform/win/Modules.h"

namespace {

constexpr const char* Yz1DllNames[] = {"YYZ32.DLL", "YZ1.DLL"};
constexpr int PasswordRequired = 32778;
constexpr int MaxPasswords = 4;

std::unique_ptr<TYZ1Dll> Yz1Library;

// The module of a Win32 (yzw32cui.sfx, else yzdec.exe) or DOS (yzdos16.sfx) self-extractor.
std::string FindYz1Module(bool win32) {
    if (!win32) {
        std::string module = SearchSfxModule("yzdos16.sfx");
        if (module.empty())
            throw EArchiver("yz1 書庫からのDOS自己解凍書庫の作成には yzdos16.sfx が必要です。");
        return module;
    }
    std::string module = SearchSfxModule("yzw32cui.sfx");
    if (module.empty())
        module = SearchSfxModule("yzdec.exe");
    if (module.empty())
        throw EArchiver("yz1 書庫からのWin32自己解凍書庫の作成には yzw32cui.sfx か yzdec.exe が必要です。");
    return module;
}

}  // namespace

void TYZ1Dll::FreeDLL() {
    FSetDefaultPassword = nullptr;
    FPasswordDialog = nullptr;
    TArchiverDll::FreeDLL();
}

HARC TYZ1Dll::OpenArchive(win::HWND parent, const char* fileName, int mode) {
    PasswordOwnerWindow = parent;
    return TArchiverDll::OpenArchive(parent, fileName, mode);
}

int TYZ1Dll::FindFirst(HARC arc, const char* wildName, TArchiveEntryInfo& info) {
    int result = TArchiverDll::FindFirst(arc, wildName, info);
    for (int asked = 0; result == PasswordRequired && asked < MaxPasswords; ++asked) {
        char password[257] = {};  // one more than the dialog may fill, so the text always ends
        if (PasswordDialog(PasswordOwnerWindow, password, 256) < 0)
            break;
        SetDefaultPassword(arc, password);
        result = TArchiverDll::FindFirst(arc, wildName, info);
    }
    return result;
}

template <typename Proc>
Proc TYZ1Dll::Optional(Proc& entry, const char* suffix) {
    LoadDLL();
    if (!entry)
        entry = reinterpret_cast<Proc>(win::GetProcAddress(ModuleHandle(), (EntryPrefix() + suffix).c_str()));
    return entry;
}

int TYZ1Dll::SetDefaultPassword(HARC arc, const char* password) {
    auto entry = Optional(FSetDefaultPassword, "SetDefaultPassword");
    return entry ? entry(arc, password) : -1;
}

int TYZ1Dll::PasswordDialog(win::HWND wnd, char* buffer, win::DWORD size) {
    auto entry = Optional(FPasswordDialog, "PasswordDialog");
    return entry ? entry(wnd, buffer, size) : -1;
}

TArchiverDll& EnsureYz1Library() {
    if (Yz1Library) {
        Yz1Library->LoadDLL();
        return *Yz1Library;
    }
    for (const char* dllName : Yz1DllNames) {
        auto library = std::make_unique<TYZ1Dll>("YZ1 形式書庫", dllName, "Yz1");
        try {
            library->LoadDLL();
        } catch (const std::exception&) {
            continue;
        }
        Yz1Library = std::move(library);
        return *Yz1Library;
    }
    throw ENoArchiverDLL("Yz1 形式書庫を扱うには %0:s か %1:s が必要です。", {Yz1DllNames[0], Yz1DllNames[1]});
}

void ReleaseYz1Library() {
    Yz1Library.reset();
}

bool IsYz1Archive(const std::string& fileName) {
    return OpensAsArchive(EnsureYz1Library, fileName, true);
}

int TYZ1::Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                 const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return RunGivingOwnerBack(parentWnd, BuildCommandLine("x", arcFileName, options, baseDir, files, useResFile),
                              output);
}

int TYZ1::Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
               const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return RunGivingOwnerBack(parentWnd, BuildCommandLine("c", arcFileName, options, baseDir, files, useResFile),
                              output);
}

int TYZ1::RunGivingOwnerBack(win::HWND parentWnd, std::string cmdLine, std::string& output) {
    try {
        return Run(parentWnd, std::move(cmdLine), output);
    } catch (...) {
        // The library disables its owner while its dialog is up; raising past it would leave it so.
        win::EnableWindow(parentWnd, win::TRUE);
        throw;
    }
}

int TYZ1::MakeSfx(win::HWND, const std::string& arcFileName, const TArchiverOptions& options, const std::string& outDir,
                  std::string&) {
    std::string module = FindYz1Module(options.gw > 0);
    WriteSfxFile(module, arcFileName, SfxFileName(arcFileName, ".exe", outDir), true);
    return 0;
}

std::string TYZ1::BuildCommandLine(const std::string& verb, const std::string& arcFileName,
                                   const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                   bool useResFile) const {
    // The method y follows m (0 and 2 give 2, 1 gives 1, 9 gives 0); method 2 always goes with level c 2.
    int y = -1;
    switch (options.m) {
        case 0:
        case 2:
            y = 2;
            break;
        case 1:
            y = 1;
            break;
        case 9:
            y = 0;
            break;
        default:
            break;
    }
    TCmdOpt cmd;
    cmd.Add("-+");
    cmd.AddInt("c", y == 2 ? 2 : options.c);
    cmd.AddInt("y", y);
    cmd.AddFlag("i", options.n > 0 || HasOwnerWindow());
    cmd.AddInt("z", options.p);
    cmd.AddInt("x", options.x);
    return CommandLine(verb, cmd, arcFileName, options, baseDir, files, useResFile);
}
