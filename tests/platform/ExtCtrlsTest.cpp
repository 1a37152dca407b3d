#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/rtl/SysUtils.h"
#include "platform/win/ExtCtrls.h"
#include "tests/support/ManualClock.h"

namespace {

class TTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        clock = tarvo::test::UseManualClock();
        clock->Set(5000);
    }
    void TearDown() override {
        win::SetClock(nullptr);
        win::Application::SetExceptionHandler(nullptr);
    }
    // Moves the clock and handles what became due.
    void Pass(uint64_t ms) {
        clock->Advance(ms);
        win::Application::ProcessMessages();
    }
    std::shared_ptr<tarvo::test::ManualClock> clock;
};

TEST_F(TTimerTest, RunsEveryIntervalOnlyWhileEnabledWithAHandler) {
    TTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    int ticks = 0;
    timer.SetInterval(500);
    Pass(600);
    timer.SetOnTimer([&](TTimer* sender) {
        EXPECT_EQ(sender, &timer);
        ++ticks;
    });
    Pass(499);
    EXPECT_EQ(ticks, 0) << "the interval counts from when the handler came";
    Pass(1);
    EXPECT_EQ(ticks, 1);
    Pass(500);
    EXPECT_EQ(ticks, 2);

    timer.SetEnabled(false);
    Pass(2000);
    EXPECT_EQ(ticks, 2);
    timer.SetEnabled(true);
    Pass(400);
    EXPECT_EQ(ticks, 2) << "enabling again starts a whole interval";
    Pass(100);
    EXPECT_EQ(ticks, 3);

    timer.SetInterval(0);
    Pass(5000);
    EXPECT_EQ(ticks, 3);
}

TEST_F(TTimerTest, AHandlerMayFreeItsTimerAndExceptionsGoToTheApplication) {
    auto timer = std::make_unique<TTimer>();
    timer->SetInterval(100);
    timer->SetOnTimer([&](TTimer*) { timer.reset(); });
    Pass(100);
    EXPECT_EQ(timer, nullptr);

    std::string reported;
    win::Application::SetExceptionHandler([&](const std::exception& e) { reported = e.what(); });
    TTimer failing;
    failing.SetInterval(100);
    failing.SetOnTimer([](TTimer*) { throw Exception("tick failed"); });
    Pass(100);
    EXPECT_EQ(reported, "tick failed");
}

}  // namespace
