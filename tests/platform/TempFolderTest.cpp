#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/win/TempFolder.h"
#include "tests/support/Raised.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace tarvo::test;
namespace fs = std::filesystem;

class TempFolderTest : public TarvoTest {
protected:
    std::string Expected() { return sandbox().tmp + "tarvo-" + std::to_string(geteuid()) + "/"; }
    std::string RefusalMessage() {
        return RaisedBy<EInOutError>([] { win::PrivateTempDir(); });
    }
};

TEST_F(TempFolderTest, MadePrivateForTheUser) {
    EXPECT_EQ(win::PrivateTempDir(), Expected());
    struct stat st;
    ASSERT_EQ(stat(Expected().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // A folder of our own that others could write to is closed again.
    chmod(Expected().c_str(), 0777);
    EXPECT_EQ(win::PrivateTempDir(), Expected());
    stat(Expected().c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    char buf[600];
    EXPECT_EQ(win::GetTempPathA(sizeof buf, buf), Expected().size());
    EXPECT_EQ(std::string(buf), Expected());
    EXPECT_EQ(win::GetTempPathA(4, buf), Expected().size() + 1);
}

TEST_F(TempFolderTest, RefusesALink) {
    fs::create_directory(sandbox().work + "elsewhere");
    fs::create_directory_symlink(sandbox().work + "elsewhere", ExcludeTrailingPathDelimiter(Expected()));
    EXPECT_NE(RefusalMessage().find("symbolic link"), std::string::npos);
    char buf[600];
    EXPECT_EQ(win::GetTempPathA(sizeof buf, buf), 0u);
    EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
}

TEST_F(TempFolderTest, RefusesAFile) {
    WriteFile(ExcludeTrailingPathDelimiter(Expected()), "");
    EXPECT_NE(RefusalMessage().find("not a folder"), std::string::npos);
}

TEST_F(TempFolderTest, RefusesAnotherUsersFolder) {
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can give a folder away";
    fs::create_directory(Expected());
    ASSERT_EQ(chown(Expected().c_str(), 65534, 65534), 0);  // nobody
    EXPECT_NE(RefusalMessage().find("another user"), std::string::npos);
}

}  // namespace
