#include <gtest/gtest.h>

#include <QLabel>
#include <QStackedWidget>
#include <QTreeWidget>

#include <filesystem>

#include "client/MainForm.h"
#include "client/Unit_Setting.h"
#include "common/Unit_FilesFunc.h"
#include "controls/PicBtnGroup.h"
#include "net/FtpCli.h"
#include "tests/client/ClientFixture.h"
#include "tests/support/MessagePump.h"
#include "tools/provision/AccountFile.h"

namespace {

using namespace tarvo::test;
namespace fs = std::filesystem;

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (e.is_regular_file())
            names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class WindowStartTest : public ClientTest {};

TEST_F(WindowStartTest, StartUpFetchesTheAccountFileIntoThePrivateWorkDirectory) {
    StartServer();
    Provision(Settings());
    PutAccountFile({{"営業"}, {"経理"}});
    auto form = StartClient();
    EXPECT_EQ(form->findChild<QWidget*>("fom_Quit"), nullptr) << "a good start-up does not close the window";
    std::string tmp;
    GetTempDir(tmp);
    EXPECT_EQ(form->WorkDir(), tmp + "Tarvo/");
    EXPECT_EQ(fs::status(form->WorkDir()).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(FilesIn(form->WorkDir()), std::vector<std::string>{"tester.ini"});
    EXPECT_EQ(form->ActivePageIndex(), TMainFormWin::pgTop);
    EXPECT_TRUE(fs::exists(ServerDir("") + "tester.ace")) << "the account file stays on the server";

    // Closing empties the work directory and shows the quit notice.
    form->close();
    EXPECT_EQ(FilesIn(form->WorkDir()), std::vector<std::string>{});
    EXPECT_NE(form->findChild<QWidget*>("fom_Quit"), nullptr);
    EXPECT_FALSE(form->FtpClient1->IsConnected());
}

TEST_F(WindowStartTest, BadLogInClosesTheWindowWithItsMessage) {
    StartServer();
    TarvoSettings s = Settings();
    s.Password = "wrong";
    Provision(s);
    PutAccountFile({{"営業"}});
    (*ui_)->ExpectMessageBox(win::IDOK, "サーバーに接続できません。");
    auto form = std::make_unique<TMainFormWin>();
    WriteFile(form->WorkDir() + "left-over.txt", "x");
    form->show();
    ASSERT_TRUE(PumpUntil([&] { return form->isHidden(); }));
    EXPECT_EQ((*ui_)->Shown()[0].type, win::MB_OK | win::MB_ICONERROR);
    EXPECT_EQ(FilesIn(form->WorkDir()), std::vector<std::string>{});
    EXPECT_FALSE(form->FtpClient1->IsConnected()) << "a failed log-in leaves no connection behind";
}

TEST_F(WindowStartTest, MissingOrDamagedAccountFileClosesTheWindow) {
    StartServer();
    Provision(Settings());
    (*ui_)->ExpectMessageBox(win::IDOK, "アカウントファイルを取得できませんでした。");
    auto form = StartClient();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(FilesIn(form->WorkDir()), std::vector<std::string>{}) << "no .ace is left";

    // An account file sealed under another password: the container says so first.
    WriteFile(ServerDir("") + "tester.ace", std::string(40, 'x'));
    (*ui_)->ExpectMessageBox(win::IDOK, "パスワードが違います。");
    (*ui_)->ExpectMessageBox(win::IDOK, "アカウントファイルを取得できませんでした。");
    auto second = StartClient();
    EXPECT_EQ(FilesIn(second->WorkDir()), std::vector<std::string>{});

    // A container too short to hold its check block is a failure with a message, not a crash.
    WriteFile(ServerDir("") + "tester.ace", "short");
    (*ui_)->ExpectMessageBox(win::IDOK);
    (*ui_)->ExpectMessageBox(win::IDOK, "アカウントファイルを取得できませんでした。");
    auto third = StartClient();
    EXPECT_EQ(FilesIn(third->WorkDir()), std::vector<std::string>{});
}

TEST_F(WindowStartTest, FolderButtonsFollowTheSortedAccountTable) {
    StartServer();
    Provision(Settings());
    PutAccountFile({{"B", 1, 10, 2}, {"A", 0, 10, 5}, {"C", 1, 10, 1}});
    auto form = StartClient();
    Click(form->btnSelUpLoad);
    EXPECT_EQ(form->ActivePageIndex(), TMainFormWin::pgUp1);
    EXPECT_TRUE(form->UpLoadMark->isVisibleTo(form.get()));
    Click(form->btnUpBack1);
    EXPECT_EQ(form->ActivePageIndex(), TMainFormWin::pgTop);
    EXPECT_FALSE(form->UpLoadMark->isVisibleTo(form.get()));

    form->SetActivePage(TMainFormWin::pgUp2);
    std::vector<TPicBtnGroup*> buttons = FolderButtons(form->UpForderList);
    ASSERT_EQ(buttons.size(), 3u);
    std::vector<std::string> captions, names;
    for (size_t i = 0; i < buttons.size(); ++i) {
        captions.push_back(buttons[i]->Caption());
        names.push_back(buttons[i]->objectName().toStdString());
        EXPECT_EQ(buttons[i]->geometry(), QRect(8, 8 + 40 * static_cast<int>(i), 230, 32));
        EXPECT_EQ(buttons[i]->Checkd(), i == 0);
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"A", "C", "B"}));
    EXPECT_EQ(names, (std::vector<std::string>{"btnUpFolder0", "btnUpFolder1", "btnUpFolder2"}));

    // The chosen folder survives a rebuild of the buttons; clicking the checked one again keeps it chosen.
    Click(buttons[2]);
    EXPECT_EQ(form->UpForderList->Tag, 2);
    Click(form->btnUpBack2);
    EXPECT_EQ(form->ActivePageIndex(), TMainFormWin::pgUp1);
    form->SetActivePage(TMainFormWin::pgUp2);
    buttons = FolderButtons(form->UpForderList);
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_TRUE(buttons[2]->Checkd());
    Click(buttons[2]);
    EXPECT_FALSE(buttons[2]->Checkd());
    EXPECT_EQ(form->UpForderList->Tag, 2);

    // The receiving side names its own buttons.
    Click(form->PicBtnGroup7);
    EXPECT_EQ(form->ActivePageIndex(), TMainFormWin::pgTop);
    Click(form->btnSelDownLoad);
    EXPECT_EQ(form->ActivePageIndex(), TMainFormWin::pgDw1);
    EXPECT_TRUE(form->DwLoadMark->isVisibleTo(form.get()));
    EXPECT_EQ(FolderButton(form->DwForderList, 1)->objectName().toStdString(), "btnDwFolder1");
}

TEST_F(WindowStartTest, InvalidFoldersAreNamedAndAnEmptyTableChoosesNothing) {
    StartServer();
    Provision(Settings());
    std::string ini = "[Minus]\nOrderNum=-3\n[Fine]\nAccountType=1\n";
    SealAccountFile(ini, ServerDir("") + "tester.ace");
    auto form = StartClient();
    (*ui_)->ExpectMessageBox(win::IDOK,
                             "アカウントファイルの次のフォルダは設定が正しくないため表示できません。\r\n\r\nMinus");
    form->SetActivePage(TMainFormWin::pgUp2);
    EXPECT_EQ(FolderButtons(form->UpForderList).size(), 1u);

    SealAccountFile("", ServerDir("") + "tester.ace");
    auto empty = StartClient();
    Click(empty->btnSelDownLoad);
    EXPECT_TRUE(FolderButtons(empty->DwForderList).empty());
    // No folder, no trunk list: the page stays empty without a log-in.
    Click(empty->btnDwNext1);
    EXPECT_EQ(empty->ActivePageIndex(), TMainFormWin::pgDw2);
    EXPECT_EQ(empty->DwTruncList->topLevelItemCount(), 0);
    // A road on an empty table warns and stays.
    (*ui_)->ExpectMessageBox(win::IDOK, "フォルダを選択してください。");
    Click(empty->btnDwStart);
    EXPECT_EQ(empty->ActivePageIndex(), TMainFormWin::pgDw2);
}

// Every control of a page can be seen and clicked whole: none covers a corner of another.
TEST_F(WindowStartTest, NoControlOfAPageCoversAnother) {
    TMainFormWin form;
    for (int page = 0; page < form.PageControl1->count(); ++page) {
        const QList<QWidget*> controls =
            form.PageControl1->widget(page)->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        for (qsizetype a = 0; a < controls.size(); ++a)
            for (qsizetype b = a + 1; b < controls.size(); ++b)
                EXPECT_FALSE(controls[a]->geometry().intersects(controls[b]->geometry()))
                    << form.PageControl1->widget(page)->objectName().toStdString() << ": "
                    << controls[a]->objectName().toStdString() << " and " << controls[b]->objectName().toStdString();
    }
}

}  // namespace
