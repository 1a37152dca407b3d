// The main window's life (creation, first show, close, destruction), page navigation and the folder buttons.
#include "client/MainForm.h"

#include <sys/stat.h>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include "ARCHIVES/ARCHIVES.h"
#include "client/Animate.h"
#include "client/Hourglass.h"
#include "client/QuitForm.h"
#include "client/TrunkNames.h"
#include "client/Unit_Setting.h"
#include "common/Unit_FilesFunc.h"
#include "controls/PicBtnGroup.h"
#include "net/FtpCli.h"
#include "platform/qt/Forms.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/UiServices.h"

namespace {

// Focus taken by a popup or another window comes back to the field: only a move to another control of the
// window leaves it.
bool LeavesForAnotherControl(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

}  // namespace

TMainFormWin::TMainFormWin(QWidget* parent)
    : QWidget(parent),
      cipherFiles_(
          Cipher_cast1281, [](const std::string& text) { ShowBox(text, win::MB_ICONINFORMATION); },
          TOutputDurability::Transient) {
    CreateLayout();
    SetActivePage(pgTop);
    LoadSettings();
    GetTempDir(workDir_);
    workDir_ += "Tarvo/";
    // Inside the private temporary folder; kept private itself, since trunks are opened here.
    ForceDirectories(workDir_);
    chmod(workDir_.c_str(), 0700);
    workArchive_ = workDir_ + "arcived.lzh";
    resFile_ = workDir_ + "ArcResFile";
    // From the start, not only after the first pack: a name beginning with "@" cannot stand on the command
    // line, so removals go through the response file too.
    ArchiveFile1->Options().ResFileName = resFile_;
}

TMainFormWin::~TMainFormWin() {
    EmptyWorkDir();
}

void TMainFormWin::EmptyWorkDir() {
    DeleteFilesInDir(0, workDir_, false, "");
    ShellDeleteFile(0, workDir_ + "receive/", false);
}

void TMainFormWin::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (shown_)
        return;
    shown_ = true;
    // After the first paint: the account file is fetched with the window on screen, unless it closed meanwhile
    // (a signal can close it before its first turn).
    QTimer::singleShot(0, this, [this] {
        if (!closed_)
            Guarded([this] { FormShow(); });
    });
}

void TMainFormWin::FormShow() {
    shown_ = true;
    bool fetched = false;
    {
        // The fetch runs as a road: a close asked meanwhile waits for it to unwind.
        TRoadScope road(*this);
        fetched = FetchAccountFile();
    }
    if (!fetched || closed_) {
        close();
        return;
    }
    if (FileExists(workArchive_)) {
        ClearTrunk();
        RefreshTrunkContents();
    }
}

void TMainFormWin::closeEvent(QCloseEvent* e) {
    if (closed_) {
        e->accept();
        return;
    }
    if (RoadRunning()) {
        // The road's waits give up and it unwinds; the window closes when it has.
        closeRequested_ = true;
        win::Application::Terminate();
        e->ignore();
        return;
    }
    // Before FormClose, which pumps messages: nothing starts on a closing window any more.
    closed_ = true;
    FormClose();
    e->accept();
    if (MainForm() == this)
        win::Application::Terminate();
}

void TMainFormWin::FinishDeferredClose() {
    if (closeRequested_ && !RoadRunning())
        close();
}

void TMainFormWin::FormClose() {
    THourglass hourglass;
    auto* quit = new Tfom_Quit(this);
    quit->show();
    win::Application::ProcessMessages();
    QuitServer();
    EmptyWorkDir();
}

int TMainFormWin::ActivePageIndex() const {
    return PageControl1->currentIndex();
}

void TMainFormWin::SetActivePage(int page) {
    int old = PageControl1->currentIndex();
    if (old == page)
        return;
    PageControl1->setCurrentIndex(page);
    if (old == pgUp3 || old == pgDw3)
        tsUpDw3Hide();
    switch (page) {
        case pgUp2:
            tsUp2Show();
            break;
        case pgDw1:
            tsDw1Show();
            break;
        case pgDw2:
            tsDw2Show();
            break;
        default:
            break;
    }
}

void TMainFormWin::btnSelUpLoadClick() {
    SetActivePage(pgUp1);
    UpLoadMark->show();
}

void TMainFormWin::btnSelDownLoadClick() {
    SetActivePage(pgDw1);
    DwLoadMark->show();
}

void TMainFormWin::btnBackClick(TPicBtnGroup* Sender) {
    if (RoadRunning())
        return;
    if (Sender->Tag() == 1) {
        SetActivePage(pgTop);
        UpLoadMark->hide();
        DwLoadMark->hide();
        return;
    }
    SetActivePage(ActivePageIndex() - 1);
}

void TMainFormWin::btnNextClick() {
    SetActivePage(ActivePageIndex() + 1);
}

void TMainFormWin::PicBtn1Click() {
    if (RoadRunning())
        return;
    ResetTrunk();
    SetActivePage(pgTop);
    UpLoadMark->hide();
    DwLoadMark->hide();
}

void TMainFormWin::tsUp2Show() {
    BuildFolderButtons(UpForderList);
    QuitServer();
}

void TMainFormWin::tsDw1Show() {
    BuildFolderButtons(DwForderList);
    QuitServer();
}

void TMainFormWin::tsUpDw3Hide() {
    QuitServer();
    SetProgressPos(0);
}

void TMainFormWin::btnUpDelClick() {
    ClearTrunk();
}

void TMainFormWin::btnFolderListClick(TPicBtnGroup* Sender) {
    for (QWidget* w = Sender->parentWidget(); w; w = w->parentWidget())
        if (auto* box = dynamic_cast<TFolderBox*>(w)) {
            box->Tag = static_cast<int>(Sender->Tag());
            return;
        }
}

void TMainFormWin::btnEndClick() {
    close();
}

void TMainFormWin::timer_LZH_JUNBI_Timer() {
    timer_LZH_JUNBI_.SetEnabled(false);
}

void TMainFormWin::BuildFolderButtons(TFolderBox* box) {
    for (TPicBtnGroup* old : box->Buttons()->findChildren<TPicBtnGroup*>(Qt::FindDirectChildrenOnly))
        delete old;
    TAccountLoadReport report = LoadAccounts(accountFile_);
    const bool down = box == DwForderList;
    for (int i = 0; i < static_cast<int>(TarvoAccounts.size()); ++i) {
        auto* button = new TPicBtnGroup(box->Buttons());
        button->setObjectName(QString::fromStdString((down ? "btnDwFolder" : "btnUpFolder") + std::to_string(i)));
        button->setGeometry(8, 8 + 40 * i, folderImgList->Width(), folderImgList->Height());
        button->SetCaption(TarvoAccounts[i].Name);
        button->SetAlignment(PicBtnGroup::taLeftCenter);
        button->Padding().SetLeft(25);
        button->SetGroupBtn(true);
        button->SetImages(folderImgList);
        TListIndex index;
        index.SetCheck(1);
        button->SetListIndex(index);
        QFont font = button->font();
        font.setPointSize(11);
        font.setBold(true);
        button->setFont(font);
        button->SetFontColor(clWhite);
        button->SetBackColor(clWhite);
        button->SetTag(i);
        button->OnClick = Handler(&TMainFormWin::btnFolderListClick);
        button->SetCheckd(i == box->Tag);
        button->show();
    }
    box->Buttons()->resize(8 + folderImgList->Width() + 8, 8 + 40 * static_cast<int>(TarvoAccounts.size()));
    std::string refused;
    for (const std::string& name : report.InvalidFolders)
        refused += "\r\n" + name;
    for (const std::string& name : report.UnreadableFolders)
        refused += "\r\n" + name;
    if (!refused.empty())
        ShowBox("アカウントファイルの次のフォルダは設定が正しくないため表示できません。\r\n" + refused,
                win::MB_ICONWARNING);
}

std::optional<TTarvoAccount> TMainFormWin::ChosenFolder(const TFolderBox* box) {
    if (box->Tag >= 0 && box->Tag < static_cast<int>(TarvoAccounts.size()))
        return TarvoAccounts[box->Tag];
    ShowBox("フォルダを選択してください。", win::MB_ICONWARNING);
    return std::nullopt;
}

void TMainFormWin::ShowBox(const std::string& text, win::UINT icon) {
    win::MessageBoxA(0, text.c_str(), win::Application::Title().c_str(), win::MB_OK | icon);
}

int TMainFormWin::Ask(const std::string& text, win::UINT icon) {
    return win::MessageBoxA(0, text.c_str(), win::Application::Title().c_str(), win::MB_YESNO | icon);
}

void TMainFormWin::AddLog(QPlainTextEdit* memo, const std::string& text) {
    if (!memo)
        return;
    memo->appendPlainText(QString::fromStdString(text));
    win::Application::ProcessMessages();
}

bool TMainFormWin::EncryptTrunk(const std::string& InName, const std::string& OutName, const std::string& Password) {
    return cipherFiles_.EncryptTrunk(InName, OutName, Password);
}

bool TMainFormWin::DecryptTrunk(const std::string& InName, const std::string& OutName, const std::string& Password) {
    return cipherFiles_.DecryptTrunk(InName, OutName, Password);
}

bool TMainFormWin::eventFilter(QObject* watched, QEvent* e) {
    if (watched == ListView1->viewport()) {
        switch (e->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                auto* drag = static_cast<QDropEvent*>(e);
                if (drag->mimeData()->hasUrls())
                    drag->acceptProposedAction();
                return true;
            }
            case QEvent::Drop: {
                auto* drop = static_cast<QDropEvent*>(e);
                std::vector<std::string> paths;
                for (const QUrl& url : drop->mimeData()->urls())
                    if (url.isLocalFile())
                        paths.push_back(url.toLocalFile().toStdString());
                drop->acceptProposedAction();
                Guarded([this, &paths] { DropFiles(paths); });
                return true;
            }
            default:
                return false;
        }
    }
    if (watched == DwTruncList->viewport() && e->type() == QEvent::MouseButtonPress) {
        QTreeWidgetItem* item = DwTruncList->itemAt(static_cast<QMouseEvent*>(e)->position().toPoint());
        Guarded([this, item] { DwTruncListMouseDown(item); });
        return false;
    }
    if (watched == edTrunkName && e->type() == QEvent::FocusOut &&
        LeavesForAnotherControl(static_cast<QFocusEvent*>(e)->reason()))
        Guarded([this] { edTrunkNameExit(); });
    return false;
}
