// The tool tarvo-seal-accounts as an administrator runs it: it writes its output and touches nothing else.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/tools/SealAccountsFixture.h"
#include "tools/provision/AccountFile.h"

namespace tarvo::test {
namespace {

namespace fs = std::filesystem;

const char kAccounts[] = "[営業部]\nAccountType=1\nAccount=sales\nPassword=secret\nServerName=127.0.0.1\n";

using SealAccountsTest = SealAccountsFixture;

// The tool once kept its plain intermediate under the output name + ".ini" and removed it afterwards.
TEST_F(SealAccountsTest, FilesNamedLikeAnIntermediateAreLeftAlone) {
    WriteFile(Path("accounts.ace.ini"), kAccounts);
    ASSERT_EQ(Seal("accounts.ace.ini", "accounts.ace"), 0) << errors_;
    EXPECT_EQ(ReadFile(Path("accounts.ace.ini")), kAccounts);
    EXPECT_EQ(Opened(Path("accounts.ace")), AccountFileBytes(kAccounts));

    WriteFile(Path("plain.ini"), kAccounts);
    WriteFile(Path("server/taro.ace.ini"), "an unrelated file");
    ASSERT_EQ(Seal("plain.ini", "server/taro.ace"), 0) << errors_;
    EXPECT_EQ(ReadFile(Path("server/taro.ace.ini")), "an unrelated file");
    EXPECT_EQ(Opened(Path("server/taro.ace")), AccountFileBytes(kAccounts));
    EXPECT_EQ(NamesIn(Path("")), (Names{"accounts.ace", "accounts.ace.ini", "plain.ini", "server"}));
}

// The plain account file holds the folders' passwords: it never appears in the server folder, not even for a
// moment, and nothing of it stays in the temporary folder. The folder's events are read after the run.
TEST_F(SealAccountsTest, PlainAccountsNeverAppearBesideTheOutput) {
    WriteFile(Path("plain.ini"), kAccounts);
    fs::create_directory(Path("server"));
    int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, Path("server").c_str(), IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO), 0);
    ASSERT_EQ(Seal("plain.ini", "server/taro.ace"), 0) << errors_;

    Names created, deleted, movedFrom, movedTo;
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t got; (got = read(watch, buffer, sizeof buffer)) > 0;) {
        for (char* at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            std::string name = event->len ? event->name : "";
            (event->mask & IN_CREATE     ? created
             : event->mask & IN_DELETE   ? deleted
             : event->mask & IN_MOVED_TO ? movedTo
                                         : movedFrom)
                .insert(name);
            at += sizeof(inotify_event) + event->len;
        }
    }
    close(watch);
    EXPECT_EQ(created.size(), 1u);          // the sealed file's own temporary name...
    EXPECT_EQ(movedFrom, created);          // ...renamed
    EXPECT_EQ(movedTo, Names{"taro.ace"});  // onto the output
    EXPECT_TRUE(deleted.empty());
    EXPECT_EQ(NamesIn(Path("server")), Names{"taro.ace"});
    for (const auto& entry : fs::recursive_directory_iterator(sandbox().tmp))
        EXPECT_FALSE(entry.is_regular_file()) << entry.path();
}

TEST_F(SealAccountsTest, OutputThatIsTheInputIsRefused) {
    WriteFile(Path("plain.ini"), kAccounts);
    fs::create_hard_link(Path("plain.ini"), Path("hard.ace"));
    fs::create_symlink(Path("plain.ini"), Path("soft.ace"));
    for (const char* output : {"plain.ini", "hard.ace", "soft.ace", "./plain.ini"}) {
        EXPECT_EQ(Seal("plain.ini", output), 1) << output;
        EXPECT_NE(errors_.find("is the input"), std::string::npos) << errors_;
    }
    EXPECT_EQ(ReadFile(Path("plain.ini")), kAccounts);
    EXPECT_TRUE(fs::is_symlink(Path("soft.ace")));
    EXPECT_EQ(NamesIn(Path("")), (Names{"hard.ace", "plain.ini", "soft.ace"}));
}

// Run as root, the tool once replaced a device such as /dev/null by the sealed file.
TEST_F(SealAccountsTest, OutputThatIsNoRegularFileIsRefused) {
    WriteFile(Path("plain.ini"), kAccounts);
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    std::vector<std::string> outputs = {"pipe"};
    if (mknod(Path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        outputs.push_back("null");
    for (const auto& output : outputs) {
        EXPECT_EQ(Seal("plain.ini", output), 1) << output;
        EXPECT_NE(errors_.find("ファイルを開けません。"), std::string::npos) << errors_;
    }
    EXPECT_TRUE(fs::is_fifo(Path("pipe")));
    EXPECT_EQ(fs::is_character_file(Path("null")), outputs.back() == "null");
}

}  // namespace
}  // namespace tarvo::test
