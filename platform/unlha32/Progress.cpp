#include "platform/unlha32/Progress.h"

#include <mutex>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Messages.h"

// The host's message core; weak, so the library still loads into a program that has none.
namespace win {
UINT RegisterWindowMessageA(const char* name) __attribute__((weak));
}
#pragma weak SendMessageA

namespace lha {

namespace {

constexpr uint64_t kReportStep = 256 * 1024;

struct Owner {
    std::mutex lock;
    win::HWND wnd = 0;
    ARCHIVERPROC callback = nullptr;
};

Owner& owner() {
    static Owner o;
    return o;
}

}  // namespace

bool SetOwnerWindow(win::HWND wnd, ARCHIVERPROC callback) {
    std::lock_guard<std::mutex> guard(owner().lock);
    owner().wnd = wnd;
    owner().callback = callback;
    return wnd != 0;
}

bool KillOwnerWindow(win::HWND wnd) {
    std::lock_guard<std::mutex> guard(owner().lock);
    if (owner().wnd == 0 || (wnd != 0 && wnd != owner().wnd))
        return false;
    owner().wnd = 0;
    owner().callback = nullptr;
    return true;
}

Progress::Progress() {
    {
        std::lock_guard<std::mutex> guard(owner().lock);
        owner_ = owner().wnd;
        callback_ = owner().callback;
    }
    if (owner_ && &win::RegisterWindowMessageA)
        message_ = win::RegisterWindowMessageA("wm_arcextract");
}

void Progress::Begin(const std::string& source, const std::string& destination, uint64_t size) {
    CopyUtf8Field(info_.SourceFileName, sizeof info_.SourceFileName, source);
    CopyUtf8Field(info_.DestFileName, sizeof info_.DestFileName, destination);
    info_.FileSize64 = size;
    info_.FileSize = static_cast<uint32_t>(size);
    info_.WriteSize64 = 0;
    info_.WriteSize = 0;
    reported_ = 0;
    Report(ARCEXTRACT_BEGIN);
}

void Progress::Advance(uint64_t done) {
    info_.WriteSize64 = done;
    info_.WriteSize = static_cast<uint32_t>(done);
    if (done - reported_ < kReportStep && done != info_.FileSize64)
        return;
    reported_ = done;
    Report(ARCEXTRACT_INPROCESS);
}

void Progress::End() {
    Report(ARCEXTRACT_END);
}

void Progress::Report(win::UINT state) {
    if (!owner_)
        return;
    bool cancel = false;
    if (callback_) {
        cancel = callback_(owner_, message_, state, &info_) == win::FALSE;
    } else if (message_ && &SendMessageA) {
        cancel = SendMessageA(owner_, message_, state, reinterpret_cast<win::LPARAM>(&info_)) != 0;
    }
    if (cancel)
        throw Cancelled{};
}

}  // namespace lha
