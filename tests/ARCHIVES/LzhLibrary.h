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

// data.txt (text) and random.bin (4 KiB that do not compress) in folder.
void WriteSampleFiles(const std::string& folder);
// Archives of the sample files as Debian's archivers write them: sample.zip, sample.tar, sample.tar.gz,
// sample.7z, sample.cab and sample.arj. Fails the test when a tool does.
void MakeSampleArchives(const std::string& folder);

}  // namespace tarvo::test
