// The sending road: the trunk made on the first sending page is sealed and put into the chosen server folder
// as its container (trunk name + ".ace") beside its comment (trunk name + ".txt").
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include "client/Hourglass.h"
#include "client/MainForm.h"
#include "client/TrunkNames.h"
#include "client/Unit_Setting.h"
#include "common/Unit_FilesFunc.h"
#include "common/Users_Func.h"
#include "net/FtpCli.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/CodePage.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/UiServices.h"

namespace {

// The comment as the server keeps it: code page 932, lines ended by CR LF. False when it holds a character
// that code page cannot write.
bool SaveComment(const QPlainTextEdit& memo, const std::string& fileName) {
    TStringList lines;
    lines.SetText(memo.toPlainText().toStdString());
    std::optional<std::string> bytes = win::Utf8ToCp932(lines.Text());
    if (!bytes)
        return false;
    TMemoryStream stream;
    stream.WriteBuffer(bytes->data(), static_cast<int64_t>(bytes->size()));
    stream.SaveToFile(fileName);
    return true;
}

// Removes the road's local files however it ends.
class TLocalFiles {
public:
    TLocalFiles(std::string ace, std::string txt) : ace_(std::move(ace)), txt_(std::move(txt)) {}
    ~TLocalFiles() { Remove(); }
    void Remove() {
        for (const std::string* name : {&ace_, &txt_})
            if (FileExists(*name))
                ShellDeleteFile(0, *name, false);
    }
    TLocalFiles(const TLocalFiles&) = delete;
    TLocalFiles& operator=(const TLocalFiles&) = delete;

private:
    std::string ace_;
    std::string txt_;
};

}  // namespace

void TMainFormWin::btnUpNext1Click() {
    if (!TrunkNameAccepted())
        return;
    if (ListView1->topLevelItemCount() == 0) {
        ShowBox("トランクには何も格納されいません。", win::MB_ICONWARNING);
        return;
    }
    // Always the work archive: the archiver's current file may be another after a receive.
    int64_t size = GetFileSizeByName(workArchive_);
    if (size < AppSetData.MaxTruncSize) {
        btnNextClick();
        return;
    }
    std::string text =
        "トランクのサイズが大きすぎるため、作業を進めることができません。\r\n"
        "現在のトランク内のファイルを減らしてください。\r\n\r\n最大のトランクサイズ：" +
        SizeToKB(AppSetData.MaxTruncSize) + "\r\n" + "現在のトランクサイズ：" + SizeToKB(size);
    ShowBox(text, win::MB_ICONWARNING);
}

void TMainFormWin::btnUpStartClick() {
    if (RoadRunning())
        return;
    TRoadScope road(*this);
    std::optional<TTarvoAccount> folder = ChosenFolder(UpForderList);
    if (!folder || !TrunkNameAccepted())
        return;
    mmUpMess->clear();
    btnNextClick();
    THourglass hourglass;
    win::Application::ProcessMessages();
    SendRoad(*folder, edTrunkName->text().toStdString());
}

void TMainFormWin::SendRoad(const TTarvoAccount& folder, const std::string& trunk) {
    std::string password = BuiltInPassword;
    if (folder.AccountType == 0 && !AskPassword(password, "暗号化するパスワードを入力してください。")) {
        AddLog(mmUpMess, "\r\nキャンセルされました。");
        return;
    }
    AddLog(mmUpMess, "送信ファイルを準備しています。");
    const std::string aceName = ExtractFilePath(workArchive_) + trunk + ".ace";
    const std::string txtName = ExtractFilePath(workArchive_) + trunk + ".txt";
    TLocalFiles localFiles(aceName, txtName);
    if (!SaveComment(*mmComment, txtName)) {
        AddLog(mmUpMess, "Error!! コメントに使用できない文字が含まれています。");
        return;
    }
    AddLog(mmUpMess, "暗号化しています。");
    if (!EncryptTrunk(workArchive_, aceName, password)) {
        AddLog(mmUpMess, "Error!! 暗号化に失敗しました");
        return;
    }
    // The open session serves only when it is this folder's; the folder is listed afresh in any case.
    if (!SessionFor(folder, mmUpMess))
        return;
    if (!ListServer() && !ListingRefusedAsEmpty()) {
        AddLog(mmUpMess, "Error!! 送信先フォルダの一覧を取得できませんでした。");
        return;
    }
    // Only a container makes a trunk: a comment left alone by a failed delete is written over.
    int trunks = 0;
    bool taken = false;
    for (const TServerFileEntry& file : serverFiles_) {
        trunks += IsTrunkFileName(file.FileName) ? 1 : 0;
        taken = taken || file.FileName == trunk + ".ace";
    }
    if (folder.LimitTruncCount <= trunks) {
        AddLog(mmUpMess, "Error!! トランク数が最大数に達しているため送信することができません。");
        return;
    }
    if (taken) {
        AddLog(mmUpMess, "Error!! 同じ名前のトランクが送信先にあるため送信することができません。");
        return;
    }
    ShowTransfer(Animate1, tsUp3, GetFileSizeByName(aceName) + GetFileSizeByName(txtName));
    AddLog(mmUpMess, "\r\nファイルの転送中...");
    TStringList files;
    files.Add(aceName);
    files.Add(txtName);
    if (UploadFiles(files)) {
        AddLog(mmUpMess, "\r\nファイルの転送が完了しました。");
    } else {
        AddLog(mmUpMess, "\r\nError!! ファイルの転送に失敗しました");
        RemoveFailedUpload(folder, trunk);
    }
    HideTransfer(Animate1);
    localFiles.Remove();
    QuitServer();
}

bool TMainFormWin::UploadFiles(const TStringList& Files) {
    try {
        for (const std::string& name : Files) {
            if (!TransferFile(ExtractFileName(name), name, &TFtpClient::PutSync))
                return false;
        }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void TMainFormWin::RemoveFailedUpload(const TTarvoAccount& folder, const std::string& trunk) {
    // Also when the program is ending (the window was closed during the upload): a half trunk must not stay.
    const bool terminating = win::Application::Terminated();
    if (terminating)
        win::Application::ResetTerminated();
    struct TTerminateAgain {
        bool again;
        ~TTerminateAgain() {
            if (again)
                win::Application::Terminate();
        }
    } terminateAgain{terminating};
    // The container's name was free before the upload, and a comment without its container is no trunk's,
    // so what stands under either name now is this road's own or nobody's.
    if (!SessionFor(folder, nullptr))
        return;
    TStringList names;
    names.Add(trunk + ".ace");
    names.Add(trunk + ".txt");
    for (const std::string& name : names) {
        TStringList one;
        one.Add(name);
        DeleteServerFiles(one);
    }
}
