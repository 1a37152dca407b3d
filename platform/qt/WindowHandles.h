#pragma once
// Handles of the message core for Qt windows, so that user32 calls taking a window reach a form: its extended
// style and its layering (LayeredWindows.h). A colour key becomes the window's mask, recomputed from what the
// window shows whenever it is shown or resized; an opacity becomes the window's opacity.

#include "platform/win/WinTypes.h"

class QWidget;

// The form's handle, made on first use and destroyed with the form; on the GUI thread.
win::HWND FormHandle(QWidget* form);
