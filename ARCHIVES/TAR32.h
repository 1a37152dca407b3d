#pragma once
// The TAR family over TAR32.DLL: plain tar (TTar32), gzip tar (TTgz32) and bzip2 tar (TBZ232) share one
// command line, which names the archive and the folder as switches and adds the compression switch of the
// driver's class. A self-extractor is the archive appended to the stub "kmtarsef.exe".

#include <string>

#include "ARCHIVES/ArchiverOptions.h"
#include "ARCHIVES/LibraryDriver.h"

// The one binding of TAR32.DLL ("tar/tgz/taz/bz2 形式書庫", entries "Tar..."); raises ENoArchiverDLL while it
// is missing.
TArchiverDll& EnsureTarLibrary();
void ReleaseTarLibrary();
// The content check of type detection: atTar, atTgz, atBZ2 by the library's archive type, else atNone. Never
// raises.
TArchiverType TarArchiveType(const std::string& fileName);

class TTar32 : public TLibraryDriver<TArchiver, EnsureTarLibrary, ReleaseTarLibrary> {
public:
    TTar32() = default;  // loads the library

    int Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
               const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    int Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
             const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    // Assembled by the driver alone, so LastCommandLine keeps the previous library call's line.
    int MakeSfx(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                const std::string& outDir, std::string& output) override;
    int ExtractMem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& entryName, void* buffer, win::DWORD size, win::DWORD* writtenSize) override;

protected:
    // The compression a derived driver adds to plain tar.
    enum class TCompression { None, Gzip, Bzip2 };
    explicit TTar32(TCompression compression) : compression_(compression) {}

private:
    std::string BuildCommandLine(const std::string& verb, const std::string& arcFileName,
                                 const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                 bool useResFile) const;

    TCompression compression_ = TCompression::None;
};

class TTgz32 : public TTar32 {
public:
    TTgz32() : TTar32(TCompression::Gzip) {}
};

class TBZ232 : public TTar32 {
public:
    TBZ232() : TTar32(TCompression::Bzip2) {}
};
