#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>

#include "client/MainForm.h"
#include "client/TrunkNames.h"
#include "platform/win/CodePage.h"
#include "tests/client/ClientFixture.h"
#include "tests/support/MessagePump.h"

namespace {

using namespace tarvo::test;

TEST(TrunkNamesTest, RuleRefusesWhatCannotBeOneFileName) {
    EXPECT_EQ(CheckTrunkName("月次報告2024"), TTrunkNameFault::None);
    EXPECT_EQ(CheckTrunkName("ソ表"), TTrunkNameFault::None);  // "ソ" ends in 0x5C in code page 932
    EXPECT_EQ(CheckTrunkName(""), TTrunkNameFault::Empty);
    for (char c : BadNameChars)
        EXPECT_EQ(CheckTrunkName(std::string("a") + c + "b"), TTrunkNameFault::BadChar) << c;
    EXPECT_EQ(CheckTrunkName("a\tb"), TTrunkNameFault::Control);
    EXPECT_EQ(CheckTrunkName("a\x7f"), TTrunkNameFault::Control);
    EXPECT_EQ(CheckTrunkName("."), TTrunkNameFault::DotName);
    EXPECT_EQ(CheckTrunkName(".."), TTrunkNameFault::DotName);
    EXPECT_EQ(CheckTrunkName("..."), TTrunkNameFault::None);
    EXPECT_EQ(CheckTrunkName("emoji😀"), TTrunkNameFault::NotCp932);
    EXPECT_EQ(CheckTrunkName("bad\xff"), TTrunkNameFault::NotCp932);
    // Names that would come back as other names from the server.
    EXPECT_EQ(CheckTrunkName("a¥b"), TTrunkNameFault::NotCp932);
    EXPECT_EQ(CheckTrunkName(win::RoundTripsCp932("〜") ? "報告～" : "報告〜"), TTrunkNameFault::NotCp932);
    EXPECT_EQ(CheckTrunkName(std::string(MaxTrunkNameBytes, 'x')), TTrunkNameFault::None);
    EXPECT_EQ(CheckTrunkName(std::string(MaxTrunkNameBytes + 1, 'x')), TTrunkNameFault::TooLong);
}

TEST(TrunkNamesTest, MessagesName12CharactersEndingInTheBlank) {
    EXPECT_EQ(BadNameChars.size(), 12u);
    EXPECT_EQ(TrunkNameFaultMessage(TTrunkNameFault::BadChar),
              "以下の文字はトランク名に使用できません。\r\n\r\n\\/:,;*?\"<>| ");
    EXPECT_EQ(TrunkNameFaultMessage(TTrunkNameFault::Empty), "トランク名を指定してください。");
}

TEST(TrunkNamesTest, SizeInKilobytesRoundsHalvesToEven) {
    EXPECT_EQ(SizeToKB(0), "0 KB");
    EXPECT_EQ(SizeToKB(1023), "1 KB");
    EXPECT_EQ(SizeToKB(512), "0 KB");
    EXPECT_EQ(SizeToKB(1536), "2 KB");
    EXPECT_EQ(SizeToKB(2560), "2 KB");
    EXPECT_EQ(SizeToKB(513), "1 KB");
    EXPECT_EQ(SizeToKB(int64_t{5} << 40), "5368709120 KB");
}

TEST(TrunkNamesTest, ArchivePathsSplitAtTheLastSlash) {
    std::string dir = "stale", name = "stale";
    SplitArchivePath("a/b/c.txt", dir, name);
    EXPECT_EQ(dir, "a/b/");
    EXPECT_EQ(name, "c.txt");
    SplitArchivePath("c.txt", dir, name);
    EXPECT_EQ(dir, "");
    EXPECT_EQ(name, "c.txt");
    SplitArchivePath("folder/", dir, name);
    EXPECT_EQ(dir, "folder/");
    EXPECT_EQ(name, "");
    SplitArchivePath("", dir, name);
    EXPECT_EQ(dir + name, "");
    EXPECT_EQ(EscapedName("a\\b\x01\xe9"), "a\\x5Cb\\x01\\xE9");
}

// The name field of a window on screen: only a move to another control of the window leaves it.
class TrunkNameFieldTest : public ClientTest {};

TEST_F(TrunkNameFieldTest, CheckedWhenTheFocusMovesToAnotherControlOnly) {
    ServeFolders({{"share"}});
    if (IsSkipped())
        return;
    auto form = StartClient();
    form->show();
    Click(form->btnSelUpLoad);
    QApplication::setActiveWindow(form.get());
    form->edTrunkName->setText("two words");
    form->edTrunkName->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(PumpUntil([&] { return form->edTrunkName->hasFocus(); }));

    // A popup opens and closes; the user turns to another window and back: the field was never left.
    QMenu menu;
    menu.addAction("x");
    menu.popup(form->mapToGlobal(QPoint(20, 20)));
    ASSERT_TRUE(PumpUntil([&] { return menu.isVisible(); }));
    menu.close();
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(PumpUntil([&] { return !form->edTrunkName->hasFocus(); }));
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(PumpUntil([&] { return form->edTrunkName->hasFocus(); }));
    EXPECT_TRUE((*ui_)->Shown().empty());

    // Tab, Backtab or a click on another control: the box, and the focus back in the field.
    for (Qt::FocusReason reason : {Qt::TabFocusReason, Qt::BacktabFocusReason, Qt::MouseFocusReason}) {
        (*ui_)->ExpectMessageBox(win::IDOK, TrunkNameFaultMessage(TTrunkNameFault::BadChar));
        form->mmComment->setFocus(reason);
        EXPECT_EQ((*ui_)->Pending(), 0u) << reason;
        EXPECT_TRUE(form->edTrunkName->hasFocus()) << reason;
    }
}

}  // namespace
