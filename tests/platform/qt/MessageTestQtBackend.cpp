// The message core tests on the Qt backend (the QApplication comes from the test main's backend switch).
#include "platform/qt/QtMessageBackend.h"
#include "tests/platform/MessageTestBackend.h"

namespace tarvo::test {

void InstallMessageTestBackend() {
    win::InstallQtMessageBackend();
}

}  // namespace tarvo::test
