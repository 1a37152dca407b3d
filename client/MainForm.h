#pragma once
// The client's main window: seven wizard pages (top, three for sending, three for receiving) and the
// components the roads use: the FTP client, the archiver component and the cipher. One session with
// the FTP server at a time; every long operation runs on this thread and pumps messages while it waits.
//
// The methods are spread over files by what they serve: MainForm.cpp (the window's life and navigation),
// MainFormLayout.cpp, MainFormAccount.cpp (account file), MainFormFtp.cpp (FTP session), MainFormTrunk.cpp
// (building the trunk), MainFormServer.cpp (server listing and trunk list), MainFormSend.cpp and
// MainFormReceive.cpp (the two roads).

#include <QScrollArea>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cipher/Cast128.h"
#include "client/CipherFiles.h"
#include "client/ServerListing.h"
#include "client/Unit_TarvoAccount.h"
#include "platform/rtl/StringList.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/WinTypes.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TAnimate;
class TArchiveFile;
class TFtpClient;
class TImageList;
class TMemoryStream;
namespace PicBtnGroup {
class TPicBtnGroup;
}
using PicBtnGroup::TPicBtnGroup;

// A scroll box of folder buttons; Tag holds the account-table row of the button last chosen.
class TFolderBox;

class TMainFormWin : public QWidget {
    Q_OBJECT

public:
    // Pages in wizard order.
    enum TPage { pgTop, pgUp1, pgUp2, pgUp3, pgDw1, pgDw2, pgDw3, PageCount };

    // FormCreate: the layout, the settings, the work directory. The archiver library is loaded here; when it
    // cannot be, the exception leaves the constructor and there is no window.
    explicit TMainFormWin(QWidget* parent = nullptr);
    // FormDestroy: empties the work directory again.
    ~TMainFormWin() override;

    // The window's life and the wizard's pages.
    void FormShow();
    void FormClose();
    void BuildFolderButtons(TFolderBox* box);
    void SetActivePage(int page);
    int ActivePageIndex() const;

    // Navigation handlers.
    void btnSelUpLoadClick();
    void btnSelDownLoadClick();
    void btnBackClick(TPicBtnGroup* Sender);
    void btnNextClick();
    void PicBtn1Click();
    void tsUp2Show();
    void tsDw1Show();
    void tsUpDw3Hide();
    void btnUpDelClick();
    void btnFolderListClick(TPicBtnGroup* Sender);
    void btnEndClick();
    void timer_LZH_JUNBI_Timer();
    void Image1DblClick() {}

    // A message box under the program's title: one with OK, or a Yes/No question and its answer.
    static void ShowBox(const std::string& text, win::UINT icon);
    static int Ask(const std::string& text, win::UINT icon);

    // Account file.
    bool FetchAccountFile();

    // FTP session.
    using TFtpSyncOperation = bool (TFtpClient::*)();
    bool RunFtpSync(TFtpSyncOperation operation);
    // One file between hostName and localName, or the stream when one is given (TypeSync first, text for
    // ".txt"); the names and the stream are forgotten after.
    bool TransferFile(const std::string& hostName, const std::string& localName, TFtpSyncOperation operation,
                      TStream* stream = nullptr);
    // The road's animation and the transfer bar, on the road's message page, for a transfer of size bytes.
    void ShowTransfer(TAnimate* animate, QWidget* page, int64_t size);
    void HideTransfer(TAnimate* animate);
    void SetFtpAccount(const TTarvoAccount& row);
    bool LoginAccount(const TTarvoAccount& row, QPlainTextEdit* memo);
    bool QuitServer();
    void ResetListingStream();
    void FtpClient1Progress(int64_t Count, bool& Abort);
    void FtpClient1RequestDone(int RqType, uint16_t ErrCode);
    // The transfer bar in bytes: any 64-bit size, positions clamped into it.
    void SetProgressMax(int64_t max);
    void SetProgressPos(int64_t pos);

    // Encrypted-file container.
    bool EncryptTrunk(const std::string& InName, const std::string& OutName, const std::string& Password);
    bool DecryptTrunk(const std::string& InName, const std::string& OutName, const std::string& Password);

    // Building the trunk.
    void DropFiles(const std::vector<std::string>& paths);
    bool AddToTrunk(const std::string& Path, const std::string& ArchiveName, int8_t N);
    // AddToTrunk for one dropped path; why it was not packed goes to problems.
    void PackDropped(const std::string& path, std::string& problems);
    void ClearTrunk();
    void ResetTrunk();
    void RefreshTrunkContents();
    void ShowBadNameChars();
    void edTrunkNameExit();
    void PopMenu_ArciveListPopup();
    void Delete1Click();
    void U1Click();

    // Server listing and trunk list.
    bool ListServer();
    void ParseServerListing();
    bool DownloadFiles(TStringList& Names, std::string Dir);
    bool DeleteServerFiles(const TStringList& Names);
    // Fills the trunk list; what the user should be told about it, or empty.
    std::string BuildServerTrunkList();
    std::string CheckedTrunkName() const;
    int64_t CheckedTrunkSize() const;
    void tsDw2Show();
    void DwTruncListMouseDown(QTreeWidgetItem* item);
    void PopMenu_GetTruncPopup();
    void D1Click();

    // Sending road.
    void btnUpNext1Click();
    void btnUpStartClick();
    bool UploadFiles(const TStringList& Files);

    // Receiving road.
    void btnReferenceClick();
    void btnDwStartClick();
    bool ExtractTrunk(const std::string& TargetDir, const std::string& ArchiveName);

    // State the roads and tests read.
    const std::string& WorkDir() const { return workDir_; }
    const std::string& WorkArchive() const { return workArchive_; }
    const std::string& ResFile() const { return resFile_; }
    const TServerFiles& ServerFiles() const { return serverFiles_; }
    bool RoadRunning() const { return roadDepth_ > 0; }

    // Header.
    QWidget* Panel1;
    QLabel* Image1;
    QLabel* UpLoadMark;
    QLabel* DwLoadMark;
    QStackedWidget* PageControl1;
    QWidget* tsTop;
    QWidget* tsUp1;
    QWidget* tsUp2;
    QWidget* tsUp3;
    QWidget* tsDw1;
    QWidget* tsDw2;
    QWidget* tsDw3;
    // Top page.
    TPicBtnGroup* btnSelUpLoad;
    TPicBtnGroup* btnSelDownLoad;
    // Sending pages.
    QLineEdit* edTrunkName;
    QPlainTextEdit* mmComment;
    QTreeWidget* ListView1;
    TPicBtnGroup* btnUpDel;
    TPicBtnGroup* btnUpBack1;
    TPicBtnGroup* btnUpNext1;
    TPicBtnGroup* PicBtnGroup5;
    TFolderBox* UpForderList;
    TPicBtnGroup* btnUpBack2;
    TPicBtnGroup* btnUpStart;
    TPicBtnGroup* PicBtnGroup7;
    QPlainTextEdit* mmUpMess;
    TAnimate* Animate1;
    TPicBtnGroup* btnUpBack3;
    TPicBtnGroup* btnUpEnd;
    TPicBtnGroup* PicBtnGroup1;
    // Receiving pages.
    TFolderBox* DwForderList;
    TPicBtnGroup* btnDwBack1;
    TPicBtnGroup* btnDwNext1;
    TPicBtnGroup* PicBtnGroup2;
    QTreeWidget* DwTruncList;
    QLineEdit* edDirPath;
    TPicBtnGroup* btnReference;
    TPicBtnGroup* btnDwBack2;
    TPicBtnGroup* btnDwStart;
    TPicBtnGroup* PicBtnGroup3;
    QPlainTextEdit* mmDwMess;
    TAnimate* Animate2;
    QProgressBar* ctrl_FTPProgressBar;
    TPicBtnGroup* btnDwBack3;
    TPicBtnGroup* PicBtnGroup6;
    TPicBtnGroup* PicBtnGroup4;
    // Menus.
    QMenu* PopMenu_ArciveList;
    QAction* Delete1;
    QAction* U1;
    QMenu* PopMenu_GetTrunc;
    QAction* D1;
    // Pictures of the buttons.
    TImageList* SelUpImgList;
    TImageList* SelDownImgList;
    TImageList* naviImgList;
    TImageList* subBtnList;
    TImageList* folderImgList;
    TImageList* GoMenuImgList;
    // Components.
    TTimer Timer_TruncListReMake;
    TTimer timer_LZH_JUNBI_;
    std::unique_ptr<TFtpClient> FtpClient1;
    std::unique_ptr<TArchiveFile> ArchiveFile1;
    TCiph_cast128 Cipher_cast1281;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // Marks a road (or a listing) as running for its lifetime; when the window was asked to close meanwhile,
    // it closes once the outermost road has unwound.
    class TRoadScope {
    public:
        explicit TRoadScope(TMainFormWin& form) : form_(form) { ++form_.roadDepth_; }
        ~TRoadScope() {
            --form_.roadDepth_;
            form_.FinishDeferredClose();
        }
        TRoadScope(const TRoadScope&) = delete;
        TRoadScope& operator=(const TRoadScope&) = delete;

    private:
        TMainFormWin& form_;
    };

    // Runs a handler as the class library's loop would: an exception is reported, never left to Qt's loop.
    template <typename F>
    static void Guarded(F&& handler) {
        try {
            handler();
        } catch (...) {
            win::Application::HandleException(std::current_exception());
        }
    }
    std::function<void(TPicBtnGroup*)> Handler(void (TMainFormWin::*method)());
    std::function<void(TPicBtnGroup*)> Handler(void (TMainFormWin::*method)(TPicBtnGroup*));

    void ReportFetchFailure(const char* Text);

    void CreateLayout();
    void CreateHeader();
    void CreateTopPage();
    void CreateSendPages();
    void CreateReceivePages();
    void CreateMenus();
    void CreateComponents();
    // The buttons of a page's bottom row: back, on the left, always goes one page back.
    TPicBtnGroup* BackButton(QWidget* page, const char* name);
    TPicBtnGroup* ForwardButton(QWidget* page, const char* name, int firstImage,
                                std::function<void(TPicBtnGroup*)> onClick);
    TPicBtnGroup* MenuButton(QWidget* page, const char* name);

    // A row of the account table the roads may use; nullopt (and a warning) when the index is outside it.
    std::optional<TTarvoAccount> ChosenFolder(const TFolderBox* box);
    // A line in a page's log; the window repaints at once.
    void AddLog(QPlainTextEdit* memo, const std::string& text);
    // The trunk-name rule; a broken one is shown and the focus goes back to the name field.
    bool TrunkNameAccepted();
    void FinishDeferredClose();
    void EmptyWorkDir();
    // Runs an archiver operation; the response file is removed afterwards, however the operation ends.
    int WithResponseFile(const std::function<int()>& operation);
    void ReceiveRoad(const TTarvoAccount& folder, const std::string& trunk, const std::string& trunkDir);
    // Download, open, unpack, comment and clean-up; False when the road stopped (the log says why).
    bool ReceiveTrunk(const TTarvoAccount& folder, const std::string& trunk, const std::string& trunkDir,
                      const std::string& password, const std::string& receiveDir);
    // The trunk's comment, when the server has one, copied into the trunk folder as "コメント_" + trunk +
    // ".txt" in UTF-8 with LF line ends (as it came when it is no code page 932); False when the server has it
    // but it could not be fetched or written.
    bool CopyComment(const std::string& trunk, const std::string& trunkDir);
    void SendRoad(const TTarvoAccount& folder, const std::string& trunk);
    // The FTP session is open and logged in with the row's server and account.
    bool SessionBelongsTo(const TTarvoAccount& row) const;
    // The open session when it is the row's, otherwise a fresh login (whose messages go to memo when given).
    bool SessionFor(const TTarvoAccount& row, QPlainTextEdit* memo);
    // The last LIST was refused with 450 or 550: a folder with nothing in it, to most servers.
    bool ListingRefusedAsEmpty() const;
    void ShowTrunkList();
    void FillTrunkComments();
    // A folder of the work directory for the files of one receive, apart from the work archive and the files
    // of a send; made empty.
    std::string ReceiveDir();
    // After a failed upload: the trunk's two server files go again (best effort), so no half trunk stays.
    void RemoveFailedUpload(const TTarvoAccount& folder, const std::string& trunk);

    std::string workDir_;
    std::string workArchive_;
    std::string resFile_;
    std::string accountFile_;
    TCipherFiles cipherFiles_;
    TServerFiles serverFiles_;
    std::vector<std::string> unreadableServerNames_;  // of the last listing, escaped
    std::unique_ptr<TMemoryStream> listingStream_;
    win::DWORD nextProgressUpdate_ = 0;
    bool progressTimed_ = false;  // the bar has moved since the last blocking call began
    int ftpCallDepth_ = 0;        // blocking FTP calls running (one, or more while one pumps messages)
    int64_t lastProgressCount_ = 0;
    int64_t progressMax_ = 100;
    int progressShift_ = 0;                 // byte counts are shifted right by this to fit the bar's range
    std::optional<TTarvoAccount> session_;  // the account the open FTP session logged in with
    int roadDepth_ = 0;
    bool closeRequested_ = false;
    bool closed_ = false;
    bool shown_ = false;
};

class TFolderBox : public QScrollArea {
public:
    explicit TFolderBox(QWidget* parent);
    // The folder buttons' parent inside the scroll area.
    QWidget* Buttons() const { return buttons_; }
    int Tag = 0;

private:
    QWidget* buttons_;
};
