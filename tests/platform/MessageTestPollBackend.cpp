// The message core tests on the poll backend.
#include "tests/platform/MessageTestBackend.h"

#include "platform/win/MessageLoop.h"

namespace tarvo::test {

void InstallMessageTestBackend() {
    win::SetThreadBackend(nullptr);
}

}  // namespace tarvo::test
