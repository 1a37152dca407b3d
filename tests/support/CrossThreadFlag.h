#pragma once
// A flag set on one thread and awaited, for a bounded time, on another: a peer's script and the test tell
// each other where they are without timing.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tarvo::test {

class CrossThreadFlag {
public:
    void Set() {
        std::lock_guard<std::mutex> guard(mutex_);
        set_ = true;
        cv_.notify_all();
    }
    void Clear() {
        std::lock_guard<std::mutex> guard(mutex_);
        set_ = false;
    }
    // True once set; false after about 20 s without.
    bool Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(20), [&] { return set_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool set_ = false;
};

}  // namespace tarvo::test
