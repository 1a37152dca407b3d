#include "ARCHIVES/ARCHIVES.h"

#include "ARCHIVES/ArcFormats.h"
#include "ARCHIVES/FILTERS.h"
#include "platform/win/Messages.h"

namespace {

constexpr int CancelledByUser = 0x8020;

// "wm_arcextract", registered once for the process on first need.
win::UINT ArcExtractMessage = 0;

}  // namespace

TArchiveFile::TArchiveFile() : options_(std::make_unique<TArchiverOptions>()), fileName_(SwitchUnset) {}

TArchiveFile::~TArchiveFile() {
    if (listHandle_ != 0 && driver_) {
        try {
            driver_->CloseArchive(listHandle_);  // a listing left open would keep the archive open in the library
        } catch (const std::exception&) {
        }
    }
    if (progressWindow_ != 0)
        win::DeallocateHWnd(progressWindow_);
}

void TArchiveFile::SetArchiverType(TArchiverType value) {
    switch (value) {
        case atNone:
            return;
        case atAutoDetect:
            archiverType_ = value;
            return;
        default:
            driver_ = NewArchiverDriver(value);  // raises before anything changes
            archiverType_ = value;
    }
}

void TArchiveFile::SetFileName(const std::string& value) {
    SetArchiverType(DetectArchiverType(value, true));
    fileName_ = value;
}

void TArchiveFile::SetOutputSize(int value) {
    outputText_.resize(value > 0 ? static_cast<size_t>(value) : 0);
    if (value > 0)
        outputText_[0] = '\0';
}

void TArchiveFile::CheckDriver() const {
    if (!driver_)
        throw EArchiver("書庫の形式を判別できません。");
}

void TArchiveFile::DetectByContent() {
    if (archiverType_ == atAutoDetect)
        SetArchiverType(DetectArchiverType(fileName_, false));
}

int TArchiveFile::Unpack(win::HWND parentWnd, const TArchiverOptions* options, const std::string& baseDir,
                         TFileArgs files) {
    CheckDriver();
    return RunFilesOperation(&TArchiver::Unpack, ruOnUnpack, parentWnd, Resolve(options), baseDir, files);
}

int TArchiveFile::Pack(win::HWND parentWnd, const TArchiverOptions* options, const std::string& baseDir,
                       TFileArgs files) {
    DetectByContent();
    CheckDriver();
    const TArchiverOptions& o = Resolve(options);
    driver_->RequireDLL();
    if (o.PackFilter == pfArchiver)
        return RunFilesOperation(&TArchiver::Pack, ruOnPack, parentWnd, o, baseDir, files);

    TArchiverOptions copy(o);
    bool abort = false;
    auto progress = [this](int state, ArcExtractingInfo* info, bool& abortWalk) { DoProgress(state, info, abortWalk); };
    auto list = BuildFileList(copy, baseDir, files, abort, progress, {fileName_, copy.ResFileName});
    if (abort)
        return CancelledByUser;
    if (list && list->Count() > 0) {
        copy.jx.Clear();  // already applied by the walk
        return RunFilesOperation(&TArchiver::Pack, ruOnPack, parentWnd, copy, baseDir, {*list});
    }
    if (!outputText_.empty())
        outputText_[0] = '\0';
    return 0;
}

int TArchiveFile::RunFilesOperation(TFilesOperation operation, TResFileUse use, win::HWND parentWnd,
                                    const TArchiverOptions& options, const std::string& baseDir, TFileArgs files) {
    return WithProgress([&] {
        return (driver_.get()->*operation)(parentWnd, fileName_, options, baseDir, files,
                                           options.ResFileUsage.count(use) > 0, outputText_);
    });
}

int TArchiveFile::RemoveItem(win::HWND parentWnd, const TArchiverOptions* options, const std::string& baseDir,
                             TFileArgs files) {
    DetectByContent();
    CheckDriver();
    return RunFilesOperation(&TArchiver::RemoveItem, ruOnRemoveItem, parentWnd, Resolve(options), baseDir, files);
}

bool TArchiveFile::FindOpen(win::HWND parentWnd, int mode) {
    DetectByContent();
    CheckDriver();
    listHandle_ = driver_->OpenArchive(parentWnd, fileName_, mode);
    return listHandle_ == 0;
}

int TArchiveFile::FindFirst(const std::string& wildName, TArchiveEntryInfo& info) {
    CheckDriver();
    return driver_->FindFirst(listHandle_, wildName, info);
}

int TArchiveFile::FindNext(TArchiveEntryInfo& info) {
    CheckDriver();
    return driver_->FindNext(listHandle_, info);
}

void TArchiveFile::FindClose() {
    CheckDriver();
    driver_->CloseArchive(listHandle_);
    listHandle_ = 0;
}

void TArchiveFile::DoProgress(int state, LPEXTRACTINGINFOEX lpEis, bool& abort) {
    if (OnProgress)
        OnProgress(this, state, lpEis, abort);
}

int TArchiveFile::WithProgress(const std::function<int()>& operation) {
    // Ends the relay also when the operation raises.
    struct Relay {
        TArchiveFile& file;
        bool on;
        ~Relay() {
            if (on)
                file.EndProgress();
        }
    } relay{*this, PrepareProgress()};
    return operation();
}

bool TArchiveFile::PrepareProgress() {
    if (!OnProgress)
        return false;
    if (ArcExtractMessage == 0)
        ArcExtractMessage = win::RegisterWindowMessageA("wm_arcextract");
    if (progressWindow_ == 0)
        progressWindow_ = win::AllocateHWnd([this](win::TMessage& message) { ProgressWndProc(message); });
    try {
        driver_->SetOwnerWindow(progressWindow_, nullptr);
    } catch (const std::exception&) {
        // Progress is optional: the operation runs without it.
    }
    return true;
}

void TArchiveFile::EndProgress() {
    try {
        driver_->KillOwnerWindow(progressWindow_);
    } catch (const std::exception&) {
    }
}

void TArchiveFile::ProgressWndProc(win::TMessage& message) {
    if (message.Msg == ArcExtractMessage) {
        bool abort = false;
        DoProgress(static_cast<int>(message.WParam), reinterpret_cast<LPEXTRACTINGINFOEX>(message.LParam), abort);
        message.Result = abort ? 1 : 0;
        return;
    }
    message.Result = win::DefWindowProcA(progressWindow_, message.Msg, message.WParam, message.LParam);
}
