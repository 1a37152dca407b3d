#pragma once
// Progress reports to the owner window that SetOwnerWindowEx named: the registered message "wm_arcextract"
// sent through the host's SendMessageA (wParam the state, lParam the progress record), or the owner's
// callback when one was given. A non-zero message result, or a callback returning FALSE, cancels.
// The library never links a message core of its own: SendMessageA and RegisterWindowMessageA are the host's,
// resolved when the library is loaded, and without them nothing is sent.

#include <cstdint>
#include <string>

#include "platform/ArchiverApi.h"

namespace lha {

bool SetOwnerWindow(win::HWND wnd, ARCHIVERPROC callback);
bool KillOwnerWindow(win::HWND wnd);

// Raised when the owner cancels; the entry returns ARCERROR_CANCELLED.
struct Cancelled {};

// One command's reports, to the owner that was set when the command started.
class Progress {
public:
    Progress();

    // An entry starts: the names and size go into the record, then ARCEXTRACT_BEGIN.
    void Begin(const std::string& source, const std::string& destination, uint64_t size);
    // done bytes of the current entry; reported at most every few hundred KiB, and at the end.
    void Advance(uint64_t done);
    void End();
    void Report(win::UINT state);  // any other state with the record as it stands

private:
    win::HWND owner_ = 0;
    ARCHIVERPROC callback_ = nullptr;
    win::UINT message_ = 0;
    uint64_t reported_ = 0;
    ArcExtractingInfo info_{};
};

}  // namespace lha
