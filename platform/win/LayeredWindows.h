#pragma once
// Layered windows, as user32 offers them to programs that look the call up at run time: a window with
// WS_EX_LAYERED in its extended style can be made see-through wherever it shows one colour (LWA_COLORKEY) and
// drawn with a constant opacity (LWA_ALPHA). The windows that show on screen are the toolkit's (the Qt forms):
// the toolkit gives such a window a handle here, with the surface that carries the effect out. Only these
// handles have an extended style; the message core's hidden windows have none.

#include <optional>

#include "platform/win/WinTypes.h"

namespace win {

using COLORREF = DWORD;  // 0x00BBGGRR

constexpr int GWL_EXSTYLE = -20;
constexpr DWORD WS_EX_LAYERED = 0x00080000;
constexpr DWORD LWA_COLORKEY = 0x1;
constexpr DWORD LWA_ALPHA = 0x2;

class LayeredSurface {
public:
    virtual ~LayeredSurface() = default;
    // The layering in force: pixels of colorKey see-through (none: no key), opacity 255 for opaque. Called with
    // no key and 255 when WS_EX_LAYERED is taken away again.
    virtual void SetLayering(std::optional<COLORREF> colorKey, BYTE opacity) = 0;
};

// A window of the message core standing for a toolkit window, on the calling thread; DestroyWindow ends it. The
// surface is not owned and must outlive the handle.
HWND CreateSurfaceWindow(LayeredSurface* surface);

// GWL_EXSTYLE of a surface window (ERROR_INVALID_INDEX for other windows); any other index as the pointer-sized
// calls. SetWindowLongA returns the previous value.
LONG GetWindowLongA(HWND hwnd, int index);
LONG SetWindowLongA(HWND hwnd, int index, LONG value);

// FALSE with ERROR_INVALID_PARAMETER unless the window has WS_EX_LAYERED; flags other than the two are ignored.
BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags);

}  // namespace win
