#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "common/QtUiServices.h"
#include "common/Unit_PasswordDlg.h"
#include "common/Users_Func.h"
#include "tests/common/ModalDialogs.h"

namespace {

using tarvo::test::WhenModal;

TEST(PasswordDlg, IsLaidOutAsItsWindowDefinitionSays) {
    Tfom_PasswordDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("パスワード入力"));
    EXPECT_EQ(dialog.size(), QSize(299, 122));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(dialog.lbl_Comment->text(), QStringLiteral("***"));
    EXPECT_EQ(dialog.edPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.btn_OK->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.btn_Cancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    EXPECT_FALSE(dialog.Image1->pixmap().isNull()) << "the key picture";
    for (const char* name : {"lbl_Comment", "edPassword", "btn_OK", "btn_Cancel"})
        EXPECT_NE(dialog.findChild<QWidget*>(name), nullptr) << name;
}

// The password question as the client asks it, with the dialogs the program shows; the action plays the user.
class AskPasswordDialog : public ::testing::Test {
protected:
    void SetUp() override { previous = win::SetUi(std::make_shared<QtUiServices>()); }
    void TearDown() override { win::SetUi(previous); }

    bool Ask(std::function<void(Tfom_PasswordDlg*)> user, std::string& password) {
        WhenModal<Tfom_PasswordDlg>([user](Tfom_PasswordDlg* dialog) {
            EXPECT_EQ(dialog, fom_PasswordDlg.data());
            EXPECT_EQ(dialog->lbl_Comment->text(), QStringLiteral("暗号化するパスワードを入力してください。"));
            user(dialog);
        });
        const bool ok = AskPassword(password, "暗号化するパスワードを入力してください。");
        EXPECT_TRUE(fom_PasswordDlg.isNull()) << "the dialog is freed after the question";
        return ok;
    }
    std::shared_ptr<win::UiServices> previous;
};

TEST_F(AskPasswordDialog, EnterInTheEditIsOk) {
    std::string password;
    EXPECT_TRUE(Ask(
        [](Tfom_PasswordDlg* d) {
            QTest::keyClicks(d->edPassword, "s3cret!");
            QTest::keyClick(d->edPassword, Qt::Key_Return);
        },
        password));
    EXPECT_EQ(password, "s3cret!");
}

TEST_F(AskPasswordDialog, OkWithAnEmptyEditGivesAnEmptyPassword) {
    std::string password = "old";
    EXPECT_TRUE(Ask([](Tfom_PasswordDlg* d) { QTest::mouseClick(d->btn_OK, Qt::LeftButton); }, password));
    EXPECT_EQ(password, "");
}

TEST_F(AskPasswordDialog, EscAndCancelGiveNothing) {
    std::string password = "old";
    EXPECT_FALSE(Ask(
        [](Tfom_PasswordDlg* d) {
            QTest::keyClicks(d->edPassword, "typed");
            QTest::keyClick(d->edPassword, Qt::Key_Escape);
        },
        password));
    EXPECT_EQ(password, "");
    password = "old";
    EXPECT_FALSE(Ask(
        [](Tfom_PasswordDlg* d) {
            QTest::keyClicks(d->edPassword, "typed");
            QTest::mouseClick(d->btn_Cancel, Qt::LeftButton);
        },
        password));
    EXPECT_EQ(password, "");
}

}  // namespace
