// Window classes, windows and their records, registered message numbers.
#include "platform/win/Messages.h"

#include <unistd.h>

#include "platform/rtl/SysUtils.h"
#include "platform/win/MessagesCore.h"

namespace win {

using detail::Core;
using detail::FindWindowLocked;
using detail::LiveWindowLocked;
using detail::OwnedWindowLocked;
using detail::TheCore;
using detail::Window;
using detail::WindowClass;

namespace {

constexpr HINSTANCE kProgramInstance = 0x400000;
constexpr UINT kFirstAtom = 0xC000;
constexpr UINT kLastAtom = 0xFFFF;

// One table for class names and registered messages, as the system's atom table: the same name (case
// ignored) always gives the same number.
UINT AtomLocked(const std::string& name) {
    Core& core = TheCore();
    std::string key = LowerCase(name);
    if (auto it = core.atoms.find(key); it != core.atoms.end())
        return it->second;
    UINT atom = kFirstAtom + static_cast<UINT>(core.atoms.size());
    if (atom > kLastAtom)
        return 0;
    core.atoms.emplace(std::move(key), atom);
    return atom;
}

std::pair<HINSTANCE, std::string> ClassKey(HINSTANCE instance, const char* name) {
    return {instance, LowerCase(name)};
}

std::shared_ptr<WindowClass> FindClassLocked(HINSTANCE instance, const char* name) {
    if (!name)
        return nullptr;
    Core& core = TheCore();
    auto it = core.classes.find(ClassKey(instance, name));
    return it == core.classes.end() ? nullptr : it->second;
}

// The storage behind a window-long index, nullptr for an index the window does not have.
LONG_PTR* WindowLongSlot(Window& w, int index) {
    if (index == GWLP_USERDATA)
        return &w.userData;
    if (index < 0 || index % 4 != 0)
        return nullptr;
    size_t slot = static_cast<size_t>(index) / 4;
    return slot < w.extra.size() ? &w.extra[slot] : nullptr;
}

}  // namespace

HINSTANCE GetModuleInstance() {
    return kProgramInstance;
}

ATOM RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpfnWndProc || !wc->lpszClassName || !*wc->lpszClassName || wc->cbWndExtra < 0 ||
        wc->cbClsExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Core& core = TheCore();
    std::lock_guard lock(core.mutex);
    if (FindClassLocked(wc->hInstance, wc->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    UINT atom = AtomLocked(wc->lpszClassName);
    if (atom == 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    auto cls = std::make_shared<WindowClass>();
    cls->wc = *wc;
    cls->name = wc->lpszClassName;
    cls->wc.lpszClassName = nullptr;  // the caller's text may not outlive the call
    core.classes.emplace(ClassKey(wc->hInstance, wc->lpszClassName), std::move(cls));
    return static_cast<ATOM>(atom);
}

BOOL UnregisterClassA(const char* className, HINSTANCE instance) {
    Core& core = TheCore();
    std::lock_guard lock(core.mutex);
    auto cls = FindClassLocked(instance, className);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (cls->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    core.classes.erase(ClassKey(instance, className));
    return TRUE;
}

BOOL GetClassInfoA(HINSTANCE instance, const char* className, WNDCLASSA* wc) {
    if (!wc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(TheCore().mutex);
    auto cls = FindClassLocked(instance, className);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *wc = cls->wc;
    wc->lpszClassName = className;
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HANDLE menu, HINSTANCE instance, void* param) {
    detail::ThreadState& me = detail::CurrentThread();
    auto w = std::make_shared<Window>();
    {
        Core& core = TheCore();
        std::lock_guard lock(core.mutex);
        w->cls = FindClassLocked(instance, className);
        if (!w->cls) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return 0;
        }
        w->hwnd = core.nextHwnd;
        core.nextHwnd += 2;
        w->thread = me.shared_from_this();
        w->proc = w->cls->wc.lpfnWndProc;
        w->extra.assign((static_cast<size_t>(w->cls->wc.cbWndExtra) + 3) / 4, 0);
        ++w->cls->windows;
        core.windows.emplace(w->hwnd, w);
    }
    CREATESTRUCTA cs{param, instance, menu, parent, height, width, y, x, style, windowName, className, exStyle};
    if (detail::CallWindowProcedure(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(w->hwnd);
        return 0;
    }
    return IsWindow(w->hwnd) ? w->hwnd : 0;  // WM_CREATE may have destroyed it
}

BOOL DestroyWindow(HWND hwnd) {
    detail::ThreadState& me = detail::CurrentThread();
    std::shared_ptr<Window> w;  // outlives the lock: the record may be freed with it
    {
        std::lock_guard lock(TheCore().mutex);
        w = OwnedWindowLocked(hwnd, me);
        if (!w)
            return FALSE;
        if (w->destroying)
            return TRUE;
        w->destroying = true;
    }
    detail::CallWindowProcedure(w, WM_DESTROY, 0, 0);
    std::lock_guard lock(TheCore().mutex);
    detail::RemoveWindowLocked(*w);
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    std::lock_guard lock(TheCore().mutex);
    return FindWindowLocked(hwnd) ? TRUE : FALSE;
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    std::lock_guard lock(TheCore().mutex);
    auto w = LiveWindowLocked(hwnd);
    if (!w)
        return 0;
    if (index == GWLP_WNDPROC) {
        auto old = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<WNDPROC>(value);
        return old;
    }
    LONG_PTR* slot = WindowLongSlot(*w, index);
    if (!slot) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    return std::exchange(*slot, value);
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
    std::lock_guard lock(TheCore().mutex);
    auto w = LiveWindowLocked(hwnd);
    if (!w)
        return 0;
    if (index == GWLP_WNDPROC)
        return reinterpret_cast<LONG_PTR>(w->proc);
    LONG_PTR* slot = WindowLongSlot(*w, index);
    if (!slot) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    return *slot;
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_CLOSE)
        DestroyWindow(hwnd);
    return 0;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
    std::lock_guard lock(TheCore().mutex);
    auto w = LiveWindowLocked(hwnd);
    if (!w)
        return 0;
    if (processId)
        *processId = static_cast<DWORD>(getpid());
    return w->thread->id;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    std::lock_guard lock(TheCore().mutex);
    auto w = LiveWindowLocked(hwnd);
    if (!w)
        return FALSE;
    return std::exchange(w->enabled, enable != FALSE) ? FALSE : TRUE;
}

BOOL IsWindowEnabled(HWND hwnd) {
    std::lock_guard lock(TheCore().mutex);
    auto w = LiveWindowLocked(hwnd);
    return w && w->enabled ? TRUE : FALSE;
}

UINT RegisterWindowMessageA(const char* name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard lock(TheCore().mutex);
    UINT atom = AtomLocked(name);
    if (atom == 0)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return atom;
}

}  // namespace win
