#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>

#include "platform/win/MachineRoot.h"
#include "platform/win/Modules.h"
#include "setup/Unit_ResetForm.h"
#include "tests/support/RegistryValues.h"
#include "tests/support/ScriptedUi.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace tarvo::test;

class ResetFormTest : public TarvoTest {
protected:
    void TearDown() override {
        delete form;
        win::ClearModuleHooks();
        TarvoTest::TearDown();
    }
    // The prompt as the uninstaller shows it, though not modally; it frees itself when closed.
    TResetForm* Open() {
        form = new TResetForm();
        form->show();
        return form;
    }
    // Whether closing freed the window.
    bool Freed() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return form.isNull();
    }
    static bool User32Held() { return win::GetModuleHandleA("user32.dll") != 0; }

    ScopedScriptedUi ui;  // the prompt shows no message box of its own
    QPointer<TResetForm> form;
};

TEST_F(ResetFormTest, OnlyTheRoundedPanelShows) {
    EXPECT_FALSE(User32Held());
    Open();
    const QRegion shown = form->mask();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_FALSE(shown.contains(QPoint(0, 0)));      // the form's own strip left of the panel
    EXPECT_FALSE(shown.contains(QPoint(5, 1)));      // outside the panel's top-left corner ellipse
    EXPECT_FALSE(shown.contains(QPoint(402, 90)));   // right of the panel
    EXPECT_FALSE(shown.contains(QPoint(200, 177)));  // below it
    EXPECT_TRUE(shown.contains(QPoint(200, 90)));
    EXPECT_TRUE(shown.contains(QPoint(4, 90)));  // the outline itself
    EXPECT_TRUE(User32Held());
    form->close();
    EXPECT_TRUE(Freed());
    EXPECT_FALSE(User32Held());  // released once, with the window
}

TEST_F(ResetFormTest, WithoutLayeredWindowsTheCornersShow) {
    win::HideModuleEntry("user32.dll", "SetLayeredWindowAttributes");
    Open();
    EXPECT_FALSE(User32Held());  // released at once
    EXPECT_TRUE(form->mask().isEmpty());
    EXPECT_EQ(form->grab().toImage().pixelColor(0, 0), QColor(0, 255, 0));
}

TEST_F(ResetFormTest, CancelOnlyCloses) {
    Open();
    QTest::mouseClick(form->PicBtnGroup2, Qt::LeftButton);
    EXPECT_TRUE(Freed());
    EXPECT_TRUE(win::ReadJournal().empty());
}

TEST_F(ResetFormTest, RestartIsRecordedNeverPerformed) {
    SetRegString(win::HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "Tarvo2",
                 "cmd.exe /c \"rmdir /S /Q X\"");
    Open();
    QTest::mouseClick(form->PicBtnGroup1, Qt::LeftButton);
    EXPECT_TRUE(Freed());
    EXPECT_EQ(win::ReadJournal(),
              (std::vector<std::string>{
                  "restart flags=0x2", "run-once HKEY_LOCAL_MACHINE \"Tarvo2\"=\"cmd.exe /c \\\"rmdir /S /Q X\\\"\""}));
}

TEST_F(ResetFormTest, ARestartThatFailsStillClosesThePrompt) {
    WriteFile(sandbox().machine + "journal", "in the way");
    ui->ExpectMessageBox(win::IDOK, "コンピューターを再起動できませんでした。");
    Open();
    form->PicBtnGroup1->Click();
    EXPECT_TRUE(Freed());
}

}  // namespace
