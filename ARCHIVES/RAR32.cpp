#include "ARCHIVES/RAR32.h"

namespace {

std::unique_ptr<TArchiverDll> RarLibrary;

}  // namespace

TArchiverDll& EnsureRarLibrary() {
    return EnsureLibrary(RarLibrary, "RAR 形式書庫", "UNRAR32.DLL", "Unrar");
}

void ReleaseRarLibrary() {
    RarLibrary.reset();
}

bool IsRarArchive(const std::string& fileName) {
    return OpensAsArchive(EnsureRarLibrary, fileName, false);
}

int TRar32::Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    std::string verb = options.x == 0 ? "-e" : "-x";
    return Run(parentWnd, BuildCommandLine(verb, arcFileName, options, baseDir, files, useResFile), output);
}

int TRar32::ExtractMem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                       const std::string& entryName, void* buffer, win::DWORD size, win::DWORD* writtenSize) {
    return RunExtractMem(parentWnd, BuildCommandLine("", arcFileName, options, "", {entryName}, false), buffer, size,
                         writtenSize);
}

std::string TRar32::BuildCommandLine(const std::string& verb, const std::string& arcFileName,
                                     const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                     bool useResFile) {
    TCmdOpt cmd;
    cmd.AddFlag("u", options.c < 1);
    cmd.AddFlag("y", options.m > 0);
    cmd.AddFlag("s", options.p > 0);
    return CommandLine(verb, cmd, arcFileName, options, baseDir, files, useResFile);
}
