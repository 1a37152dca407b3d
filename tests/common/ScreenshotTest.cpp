// Pictures of the password dialog, the wait window, the folder chooser and an edit menu, written to
// $TARVO_SCREENSHOT_DIR (the build folder's screenshots/ under CTest; tools/screenshots.sh takes them on an X server
// under Xvfb), each under a title bar drawn in the application's font.
#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "common/QtUiServices.h"
#include "common/Unit_PasswordDlg.h"
#include "common/Unit_WaitForm.h"
#include "common/Users_Func.h"
#include "tests/common/ModalDialogs.h"
#include "tests/support/Screenshots.h"

namespace {

using tarvo::test::Framed;
using tarvo::test::SaveScreenshot;
using tarvo::test::WhenModal;

TEST(Screenshots, PasswordDialogAndWaitWindow) {
    if (!std::getenv("TARVO_SCREENSHOT_DIR"))
        GTEST_SKIP() << "TARVO_SCREENSHOT_DIR names no folder";
    // The captions are Japanese: the forms' font must hold their characters itself, not borrow them by chance.
    const QFontMetrics metrics(QApplication::font());
    for (QChar c : QStringLiteral("処理中パスワード入力ｷｬﾝｾﾙ"))
        EXPECT_TRUE(metrics.inFont(c)) << int(c.unicode());

    Tfom_PasswordDlg dialog;
    dialog.lbl_Comment->setText(QStringLiteral("暗号化するパスワードを入力してください。"));
    dialog.edPassword->setText("secret");
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.edPassword->deselect();
    SaveScreenshot(Framed(dialog), "password_dialog.png");

    ShowWait("ただいま、トランクリストを取得中です．．．");
    ASSERT_TRUE(fom_Wait);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fom_Wait.data()));
    SaveScreenshot(Framed(*fom_Wait), "wait_window.png");
    HideWait();
    delete fom_Wait.data();
}

// Qt's own texts: the chooser's buttons and labels, and the menu of its name field.
TEST(Screenshots, FolderChooserAndEditMenu) {
    if (!std::getenv("TARVO_SCREENSHOT_DIR"))
        GTEST_SKIP() << "TARVO_SCREENSHOT_DIR names no folder";
    WhenModal<QFileDialog>([](QFileDialog* dialog) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        SaveScreenshot(Framed(*dialog), "folder_chooser.png");
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        EXPECT_TRUE(name);
        if (name) {
            name->insert(QStringLiteral("受信"));
            name->selectAll();
            const std::unique_ptr<QMenu> menu(name->createStandardContextMenu());
            menu->popup(name->mapToGlobal(QPoint(0, name->height())));
            EXPECT_TRUE(QTest::qWaitForWindowExposed(menu.get()));
            SaveScreenshot(menu->grab().toImage(), "edit_menu.png");
        }
        dialog->reject();
    });
    std::string folder;
    QtUiServices().BrowseForFolder("フォルダの選択", "", folder);
}

}  // namespace
