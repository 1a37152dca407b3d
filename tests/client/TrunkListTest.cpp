#include <gtest/gtest.h>

#include <QAction>
#include <QTreeWidget>

#include <filesystem>

#include "client/MainForm.h"
#include "net/FtpCli.h"
#include "platform/win/CodePage.h"
#include "tests/client/ClientFixture.h"

namespace {

using namespace tarvo::test;
namespace fs = std::filesystem;

class TrunkListTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        ServeFolders({{"共有"}, {"他部署", 1, 10, 1, "other"}, {"鍵違い", 1, 10, 2, "share", "wrong"}});
    }
    // The receiving folder page, then the trunk list of folder row `row`.
    void OpenTrunkList(TMainFormWin& form, int row) {
        Click(form.btnSelDownLoad);
        Click(FolderButton(form.DwForderList, row));
        Click(form.btnDwNext1);
    }
};

TEST_F(TrunkListTest, TrunksWithDatesSizesAndComments) {
    WriteFile(ServerDir() + "月次報告.ace", std::string(12300, 'x'));
    WriteFile(ServerDir() + "月次報告.txt", *win::Utf8ToCp932("三月分です。\r\n添付は二点。\r\n"));
    WriteFile(ServerDir() + "no-comment.ace", std::string(1536, 'x'));
    WriteFile(ServerDir() + "notes.txt", "not a trunk");
    WriteFile(ServerDir() + "UPPER.ACE", "not a trunk either");
    WriteFile(ServerDir() + "two words.ace", "a blank is no trunk name");
    WriteFile(ServerDir() + "semi;colon.ace", "nor is a semicolon");
    fs::create_directories(ServerDir() + "folder.ace");
    auto form = StartClient();
    OpenTrunkList(*form, 0);
    EXPECT_EQ(form->ActivePageIndex(), TMainFormWin::pgDw2);
    std::vector<std::string> names = Column(form->DwTruncList, 0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"no-comment", "月次報告"}));
    for (int i = 0; i < form->DwTruncList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = form->DwTruncList->topLevelItem(i);
        EXPECT_EQ(row->checkState(0), Qt::Unchecked);
        EXPECT_EQ(row->text(1).size(), 16);
        if (row->text(0) == "月次報告") {
            EXPECT_EQ(row->text(2).toStdString(), "12 KB");
            EXPECT_EQ(row->text(3).toStdString(), "三月分です。 添付は二点。");
        } else {
            EXPECT_EQ(row->text(2).toStdString(), "2 KB");
            EXPECT_EQ(row->text(3).toStdString(), "") << "a missing comment leaves only its own cell empty";
        }
    }
    // The listing's table keeps every file, trunks or not.
    EXPECT_EQ(form->ServerFiles().size(), 7u);

    // One click ticks one row; the size for the progress bar is the file's own.
    form->DwTruncListMouseDown(form->DwTruncList->topLevelItem(0));
    form->DwTruncListMouseDown(form->DwTruncList->topLevelItem(1));
    EXPECT_EQ(form->DwTruncList->topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(form->DwTruncList->topLevelItem(1)->checkState(0), Qt::Checked);
    std::string checked = form->CheckedTrunkName();
    EXPECT_EQ(form->CheckedTrunkSize(), checked == "月次報告" ? 12300 : 1536);
    form->DwTruncListMouseDown(nullptr);
    EXPECT_EQ(form->CheckedTrunkName(), checked);
    EXPECT_FALSE(fs::exists(form->WorkDir() + "receive/月次報告.txt")) << "comment copies are not kept";
}

TEST_F(TrunkListTest, EachFolderListsItsOwnTrunksAndAFailedLogInIsShown) {
    WriteFile(ServerDir("share") + "mine.ace", "x");
    WriteFile(ServerDir("other") + "theirs.ace", "y");
    auto form = StartClient();
    OpenTrunkList(*form, 0);
    EXPECT_EQ(Column(form->DwTruncList, 0), std::vector<std::string>{"mine"});
    Click(form->btnDwBack2);
    Click(FolderButton(form->DwForderList, 1));
    Click(form->btnDwNext1);
    EXPECT_EQ(Column(form->DwTruncList, 0), std::vector<std::string>{"theirs"});

    // Back from the message page lists again, in the session that is open.
    form->SetActivePage(TMainFormWin::pgDw3);
    Click(form->btnDwBack3);
    EXPECT_EQ(Column(form->DwTruncList, 0), std::vector<std::string>{"theirs"});

    Click(form->btnDwBack2);
    Click(FolderButton(form->DwForderList, 2));
    (*ui_)->ExpectMessageBox(win::IDOK, "サーバーへのログインを失敗しました。");
    Click(form->btnDwNext1);
    EXPECT_EQ(form->DwTruncList->topLevelItemCount(), 0);
    EXPECT_FALSE(form->FtpClient1->IsConnected()) << "the half-open connection is dropped";
}

TEST_F(TrunkListTest, PopupDeletesTheTickedTrunkAfterAsking) {
    WriteFile(ServerDir() + "old.ace", "x");
    WriteFile(ServerDir() + "old.txt", "comment");
    WriteFile(ServerDir() + "keep.ace", "y");
    auto form = StartClient();
    OpenTrunkList(*form, 0);
    form->PopMenu_GetTruncPopup();
    EXPECT_FALSE(form->D1->isEnabled());
    Check(form->DwTruncList, "old");
    form->PopMenu_GetTruncPopup();
    EXPECT_TRUE(form->D1->isEnabled());

    (*ui_)->ExpectMessageBox(win::IDNO, "トランク名: old\r\n\r\nを削除してもよろしいですか？");
    form->D1->trigger();
    EXPECT_TRUE(ServerHas("old.ace"));

    (*ui_)->ExpectMessageBox(win::IDYES);
    form->D1->trigger();
    EXPECT_FALSE(ServerHas("old.ace"));
    EXPECT_FALSE(ServerHas("old.txt"));
    EXPECT_EQ(Column(form->DwTruncList, 0), std::vector<std::string>{"keep"});

    // With the session gone, the delete logs in again by itself.
    form->QuitServer();
    Check(form->DwTruncList, "keep");
    (*ui_)->ExpectMessageBox(win::IDYES);
    form->D1->trigger();
    EXPECT_EQ(form->DwTruncList->topLevelItemCount(), 0);
}

TEST_F(TrunkListTest, AListingThatFailsLeavesNoStaleTrunks) {
    WriteFile(ServerDir() + "first.ace", "x");
    auto form = StartClient();
    OpenTrunkList(*form, 0);
    ASSERT_EQ(form->DwTruncList->topLevelItemCount(), 1);
    // The connection drops under the client: the next listing fails.
    form->FtpClient1->Abort();
    ASSERT_TRUE(form->FtpClient1->IsConnected() == false);
    EXPECT_FALSE(form->ListServer());
    EXPECT_TRUE(form->ServerFiles().empty());
}

}  // namespace
