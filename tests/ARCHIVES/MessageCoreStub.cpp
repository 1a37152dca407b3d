// The few message-core calls the component makes, for as long as platform_win does not provide them:
// utility windows whose messages go straight to their method, on the calling thread.
#include <map>
#include <string>

#include "platform/rtl/SysUtils.h"
#include "platform/win/MessageLoop.h"

namespace win {

namespace {

std::map<HWND, TWndMethod>& Windows() {
    static std::map<HWND, TWndMethod> windows;
    return windows;
}

}  // namespace

UINT RegisterWindowMessageA(const char* name) {
    static std::map<std::string, UINT> numbers;
    auto [it, added] = numbers.emplace(LowerCase(name), 0xC000 + static_cast<UINT>(numbers.size()));
    return it->second;
}

HWND AllocateHWnd(TWndMethod method) {
    static HWND next = 0x100;
    Windows()[++next] = std::move(method);
    return next;
}

void DeallocateHWnd(HWND hwnd) {
    Windows().erase(hwnd);
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

}  // namespace win

win::LRESULT SendMessageA(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    auto it = win::Windows().find(hwnd);
    if (it == win::Windows().end())
        return 0;
    win::TMessage message{msg, wParam, lParam, 0};
    it->second(message);
    return message.Result;
}
