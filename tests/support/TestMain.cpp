// The main of every test binary: the sandbox is set up before any test runs (TestEnvironment.h).
#include <gmock/gmock.h>

#include "tests/support/TestEnvironment.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    tarvo::test::RegisterProcessEnvironment();
    return RUN_ALL_TESTS();
}
