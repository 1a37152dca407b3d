#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>

#include "common/QtUiServices.h"
#include "common/Unit_FilesFunc.h"
#include "platform/win/MessageLoop.h"
#include "tests/common/ModalDialogs.h"
#include "tests/support/StandInProgram.h"
#include "tests/support/TestEnvironment.h"

namespace {

using tarvo::test::WhenModal;

struct ShownBox {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QStringList buttons;
};

// Shows a box, records what it looked like and answers it with the button of that caption (or Esc when empty).
int Answer(win::UINT type, const QString& press, ShownBox& shown, const std::string& caption = "Caption") {
    WhenModal<QMessageBox>([&shown, press](QMessageBox* box) {
        shown.icon = box->icon();
        shown.title = box->windowTitle();
        shown.text = box->text();
        for (QAbstractButton* b : box->buttons())
            shown.buttons << b->text();
        if (press.isEmpty()) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton* b : box->buttons())
            if (b->text() == press)
                b->click();
    });
    return QtUiServices().MessageBox("メッセージ", caption, type);
}

TEST(QtMessageBox, TheTypeChoosesIconAndButtons) {
    ShownBox shown;
    EXPECT_EQ(Answer(win::MB_OK | win::MB_ICONWARNING, "OK", shown), win::IDOK);
    EXPECT_EQ(shown.icon, QMessageBox::Warning);
    EXPECT_EQ(shown.buttons, QStringList{"OK"});
    EXPECT_EQ(shown.text, QStringLiteral("メッセージ"));
    EXPECT_EQ(shown.title, "Caption");

    shown = {};
    EXPECT_EQ(Answer(win::MB_OK | win::MB_ICONERROR, "", shown), win::IDOK);
    EXPECT_EQ(shown.icon, QMessageBox::Critical);

    shown = {};
    EXPECT_EQ(Answer(win::MB_YESNO | win::MB_ICONINFORMATION, QStringLiteral("はい(&Y)"), shown), win::IDYES);
    EXPECT_EQ(shown.icon, QMessageBox::Information);
    EXPECT_EQ(shown.buttons.size(), 2);
    shown = {};
    EXPECT_EQ(Answer(win::MB_YESNO | win::MB_ICONQUESTION, QStringLiteral("いいえ(&N)"), shown), win::IDNO);
    EXPECT_EQ(shown.icon, QMessageBox::Question);
    shown = {};
    EXPECT_EQ(Answer(win::MB_YESNO, "", shown), win::IDNO) << "Esc on a yes/no question is no";

    shown = {};
    EXPECT_EQ(Answer(win::MB_OKCANCEL, "", shown), win::IDCANCEL);
    EXPECT_EQ(shown.icon, QMessageBox::NoIcon);
}

TEST(QtMessageBox, AnEmptyCaptionIsTheApplicationTitle) {
    ShownBox shown;
    win::Application::SetTitle("Tarvo");
    Answer(win::MB_OK, "OK", shown, "");
    EXPECT_EQ(shown.title, "Tarvo");
}

class FolderServices : public tarvo::test::TarvoTest {};

// Opens the folder chooser at the start, has a look at it and cancels it; the folder it showed.
std::string ShownAt(const std::string& start, const std::function<void(QFileDialog*)>& look = nullptr) {
    QString shownAt;
    WhenModal<QFileDialog>([&shownAt, look](QFileDialog* dialog) {
        shownAt = dialog->directory().absolutePath();
        if (look)
            look(dialog);
        dialog->reject();
    });
    std::string folder = "untouched";
    EXPECT_FALSE(QtUiServices().BrowseForFolder("フォルダの選択", start, folder));
    EXPECT_EQ(folder, "untouched");
    return shownAt.toStdString();
}

TEST_F(FolderServices, TheBrowserStartsAtTheFolderAndGivesTheChoice) {
    const std::string start = sandbox().work + "start";
    ASSERT_EQ(mkdir(start.c_str(), 0755), 0);
    EXPECT_EQ(ShownAt(start), start);

    std::string folder;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        dialog->selectFile(QString::fromStdString(start));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_TRUE(QtUiServices().BrowseForFolder("フォルダの選択", sandbox().work, folder));
    EXPECT_EQ(folder, start);
}

// Qt's own texts of the chooser come in Japanese like the rest of the program, whatever the system's locale.
TEST_F(FolderServices, WithoutAStartFolderTheBrowserOpensAtHomeInJapanese) {
    const std::string home = QDir::cleanPath(QString::fromStdString(sandbox().home)).toStdString();
    std::string accept, reject, lookIn;
    const auto readTexts = [&](QFileDialog* dialog) {
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        auto* lookInLabel = dialog->findChild<QLabel*>("lookInLabel");
        ASSERT_TRUE(buttons && buttons->button(QDialogButtonBox::Open) && buttons->button(QDialogButtonBox::Cancel));
        ASSERT_TRUE(lookInLabel);
        accept = buttons->button(QDialogButtonBox::Open)->text().toStdString();
        reject = buttons->button(QDialogButtonBox::Cancel)->text().toStdString();
        lookIn = lookInLabel->text().toStdString();
    };
    EXPECT_EQ(ShownAt("", readTexts), home);
    EXPECT_EQ(accept, "選択(&C)");
    EXPECT_EQ(reject, "キャンセル");
    EXPECT_EQ(lookIn, "アドレス:");

    EXPECT_EQ(ShownAt(sandbox().work + "gone"), home) << "a start folder that does not exist";
}

TEST_F(FolderServices, AFolderOpensWithTheDesktopsOpenerAsOneArgument) {
    const auto previous = win::SetUi(std::make_shared<QtUiServices>());
    tarvo::test::StandInProgram xdgOpen(sandbox().work, "xdg-open");
    // Blanks, quotes, a command separator and a length past any fixed command-line buffer reach it unchanged.
    const std::string folder = sandbox().work + "a folder; with 'quotes' & \"more\"/" + std::string(300, 'x') + "/";
    OpenFolderInExplorer(folder);
    EXPECT_EQ(xdgOpen.Recorded(), "1|" + folder + "|");
    win::SetUi(previous);
}

}  // namespace
