#pragma once
// The RAR driver over UNRAR32.DLL, for listing, checking and extracting only: every writing operation
// answers "not supported".

#include <string>

#include "ARCHIVES/LibraryDriver.h"

// The one binding of UNRAR32.DLL ("RAR 形式書庫", entries "Unrar..."); raises ENoArchiverDLL while it is
// missing.
TArchiverDll& EnsureRarLibrary();
void ReleaseRarLibrary();
// The content check of type detection; never raises.
bool IsRarArchive(const std::string& fileName);

class TRar32 : public TLibraryDriver<TArchiver, EnsureRarLibrary, ReleaseRarLibrary> {
public:
    // "-e" (without the stored folders) when x is 0, else "-x".
    int Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
               const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    int ExtractMem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& entryName, void* buffer, win::DWORD size, win::DWORD* writtenSize) override;

private:
    static std::string BuildCommandLine(const std::string& verb, const std::string& arcFileName,
                                        const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                        bool useResFile);
};
