#pragma once
// The cabinet driver over CAB32.DLL: the LHA pattern with its own few switches, the archive expanded to a
// full path for extraction, and self-extractors made by the library.

#include <string>

#include "ARCHIVES/LibraryDriver.h"

// The one binding of CAB32.DLL ("CAB 形式書庫", entries "Cab..."); raises ENoArchiverDLL while it is missing.
TArchiverDll& EnsureCabLibrary();
void ReleaseCabLibrary();
// The content check of type detection; never raises.
bool IsCabArchive(const std::string& fileName);

class TCab32 : public TLibraryDriver<TArchiver, EnsureCabLibrary, ReleaseCabLibrary> {
public:
    int Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
               const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    int Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
             const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    int MakeSfx(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                const std::string& outDir, std::string& output) override;
    int ExtractMem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& entryName, void* buffer, win::DWORD size, win::DWORD* writtenSize) override;

private:
    std::string BuildCommandLine(const std::string& verb, const std::string& arcFileName,
                                 const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                 bool useResFile) const;
};
