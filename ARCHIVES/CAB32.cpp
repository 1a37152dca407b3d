#include "ARCHIVES/CAB32.h"

namespace {

std::unique_ptr<TArchiverDll> CabLibrary;

}  // namespace

TArchiverDll& EnsureCabLibrary() {
    return EnsureLibrary(CabLibrary, "CAB 形式書庫", "CAB32.DLL", "Cab");
}

void ReleaseCabLibrary() {
    CabLibrary.reset();
}

bool IsCabArchive(const std::string& fileName) {
    return OpensAsArchive(EnsureCabLibrary, fileName, false);
}

int TCab32::Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return Run(parentWnd, BuildCommandLine("-x", FullArchiveName(arcFileName), options, baseDir, files, useResFile),
               output);
}

int TCab32::Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                 const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return Run(parentWnd, BuildCommandLine("-a", arcFileName, options, baseDir, files, useResFile), output);
}

int TCab32::MakeSfx(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                    const std::string& outDir, std::string& output) {
    return Run(parentWnd, BuildCommandLine("-f", arcFileName, options, outDir, {}, false), output);
}

int TCab32::ExtractMem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                       const std::string& entryName, void* buffer, win::DWORD size, win::DWORD* writtenSize) {
    return RunExtractMem(parentWnd, BuildCommandLine("", arcFileName, options, "", {entryName}, false), buffer, size,
                         writtenSize);
}

std::string TCab32::BuildCommandLine(const std::string& verb, const std::string& arcFileName,
                                     const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                     bool useResFile) const {
    TCmdOpt cmd;
    cmd.AddFlag("o", options.c == 1);
    cmd.AddFlag("i", options.n > 0 || HasOwnerWindow());
    cmd.AddFlag("r", options.r > 0);
    cmd.AddDir("h", options.w);
    cmd.AddFlag("j", options.x == 0);
    cmd.AddFlag("q", options.ji > 0);
    return CommandLine(verb, cmd, arcFileName, options, baseDir, files, useResFile);
}
