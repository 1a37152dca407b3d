#pragma once
// The format driver base: each archive format is one TArchiver descendant that turns the component's
// operations into command lines or listing calls of its format's library. Creating a driver loads that
// library; destroying it leaves the library loaded for the next driver of the format.

#include <string>

#include "ARCHIVES/ArchiverDll.h"
#include "ARCHIVES/ArchiverOptions.h"
#include "ARCHIVES/CmdOpt.h"
#include "platform/win/WinTypes.h"

class TArchiver {
public:
    TArchiver() = default;
    TArchiver(const TArchiver&) = delete;
    TArchiver& operator=(const TArchiver&) = delete;
    virtual ~TArchiver() = default;

    // The format's one library for the whole program: load it (raising when it is missing), or unload it.
    virtual void LoadDLL() = 0;
    virtual void FreeDLL() = 0;

    virtual HARC OpenArchive(win::HWND parentWnd, const std::string& arcFileName, int mode);
    virtual int FindFirst(HARC handle, const std::string& wildName, TArchiveEntryInfo& info);
    virtual int FindNext(HARC handle, TArchiveEntryInfo& info);
    virtual int CloseArchive(HARC handle);
    // Command operations answer the library's code: 0 success, 0x8020 cancelled, others its errors. The
    // library writes its output text into output (nothing when it is empty).
    virtual int Unpack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                       const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output) = 0;
    virtual int Pack(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                     const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output);
    virtual int RemoveItem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                           const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output);
    virtual int Update(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                       const std::string& baseDir, TFileArgs files, bool useResFile, std::string& output);
    virtual int MakeSfx(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                        const std::string& outDir, std::string& output);
    virtual int ExtractMem(win::HWND parentWnd, const std::string& arcFileName, const TArchiverOptions& options,
                           const std::string& entryName, void* buffer, win::DWORD size, win::DWORD* writtenSize);
    virtual int CheckArchive(const std::string& arcFileName, int mode, int flags);
    // The window the library reports its progress to; the base only remembers it.
    virtual bool SetOwnerWindow(win::HWND wnd, ARCHIVERPROC callback);
    virtual bool KillOwnerWindow(win::HWND wnd);
    // Before a long preparation (the component's own file walk): fail now when the library is missing.
    void RequireDLL() { LoadDLL(); }

    win::HWND OwnerWindow() const { return ownerWindow_; }
    const std::string& LastCommandLine() const { return lastCommandLine_; }

protected:
    bool HasOwnerWindow() const { return ownerWindow_ != 0; }
    // The archive and the folder the names are relative to. An archive name that was never given is
    // refused: without it the library would take the next item for the archive.
    static void AddArchiveAndDir(TCmdOpt& cmdOpt, const std::string& arcFileName, const std::string& baseDir);
    // The names on the line or in the response file, then UserFileList (always, also when empty).
    static int AddFileList(TCmdOpt& cmdOpt, const TArchiverOptions& options, bool useResFile, TFileArgs files);
    // verb + the switches already in cmdOpt + the user's options, the archive, the folder and the names: the
    // LHA command line's pattern, which most formats keep.
    static std::string CommandLine(const std::string& verb, TCmdOpt& cmdOpt, const std::string& arcFileName,
                                   const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                   bool useResFile);

    std::string lastCommandLine_;

private:
    win::HWND ownerWindow_ = 0;
};
