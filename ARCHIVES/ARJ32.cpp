#include "ARCHIVES/ARJ32.h"

namespace {

std::unique_ptr<TArchiverDll> ArjLibrary;

}  // namespace

TArchiverDll& EnsureArjLibrary() {
    return EnsureLibrary(ArjLibrary, "ARJ 形式書庫", "UNARJ32J.DLL", "Unarj");
}

void ReleaseArjLibrary() {
    ArjLibrary.reset();
}

bool IsArjArchive(const std::string& fileName) {
    return OpensAsArchive(EnsureArjLibrary, fileName, false);
}

TArj32::TArj32() : TLibraryDriver(TNoLhaLibrary{}) {}

int TArj32::Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return Run(parentWnd, BuildCommandLine("x", arcFileName, options, baseDir, files, useResFile), output);
}

// The LHA driver's writing commands would reach the LHA library and make an LZH file under the ARJ name.
int TArj32::Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                 const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return TArchiver::Pack(parentWnd, arcFileName, options, baseDir, files, useResFile, output);
}

int TArj32::RemoveItem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                       const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return TArchiver::RemoveItem(parentWnd, arcFileName, options, baseDir, files, useResFile, output);
}

int TArj32::Update(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) {
    return TArchiver::Update(parentWnd, arcFileName, options, baseDir, files, useResFile, output);
}

int TArj32::MakeSfx(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                    const std::string& outDir, std::string& output) {
    return TArchiver::MakeSfx(parentWnd, arcFileName, options, outDir, output);
}

int TArj32::ExtractMem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                       const std::string& entryName, void* buffer, win::DWORD size, win::DWORD* writtenSize) {
    return RunExtractMem(parentWnd, BuildCommandLine("", arcFileName, options, "", {entryName}, false), buffer, size,
                         writtenSize);
}
