// The receiving road: the trunk ticked in the trunk list comes down into a folder named after it inside the
// extraction place, is opened and unpacked there, optionally with its comment, and optionally leaves the server.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <functional>

#include "ARCHIVES/ARCHIVES.h"
#include "client/Hourglass.h"
#include "client/MainForm.h"
#include "client/TrunkNames.h"
#include "client/Unit_Setting.h"
#include "common/Unit_FilesFunc.h"
#include "common/Users_Func.h"
#include "net/FtpCli.h"
#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/CodePage.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/UiServices.h"

namespace {

// The extraction place P (ending with "/") and in it the trunk's folder D, made when missing after the user
// agreed. False when the user declined or a folder could not be made (the user was told).
bool PrepareTrunkFolder(const std::string& typed, const std::string& trunk, std::string& trunkDir) {
    std::string place = Trim(typed);
    if (place.empty()) {
        TMainFormWin::ShowBox("展開場所を指定してください。", win::MB_ICONWARNING);
        return false;
    }
    AddTrailingBackslash(place);
    if (!DirectoryExists(place)) {
        if (TMainFormWin::Ask("指定された展開場所がありません。作成しますか？\r\n" + place, win::MB_ICONINFORMATION) !=
            win::IDYES)
            return false;
        if (!ForceDirectories(place)) {
            TMainFormWin::ShowBox("展開場所を作成することができませんでした。", win::MB_ICONERROR);
            return false;
        }
    }
    trunkDir = place + trunk + "/";
    if (DirectoryExists(trunkDir))
        return TMainFormWin::Ask(
                   "既にトランクのフォルダがあります。\r\n上書きされますがよろしいですか？\r\n\r\n" + trunkDir,
                   win::MB_ICONWARNING) == win::IDYES;
    if (!ForceDirectories(trunkDir)) {
        TMainFormWin::ShowBox("展開場所を作成することができませんでした。", win::MB_ICONERROR);
        return false;
    }
    return true;
}

// Every CR LF, and every CR alone, becomes an LF.
std::string WithLfLineEnds(std::string_view text) {
    std::string lines;
    lines.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r')
            lines += text[i];
        else if (i + 1 == text.size() || text[i + 1] != '\n')
            lines += '\n';
    }
    return lines;
}

// The comment as its reader here opens text: UTF-8 with LF line ends. Bytes that are no code page 932 are kept
// as they came, since any reading of them would lose some.
std::string CommentCopy(std::string_view fetched) {
    std::optional<std::string> text = win::Cp932ToUtf8(fetched);
    return text ? WithLfLineEnds(*text) : std::string(fetched);
}

// A step of the road that may raise: the raise is that step's failure, its reason kept for the log.
bool Attempt(const std::function<bool()>& step, std::string& reason) {
    try {
        return step();
    } catch (const std::exception& e) {
        reason = e.what();
        return false;
    }
}

}  // namespace

void TMainFormWin::btnReferenceClick() {
    std::string folder;
    if (SelectFolder("展開先を指定してください。", edDirPath->text().toStdString(), folder))
        edDirPath->setText(QString::fromStdString(folder));
}

void TMainFormWin::btnDwStartClick() {
    if (RoadRunning())
        return;
    TRoadScope road(*this);
    std::optional<TTarvoAccount> folder = ChosenFolder(DwForderList);
    if (!folder)
        return;
    std::string trunk = CheckedTrunkName();
    if (trunk.empty()) {
        ShowBox("トランクを指定してください。", win::MB_ICONWARNING);
        return;
    }
    std::string trunkDir;
    if (!PrepareTrunkFolder(edDirPath->text().toStdString(), trunk, trunkDir))
        return;
    if (!SessionFor(*folder, nullptr)) {
        ShowBox("サーバーへのログインを失敗しました。", win::MB_ICONERROR);
        return;
    }
    THourglass hourglass;
    mmDwMess->clear();
    btnNextClick();
    win::Application::ProcessMessages();
    ReceiveRoad(*folder, trunk, trunkDir);
}

std::string TMainFormWin::ReceiveDir() {
    std::string dir = workDir_ + "receive/";
    ShellDeleteFile(0, dir, false);
    ForceDirectories(dir);
    return dir;
}

void TMainFormWin::ReceiveRoad(const TTarvoAccount& folder, const std::string& trunk, const std::string& trunkDir) {
    std::string password = BuiltInPassword;
    if (folder.AccountType == 0 && !AskPassword(password, "複合化するパスワードを入力してください。")) {
        AddLog(mmDwMess, "\r\nキャンセルされました。");
        return;
    }
    ShowTransfer(Animate2, tsDw3, CheckedTrunkSize());
    // However the road ends: nothing opened is left in the work directory, and the transfer display goes.
    struct TReceiveCleanup {
        TMainFormWin& form;
        const std::string dir;
        ~TReceiveCleanup() {
            ShellDeleteFile(0, dir, false);
            form.HideTransfer(form.Animate2);
        }
    } cleanup{*this, ReceiveDir()};
    if (!ReceiveTrunk(folder, trunk, trunkDir, password, cleanup.dir))
        return;
    AddLog(mmDwMess, "\r\n完了しました。");
    OpenFolderInExplorer(trunkDir);
}

bool TMainFormWin::ReceiveTrunk(const TTarvoAccount& folder, const std::string& trunk, const std::string& trunkDir,
                                const std::string& password, const std::string& receiveDir) {
    auto fail = [this](const std::string& line, const std::string& reason) {
        AddLog(mmDwMess, line + (reason.empty() ? "" : "\r\n    " + reason));
        return false;
    };
    AddLog(mmDwMess, "\r\nファイルの受信中...");
    TStringList names;
    names.Add(trunk + ".ace");
    if (!DownloadFiles(names, receiveDir))
        return fail("\r\nError!!ファイルの受信を失敗しました。", "");
    AddLog(mmDwMess, "    複合化しています。");
    const std::string archive = receiveDir + trunk + ".lzh";
    std::string reason;
    bool opened = Attempt([&] { return DecryptTrunk(names[0], archive, password); }, reason);
    ShellDeleteFile(0, names[0], false);
    if (!opened)
        return fail("\r\nError!! 複合化を失敗しました。", reason);
    bool extracted = Attempt([&] { return ExtractTrunk(trunkDir, archive); }, reason);
    ShellDeleteFile(0, archive, false);
    // In every failure from here on the server keeps the only copy, whatever the settings say.
    if (!extracted)
        return fail("\r\nError!! 展開に失敗しました。", reason);
    if (AppSetData.DwCommentFlag && !CopyComment(trunk, trunkDir))
        return fail("\r\nError!! コメントを保存できませんでした。", "");
    if (AppSetData.DwDelFlag && folder.AccountType != 2) {
        AddLog(mmDwMess, "    サーバーを整理しています。");
        TStringList server;
        server.Add(trunk + ".ace");
        server.Add(trunk + ".txt");
        DeleteServerFiles(server);
        win::Application::ProcessMessages();
    }
    return true;
}

bool TMainFormWin::CopyComment(const std::string& trunk, const std::string& trunkDir) {
    TMemoryStream text;
    bool fetched = TransferFile(trunk + ".txt", "", &TFtpClient::GetSync, &text);
    win::Application::ProcessMessages();
    if (!fetched) {
        // The server's "no such file": a trunk without a comment.
        const int code = FtpClient1->ReplyCode();
        return FtpClient1->IsConnected() && (code == 450 || code == 550);
    }
    const std::string copy =
        CommentCopy({reinterpret_cast<const char*>(text.Memory()), static_cast<size_t>(text.Size())});
    try {
        AtomicFile file(trunkDir + "コメント_" + trunk + ".txt");
        file.WriteBuffer(copy.data(), static_cast<int64_t>(copy.size()));
        file.Commit();
    } catch (const Exception&) {
        return false;
    }
    return true;
}

bool TMainFormWin::ExtractTrunk(const std::string& TargetDir, const std::string& ArchiveName) {
    ArchiveFile1->SetFileName(ArchiveName);
    TArchiverOptions& options = ArchiveFile1->Options();
    options.x = 1;
    options.jso = 1;
    options.jse = 1;
    options.jyc = 1;
    options.n = 0;
    ArchiveFile1->SetOutputSize(8192);
    return WithResponseFile([&] { return ArchiveFile1->Unpack(0, nullptr, TargetDir, {""}); }) == 0;
}
