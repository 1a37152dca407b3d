#pragma once
// TArchiveFile: the archiver component. One archive, one format driver (picked by ArchiverType, or detected
// from the archive's name or content); it keeps the switch set, can expand the names to pack on its own, and
// passes the library's progress on to OnProgress.

#include <functional>
#include <memory>
#include <string>

#include "ARCHIVES/ArcErrors.h"
#include "ARCHIVES/Archiver.h"
#include "ARCHIVES/ArchiverDll.h"
#include "ARCHIVES/ArchiverOptions.h"
#include "ARCHIVES/CmdOpt.h"
#include "platform/ArchiverApi.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/WinTypes.h"

using LPEXTRACTINGINFOEX = ArcExtractingInfo*;

class TArchiveFile;
// The library's progress (State, its record passed through unread); setting Abort cancels the operation.
using TArchiverProgressEvent =
    std::function<void(TArchiveFile* sender, int state, LPEXTRACTINGINFOEX lpEis, bool& abort)>;

class TArchiveFile {
public:
    // No format and no driver yet; FileName is SwitchUnset.
    TArchiveFile();
    ~TArchiveFile();
    TArchiveFile(const TArchiveFile&) = delete;
    TArchiveFile& operator=(const TArchiveFile&) = delete;

    // atLha and the other formats make a new driver (also for the current type) and load its library; atNone
    // changes nothing; atAutoDetect keeps the driver until content detection; atGCA and atBel are refused.
    TArchiverType ArchiverType() const { return archiverType_; }
    void SetArchiverType(TArchiverType value);
    // Setting it chooses the type by the name's extension first (an unknown one keeps type and driver).
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& value);
    TArchiverOptions& Options() { return *options_; }
    // The buffer the library writes its output text into; 0 hands the library none.
    int OutputSize() const { return static_cast<int>(outputText_.size()); }
    void SetOutputSize(int value);
    const std::string& OutputText() const { return outputText_; }
    TArchiverProgressEvent OnProgress;

    // Operations answer the library's code (0 success, 0x8020 cancelled, other its errors). options nullptr
    // means the component's own; names are relative to baseDir (the destination for Unpack).
    int Unpack(win::HWND parentWnd, const TArchiverOptions* options, const std::string& baseDir, TFileArgs files);
    int Pack(win::HWND parentWnd, const TArchiverOptions* options, const std::string& baseDir, TFileArgs files);
    int RemoveItem(win::HWND parentWnd, const TArchiverOptions* options, const std::string& baseDir, TFileArgs files);

    // Listing: FindOpen, FindFirst, FindNext until it answers non-zero, FindClose. FindOpen answers true when
    // the archive could not be opened. FindFirst/FindNext: 0 an entry, -1 no more, other the library's error.
    bool FindOpen(win::HWND parentWnd, int mode);
    int FindFirst(const std::string& wildName, TArchiveEntryInfo& info);
    int FindNext(TArchiveEntryInfo& info);
    void FindClose();

    // Raises OnProgress when assigned; also the progress callback of the component's own file walk.
    void DoProgress(int state, LPEXTRACTINGINFOEX lpEis, bool& abort);

private:
    void CheckDriver() const;
    void DetectByContent();
    const TArchiverOptions& Resolve(const TArchiverOptions* options) const { return options ? *options : *options_; }
    using TFilesOperation = int (TArchiver::*)(win::HWND, const std::string&, const TArchiverOptions&,
                                               const std::string&, TFileArgs, bool, std::string&);
    // One of the driver's operations on files, with progress; the response file as the options ask for use.
    int RunFilesOperation(TFilesOperation operation, TResFileUse use, win::HWND parentWnd,
                          const TArchiverOptions& options, const std::string& baseDir, TFileArgs files);
    bool PrepareProgress();  // false when no handler is assigned
    void EndProgress();
    void ProgressWndProc(win::TMessage& message);
    // Runs a library operation between PrepareProgress and EndProgress.
    int WithProgress(const std::function<int()>& operation);

    TArchiverType archiverType_ = atAutoDetect;
    std::unique_ptr<TArchiver> driver_;
    std::unique_ptr<TArchiverOptions> options_;
    std::string fileName_;
    std::string outputText_;
    win::HWND progressWindow_ = 0;
    HARC listHandle_ = 0;
};
