#pragma once
// The 7z driver over 7-zip32.dll: switch words before the archive name, the destination as the switch "-o",
// and self-extractors assembled from 7-Zip's own "7z.sfx" module. 7z archives are known by name only.

#include <string>

#include "ARCHIVES/LibraryDriver.h"

// The one binding of 7-zip32.dll ("7z 形式書庫", entries "SevenZip..."); raises ENoArchiverDLL while it is
// missing.
TArchiverDll& EnsureSevenZipLibrary();
void ReleaseSevenZipLibrary();

class TSevenZip32 : public TLibraryDriver<TArchiver, EnsureSevenZipLibrary, ReleaseSevenZipLibrary> {
public:
    // "x", or "e" (without the stored folders) when x is 0.
    int Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
               const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    int Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
             const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    int RemoveItem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    // Only 32-bit self-extractors (gw > 0), from the "7z.sfx" of the 7-Zip folder the machine registers, else
    // of the search path; the driver assembles the file without calling the library.
    int MakeSfx(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                const std::string& outDir, std::string& output) override;

private:
    static std::string BuildCommandLine(const std::string& verb, const std::string& arcFileName,
                                        const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                        bool useResFile);
};
