#pragma once
// The BGA driver over BGA32.DLL (".gza" and ".bza" archives): the LHA pattern without "-+" and with a switch
// set of its own; self-extractors are made by the library.

#include <string>

#include "ARCHIVES/LibraryDriver.h"

// The one binding of BGA32.DLL ("BGA 形式書庫", entries "Bga..."); raises ENoArchiverDLL while it is missing.
TArchiverDll& EnsureBgaLibrary();
void ReleaseBgaLibrary();
// The content check of type detection: a missing file is never offered to the library. Never raises.
bool IsBgaArchive(const std::string& fileName);

class TBGA32 : public TLibraryDriver<TArchiver, EnsureBgaLibrary, ReleaseBgaLibrary> {
public:
    int Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
               const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    int Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
             const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    // Takes the response file when ruOnRemoveItem is in the options' usage; writes no base folder.
    int RemoveItem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    int MakeSfx(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                const std::string& outDir, std::string& output) override;
    // Mode 2 goes to the library as 1.
    int CheckArchive(const std::string& arcFileName, int mode, int flags) override;

private:
    std::string BuildCommandLine(const std::string& verb, const std::string& arcFileName,
                                 const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                 bool useResFile) const;
};
