#pragma once
// Every test process runs in a private sandbox: its own machine root ($TARVO_MACHINE), temporary folder
// ($TMPDIR), home and XDG folders, and the fixed time zone JST-9, so tests run in parallel and never touch
// the real home, registry or system folders. TarvoTest gives each test case a fresh sandbox of its own.

#include <gtest/gtest.h>

#include <string>

namespace tarvo::test {

// Called by the test main before the tests run.
void RegisterProcessEnvironment();

// The sandbox of the running test: every path ends with "/".
struct Sandbox {
    std::string top;  // the folder of every sandbox of the process: the highest folder that is the test's own
    std::string root;
    std::string machine;  // $TARVO_MACHINE
    std::string tmp;      // $TMPDIR
    std::string home;     // $HOME
    std::string work;     // a scratch folder for the test's own files
};
const Sandbox& CurrentSandbox();

// Base fixture: a fresh sandbox per test case, removed afterwards (kept when TARVO_KEEP_SANDBOX is set).
class TarvoTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    const Sandbox& sandbox() const { return CurrentSandbox(); }
};

// Files for tests.
void WriteFile(const std::string& path, const std::string& bytes);  // creates missing folders
std::string ReadFile(const std::string& path);                      // fails the test when unreadable
// True once the file exists, waiting at most a minute for another process to make it. One whose content is read
// must be made whole before it shows: written aside, then renamed.
bool WaitForFile(const std::string& path);
std::string RandomBytes(size_t count, uint32_t seed);
std::string TestDataPath(const std::string& relative);  // under tests/data

}  // namespace tarvo::test
