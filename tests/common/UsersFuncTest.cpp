#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <memory>

#include "common/Unit_WaitForm.h"
#include "common/Users_Func.h"
#include "platform/qt/Forms.h"
#include "platform/rtl/DateTime.h"
#include "platform/win/MessageLoop.h"
#include "tests/support/ManualClock.h"

namespace {

TEST(IntToStrZero, PadsWithZerosAfterTheSign) {
    EXPECT_EQ(IntToStrZero(7, 4), "0007");
    EXPECT_EQ(IntToStrZero(12345, 4), "12345");
    EXPECT_EQ(IntToStrZero(-7, 4), "-0007");
    EXPECT_EQ(IntToStrZero(0, 2), "00");
    EXPECT_EQ(IntToStrZero(-2147483647 - 1, 12), "-002147483648");
    EXPECT_EQ(IntToStrZero(42, 0), "42");
    EXPECT_EQ(IntToStrZero(42, -3), "42");
}

TEST(UnscrambleText, HalvesEveryByteToSevenBits) {
    std::string plain = "left over";
    UnscrambleText("\xC2\xC4\xC6", plain);
    EXPECT_EQ(plain, "abc");
    UnscrambleText("", plain);
    EXPECT_EQ(plain, "");
    UnscrambleText(std::string("\x01\xFF\x80", 3), plain);
    EXPECT_EQ(plain, std::string("\x00\x7F\x40", 3));
}

TEST(FileTimeToDateTime, ConvertsToLocalTimeAndGivesZeroForWhatCannotBe) {
    EXPECT_EQ(FileTimeToDateTime(win::FILETIME{}), 0.0);
    // 2000-01-01 00:00:00 UTC is 09:00 in the tests' zone, JST-9.
    const uint64_t y2k = 125911584000000000ull;
    const win::FILETIME ft{static_cast<win::DWORD>(y2k), static_cast<win::DWORD>(y2k >> 32)};
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(ft), EncodeDate(2000, 1, 1) + EncodeTime(9, 0, 0, 0));
    EXPECT_EQ(FileTimeToDateTime(win::FILETIME{0xFFFFFFFF, 0xFFFFFFFF}), 0.0);
    EXPECT_EQ(FileTimeToDateTime(win::FILETIME{0, 0x7FFFFFFF}), 0.0);
}

// The wait window's 500 ms timer runs on a clock the test moves.
class WaitWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        clock = tarvo::test::UseManualClock();
        clock->Set(10000);
    }
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "fom_Wait")
                delete w;
        WaitBusy = false;
        win::SetClock(nullptr);
    }
    void Tick() {
        clock->Advance(500);
        win::Application::ProcessMessages();
    }
    // A tick handled from the queue alone, before Qt's own events (and so the freeing of a closed window) run.
    void TickWithoutQtEvents() {
        clock->Advance(500);
        win::MSG msg;
        for (int i = 0; i < 100 && win::PeekMessageA(&msg, 0, 0, 0, win::PM_REMOVE); ++i)
            win::DispatchMessageA(&msg);
    }
    static void FreeClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    static int WaitWindows() {
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            count += w->objectName() == "fom_Wait";
        return count;
    }
    std::shared_ptr<tarvo::test::ManualClock> clock;
};

TEST_F(WaitWindowTest, StaysWhileBusyAndClosesAtTheTickAfterHideWait) {
    ShowWait("ただいま、トランクリストを取得中です．．．");
    ASSERT_TRUE(fom_Wait);
    QPointer<Tfom_Wait> shown = fom_Wait.data();
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->windowTitle(), QStringLiteral("処理中．．．"));
    EXPECT_EQ(shown->mmMsg->text(), QStringLiteral("ただいま、トランクリストを取得中です．．．"));
    EXPECT_TRUE(shown->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(shown->size(), QSize(317, 51));

    Tick();
    Tick();
    EXPECT_TRUE(shown->isVisible());
    HideWait();
    EXPECT_TRUE(shown->isVisible()) << "it goes at the next tick, not at once";
    TickWithoutQtEvents();
    ASSERT_TRUE(shown);
    EXPECT_FALSE(shown->isVisible());
    EXPECT_TRUE(shown->Closing());
    FreeClosedWindows();
    EXPECT_TRUE(shown.isNull());
    EXPECT_TRUE(fom_Wait.isNull());
    EXPECT_FALSE(FormExists("fom_Wait"));
}

TEST_F(WaitWindowTest, ASecondShowWaitReusesTheOpenWindowAndOnlyChangesItsText) {
    ShowWait("one");
    Tfom_Wait* first = fom_Wait;
    ShowWait("削除処理をしています．．．");
    EXPECT_EQ(fom_Wait.data(), first);
    EXPECT_EQ(WaitWindows(), 1);
    EXPECT_EQ(first->mmMsg->text(), QStringLiteral("削除処理をしています．．．"));
}

TEST_F(WaitWindowTest, ShowWaitSoonAfterHideWaitKeepsTheWindowUpDuringTheWork) {
    ShowWait("first job");
    QPointer<Tfom_Wait> window = fom_Wait.data();
    HideWait();
    ShowWait("second job");  // before the tick: the same window, still on screen
    EXPECT_EQ(fom_Wait.data(), window.data());
    Tick();
    Tick();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible()) << "the second job's window must not close under it";
    HideWait();
    Tick();
    EXPECT_TRUE(window.isNull() || !window->isVisible());
}

TEST_F(WaitWindowTest, AWindowBeingClosedIsNeverShownAgain) {
    ShowWait("first job");
    QPointer<Tfom_Wait> closing = fom_Wait.data();
    HideWait();
    TickWithoutQtEvents();
    ASSERT_TRUE(closing);  // closed, not yet freed
    ASSERT_TRUE(FormExists("fom_Wait"));
    ShowWait("second job");
    EXPECT_NE(fom_Wait.data(), closing.data());
    EXPECT_TRUE(fom_Wait->isVisible());
    FreeClosedWindows();
    EXPECT_TRUE(closing.isNull());
    ASSERT_TRUE(fom_Wait);
    Tick();
    EXPECT_TRUE(fom_Wait->isVisible()) << "the new window is busy";
}

TEST_F(WaitWindowTest, TheStartUpWindowClosesUnseenAtItsFirstTick) {
    QPointer<Tfom_Wait> startUp = CreateWaitForm();
    EXPECT_FALSE(startUp->isVisible());
    TickWithoutQtEvents();
    ASSERT_TRUE(startUp);
    EXPECT_TRUE(startUp->Closing());
    FreeClosedWindows();
    EXPECT_TRUE(startUp.isNull());
    ShowWait("later");
    ASSERT_TRUE(fom_Wait);
    EXPECT_TRUE(fom_Wait->isVisible());
}

TEST_F(WaitWindowTest, HideWaitWithoutAWindowOnlyClearsTheBusyFlag) {
    WaitBusy = true;
    HideWait();
    EXPECT_FALSE(WaitBusy);
    EXPECT_EQ(WaitWindows(), 0);
}

TEST_F(WaitWindowTest, ItIsCentredOnTheMainForm) {
    QWidget main;
    main.setGeometry(120, 90, 630, 480);
    main.show();
    SetMainForm(&main);
    ShowWait("centred");
    SetMainForm(nullptr);
    ASSERT_TRUE(fom_Wait);
    const QPoint offset = fom_Wait->frameGeometry().center() - main.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 4);
}

TEST_F(WaitWindowTest, FormExistsComparesNamesExactly) {
    ShowWait("x");
    EXPECT_TRUE(FormExists("fom_Wait"));
    EXPECT_FALSE(FormExists("fom_wait"));
    EXPECT_FALSE(FormExists(""));
}

}  // namespace
