#include "ARCHIVES/SZIP32.h"

#include <cstring>
#include <vector>

#include "ARCHIVES/ArcErrors.h"
#include "ARCHIVES/SelfExtractor.h"
#include "platform/win/WinReg.h"

namespace {

std::unique_ptr<TArchiverDll> SevenZipLibrary;

// The folder 7-Zip was installed in, as the machine registers it; empty when it is not registered.
std::string SevenZipDir() {
    win::HKEY key = 0;
    if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, "SOFTWARE\\7-ZIP", 0, win::KEY_READ, &key) != win::ERROR_SUCCESS)
        return "";
    std::string path;
    win::DWORD type = 0, size = 0;
    if (win::RegQueryValueExA(key, "Path", nullptr, &type, nullptr, &size) == win::ERROR_SUCCESS &&
        (type == win::REG_SZ || type == win::REG_EXPAND_SZ) && size > 0) {
        std::vector<win::BYTE> data(size);
        if (win::RegQueryValueExA(key, "Path", nullptr, &type, data.data(), &size) == win::ERROR_SUCCESS)
            path.assign(reinterpret_cast<const char*>(data.data()),
                        strnlen(reinterpret_cast<const char*>(data.data()), size));
    }
    win::RegCloseKey(key);
    return path;
}

// At most one overwrite rule for an extraction: rename the new file (m 2), skip it (jn), or overwrite (c).
void AddOverwriteSwitch(TCmdOpt& cmd, const TArchiverOptions& options) {
    if (options.m == 2)
        cmd.Add("-aou");
    else if (options.jn > 0)
        cmd.Add("-aos");
    else if (options.c > 0)
        cmd.Add("-aoa");
}

}  // namespace

TArchiverDll& EnsureSevenZipLibrary() {
    return EnsureLibrary(SevenZipLibrary, "7z 形式書庫", "7-zip32.dll", "SevenZip");
}

void ReleaseSevenZipLibrary() {
    SevenZipLibrary.reset();
}

int TSevenZip32::Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                        const std::string& baseDir, TFileArgs files, bool, std::string& output) {
    bool useResFile = options.ResFileUsage.count(ruOnUnpack) > 0;
    return Run(parentWnd, BuildCommandLine("x", arcFileName, options, baseDir, files, useResFile), output);
}

int TSevenZip32::Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                      const std::string& baseDir, TFileArgs files, bool, std::string& output) {
    bool useResFile = options.ResFileUsage.count(ruOnPack) > 0;
    return Run(parentWnd, BuildCommandLine("u", arcFileName, options, baseDir, files, useResFile), output);
}

int TSevenZip32::RemoveItem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                            const std::string&, TFileArgs files, bool, std::string& output) {
    bool useResFile = options.ResFileUsage.count(ruOnRemoveItem) > 0;
    return Run(parentWnd, BuildCommandLine("d", arcFileName, options, "", files, useResFile), output);
}

int TSevenZip32::MakeSfx(win::HWND, const std::string& arcFileName, const TArchiverOptions& options,
                         const std::string& outDir, std::string&) {
    if (options.gw <= 0)
        throw EArchiver("16bit SFX を作成することはできません。");
    std::string module = SearchSfxModule("7z.sfx", SevenZipDir());
    if (module.empty())
        throw ESfxNoRequiredFile("7z", "", "7z.sfx");
    WriteSfxFile(module, arcFileName, SfxFileName(arcFileName, ".exe", outDir), false);
    return 0;
}

std::string TSevenZip32::BuildCommandLine(const std::string& verb, const std::string& arcFileName,
                                          const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                          bool useResFile) {
    if (arcFileName == SwitchUnset)
        throw EArchiver("書庫ファイル名が指定されていません。");
    TCmdOpt cmd;
    if (verb == "x")
        AddOverwriteSwitch(cmd, options);
    cmd.Add("-ms=off");
    cmd.AddFlag("hide", options.n > 0);
    if (options.r == 0)
        cmd.Add("-r-");
    else if (options.r > 1)
        cmd.Add("-r");
    cmd.AddDir("w", options.w);
    cmd.AddFlag("y", options.y > 0);
    cmd.AddFiles("x!", {options.jx});
    cmd.AddDir("o", baseDir);
    cmd.Add(options.UserOptions);
    cmd.AddQuoted("", arcFileName);
    AddFileList(cmd, options, useResFile, files);
    return (verb == "x" && options.x == 0 ? "e" : verb) + cmd.CmdLine;
}
