#pragma once
// The LHA driver over UNLHA32.DLL: the format of every trunk. Its command lines are the pattern the other
// formats vary: verb, "-+", the switches in one fixed order, the user's options, the archive, the folder,
// the names.

#include <string>

#include "ARCHIVES/LibraryDriver.h"

// The one binding of UNLHA32.DLL ("LHA 形式書庫", entries "Unlha..."), made on first need and kept.
// EnsureLhaLibrary raises ENoArchiverDLL while the library cannot be loaded.
TArchiverDll& EnsureLhaLibrary();
void ReleaseLhaLibrary();
// The content check of type detection; never raises.
bool IsLhaArchive(const std::string& fileName);

class TLha32 : public TLibraryDriver<TArchiver, EnsureLhaLibrary, ReleaseLhaLibrary> {
public:
    TLha32() = default;  // loads the library

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

protected:
    // For a format whose library is driven with the LHA command lines: the LHA library is not loaded.
    struct TNoLhaLibrary {};
    explicit TLha32(TNoLhaLibrary) : TLibraryDriver(TLibraryNotLoaded{}) {}

    // verb + " -+" + switches + user options + archive + folder + names; an empty verb leaves the leading blank.
    std::string BuildCommandLine(const std::string& verb, const std::string& arcFileName,
                                 const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                 bool useResFile) const;
};
