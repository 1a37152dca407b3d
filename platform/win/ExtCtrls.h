#pragma once
// The class library's timer component: a utility window of the message core with one window timer, so OnTimer
// runs from the queue of the thread that made the timer, whenever that thread pumps messages. The timer runs
// while Enabled, Interval is not 0 and OnTimer is assigned. An exception from OnTimer goes to the application's
// exception handler.

#include <functional>

#include "platform/win/MessageLoop.h"

class TTimer {
public:
    using TNotifyEvent = std::function<void(TTimer* Sender)>;

    TTimer();
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    win::UINT Interval() const { return interval_; }  // milliseconds, 1000 at creation
    void SetInterval(win::UINT value);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler);

private:
    void UpdateTimer();

    win::HWND window_ = 0;
    bool enabled_ = true;
    win::UINT interval_ = 1000;
    TNotifyEvent onTimer_;
};
