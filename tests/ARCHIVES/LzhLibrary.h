#pragma once
// Tests that run the component against the real stand-in library libunlha32.so: they skip while it is not
// part of the build, and run shell tools (Debian's archivers) for samples and cross-checks.

#include <string>

#include "tests/support/TestEnvironment.h"

namespace tarvo::test {

class LzhLibraryTest : public TarvoTest {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Runs a shell command line in folder; true when it exited with 0.
bool RunIn(const std::string& folder, const std::string& commandLine);
// Quoted for the shell.
std::string Shell(const std::string& text);

}  // namespace tarvo::test
