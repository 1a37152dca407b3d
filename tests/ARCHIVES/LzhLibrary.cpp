#include "tests/ARCHIVES/LzhLibrary.h"

#include <cstdlib>
#include <sstream>

#include "ARCHIVES/LHA32.h"
#include "platform/rtl/SysUtils.h"

namespace tarvo::test {

namespace {

bool LibraryBuilt() {
    const char* path = std::getenv("TARVO_LIBRARY_PATH");
    std::stringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':'))
        if (!folder.empty() && FileExists(IncludeTrailingPathDelimiter(folder) + "libunlha32.so"))
            return true;
    return false;
}

}  // namespace

void LzhLibraryTest::SetUp() {
    TarvoTest::SetUp();
    if (!LibraryBuilt())
        GTEST_SKIP() << "libunlha32.so is not part of this build";
}

void LzhLibraryTest::TearDown() {
    ReleaseLhaLibrary();
    TarvoTest::TearDown();
}

std::string Shell(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool RunIn(const std::string& folder, const std::string& commandLine) {
    std::string full = "cd " + Shell(folder) + " && " + commandLine + " >/dev/null 2>&1 </dev/null";
    return std::system(full.c_str()) == 0;
}

void WriteSampleFiles(const std::string& folder) {
    WriteFile(folder + "data.txt", "some text to pack, some text to pack, some text to pack\n");
    WriteFile(folder + "random.bin", RandomBytes(4096, 3));
}

void MakeSampleArchives(const std::string& folder) {
    ASSERT_TRUE(RunIn(folder, "zip -q sample.zip data.txt random.bin"));
    ASSERT_TRUE(RunIn(folder, "tar cf sample.tar data.txt random.bin"));
    ASSERT_TRUE(RunIn(folder, "gzip -k -c sample.tar > sample.tar.gz"));
    ASSERT_TRUE(RunIn(folder, "7z a -bd sample.7z data.txt random.bin"));
    ASSERT_TRUE(RunIn(folder, "gcab -c sample.cab data.txt random.bin"));
    ASSERT_TRUE(RunIn(folder, "arj a -y sample.arj data.txt random.bin"));
}

}  // namespace tarvo::test
