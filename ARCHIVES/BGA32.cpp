#include "ARCHIVES/BGA32.h"

namespace {

std::unique_ptr<TArchiverDll> BgaLibrary;

}  // namespace

TArchiverDll& EnsureBgaLibrary() {
    return EnsureLibrary(BgaLibrary, "BGA 形式書庫", "BGA32.DLL", "Bga");
}

void ReleaseBgaLibrary() {
    BgaLibrary.reset();
}

bool IsBgaArchive(const std::string& fileName) {
    return OpensAsArchive(EnsureBgaLibrary, fileName, true);
}

int TBGA32::Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return Run(parentWnd, BuildCommandLine("x", arcFileName, options, baseDir, files, useResFile), output);
}

int TBGA32::Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                 const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return Run(parentWnd, BuildCommandLine("a", arcFileName, options, baseDir, files, useResFile), output);
}

int TBGA32::RemoveItem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                       const std::string&, TFileArgs files, bool, std::string& output) {
    bool useResFile = options.ResFileUsage.count(ruOnRemoveItem) > 0;
    return Run(parentWnd, BuildCommandLine("d", arcFileName, options, "", files, useResFile), output);
}

int TBGA32::MakeSfx(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                    const std::string& outDir, std::string& output) {
    return Run(parentWnd, BuildCommandLine("s", arcFileName, options, outDir, {}, false), output);
}

int TBGA32::CheckArchive(const std::string& arcFileName, int mode, int flags) {
    return TLibraryDriver::CheckArchive(arcFileName, mode == 2 ? 1 : mode, flags);
}

std::string TBGA32::BuildCommandLine(const std::string& verb, const std::string& arcFileName,
                                     const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                     bool useResFile) const {
    TCmdOpt cmd;
    cmd.AddFlag("a", options.a > 0);
    cmd.AddFlag(options.c > 0 ? "o" : "n", true);  // always one of overwrite and never-overwrite
    cmd.AddFlag("i", options.n > 0 || HasOwnerWindow());
    cmd.AddFlag("r", options.r > 0);
    cmd.AddFlag("j", options.x < 1);
    cmd.AddInt("l", options.jm);
    return CommandLine(verb, cmd, arcFileName, options, baseDir, files, useResFile);
}
