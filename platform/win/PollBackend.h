#pragma once
// The waiting backend of every thread that has no other: poll() on the thread's wake-up eventfd and its
// watched descriptors, for at most the timeout the message core gives (which the next timer bounds).

#include <thread>

#include "platform/win/MessageLoop.h"

namespace win {

class PollBackend final : public MessageBackend {
public:
    // Made on the thread it serves.
    explicit PollBackend(int wakeFd) : wakeFd_(wakeFd) {}
    void WaitForInput(int timeoutMs) override;
    void Wake() override;

private:
    int wakeFd_;  // owned by the thread's state, not by the backend
    const std::thread::id owner_ = std::this_thread::get_id();
};

}  // namespace win
