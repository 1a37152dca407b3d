// Run when a test run ends: removes the session accounts of test processes that died before they could.
#include <cstdio>

#include "tests/support/SessionAccount.h"

int main() {
    const std::string removed = tarvo::test::RemoveOrphanedSessionAccounts();
    if (!removed.empty())
        std::printf("removed the session accounts of processes that died: %s\n", removed.c_str());
    return 0;
}
