#pragma once
// The ARJ driver over UNARJ32J.DLL, for listing, checking and extracting. It derives the LHA driver because the
// ARJ library understands the LHA library's switches, so the extraction line is built the same way. The
// library cannot write archives: packing, removing, updating and self-extractors are not offered.

#include <string>

#include "ARCHIVES/LHA32.h"
#include "ARCHIVES/LibraryDriver.h"

// The one binding of UNARJ32J.DLL ("ARJ 形式書庫", entries "Unarj..."); raises ENoArchiverDLL while it is
// missing.
TArchiverDll& EnsureArjLibrary();
void ReleaseArjLibrary();
// The content check of type detection; never raises.
bool IsArjArchive(const std::string& fileName);

class TArj32 : public TLibraryDriver<TLha32, EnsureArjLibrary, ReleaseArjLibrary> {
public:
    TArj32();  // loads the ARJ library only

    int Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
               const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    int Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
             const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    int RemoveItem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    int Update(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
               const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    int MakeSfx(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                const std::string& outDir, std::string& output) override;
    int ExtractMem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& entryName, void* buffer, win::DWORD size, win::DWORD* writtenSize) override;
};
