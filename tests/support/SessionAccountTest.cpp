// The session account the FTP servers run their sessions as: made for the process with a password of its own,
// gone when no server holds it, and no way into the test's other files for it or anyone else.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/support/SessionAccount.h"
#include "tests/support/TestEnvironment.h"
#include "tools/harness/RunProgram.h"

namespace tarvo::test {
namespace {

namespace fs = std::filesystem;

class SessionAccountTest : public TarvoTest {
protected:
    void SetUp() override {
        TarvoTest::SetUp();
        if (::geteuid() != 0)
            GTEST_SKIP() << "only root makes session accounts";
    }
};

bool AccountExists(const std::string& name) {
    return ::getpwnam(name.c_str()) != nullptr;
}

bool MakeAccount(const std::string& name) {
    return ProgramSucceeds({"/usr/sbin/useradd", "-M", "-s", "/usr/sbin/nologin", name});
}

mode_t Mode(const std::string& path) {
    struct stat s {};
    ::stat(path.c_str(), &s);
    return s.st_mode & 07777;
}

TEST_F(SessionAccountTest, OneAccountPerProcessWithAPasswordOfItsOwnGoneWithItsLastHolder) {
    std::string why;
    auto first = SessionAccount::Acquire(why);
    ASSERT_TRUE(first) << why;
    auto second = SessionAccount::Acquire(why);
    EXPECT_EQ(first, second);
    const std::string name = first->Name();
    EXPECT_EQ(name, "tarvoftp" + std::to_string(::getpid()));
    EXPECT_TRUE(AccountExists(name));
    EXPECT_EQ(first->Password().size(), 24u);
    EXPECT_EQ(first->Password().find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              std::string::npos);
    const passwd* pw = ::getpwnam(name.c_str());
    ASSERT_TRUE(pw);
    EXPECT_STREQ(pw->pw_shell, "/usr/sbin/nologin");  // no way in but the test's own FTP server

    const std::string password = first->Password();
    first.reset();
    EXPECT_TRUE(AccountExists(name));
    second.reset();
    EXPECT_FALSE(AccountExists(name));
    auto again = SessionAccount::Acquire(why);
    ASSERT_TRUE(again) << why;
    EXPECT_NE(again->Password(), password);
}

// A process that died holding one leaves it; the next one made, or the sweep at the end of a run, removes it,
// and the account of earlier versions, whose password stood in the source, too.
TEST_F(SessionAccountTest, AccountsOfDeadProcessesAreRemoved) {
    pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ASSERT_GT(dead, 0);
    ::waitpid(dead, nullptr, 0);
    const std::string orphan = "tarvoftp" + std::to_string(dead);
    ASSERT_TRUE(MakeAccount(orphan));
    MakeAccount("tarvoftp");  // as earlier versions left it; a test beside this one may make or remove it too
    std::string why;
    auto mine = SessionAccount::Acquire(why);
    ASSERT_TRUE(mine) << why;
    EXPECT_FALSE(AccountExists(orphan));
    EXPECT_FALSE(AccountExists("tarvoftp"));
    EXPECT_TRUE(AccountExists(mine->Name()));  // its process still runs

    // Whichever process sweeps first removes it: other tests running beside this one sweep too.
    ASSERT_TRUE(MakeAccount(orphan));
    RemoveOrphanedSessionAccounts();
    EXPECT_FALSE(AccountExists(orphan));
    EXPECT_TRUE(AccountExists(mine->Name()));
}

// The served folder becomes the account's; the folders above it up to the sandbox let the account's group pass
// and nobody else, so the test's other files (its settings hold the account's password) stay the test's.
TEST_F(SessionAccountTest, TheServedFolderIsReachedByTheAccountAlone) {
    std::string why;
    auto account = SessionAccount::Acquire(why);
    ASSERT_TRUE(account) << why;
    const std::string top = sandbox().work + "top/";
    const std::string served = top + "a/b/served/";
    fs::create_directories(served);
    fs::permissions(top, fs::perms(0755));
    const mode_t above = Mode(sandbox().work);
    ASSERT_TRUE(account->Serve(served, top));
    struct stat s {};
    ASSERT_EQ(::stat(served.c_str(), &s), 0);
    EXPECT_EQ(s.st_uid, account->Uid());
    for (const std::string& folder : {top, top + "a/", top + "a/b/"}) {
        ASSERT_EQ(::stat(folder.c_str(), &s), 0);
        EXPECT_EQ(s.st_gid, account->Gid()) << folder;
        EXPECT_EQ(Mode(folder) & 0717, 0710u) << folder;  // the owner, and the account's group to pass through
    }
    EXPECT_EQ(Mode(sandbox().work), above);  // above the top: untouched

    // A top that is not above the folder changes nothing.
    const std::string elsewhere = sandbox().work + "elsewhere/served/";
    fs::create_directories(elsewhere);
    const mode_t before = Mode(sandbox().work + "elsewhere/");
    EXPECT_FALSE(account->Serve(elsewhere, top));
    EXPECT_EQ(Mode(sandbox().work + "elsewhere/"), before);

    const std::string sealed = served + "sealed.ace";
    std::ofstream(sealed) << "x";
    fs::permissions(sealed, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(account->HandOver(sealed));
    ASSERT_EQ(::stat(sealed.c_str(), &s), 0);
    EXPECT_EQ(s.st_uid, account->Uid());
}

}  // namespace
}  // namespace tarvo::test
