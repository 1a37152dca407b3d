// Building the trunk on the first sending page: each drop goes straight into the work archive, the file list
// mirrors the archive's contents, its popup menu removes entries, and the name field keeps to the trunk-name
// rule.
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include <filesystem>

#include "ARCHIVES/ARCHIVES.h"
#include "client/Hourglass.h"
#include "client/MainForm.h"
#include "client/TrunkNames.h"
#include "common/Unit_FilesFunc.h"
#include "common/Users_Func.h"
#include "platform/ArchiverApi.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/CodePage.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/UiServices.h"

namespace {

constexpr int EntryPathRole = Qt::UserRole;

// The part after the last "/" (Name) and up to it (Dir); whether it names a folder. False when the path names
// neither a file nor a folder.
bool SplitSourcePath(const std::string& Path, std::string& Dir, bool& IsFolder, std::string& Name) {
    SplitArchivePath(Path, Dir, Name);
    if (DirectoryExists(Path))
        IsFolder = true;
    else if (FileExists(Path))
        IsFolder = false;
    else
        return false;
    return true;
}

// The path with every link resolved (a link to the work directory is the work directory), without a trailing "/".
std::string RealPath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path real = std::filesystem::weakly_canonical(path, ec);
    return ExcludeTrailingPathDelimiter(ec ? ExpandFileName(path) : real.string());
}

// Whether a lies inside b or is b (both absolute, without a trailing "/").
bool IsWithin(const std::string& a, const std::string& b) {
    return a == b || a.rfind(b + "/", 0) == 0;
}

// The longest entry path the archive's listing can give back whole (a folder's with its final "/").
constexpr size_t MaxEntryPathBytes = sizeof(ArcEntryRecord::EntryPath) - 1;

// A name as the user can read it: escaped only where it is no text.
std::string ShownName(const std::string& path) {
    return IsUtf8(path) ? path : EscapedName(path);
}

// Why a folder the pack walks adds nothing to the trunk, or an empty text: only files are stored, so a
// folder is kept only through the files in it.
std::string FolderLeftOut(const std::filesystem::path& folder) {
    std::error_code ec;
    if (access(folder.c_str(), R_OK | X_OK) != 0)
        return "\r\n読み取れないフォルダは格納できません： ";
    if (std::filesystem::is_empty(folder, ec))
        return "\r\n空のフォルダは格納できません： ";
    return "";
}

// Why the pack leaves out an entry met inside a dropped folder, or an empty text: it follows a link to a file,
// but enters no linked folder and stores nothing that is neither file nor folder.
std::string EntryLeftOut(const std::filesystem::directory_entry& entry) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status target = entry.status(ec);
    const bool link = entry.is_symlink(ec);
    if (link && !fs::exists(target))
        return "\r\nリンク先のないリンクは格納できません： ";
    if (link && fs::is_directory(target))
        return "\r\nフォルダへのリンクは格納できません： ";
    if (fs::is_directory(target))
        return FolderLeftOut(entry.path());
    return fs::is_regular_file(target) ? "" : "\r\nファイルでもフォルダでもないものは格納できません： ";
}

// What keeps a dropped path, or part of it, out of the trunk, one warning line each.
struct TDropCheck {
    // Names the archive would not keep as they are: a name code page 932 would change or merge with another, a
    // wildcard the archiver would take as a mask, an entry path too long to be listed (and so removed) again.
    // Any of them keeps the whole drop out.
    std::string refused;
    // What the pack leaves out of a dropped folder; the rest of the folder still goes in.
    std::string leftOut;
};

// The entry paths start after `dir`. A dropped link to a folder is walked, as the pack walks it.
TDropCheck CheckDrop(const std::string& path, const std::string& dir) {
    namespace fs = std::filesystem;
    TDropCheck result;
    auto checkName = [&](const fs::path& p, bool isFolder) {
        const std::string full = p.string();
        const std::string name = p.filename().string();
        if (!win::RoundTripsCp932(name))
            result.refused += "\r\n使用できない文字を含む名前です： " + ShownName(full);
        else if (name.find_first_of("*?") != std::string::npos)
            result.refused += "\r\n「*」「?」を含む名前は格納できません： " + ShownName(full);
        else if (full.size() - dir.size() + (isFolder ? 1 : 0) > MaxEntryPathBytes)
            result.refused += "\r\n名前が長すぎます： " + ShownName(full);
    };
    // Each entry gets one line at most: what is left out needs no name check.
    auto check = [&](const fs::path& p, bool isFolder, const std::string& leftOut) {
        if (leftOut.empty())
            checkName(p, isFolder);
        else
            result.leftOut += leftOut + ShownName(p.string());
    };
    std::error_code ec;
    const bool isFolder = fs::is_directory(path, ec);
    check(fs::path(path), isFolder, isFolder ? FolderLeftOut(path) : "");
    if (!isFolder)
        return result;
    for (fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        std::error_code entryError;  // about this entry alone: the walk goes on
        check(it->path(), it->is_directory(entryError) && !it->is_symlink(entryError), EntryLeftOut(*it));
    }
    return result;
}

}  // namespace

void TMainFormWin::DropFiles(const std::vector<std::string>& paths) {
    if (RoadRunning())
        return;
    THourglass hourglass;
    std::string problems;
    const std::string workDir = RealPath(workDir_);
    for (std::string path : paths) {
        path = ExcludeTrailingPathDelimiter(path);
        std::string absolute = RealPath(path);
        std::string dir, name;
        bool isFolder = false;
        if (!SplitSourcePath(path, dir, isFolder, name))
            continue;
        if (name.empty() || absolute == "/" || IsWithin(workDir, absolute) || IsWithin(absolute, workDir)) {
            problems += "\r\n格納できない場所です： " + path;
        } else if (TDropCheck check = CheckDrop(path, dir); !check.refused.empty()) {
            problems += check.refused;
        } else {
            problems += check.leftOut;
            PackDropped(path, problems);
        }
    }
    RefreshTrunkContents();
    hourglass.Release();
    if (!problems.empty())
        ShowBox("次のファイルはトランクに格納されていません。\r\n" + problems, win::MB_ICONWARNING);
}

void TMainFormWin::PackDropped(const std::string& path, std::string& problems) {
    try {
        if (AddToTrunk(path, workArchive_, 0))
            return;
        problems += "\r\nファイルを格納できませんでした： " + path;
    } catch (const Exception& e) {
        // The archiver refused the name: the other drops go on.
        problems += "\r\nファイルを格納できませんでした： " + path + "\r\n    " + e.Message();
    }
}

bool TMainFormWin::AddToTrunk(const std::string& Path, const std::string& ArchiveName, int8_t N) {
    ArchiveFile1->SetFileName(ArchiveName);
    std::string dir, name;
    bool isFolder = false;
    if (!SplitSourcePath(Path, dir, isFolder, name))
        return false;
    TArchiverOptions& options = ArchiveFile1->Options();
    options.x = 1;
    options.a = 1;
    options.n = N;
    options.r = isFolder ? 2 : 0;
    options.jso = 0;
    ArchiveFile1->SetOutputSize(8192);
    return WithResponseFile([&] { return ArchiveFile1->Pack(0, nullptr, dir, {name}); }) == 0;
}

int TMainFormWin::WithResponseFile(const std::function<int()>& operation) {
    struct TRemoveResponseFile {
        const std::string& path;
        ~TRemoveResponseFile() {
            if (FileExists(path))
                ShellDeleteFile(0, path, false);
        }
    } remove{resFile_};
    return operation();
}

void TMainFormWin::ClearTrunk() {
    if (RoadRunning() || !FileExists(workArchive_))
        return;
    ArchiveFile1->SetFileName(workArchive_);
    TStringList names;
    if (ArchiveFile1->FindOpen(0, 0)) {
        // Not an archive the library can read: our own work file, so it goes.
        DeleteFile(workArchive_);
    } else {
        TArchiveEntryInfo info{};
        for (int found = ArchiveFile1->FindFirst("*.*", info); found == 0; found = ArchiveFile1->FindNext(info))
            names.Add(std::string(info.EntryPath));
        ArchiveFile1->FindClose();
    }
    for (const std::string& name : names) {
        if (!FileExists(workArchive_))
            break;
        WithResponseFile([&] { return ArchiveFile1->RemoveItem(0, nullptr, "", {name}); });
    }
    // Entries the library would not remove (it refuses to change a damaged archive): the trunk is to be empty,
    // and the file is our own.
    if (FileExists(workArchive_))
        DeleteFile(workArchive_);
    RefreshTrunkContents();
}

void TMainFormWin::ResetTrunk() {
    if (RoadRunning())
        return;
    ClearTrunk();
    edTrunkName->clear();
    mmComment->clear();
}

void TMainFormWin::RefreshTrunkContents() {
    ListView1->clear();
    if (!FileExists(workArchive_))
        return;
    ArchiveFile1->SetFileName(workArchive_);
    ArchiveFile1->FindOpen(0, 0);
    TArchiveEntryInfo info{};
    if (ArchiveFile1->FindFirst("*.*", info) != 0) {
        ArchiveFile1->FindClose();
        return;
    }
    do {
        std::string path(info.EntryPath), dir, name;
        SplitArchivePath(path, dir, name);
        auto* row = new QTreeWidgetItem(ListView1);
        row->setText(0, QString::fromStdString(name));
        row->setText(1, QString::fromStdString(
                            FormatDateTime("yyyy/mm/dd hh:nn", FileTimeToDateTime(win::FILETIME(info.CreateTime)))));
        row->setText(2, QString::fromStdString(SizeToKB(static_cast<int64_t>(info.OriginalSize64))));
        row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        row->setText(3, QString::fromStdString(dir));
        row->setData(0, EntryPathRole, QString::fromStdString(path));
    } while (ArchiveFile1->FindNext(info) == 0);
    ArchiveFile1->FindClose();
}

void TMainFormWin::ShowBadNameChars() {
    ShowBox(TrunkNameFaultMessage(TTrunkNameFault::BadChar), win::MB_ICONERROR);
}

bool TMainFormWin::TrunkNameAccepted() {
    TTrunkNameFault fault = CheckTrunkName(edTrunkName->text().toStdString());
    if (fault == TTrunkNameFault::None)
        return true;
    ShowBox(TrunkNameFaultMessage(fault), fault == TTrunkNameFault::Empty ? win::MB_ICONWARNING : win::MB_ICONERROR);
    edTrunkName->setFocus();
    return false;
}

void TMainFormWin::edTrunkNameExit() {
    // Leaving the field empty is no mistake yet: the next page asks for a name.
    if (edTrunkName->text().isEmpty())
        return;
    TrunkNameAccepted();
}

void TMainFormWin::PopMenu_ArciveListPopup() {
    Delete1->setEnabled(ListView1->currentItem() != nullptr && ListView1->currentItem()->isSelected());
    U1->setEnabled(ListView1->topLevelItemCount() > 0);
}

void TMainFormWin::Delete1Click() {
    QTreeWidgetItem* row = ListView1->currentItem();
    if (RoadRunning() || !row || !row->isSelected())
        return;
    ArchiveFile1->SetFileName(workArchive_);
    std::string entry = row->data(0, EntryPathRole).toString().toStdString();
    WithResponseFile([&] { return ArchiveFile1->RemoveItem(0, nullptr, "", {entry}); });
    RefreshTrunkContents();
}

void TMainFormWin::U1Click() {
    ClearTrunk();
}
