// The main of every test binary: the sandbox is set up before any test runs (TestEnvironment.h), then the
// message-core backend the run asks for (TestBackend.h).
#include <gmock/gmock.h>

#include "tests/support/TestBackend.h"
#include "tests/support/TestEnvironment.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    tarvo::test::RegisterProcessEnvironment();
    tarvo::test::RegisterTestBackend();
    return RUN_ALL_TESTS();
}
