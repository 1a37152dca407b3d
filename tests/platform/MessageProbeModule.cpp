// A library loaded at run time that reaches the host's message core, as the archiver libraries do: it links
// no message core of its own, so SendMessageA must come from the program.
#include "platform/win/Messages.h"

extern "C" win::LRESULT ProbeSendMessage(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    return SendMessageA(hwnd, msg, wParam, lParam);
}
