// Pictures of the main window for people to look at: the top page, a folder page, the trunk list of a folder
// with trunks, a trunk being built and the log of its send. Written as PNG into $TARVO_SCREENSHOT_DIR
// (tools/screenshots.sh runs this under Xvfb); skipped without it.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>

#include <cstdlib>

#include "client/MainForm.h"
#include "platform/win/CodePage.h"
#include "tests/client/ClientFixture.h"
#include "tests/support/MessagePump.h"
#include "tests/support/Screenshots.h"

namespace {

using namespace tarvo::test;

class Screenshots : public ClientTest {
protected:
    void Save(QWidget* window, const std::string& name) {
        PumpPending();
        SaveScreenshot(window->grab().toImage(), QString::fromStdString(name));
    }
};

TEST_F(Screenshots, MainWindowPages) {
    if (!std::getenv("TARVO_SCREENSHOT_DIR"))
        GTEST_SKIP() << "TARVO_SCREENSHOT_DIR is not set";
    StartServer();
    TarvoSettings settings = Settings();
    Provision(settings);
    PutAccountFile({{"営業部 週報"}, {"経理部", 0}, {"開発部 共有", 1, 10, 3}});
    WriteFile(ServerDir() + "月次報告.ace", std::string(52000, 'x'));
    WriteFile(ServerDir() + "月次報告.txt", *win::Utf8ToCp932("三月分の報告です。\r\n添付は二点。"));
    WriteFile(ServerDir() + "design-review.ace", std::string(1300000, 'x'));
    WriteFile(ServerDir() + "design-review.txt", *win::Utf8ToCp932("レビュー資料一式"));
    auto form = StartClient();
    form->show();
    Save(form.get(), "main-top.png");
    Click(form->btnSelDownLoad);
    Save(form.get(), "main-receive-folders.png");
    Click(form->btnDwNext1);
    form->edDirPath->setText("/home/user/受信");
    Save(form.get(), "main-trunk-list.png");

    Click(form->PicBtnGroup3);
    Click(form->btnSelUpLoad);
    WriteFile(sandbox().work + "src/議事録.txt", "minutes");
    WriteFile(sandbox().work + "src/図面/平面図.png", RandomBytes(40000, 3));
    form->edTrunkName->setText("四月の議事録");
    form->mmComment->setPlainText("四月分の議事録と図面です。");
    form->DropFiles({sandbox().work + "src/議事録.txt", sandbox().work + "src/図面"});
    Save(form.get(), "main-send-trunk.png");
    Click(form->btnUpNext1);
    Click(FolderButton(form->UpForderList, 1));
    Click(form->btnUpStart);
    Save(form.get(), "main-send-log.png");
}

}  // namespace
