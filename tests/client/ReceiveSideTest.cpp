// The receiving pages around the road: leaving the trunk list, deleting a trunk from it, and receives whose
// comment is missing on the server or is no code page 932.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QTreeWidget>

#include <filesystem>

#include "client/MainForm.h"
#include "net/FtpCli.h"
#include "platform/win/CodePage.h"
#include "tests/client/ClientFixture.h"

namespace {

using namespace tarvo::test;
namespace fs = std::filesystem;

class ReceiveSideTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        ServeFolders({{"share"}});
    }
    void OpenTrunkList(TMainFormWin& form) {
        Click(form.btnSelDownLoad);
        Click(form.btnDwNext1);
        ASSERT_EQ(form.ActivePageIndex(), TMainFormWin::pgDw2);
    }
    // A trunk of one file sent to the server, then the window of a receiver that fetches comments.
    std::unique_ptr<TMainFormWin> SendThenStartReceiver(const std::string& trunk) {
        WriteFile(sandbox().work + "src/a.txt", "alpha");
        auto sender = StartClient();
        SendTrunk(*sender, trunk, "comment", {sandbox().work + "src/a.txt"});
        EXPECT_TRUE(ServerHas(trunk + ".ace")) << Log(sender->mmUpMess);
        sender.reset();
        return StartReceiver(false, true);
    }
};

TEST_F(ReceiveSideTest, BackFromTheTrunkListEndsTheSessionAndLeavingTheRoadHidesItsMark) {
    WriteFile(ServerDir() + "t.ace", "x");
    auto form = StartClient();
    OpenTrunkList(*form);
    ASSERT_TRUE(form->FtpClient1->IsConnected());
    Click(form->btnDwBack2);
    EXPECT_EQ(form->ActivePageIndex(), TMainFormWin::pgDw1);
    EXPECT_TRUE(form->DwLoadMark->isVisibleTo(form.get())) << "still on the receiving road";
    EXPECT_FALSE(form->FtpClient1->IsConnected()) << "the folder page ends the list's session";
    Click(form->btnDwBack1);
    EXPECT_EQ(form->ActivePageIndex(), TMainFormWin::pgTop);
    EXPECT_FALSE(form->DwLoadMark->isVisibleTo(form.get()));

    // The menu button of the trunk list leaves the road at once.
    OpenTrunkList(*form);
    EXPECT_TRUE(form->DwLoadMark->isVisibleTo(form.get()));
    Click(form->PicBtnGroup3);
    EXPECT_EQ(form->ActivePageIndex(), TMainFormWin::pgTop);
    EXPECT_FALSE(form->DwLoadMark->isVisibleTo(form.get()));
    EXPECT_FALSE(form->UpLoadMark->isVisibleTo(form.get()));
}

TEST_F(ReceiveSideTest, ADeleteThatFailsAtTheContainerKeepsTheComment) {
    WriteFile(ServerDir() + "held.ace", "x");
    WriteFile(ServerDir() + "held.txt", "its comment");
    auto form = StartClient();
    OpenTrunkList(*form);
    ASSERT_EQ(Column(form->DwTruncList, 0), std::vector<std::string>{"held"});
    // The server refuses to delete what now stands under the container's name.
    fs::remove(ServerDir() + "held.ace");
    fs::create_directory(ServerDir() + "held.ace");
    Check(form->DwTruncList, "held");
    (*ui_)->ExpectMessageBox(win::IDYES);
    form->D1->trigger();
    EXPECT_EQ(ServerFile("held.txt"), "its comment");
}

TEST_F(ReceiveSideTest, AMissingCommentDoesNotStopTheReceive) {
    auto receiver = SendThenStartReceiver("bare");
    fs::remove(ServerDir() + "bare.txt");
    std::string place = sandbox().work + "in/";
    fs::create_directories(place);
    (*ui_)->ExpectOpenFolder();
    ReceiveTrunk(*receiver, "bare", place);
    EXPECT_EQ(Log(receiver->mmDwMess), "\nファイルの受信中...\n    複合化しています。\n\n完了しました。");
    std::vector<std::string> got;
    for (const auto& e : fs::directory_iterator(place + "bare"))
        got.push_back(e.path().filename().string());
    EXPECT_EQ(got, std::vector<std::string>{"a.txt"}) << "no comment file, not even an empty one";
    EXPECT_TRUE(ServerHas("bare.ace"));
}

TEST_F(ReceiveSideTest, ACommentThatIsNoCodePage932IsCopiedByteForByte) {
    auto receiver = SendThenStartReceiver("odd");
    // Good text around bytes code page 932 has no character for, CR LF and a lone CR, and a lead byte cut short.
    const std::string comment = *win::Utf8ToCp932("前半\r\n") + "\x85\x40\r" + *win::Utf8ToCp932("後半\r\n") + "\x83";
    WriteFile(ServerDir() + "odd.txt", comment);
    const std::string place = sandbox().work + "in/";
    fs::create_directories(place);
    (*ui_)->ExpectOpenFolder();
    ReceiveTrunk(*receiver, "odd", place);
    EXPECT_EQ(Log(receiver->mmDwMess), "\nファイルの受信中...\n    複合化しています。\n\n完了しました。");
    EXPECT_EQ(ReadFile(place + "odd/コメント_odd.txt"), comment) << "nothing converted, nothing lost";
    EXPECT_EQ(ServerFile("odd.txt"), comment);
}

}  // namespace
