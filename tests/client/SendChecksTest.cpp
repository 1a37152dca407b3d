// The sending road at the server folder: which names block a send, the comment's bytes as the server keeps
// them, and what a cancelled trunk password leaves behind.
#include <gtest/gtest.h>

#include <QTreeWidget>

#include <filesystem>
#include <set>

#include "client/MainForm.h"
#include "net/FtpCli.h"
#include "platform/win/CodePage.h"
#include "tests/client/ClientFixture.h"

namespace {

using namespace tarvo::test;
namespace fs = std::filesystem;

const std::string Done = "ファイルの転送が完了しました。";

std::set<std::string> FilesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

class SendChecksTest : public ClientTest {
protected:
    void Prepare(ServerKind kind, const std::vector<TestFolder>& folders) {
        StartServer(kind);
        if (IsSkipped())
            return;
        Provision(Settings());
        PutAccountFile(folders);
        WriteFile(sandbox().work + "src/report.txt", "quarterly figures\r\n");
        sources_ = {sandbox().work + "src/report.txt"};
    }
    std::vector<std::string> sources_;
};

TEST_F(SendChecksTest, ACommentLeftWithoutItsContainerIsNoTrunkAndIsReplaced) {
    Prepare(ServerKind::Demo, {{"share"}});
    if (IsSkipped())
        return;
    // What a delete that failed after the container went leaves behind.
    WriteFile(ServerDir() + "report.txt", "an old comment");
    auto form = StartClient();
    Click(form->btnSelDownLoad);
    Click(form->btnDwNext1);
    EXPECT_EQ(form->DwTruncList->topLevelItemCount(), 0) << "a comment alone is not offered as a trunk";
    Click(form->PicBtnGroup3);

    SendTrunk(*form, "report", "a new comment", sources_);
    EXPECT_NE(Log(form->mmUpMess).find(Done), std::string::npos) << Log(form->mmUpMess);
    EXPECT_TRUE(ServerHas("report.ace"));
    EXPECT_EQ(ServerFile("report.txt").rfind("a new comment", 0), 0u) << "the send's own comment";
}

TEST_F(SendChecksTest, TheServerKeepsTheCommentInCodePage932WithCrLfAndTheCopyIsUtf8WithLf) {
    // vsftpd keeps the bytes of a text-mode upload as they come, so what it holds is what the client sent.
    Prepare(ServerKind::Vsftpd, {{"share"}});
    if (IsSkipped())
        return;
    auto sender = StartClient();
    SendTrunk(*sender, "memo", "一行目\n\n三行目 end\n", sources_);
    ASSERT_NE(Log(sender->mmUpMess).find(Done), std::string::npos) << Log(sender->mmUpMess);
    const std::string expected = *win::Utf8ToCp932("一行目\r\n\r\n三行目 end\r\n");
    EXPECT_EQ(ServerFile("memo.txt"), expected);
    sender.reset();

    // Fetched back beside the trunk's files as text of this platform.
    auto receiver = StartReceiver(false, true);
    std::string place = sandbox().work + "in/";
    fs::create_directories(place);
    (*ui_)->ExpectOpenFolder();
    ReceiveTrunk(*receiver, "memo", place);
    EXPECT_EQ(ReadFile(place + "memo/コメント_memo.txt"), "一行目\n\n三行目 end\n");
    EXPECT_EQ(ServerFile("memo.txt"), expected);
}

TEST_F(SendChecksTest, CancellingTheTrunkPasswordSendsAndLeavesNothing) {
    Prepare(ServerKind::Demo, {{"private", 0}});
    if (IsSkipped())
        return;
    auto form = StartClient();
    (*ui_)->ExpectPassword(std::nullopt);
    SendTrunk(*form, "secret", "not to be seen", sources_);
    EXPECT_EQ(form->ActivePageIndex(), TMainFormWin::pgUp3);
    EXPECT_EQ(Log(form->mmUpMess), "\nキャンセルされました。");
    EXPECT_EQ((*ui_)->Shown().back().text, "暗号化するパスワードを入力してください。");
    EXPECT_FALSE(form->FtpClient1->IsConnected()) << "no log-in";
    EXPECT_TRUE(fs::is_empty(ServerDir()));
    EXPECT_EQ(FilesIn(form->WorkDir()), (std::set<std::string>{"arcived.lzh", "tester.ini"}))
        << "the trunk is kept, and neither a container nor a comment was made";
}

}  // namespace
