// What a server folder holds: one LIST parsed into the server file table, the trunk list of the receiving
// page with dates, sizes and comments, and the server-side transfers the roads share (download, delete).
#include <QApplication>
#include <QTreeWidget>

#include "client/Hourglass.h"
#include "client/MainForm.h"
#include "client/TrunkNames.h"
#include "common/Unit_FilesFunc.h"
#include "common/Users_Func.h"
#include "net/FtpCli.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/CodePage.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/UiServices.h"

namespace {

constexpr int SizeRole = Qt::UserRole;
// The one trunk-list problem that is an error; the others are warnings.
const std::string ListingFailed = "トランクリストを取得できませんでした。";

// A comment file's text for its cell: code page 932 read as text, the lines joined by blanks.
std::string CommentText(const std::string& fileName) {
    TMemoryStream stream;
    stream.LoadFromFile(fileName);
    std::string bytes(reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
    std::optional<std::string> text = win::Cp932ToUtf8(bytes);
    TStringList lines;
    lines.SetText(text ? *text : EscapedName(bytes));
    std::string joined;
    for (const std::string& line : lines)
        joined += (joined.empty() ? "" : " ") + line;
    return joined;
}

}  // namespace

bool TMainFormWin::ListServer() {
    ResetListingStream();
    // Only a listing that ends well fills the table again: a failed one leaves no stale folder behind.
    serverFiles_.clear();
    unreadableServerNames_.clear();
    FtpClient1->SetLocalFileName("");
    FtpClient1->HostFileName.clear();
    FtpClient1->AssignLocalStream(listingStream_.get());
    bool listed = false;
    try {
        listed = RunFtpSync(&TFtpClient::ListSync);
    } catch (...) {
        FtpClient1->AssignLocalStream(nullptr);
        throw;
    }
    FtpClient1->AssignLocalStream(nullptr);
    return listed;
}

bool TMainFormWin::ListingRefusedAsEmpty() const {
    int code = FtpClient1->ReplyCode();
    return code == 450 || code == 550;
}

void TMainFormWin::ParseServerListing() {
    win::Application::ProcessMessages();
    std::string_view bytes(reinterpret_cast<const char*>(listingStream_->Memory()),
                           static_cast<size_t>(listingStream_->Size()));
    TServerListing listing = ::ParseServerListing(bytes, Now());
    serverFiles_ = std::move(listing.Files);
    unreadableServerNames_ = std::move(listing.Unreadable);
}

bool TMainFormWin::DownloadFiles(TStringList& Names, std::string Dir) {
    AddTrailingBackslash(Dir);
    TStringList local;
    for (const std::string& name : Names)
        local.Add(Dir + name);
    try {
        for (int i = 0; i < Names.Count(); ++i) {
            if (!TransferFile(Names[i], local[i], &TFtpClient::GetSync))
                return false;
        }
    } catch (const std::exception&) {
        return false;
    }
    Names.Clear();
    for (const std::string& name : local)
        Names.Add(name);
    return true;
}

bool TMainFormWin::DeleteServerFiles(const TStringList& Names) {
    for (const std::string& name : Names) {
        FtpClient1->HostFileName = name;
        FtpClient1->SetLocalFileName("");
        bool deleted = RunFtpSync(&TFtpClient::DeleSync);
        FtpClient1->HostFileName.clear();
        if (!deleted)
            return false;
    }
    return true;
}

std::string TMainFormWin::BuildServerTrunkList() {
    DwTruncList->clear();
    std::string problem;
    if (!ListServer() && !ListingRefusedAsEmpty())
        problem = ListingFailed;
    for (const TServerFileEntry& file : serverFiles_) {
        if (!IsTrunkFileName(file.FileName))
            continue;
        std::string trunk = file.FileName.substr(0, file.FileName.size() - 4);
        // Anything that is no trunk name would become an odd local path: it is not offered.
        if (CheckTrunkName(trunk) != TTrunkNameFault::None)
            continue;
        auto* row = new QTreeWidgetItem(DwTruncList);
        row->setFlags(row->flags() & ~Qt::ItemIsUserCheckable);
        row->setCheckState(0, Qt::Unchecked);
        row->setText(0, QString::fromStdString(trunk));
        row->setText(1, QString::fromStdString(FormatDateTime("yyyy/mm/dd hh:nn", file.Date)));
        row->setText(2, QString::fromStdString(SizeToKB(file.Size)));
        row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        row->setData(0, SizeRole, QVariant::fromValue<qlonglong>(file.Size));
    }
    FillTrunkComments();
    if (unreadableServerNames_.empty())
        return problem;
    std::string names;
    for (const std::string& name : unreadableServerNames_)
        names += "\r\n" + name;
    return "次のファイルは名前を読み取れないため表示していません。\r\n" + names;
}

void TMainFormWin::FillTrunkComments() {
    // Each comment on its own: a trunk without one leaves only its own cell empty.
    const std::string dir = ReceiveDir();
    for (int i = 0; i < DwTruncList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = DwTruncList->topLevelItem(i);
        TStringList names;
        names.Add(row->text(0).toStdString() + ".txt");
        if (!DownloadFiles(names, dir))
            continue;
        try {
            QString comment = QString::fromStdString(CommentText(names[0]));
            row->setText(3, comment);
            row->setToolTip(3, comment);
        } catch (const EStreamError&) {
        }
        DeleteFile(names[0]);
    }
    win::Application::ProcessMessages();
}

std::string TMainFormWin::CheckedTrunkName() const {
    for (int i = 0; i < DwTruncList->topLevelItemCount(); ++i)
        if (DwTruncList->topLevelItem(i)->checkState(0) == Qt::Checked)
            return DwTruncList->topLevelItem(i)->text(0).toStdString();
    return "";
}

int64_t TMainFormWin::CheckedTrunkSize() const {
    for (int i = 0; i < DwTruncList->topLevelItemCount(); ++i)
        if (DwTruncList->topLevelItem(i)->checkState(0) == Qt::Checked)
            return DwTruncList->topLevelItem(i)->data(0, SizeRole).toLongLong();
    return 0;
}

void TMainFormWin::tsDw2Show() {
    if (RoadRunning())
        return;
    TRoadScope road(*this);
    ShowTrunkList();
}

void TMainFormWin::ShowTrunkList() {
    DwTruncList->clear();
    // Without folders there is nothing to list (and nothing to warn about yet).
    std::optional<TTarvoAccount> folder = TarvoAccounts.empty() ? std::nullopt : ChosenFolder(DwForderList);
    if (!folder)
        return;
    THourglass hourglass;
    ShowWait("ただいま、トランクリストを取得中です．．．");
    std::string problem = "サーバーへのログインを失敗しました。";
    win::UINT icon = win::MB_ICONERROR;
    if (SessionFor(*folder, nullptr)) {
        problem = BuildServerTrunkList();
        icon = problem == ListingFailed ? win::MB_ICONERROR : win::MB_ICONWARNING;
    }
    HideWait();
    hourglass.Release();
    if (!problem.empty())
        ShowBox(problem, icon);
}

void TMainFormWin::DwTruncListMouseDown(QTreeWidgetItem* item) {
    if (!item)
        return;
    for (int i = 0; i < DwTruncList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = DwTruncList->topLevelItem(i);
        row->setCheckState(0, row == item ? Qt::Checked : Qt::Unchecked);
    }
    win::Application::ProcessMessages();
}

void TMainFormWin::PopMenu_GetTruncPopup() {
    D1->setEnabled(!CheckedTrunkName().empty());
}

void TMainFormWin::D1Click() {
    if (RoadRunning())
        return;
    TRoadScope road(*this);
    std::string name = CheckedTrunkName();
    if (name.empty())
        return;
    if (Ask("トランク名: " + name + "\r\n\r\n" + "を削除してもよろしいですか？", win::MB_ICONINFORMATION) != win::IDYES)
        return;
    std::optional<TTarvoAccount> folder = ChosenFolder(DwForderList);
    if (!folder)
        return;
    if (!SessionFor(*folder, nullptr)) {
        ShowBox("サーバーへのログインを失敗しました。", win::MB_ICONERROR);
        return;
    }
    {
        THourglass hourglass;
        ShowWait("削除処理をしています．．．");
        TStringList names;
        names.Add(name + ".ace");
        names.Add(name + ".txt");
        DeleteServerFiles(names);
        win::Application::ProcessMessages();
    }
    ShowTrunkList();
    HideWait();
}
