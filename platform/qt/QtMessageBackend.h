#pragma once
// The message core's backend for the GUI programs. Qt's event loop is the top loop: socket notifiers on the
// thread's wake-up descriptor and on its watched descriptors, and a timer for its next message-core timer,
// drain the queue from inside Qt's loop. When the message core waits itself (GetMessageA,
// MsgWaitForMultipleObjects in a blocking FTP call), it waits in Qt's event processing, so windows keep painting
// and Qt's timers keep running; Application::ProcessMessages runs Qt's pending events on each pass.
// A WM_QUIT taken off the queue from Qt's loop ends that loop (QCoreApplication::exit with its exit code).

namespace win {

// Installs the Qt backend on the calling thread, which must be the thread of the QCoreApplication.
void InstallQtMessageBackend();
// Puts the poll backend back; call it before the QCoreApplication goes.
void RemoveQtMessageBackend();

}  // namespace win
