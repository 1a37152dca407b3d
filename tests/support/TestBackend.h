#pragma once
// The message-core backend a test process runs on, chosen by $TARVO_TEST_BACKEND: "poll" (the default) or "qt".
// "qt" loads libtarvo_test_qt.so from $TARVO_LIBRARY_PATH, which makes the process's QApplication (on the platform
// $QT_QPA_PLATFORM names; the GUI tests use offscreen) and installs the Qt backend on the main thread, so any test
// binary runs unchanged on the backend of the GUI programs. Nothing here links Qt.

namespace tarvo::test {

// Called by the test main after the sandbox is registered; the backend is set up before the first test runs.
void RegisterTestBackend();

}  // namespace tarvo::test
