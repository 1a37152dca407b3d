#pragma once
// The YZ1 driver over YYZ32.DLL or, when that is missing, YZ1.DLL: the two libraries are interchangeable.
// Listing an encrypted archive asks the user for its password through the library's own dialog; self-
// extractors are assembled by the driver from the YZ1 self-extractor modules.

#include <string>

#include "ARCHIVES/LibraryDriver.h"

// The binding of the YZ1 library that loaded ("YZ1 形式書庫", entries "Yz1..."), with the password entries of
// these libraries.
class TYZ1Dll : public TArchiverDll {
public:
    using TArchiverDll::TArchiverDll;

    void FreeDLL() override;
    // Remembers the window for the password dialog.
    HARC OpenArchive(win::HWND parent, const char* fileName, int mode) override;
    // An encrypted archive (32778) asks for a password and lists again, up to four passwords.
    int FindFirst(HARC arc, const char* wildName, TArchiveEntryInfo& info) override;
    // The library's answers; -1 when it lacks the entry.
    int SetDefaultPassword(HARC arc, const char* password);
    int PasswordDialog(win::HWND wnd, char* buffer, win::DWORD size);

    win::HWND PasswordOwnerWindow = 0;

private:
    using TSetDefaultPasswordProc = int (*)(HARC arc, const char* password);
    using TPasswordDialogProc = int (*)(win::HWND wnd, char* buffer, win::DWORD size);
    template <typename Proc>
    Proc Optional(Proc& entry, const char* suffix);

    TSetDefaultPasswordProc FSetDefaultPassword = nullptr;
    TPasswordDialogProc FPasswordDialog = nullptr;
};

// The YZ1 library, tried as YYZ32.DLL and then YZ1.DLL; nothing is kept while neither loads, so every call
// tries both again. Raises ENoArchiverDLL naming both when neither can be loaded.
TArchiverDll& EnsureYz1Library();
void ReleaseYz1Library();
// The content check of type detection: a missing file is never offered to the library. Never raises.
bool IsYz1Archive(const std::string& fileName);

class TYZ1 : public TLibraryDriver<TArchiver, EnsureYz1Library, ReleaseYz1Library> {
public:
    int Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
               const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    int Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
             const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) override;
    // Module + archive + the archive's size (4 bytes, big-endian); gw > 0 a Win32 self-extractor, else DOS.
    int MakeSfx(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                const std::string& outDir, std::string& output) override;

private:
    std::string BuildCommandLine(const std::string& verb, const std::string& arcFileName,
                                 const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                 bool useResFile) const;
    // Run; when the library raises, its owner window is enabled again before the exception goes on.
    int RunGivingOwnerBack(win::HWND parentWnd, std::string cmdLine, std::string& output);
};
