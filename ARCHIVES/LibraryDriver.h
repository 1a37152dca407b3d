#pragma once
// What every driver over one library of its format shares: loading, listing, the archive check and the owner
// window all go to that library; the command lines are the driver's own. Library() returns the format's
// single, program-wide library object (made on first need, loaded on every call); ReleaseLibrary() frees it.

#include <memory>
#include <string>
#include <utility>

#include "ARCHIVES/Archiver.h"
#include "ARCHIVES/ArchiverDll.h"
#include "platform/rtl/SysUtils.h"

// The format's library object in library, made when there is none; loaded on every call, so a driver made
// while the library is missing fails as the first one did. Raises ENoArchiverDLL while it cannot be loaded.
TArchiverDll& EnsureLibrary(std::unique_ptr<TArchiverDll>& library, const char* displayName, const char* dllName,
                            const char* entryPrefix);

// The archive as the library gets it for reading: a full path. An empty name or one never given stays as it
// is, so that the library or the command line refuses it rather than the current folder.
std::string FullArchiveName(const std::string& arcFileName);

// The content check most formats share: the library opens the file (a full path, no owner window) and the
// handle is closed again at once, also when it is 0. With existingOnly a missing file is not offered to it.
// Any failure, a missing library included, answers false.
bool OpensAsArchive(TArchiverDll& (*library)(), const std::string& fileName, bool existingOnly);

// Makes the driver forget its owner window at the end of the scope, also when the library call in it failed:
// a window that is gone must never be reported to again.
class TForgetOwnerWindow {
public:
    TForgetOwnerWindow(TArchiver& driver, win::HWND wnd) : driver_(driver), wnd_(wnd) {}
    ~TForgetOwnerWindow() { driver_.TArchiver::KillOwnerWindow(wnd_); }
    TForgetOwnerWindow(const TForgetOwnerWindow&) = delete;
    TForgetOwnerWindow& operator=(const TForgetOwnerWindow&) = delete;

private:
    TArchiver& driver_;
    win::HWND wnd_;
};

// Constructs a library driver without loading its library: for a driver that another driver derives to drive
// a library of its own.
struct TLibraryNotLoaded {};

template <class Base, TArchiverDll& (*Library)(), void (*ReleaseLibrary)()>
class TLibraryDriver : public Base {
public:
    // Creating a driver loads its library (and fails when it is missing).
    template <typename... Args>
    explicit TLibraryDriver(Args&&... args) : Base(std::forward<Args>(args)...) {
        Library();
    }
    explicit TLibraryDriver(TLibraryNotLoaded) {}

    void LoadDLL() override { Library(); }
    void FreeDLL() override { ReleaseLibrary(); }

    HARC OpenArchive(win::HWND parentWnd, const std::string& arcFileName, int mode) override {
        return Library().OpenArchive(parentWnd, ExpandFileName(arcFileName).c_str(), mode);
    }
    int FindFirst(HARC handle, const std::string& wildName, TArchiveEntryInfo& info) override {
        return Library().FindFirst(handle, wildName.c_str(), info);
    }
    int FindNext(HARC handle, TArchiveEntryInfo& info) override { return Library().FindNext(handle, info); }
    int CloseArchive(HARC handle) override { return Library().CloseArchive(handle); }
    int CheckArchive(const std::string& arcFileName, int mode, int flags) override {
        return Library().CheckArchive(arcFileName.c_str(), mode + flags) ? 1 : 0;
    }

    bool SetOwnerWindow(win::HWND wnd, ARCHIVERPROC callback) override {
        TArchiver::SetOwnerWindow(wnd, callback);
        return Library().SetOwnerWindowEx(wnd, callback);
    }
    bool KillOwnerWindow(win::HWND wnd) override {
        TForgetOwnerWindow forget(*this, wnd);
        return Library().KillOwnerWindowEx(wnd);
    }

protected:
    // Records the line as LastCommandLine, then hands it to the library's command entry, which writes into the
    // caller's output buffer.
    int Run(win::HWND parentWnd, std::string cmdLine, std::string& output) {
        this->lastCommandLine_ = std::move(cmdLine);
        return Library().Command(parentWnd, this->lastCommandLine_.c_str(), output.data(),
                                 static_cast<win::DWORD>(output.size()));
    }
    // The same for the extract-to-memory entry; neither time nor attributes are asked for.
    int RunExtractMem(win::HWND parentWnd, std::string cmdLine, void* buffer, win::DWORD size,
                      win::DWORD* writtenSize) {
        this->lastCommandLine_ = std::move(cmdLine);
        return Library().ExtractMem(parentWnd, this->lastCommandLine_.c_str(), static_cast<uint8_t*>(buffer), size,
                                    nullptr, nullptr, writtenSize);
    }
};
