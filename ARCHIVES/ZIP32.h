#pragma once
// The ZIP driver. No one ZIP library covers everything (UNZIP32.DLL reads, ZIP32J.DLL writes, LMZIP32.DLL
// does both), so every entry is searched for in the three in a fixed order at each call; "UnZip" extracts,
// "Zip" serves all that writes. File names are escaped for these libraries, which would read "[" as a pattern
// and a leading "-" as a switch.

#include <initializer_list>
#include <string>

#include "ARCHIVES/Archiver.h"

class TZipDll : public TCustomArchiverDll {
public:
    ~TZipDll() override;

    // Loads whichever of the three is not loaded yet. A missing library is not an error at this point; the lack
    // shows up later, in the call that needs it.
    void LoadDLL() override;
    void FreeDLL() override;
    int Zip(win::HWND parent, const char* cmdLine, char* output, win::DWORD size);
    int UnZip(win::HWND parent, const char* cmdLine, char* output, win::DWORD size);
    bool CheckArchive(const char* fileName, int mode) override;
    int CloseArchive(HARC arc) override;
    int ExtractMem(win::HWND parent, const char* cmdLine, uint8_t* buffer, win::DWORD size, int64_t* unixTime,
                   win::WORD* attributes, win::DWORD* writtenSize) override;
    int FindFirst(HARC arc, const char* wildName, TArchiveEntryInfo& info) override;
    int FindNext(HARC arc, TArchiveEntryInfo& info) override;
    // Only UNZIP32.DLL reports progress to an owner window.
    bool KillOwnerWindowEx(win::HWND wnd) override;
    HARC OpenArchive(win::HWND parent, const char* fileName, int mode) override;
    bool SetOwnerWindowEx(win::HWND wnd, ARCHIVERPROC callback) override;
    bool GetWriteTimeEx(HARC arc, win::FILETIME& time) override;
    bool GetCreateTimeEx(HARC arc, win::FILETIME& time) override;
    bool GetAccessTimeEx(HARC arc, win::FILETIME& time) override;

    bool Unzip32Loaded() const { return unzip32_ != 0; }
    bool Lmzip32Loaded() const { return lmzip32_ != 0; }
    bool Zip32jLoaded() const { return zip32j_ != 0; }

private:
    enum TZipModule { zmUnzip32, zmLmzip32, zmZip32j };
    // Finds name in the first of the libraries (in order) that has it. A required entry found nowhere raises
    // EEntryNotFound; an optional one is left unbound (false).
    template <typename Proc>
    bool Lookup(Proc& entry, const char* name, std::initializer_list<TZipModule> order, bool required);
    template <typename Proc>
    void BindUnzip32(Proc& entry, const char* name);
    win::HMODULE Module(TZipModule module) const;

    win::HMODULE unzip32_ = 0;
    win::HMODULE lmzip32_ = 0;
    win::HMODULE zip32j_ = 0;
    ArcCommandProc FZip = nullptr;
    ArcCommandProc FUnZip = nullptr;
};

// The one TZipDll of the program, made when there is none; loads what is missing of the three libraries.
TZipDll& EnsureZipLibrary();
void ReleaseZipLibrary();
// The content check of type detection; never raises.
bool IsZipArchive(const std::string& fileName);

class TZip32 : public TArchiver {
public:
    TZip32();  // loads what there is of the three libraries

    void LoadDLL() override;
    void FreeDLL() override;
    HARC OpenArchive(win::HWND parentWnd, const std::string& arcFileName, int mode) override;
    int FindFirst(HARC handle, const std::string& wildName, TArchiveEntryInfo& info) override;
    int FindNext(HARC handle, TArchiveEntryInfo& info) override;
    int CloseArchive(HARC handle) override;
    int Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
               const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    // Through ZIP32J.DLL, or a reduced command through LMZIP32.DLL when that is the only one there.
    int Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
             const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    int RemoveItem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    int Update(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
               const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    // Copies the stub ("sfx32gui.dat" with gw > 0, else "sfx16.dat") and the archive into an ".EXE", which
    // ZIP32J.DLL then adjusts.
    int MakeSfx(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                const std::string& outDir, std::string& output) override;
    int ExtractMem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                   const std::string& entryName, void* buffer, win::DWORD size, win::DWORD* writtenSize) override;
    // The library's check with mode alone.
    int CheckArchive(const std::string& arcFileName, int mode, int flags) override;
    bool SetOwnerWindow(win::HWND wnd, ARCHIVERPROC callback) override;
    bool KillOwnerWindow(win::HWND wnd) override;

private:
    static std::string PackCommand(const std::string& verb, const std::string& arcFileName,
                                   const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                   bool useResFile);
    static std::string ReducedPackCommand(const std::string& arcFileName, const TArchiverOptions& options,
                                          TFileArgs files, bool useResFile);
    std::string ExtractCommand(const std::string& verb, const std::string& arcFileName, const TArchiverOptions& options,
                               const std::string& baseDir, TFileArgs files, bool useResFile) const;
    int RunZip(win::HWND parentWnd, std::string cmdLine, std::string& output);
};
