#include "platform/win/LayeredWindows.h"

#include "platform/win/Messages.h"

namespace win {

namespace {

constexpr const char* SurfaceClassName = "TarvoSurfaceWindow";
// Window extra slots of a surface window.
constexpr int ExStyleSlot = 0;
constexpr int SurfaceSlot = 4;

LRESULT SurfaceWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool IsSurfaceWindow(HWND hwnd) {
    return IsWindow(hwnd) && GetWindowLongPtrA(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&SurfaceWindowProc);
}

// Only surface windows have an extended style; the last error tells a bad handle from another window.
bool HasExtendedStyle(HWND hwnd) {
    if (IsSurfaceWindow(hwnd))
        return true;
    SetLastError(IsWindow(hwnd) ? ERROR_INVALID_INDEX : ERROR_INVALID_WINDOW_HANDLE);
    return false;
}

LayeredSurface* SurfaceOf(HWND hwnd) {
    return reinterpret_cast<LayeredSurface*>(GetWindowLongPtrA(hwnd, SurfaceSlot));
}

bool RegisterSurfaceClass() {
    WNDCLASSA wc;
    if (GetClassInfoA(GetModuleInstance(), SurfaceClassName, &wc))
        return true;
    wc.lpfnWndProc = &SurfaceWindowProc;
    wc.cbWndExtra = 8;
    wc.hInstance = GetModuleInstance();
    wc.lpszClassName = SurfaceClassName;
    return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

HWND CreateSurfaceWindow(LayeredSurface* surface) {
    if (!surface) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!RegisterSurfaceClass())
        return 0;
    HWND hwnd = CreateWindowExA(0, SurfaceClassName, "", WS_POPUP, 0, 0, 0, 0, 0, 0, GetModuleInstance(), nullptr);
    if (hwnd)
        SetWindowLongPtrA(hwnd, SurfaceSlot, reinterpret_cast<LONG_PTR>(surface));
    return hwnd;
}

LONG GetWindowLongA(HWND hwnd, int index) {
    if (index != GWL_EXSTYLE)
        return static_cast<LONG>(GetWindowLongPtrA(hwnd, index));
    if (!HasExtendedStyle(hwnd))
        return 0;
    return static_cast<LONG>(GetWindowLongPtrA(hwnd, ExStyleSlot));
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
    if (index != GWL_EXSTYLE)
        return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, value));
    if (!HasExtendedStyle(hwnd))
        return 0;
    auto previous = static_cast<LONG>(SetWindowLongPtrA(hwnd, ExStyleSlot, static_cast<DWORD>(value)));
    // Taking the style away ends the layering, as on Windows.
    if ((previous & WS_EX_LAYERED) && !(value & WS_EX_LAYERED))
        SurfaceOf(hwnd)->SetLayering(std::nullopt, 255);
    return previous;
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) {
    if (!IsSurfaceWindow(hwnd) || !(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::optional<COLORREF> colorKey;
    if (flags & LWA_COLORKEY)
        colorKey = key & 0x00FFFFFF;
    SurfaceOf(hwnd)->SetLayering(colorKey, (flags & LWA_ALPHA) ? alpha : 255);
    return TRUE;
}

}  // namespace win
