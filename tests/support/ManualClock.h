#pragma once
// A clock that moves only when a test tells it to, for timers, time-outs and the tick count.

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/win/MessageLoop.h"

namespace tarvo::test {

class ManualClock : public win::Clock {
public:
    uint64_t NowMs() override { return now_.load(); }
    void Set(uint64_t ms) { now_ = ms; }
    void Advance(uint64_t ms) { now_ += ms; }

private:
    std::atomic<uint64_t> now_{1000};
};

// Makes a new manual clock the process's clock; win::SetClock(nullptr) puts the steady one back.
inline std::shared_ptr<ManualClock> UseManualClock() {
    auto clock = std::make_shared<ManualClock>();
    win::SetClock(clock);
    return clock;
}

}  // namespace tarvo::test
