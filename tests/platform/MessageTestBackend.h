#pragma once
// The waiting backend the message core tests run on. Each test binary links one implementation, so the same
// tests run on the poll backend and on a toolkit's.

namespace tarvo::test {

// Installs the backend on the calling thread (the test thread); called before each test.
void InstallMessageTestBackend();

}  // namespace tarvo::test
