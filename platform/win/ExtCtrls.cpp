#include "platform/win/ExtCtrls.h"

namespace {
constexpr win::UINT_PTR kTimerId = 1;
}  // namespace

TTimer::TTimer() {
    window_ = win::AllocateHWnd([this](win::TMessage& m) {
        if (m.Msg == win::WM_TIMER && onTimer_) {
            TNotifyEvent handler = onTimer_;  // the handler may replace or free itself
            handler(this);
        }
    });
}

TTimer::~TTimer() {
    if (window_ != 0)
        win::DeallocateHWnd(window_);
}

void TTimer::SetEnabled(bool value) {
    if (value == enabled_)
        return;
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(win::UINT value) {
    if (value == interval_)
        return;
    interval_ = value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (window_ == 0)
        return;
    win::KillTimer(window_, kTimerId);
    if (enabled_ && interval_ != 0 && onTimer_)
        win::SetTimer(window_, kTimerId, interval_, nullptr);
}
