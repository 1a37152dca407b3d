// The two roads end to end: a trunk sent from one machine root and received on another, against real FTP
// servers on loopback.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

#include "client/Animate.h"
#include "client/MainForm.h"
#include "client/TrunkNames.h"
#include "client/Unit_Setting.h"
#include "controls/PicBtnGroup.h"
#include "net/FtpCli.h"
#include "platform/win/CodePage.h"
#include "tests/client/ClientFixture.h"
#include "tools/harness/RunProgram.h"

namespace {

using namespace tarvo::test;
namespace fs = std::filesystem;

// The folder of a receive's own files is gone, or holds nothing, once the road is over.
bool NothingLeftIn(const std::string& dir) {
    return !fs::exists(dir) || fs::is_empty(dir);
}

// A comment file's bytes as another reader takes them for text here: Python's cp932 codec, then every CR LF and
// every lone CR an LF, in UTF-8.
std::string TextByPython(const std::string& cp932) {
    const std::string in = CurrentSandbox().work + "python-in.txt";
    const std::string out = CurrentSandbox().work + "python-out.txt";
    WriteFile(in, cp932);
    const char* script =
        "import sys\n"
        "text = open(sys.argv[1], 'rb').read().decode('cp932')\n"
        "sys.stdout.buffer.write(text.replace('\\r\\n', '\\n').replace('\\r', '\\n').encode('utf-8'))\n";
    std::optional<int> status = RunProgram({"/usr/bin/python3", "-c", script, in}, CurrentSandbox().work, out);
    EXPECT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << ReadFile(out);
    return ReadFile(out);
}

// Every file under dir, by its path relative to dir, with its bytes.
std::map<std::string, std::string> Tree(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            files[fs::relative(e.path(), dir).string()] = ReadFile(e.path().string());
    return files;
}

class RoadTest : public ClientTest {
protected:
    // The sender's files: one file and one folder.
    void MakeSources(const std::string& fileName = "report.txt", const std::string& folderName = "photos") {
        src_ = sandbox().work + "src/";
        WriteFile(src_ + fileName, "quarterly figures\r\n");
        WriteFile(src_ + folderName + "/a.bin", RandomBytes(70000, 1));
        WriteFile(src_ + folderName + "/deep/b.bin", RandomBytes(3, 2));
        sources_ = {src_ + fileName, src_ + folderName};
    }
    void Send(TMainFormWin& form, const std::string& trunk, const std::string& comment, int row = 0) {
        SendTrunk(form, trunk, comment, sources_, row);
    }
    std::string src_;
    std::vector<std::string> sources_;
};

class RoundTripTest : public RoadTest, public ::testing::WithParamInterface<ServerKind> {};

TEST_P(RoundTripTest, SentTrunkArrivesWholeOnAnotherMachine) {
    StartServer(GetParam());
    if (IsSkipped())
        return;
    Provision(Settings());
    PutAccountFile({{"共有"}});
    MakeSources();
    auto sender = StartClient();
    // Characters of both widths, some whose second byte is "\\", and an empty line.
    const std::string comment = "四月分の議事録です。\n表とソースは別紙、ｶﾅ①～\n\n以上";
    Send(*sender, "week12", comment);
    std::string log = Log(sender->mmUpMess);
    EXPECT_EQ(log,
              "送信ファイルを準備しています。\n暗号化しています。\nログインしています。\n\nファイルの転送中...\n\n"
              "ファイルの転送が完了しました。");
    EXPECT_EQ(sender->ActivePageIndex(), TMainFormWin::pgUp3);
    // The container is the work archive and 32 bytes.
    EXPECT_EQ(ServerFile("week12.ace").size(), fs::file_size(sender->WorkArchive()) + 32);
    // Code page 932 with the sender's CR LF line ends, or LF alone where the server's text mode stores them so.
    const std::string serverComment = ServerFile("week12.txt");
    EXPECT_TRUE(serverComment == *win::Utf8ToCp932("四月分の議事録です。\r\n表とソースは別紙、ｶﾅ①～\r\n\r\n以上\r\n") ||
                serverComment == *win::Utf8ToCp932(comment + "\n"))
        << serverComment;
    EXPECT_FALSE(fs::exists(sender->WorkDir() + "week12.ace"));
    EXPECT_FALSE(fs::exists(sender->WorkDir() + "week12.txt"));
    EXPECT_TRUE(fs::exists(sender->WorkArchive())) << "the trunk stays for another send";
    EXPECT_FALSE(sender->FtpClient1->IsConnected());
    sender.reset();

    auto receiver = StartReceiver(false, true);
    std::string place = sandbox().work + "in/";
    (*ui_)->ExpectMessageBox(win::IDYES, "指定された展開場所がありません。作成しますか？\r\n" + place);
    (*ui_)->ExpectOpenFolder();
    ReceiveTrunk(*receiver, "week12", place);
    EXPECT_EQ(Log(receiver->mmDwMess), "\nファイルの受信中...\n    複合化しています。\n\n完了しました。");
    EXPECT_EQ((*ui_)->Shown().back().text, place + "week12/");
    std::map<std::string, std::string> got = Tree(place + "week12");
    std::string arrivedComment = got["コメント_week12.txt"];
    got.erase("コメント_week12.txt");
    EXPECT_EQ(got, Tree(src_)) << "every file byte for byte";
    // The copy beside the files is text of this platform; the server's file and the list's column stay as they were.
    EXPECT_EQ(arrivedComment, TextByPython(serverComment));
    EXPECT_EQ(arrivedComment, comment + "\n");
    EXPECT_EQ(ServerFile("week12.txt"), serverComment);
    EXPECT_TRUE(ServerHas("week12.ace")) << "DwDelFlag is off";
    EXPECT_TRUE(NothingLeftIn(receiver->WorkDir() + "receive")) << "no container or archive is left";
    // The list's comment column, on week12's row: where the folder holds the account file, that is listed too.
    const std::vector<std::string> trunks = Column(receiver->DwTruncList, 0);
    const size_t row = std::find(trunks.begin(), trunks.end(), "week12") - trunks.begin();
    ASSERT_LT(row, trunks.size());
    EXPECT_EQ(Column(receiver->DwTruncList, 3)[row], "四月分の議事録です。 表とソースは別紙、ｶﾅ①～  以上");
}

INSTANTIATE_TEST_SUITE_P(Servers, RoundTripTest,
                         ::testing::Values(ServerKind::Demo, ServerKind::Pyftpdlib, ServerKind::Vsftpd,
                                           ServerKind::Proftpd),
                         [](const auto& info) { return ServerKindName(info.param); });

class JapaneseNamesTest : public RoadTest, public ::testing::WithParamInterface<ServerKind> {};

TEST_P(JapaneseNamesTest, TrunkAndFileNamesInCodePage932) {
    StartServer(GetParam());
    if (IsSkipped())
        return;
    Provision(Settings());
    PutAccountFile({{"共有"}});
    MakeSources("議事録.txt", "写真");
    auto sender = StartClient();
    Send(*sender, "三月の報告", "コメントです");
    EXPECT_NE(Log(sender->mmUpMess).find("ファイルの転送が完了しました。"), std::string::npos) << Log(sender->mmUpMess);
    EXPECT_TRUE(ServerHas("三月の報告.ace"));
    EXPECT_EQ(ServerFile("三月の報告.txt").substr(0, 12), *win::Utf8ToCp932("コメントです"));
    sender.reset();

    auto receiver = StartReceiver(true, false);
    std::string place = sandbox().work + "受信/";
    fs::create_directories(place);
    (*ui_)->ExpectOpenFolder();
    ReceiveTrunk(*receiver, "三月の報告", place);
    EXPECT_EQ(Tree(place + "三月の報告"), Tree(src_));
    EXPECT_FALSE(ServerHas("三月の報告.ace"));
    EXPECT_FALSE(ServerHas("三月の報告.txt"));
}

INSTANTIATE_TEST_SUITE_P(Servers, JapaneseNamesTest, ::testing::Values(ServerKind::Demo, ServerKind::Vsftpd),
                         [](const auto& info) { return ServerKindName(info.param); });

struct DeleteCase {
    int accountType;
    bool deleteFlag;
};

class DeleteMatrixTest : public RoadTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteMatrixTest, ServerFilesGoOnlyWhenTheFlagAndTheFolderAllow) {
    StartServer();
    if (IsSkipped())
        return;
    const DeleteCase c = GetParam();
    Provision(Settings());
    PutAccountFile({{"folder", c.accountType}});
    MakeSources();
    auto sender = StartClient();
    if (c.accountType == 0)
        (*ui_)->ExpectPassword("秘密の合言葉");
    Send(*sender, "t", "c");
    ASSERT_TRUE(ServerHas("t.ace"));
    sender.reset();

    auto receiver = StartReceiver(c.deleteFlag, false);
    if (c.accountType == 0)
        (*ui_)->ExpectPassword("秘密の合言葉");
    (*ui_)->ExpectOpenFolder();
    fs::create_directories(sandbox().work + "in");
    ReceiveTrunk(*receiver, "t", sandbox().work + "in");
    EXPECT_EQ(Tree(sandbox().work + "in/t"), Tree(src_));
    bool deleted = c.deleteFlag && c.accountType != 2;
    EXPECT_EQ(ServerHas("t.ace"), !deleted);
    EXPECT_EQ(ServerHas("t.txt"), !deleted);
    EXPECT_EQ(Log(receiver->mmDwMess).find("サーバーを整理しています。") != std::string::npos, deleted);
}

INSTANTIATE_TEST_SUITE_P(Kinds, DeleteMatrixTest,
                         ::testing::Values(DeleteCase{0, false}, DeleteCase{0, true}, DeleteCase{1, false},
                                           DeleteCase{1, true}, DeleteCase{2, false}, DeleteCase{2, true}),
                         [](const auto& info) {
                             return "Type" + std::to_string(info.param.accountType) +
                                    (info.param.deleteFlag ? "Delete" : "Keep");
                         });

class RoadFailureTest : public RoadTest {
protected:
    // A receive that failed, however it failed: no success, no trunk taken off the server, nothing opened left in
    // the work directory, the transfer display gone.
    void ExpectFailedReceive(TMainFormWin& receiver, const std::string& trunk, const std::string& errorLine) {
        const std::string log = Log(receiver.mmDwMess);
        EXPECT_NE(log.find(errorLine), std::string::npos) << log;
        EXPECT_EQ(log.find("完了しました。"), std::string::npos) << log;
        EXPECT_TRUE(ServerHas(trunk + ".ace") && ServerHas(trunk + ".txt")) << "the only copy stays on the server";
        EXPECT_TRUE(NothingLeftIn(receiver.WorkDir() + "receive"));
        EXPECT_TRUE(receiver.Animate2->isHidden());
        EXPECT_TRUE(receiver.ctrl_FTPProgressBar->isHidden());
    }
    // The trunk sent to the folder "share", then the window of a receiver that fetches comments and tidies
    // the server.
    std::unique_ptr<TMainFormWin> SendThenStartReceiver(const std::string& trunk, const std::string& comment) {
        PutAccountFile({{"share"}});
        Send(*StartClient(), trunk, comment);
        return StartReceiver(true, true);
    }
    void SetUp() override {
        RoadTest::SetUp();
        StartServer();
        if (IsSkipped())
            return;
        Provision(Settings());
        MakeSources();
    }
};

TEST_F(RoadFailureTest, WrongPasswordStopsTheReceiveAndKeepsTheTrunk) {
    PutAccountFile({{"private", 0}});
    auto sender = StartClient();
    (*ui_)->ExpectPassword("right");
    Send(*sender, "secret", "");
    sender.reset();
    auto receiver = StartReceiver(true, true);
    (*ui_)->ExpectPassword("wrong");
    (*ui_)->ExpectMessageBox(win::IDOK, "パスワードが違います。");
    fs::create_directories(sandbox().work + "in");
    ReceiveTrunk(*receiver, "secret", sandbox().work + "in");
    EXPECT_EQ(Log(receiver->mmDwMess),
              "\nファイルの受信中...\n    複合化しています。\n\nError!! 複合化を失敗しました。");
    EXPECT_TRUE(ServerHas("secret.ace"));
    EXPECT_TRUE(ServerHas("secret.txt"));
    EXPECT_TRUE(NothingLeftIn(receiver->WorkDir() + "receive"));

    // Cancelling the question stops before anything is fetched.
    Click(receiver->btnDwBack3);
    Check(receiver->DwTruncList, "secret");
    (*ui_)->ExpectMessageBox(win::IDYES);  // the trunk folder exists: overwrite?
    (*ui_)->ExpectPassword(std::nullopt);
    Click(receiver->btnDwStart);
    EXPECT_EQ(Log(receiver->mmDwMess), "\nキャンセルされました。");
}

TEST_F(RoadFailureTest, TrunkLimitCountsLowerCaseAceOnly) {
    PutAccountFile({{"two", 1, 2}, {"none", 1, 0, 1}});
    WriteFile(ServerDir() + "old.ace", "x");
    WriteFile(ServerDir() + "OLD2.ACE", "not counted");
    auto form = StartClient();
    Send(*form, "second", "");
    EXPECT_TRUE(ServerHas("second.ace")) << Log(form->mmUpMess);

    Click(form->PicBtnGroup1);
    Send(*form, "third", "");
    EXPECT_EQ(Log(form->mmUpMess),
              "送信ファイルを準備しています。\n暗号化しています。\nログインしています。\n"
              "Error!! トランク数が最大数に達しているため送信することができません。");
    EXPECT_FALSE(ServerHas("third.ace"));
    EXPECT_FALSE(fs::exists(form->WorkDir() + "third.ace")) << "the road's files go however it ends";

    // A folder without room accepts nothing.
    Click(form->PicBtnGroup1);
    Send(*form, "fourth", "", 1);
    EXPECT_NE(Log(form->mmUpMess).find("Error!! トランク数が最大数"), std::string::npos);
}

TEST_F(RoadFailureTest, AnotherMembersTrunkOfTheSameNameIsNotReplaced) {
    PutAccountFile({{"share"}});
    WriteFile(ServerDir() + "report.ace", "someone else's trunk");
    auto form = StartClient();
    Send(*form, "report", "mine");
    EXPECT_NE(Log(form->mmUpMess).find("Error!! 同じ名前のトランクが送信先にあるため送信することができません。"),
              std::string::npos);
    EXPECT_EQ(ServerFile("report.ace"), "someone else's trunk");
    EXPECT_FALSE(ServerHas("report.txt"));
}

TEST_F(RoadFailureTest, ACommentCodePage932CannotWriteStopsTheSend) {
    PutAccountFile({{"share"}});
    auto form = StartClient();
    Send(*form, "smile", "笑顔 😀");
    EXPECT_EQ(Log(form->mmUpMess),
              "送信ファイルを準備しています。\nError!! コメントに使用できない文字が含まれています。");
    EXPECT_FALSE(ServerHas("smile.ace"));
    EXPECT_FALSE(fs::exists(form->WorkDir() + "smile.txt"));
}

TEST_F(RoadFailureTest, AnOpenSessionOfAnotherAccountIsNotUsed) {
    // The second folder's password is wrong: sending there must log in with it, not ride the open session.
    PutAccountFile({{"good"}, {"bad", 1, 10, 1, "share", "wrong"}});
    auto form = StartClient();
    Click(form->btnSelDownLoad);
    Click(form->btnDwNext1);  // lists "good": its session stays open
    ASSERT_TRUE(form->FtpClient1->IsConnected());
    form->SetActivePage(TMainFormWin::pgTop);
    Click(form->btnSelUpLoad);
    form->edTrunkName->setText("x");
    form->DropFiles(sources_);
    Click(form->btnUpNext1);
    form->FtpClient1->Abort();  // the folder page ended the session; open one of "good" again behind it
    ASSERT_TRUE(form->LoginAccount(TarvoAccounts[0], nullptr));
    Click(FolderButton(form->UpForderList, 1));
    Click(form->btnUpStart);
    EXPECT_NE(Log(form->mmUpMess).find("Error!! ログインに失敗しました。"), std::string::npos) << Log(form->mmUpMess);
    EXPECT_FALSE(ServerHas("x.ace"));
}

TEST_F(RoadFailureTest, AFailedUploadLeavesNoHalfTrunk) {
    // Restart on a server that stores no text files: the comment cannot go up after the container did.
    demo_.Stop();
    port_ = -1;
    StartServer(ServerKind::Demo, {"--no-txt-upload"});
    PutAccountFile({{"share"}});
    auto form = StartClient();
    Send(*form, "half", "comment");
    EXPECT_NE(Log(form->mmUpMess).find("Error!! ファイルの転送に失敗しました"), std::string::npos);
    EXPECT_FALSE(ServerHas("half.ace")) << "the container that went up is taken back";
    EXPECT_FALSE(ServerHas("half.txt"));
}

TEST_F(RoadFailureTest, AServerWithoutTextModeCarriesTrunksAndComments) {
    // Restart on a server that refuses ASCII transfers: the comment travels in binary, byte for byte.
    demo_.Stop();
    port_ = -1;
    StartServer(ServerKind::Demo, {"--no-ascii"});
    PutAccountFile({{"share"}});
    Send(*StartClient(), "binary", "一行目\n二行目");
    EXPECT_EQ(ServerFile("binary.txt"), *win::Utf8ToCp932("一行目\r\n二行目\r\n"));
    // Lines another writer ended with LF alone or CR alone, and a last line without an end: only a binary
    // transfer leaves them so.
    const std::string comment = ServerFile("binary.txt") + *win::Utf8ToCp932("三行目\n四行目\r五行目");
    WriteFile(ServerDir() + "binary.txt", comment);

    auto receiver = StartReceiver(false, true);
    const std::string place = sandbox().work + "in/";
    fs::create_directories(place);
    (*ui_)->ExpectOpenFolder();
    ReceiveTrunk(*receiver, "binary", place);
    EXPECT_EQ(Column(receiver->DwTruncList, 3), std::vector<std::string>{"一行目 二行目 三行目 四行目 五行目"});
    EXPECT_EQ(Log(receiver->mmDwMess), "\nファイルの受信中...\n    複合化しています。\n\n完了しました。");
    std::map<std::string, std::string> got = Tree(place + "binary");
    EXPECT_EQ(got["コメント_binary.txt"], TextByPython(comment));
    EXPECT_EQ(got["コメント_binary.txt"], "一行目\n二行目\n三行目\n四行目\n五行目");
    EXPECT_EQ(ServerFile("binary.txt"), comment);
    got.erase("コメント_binary.txt");
    EXPECT_EQ(got, Tree(src_));
}

TEST_F(RoadFailureTest, ExtractionPlaceIsCheckedBeforeAnythingIsFetched) {
    PutAccountFile({{"share"}});
    auto sender = StartClient();
    Send(*sender, "t", "");
    sender.reset();
    auto receiver = StartReceiver(true, false);
    Click(receiver->btnSelDownLoad);
    Click(receiver->btnDwNext1);
    (*ui_)->ExpectMessageBox(win::IDOK, "トランクを指定してください。");
    Click(receiver->btnDwStart);
    Check(receiver->DwTruncList, "t");
    receiver->edDirPath->setText("  \t ");
    (*ui_)->ExpectMessageBox(win::IDOK, "展開場所を指定してください。");
    Click(receiver->btnDwStart);
    std::string place = sandbox().work + "a/b/c";
    receiver->edDirPath->setText(QString::fromStdString(place));
    (*ui_)->ExpectMessageBox(win::IDNO);
    Click(receiver->btnDwStart);
    EXPECT_FALSE(fs::exists(sandbox().work + "a")) << "declined: nothing made";
    // A file in the way of the place cannot become a folder.
    WriteFile(sandbox().work + "file", "x");
    receiver->edDirPath->setText(QString::fromStdString(sandbox().work + "file/sub"));
    (*ui_)->ExpectMessageBox(win::IDYES);
    (*ui_)->ExpectMessageBox(win::IDOK, "展開場所を作成することができませんでした。");
    Click(receiver->btnDwStart);
    EXPECT_EQ(receiver->ActivePageIndex(), TMainFormWin::pgDw2);

    // An existing trunk folder is used after the user agreed, its files overwritten.
    WriteFile(place + "/t/report.txt", "old");
    receiver->edDirPath->setText(QString::fromStdString(place));
    (*ui_)->ExpectMessageBox(
        win::IDYES, "既にトランクのフォルダがあります。\r\n上書きされますがよろしいですか？\r\n\r\n" + place + "/t/");
    (*ui_)->ExpectOpenFolder();
    Click(receiver->btnDwStart);
    EXPECT_EQ(ReadFile(place + "/t/report.txt"), "quarterly figures\r\n");
    EXPECT_FALSE(ServerHas("t.ace")) << "DwDelFlag";
}

TEST_F(RoadFailureTest, AnExtractionThatRaisesEndsTheRoadAsAFailure) {
    auto receiver = SendThenStartReceiver("t", "c");
    // The archiver's command line cannot carry a quote: the extraction into this place raises.
    const std::string place = sandbox().work + "say \"hi\"/";
    fs::create_directories(place);
    ReceiveTrunk(*receiver, "t", place);
    ExpectFailedReceive(*receiver, "t", "\nError!! 展開に失敗しました。");
    EXPECT_TRUE((*ui_)->Shown().empty()) << "a line in the log, no box";
}

TEST_F(RoadFailureTest, ACommentThatCannotBeKeptStopsTheRoadBeforeTheServerIsTidied) {
    auto receiver = SendThenStartReceiver("t", "the comment");
    // A folder where the comment's copy belongs.
    const std::string place = sandbox().work + "in/";
    fs::create_directories(place + "t/コメント_t.txt");
    (*ui_)->ExpectMessageBox(win::IDYES);
    ReceiveTrunk(*receiver, "t", place);
    ExpectFailedReceive(*receiver, "t", "\nError!! コメントを保存できませんでした。");
    EXPECT_EQ(Tree(place + "t"), Tree(src_)) << "the trunk itself arrived, and nothing of the comment's copy";
}

TEST_F(RoadFailureTest, TheLongestTrunkNameKeepsItsComment) {
    // The comment's copy, "コメント_" + name + ".txt", is then as long as a file name may be.
    const std::string trunk = "長い名前" + std::string(MaxTrunkNameBytes - 12, 'n');
    ASSERT_EQ(CheckTrunkName(trunk), TTrunkNameFault::None);
    auto receiver = SendThenStartReceiver(trunk, "kept beside the files");
    const std::string place = sandbox().work + "in/";
    fs::create_directories(place);
    (*ui_)->ExpectOpenFolder();
    ReceiveTrunk(*receiver, trunk, place);
    EXPECT_NE(Log(receiver->mmDwMess).find("完了しました。"), std::string::npos) << Log(receiver->mmDwMess);
    EXPECT_EQ(ReadFile(place + trunk + "/コメント_" + trunk + ".txt"), "kept beside the files\n");
}

TEST_F(RoadFailureTest, ADamagedTrunkIsNotDeletedFromTheServer) {
    PutAccountFile({{"share"}});
    // Sealed with the built-in password, but what it holds is no archive.
    WriteFile(sandbox().work + "junk.lzh", RandomBytes(5000, 9));
    {
        TMainFormWin sealer;
        ASSERT_TRUE(sealer.EncryptTrunk(sandbox().work + "junk.lzh", ServerDir() + "junk.ace", "plinkova"));
    }
    WriteFile(ServerDir() + "junk.txt", "c");
    auto receiver = StartReceiver(true, false);
    fs::create_directories(sandbox().work + "in");
    ReceiveTrunk(*receiver, "junk", sandbox().work + "in");
    EXPECT_NE(Log(receiver->mmDwMess).find("Error!! 展開に失敗しました。"), std::string::npos)
        << Log(receiver->mmDwMess);
    EXPECT_TRUE(ServerHas("junk.ace")) << "the only copy stays";
    EXPECT_TRUE(ServerHas("junk.txt"));
}

TEST_F(RoadFailureTest, ClosingDuringATransferCutsItShortAndUnwindsTheRoadFirst) {
    // vsftpd takes the road's second log-in (to remove what the cut upload left) at once, however soon it comes.
    demo_.Stop();
    port_ = -1;
    StartServer(ServerKind::Vsftpd);
    if (IsSkipped())
        return;
    Provision(Settings());
    PutAccountFile({{"share"}});
    WriteFile(src_ + "big.bin", RandomBytes(1 << 20, 5));
    sources_ = {src_ + "big.bin"};
    auto form = StartClient();
    auto progress = form->FtpClient1->OnProgress;
    bool asked = false;
    int64_t lastCount = 0;
    form->FtpClient1->OnProgress = [&](TCustomFtpCli* sender, int64_t count, bool& abort) {
        // The listing reports progress too: the close comes during the upload itself.
        const bool uploading = form->FtpClient1->HostFileName == "big.ace";
        if (uploading && !asked) {
            asked = true;
            // A second road, a reset of the trunk and Back wait for this one; the close waits too.
            form->btnUpStartClick();
            form->PicBtn1Click();
            Click(form->btnUpBack3);
            EXPECT_EQ(form->ActivePageIndex(), TMainFormWin::pgUp3);
            form->close();
            EXPECT_TRUE(fs::exists(form->WorkArchive())) << "the close waits for the road";
        }
        if (uploading)
            lastCount = count;
        progress(sender, count, abort);
    };
    Send(*form, "big", "");
    ASSERT_TRUE(asked);
    EXPECT_EQ(lastCount, 0) << "no block goes out after the close";
    EXPECT_EQ(form->edTrunkName->text().toStdString(), "big") << "no reset under the road";
    EXPECT_NE(Log(form->mmUpMess).find("Error!! ファイルの転送に失敗しました"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(form->WorkDir())) << "closed once the road had unwound";
    EXPECT_FALSE(ServerHas("big.ace"));
    EXPECT_FALSE(ServerHas("big.txt"));
    win::Application::ResetTerminated();
}

TEST_F(RoadFailureTest, ClosingDuringTheStartUpFetchEndsQuietly) {
    demo_.Stop();
    port_ = -1;
    StartServer(ServerKind::Demo, {"--throttle", "64"});
    PutAccountFile({{"share"}, {"a"}, {"b"}, {"c"}, {"d"}, {"e"}});
    auto form = std::make_unique<TMainFormWin>();
    auto progress = form->FtpClient1->OnProgress;
    bool asked = false;
    form->FtpClient1->OnProgress = [&](TCustomFtpCli* sender, int64_t count, bool& abort) {
        if (!asked) {
            asked = true;
            form->close();
            EXPECT_TRUE(form->RoadRunning()) << "the close waits for the fetch";
        }
        progress(sender, count, abort);
    };
    form->FormShow();
    EXPECT_TRUE(asked);
    EXPECT_TRUE((*ui_)->Shown().empty()) << "a fetch cut short by the close is no failure to report";
    EXPECT_TRUE(fs::is_empty(form->WorkDir()));
    win::Application::ResetTerminated();
}

}  // namespace
