#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

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

TEST_F(FolderServices, TheBrowserStartsAtTheFolderAndGivesTheChoice) {
    const std::string start = sandbox().work + "start";
    ASSERT_EQ(mkdir(start.c_str(), 0755), 0);
    QString shownAt;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        shownAt = dialog->directory().absolutePath();
        dialog->reject();
    });
    std::string folder = "untouched";
    EXPECT_FALSE(QtUiServices().BrowseForFolder("フォルダの選択", start, folder));
    EXPECT_EQ(folder, "untouched");
    EXPECT_EQ(shownAt.toStdString(), start);

    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        dialog->selectFile(QString::fromStdString(start));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_TRUE(QtUiServices().BrowseForFolder("フォルダの選択", sandbox().work, folder));
    EXPECT_EQ(folder, start);
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
