#include <gtest/gtest.h>

#include <filesystem>

#include "platform/win/Mutex.h"
#include "platform/win/Processes.h"
#include "tests/platform/HelperProcess.h"
#include "tests/support/StandInProgram.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace tarvo::test;

class ProcessesTest : public TarvoTest {};

std::vector<std::string> SplitNul(const std::string& s) {
    std::vector<std::string> parts;
    for (size_t start = 0, end; (end = s.find('\0', start)) != std::string::npos; start = end + 1)
        parts.push_back(s.substr(start, end - start));
    return parts;
}

TEST_F(ProcessesTest, ArgumentsArriveAsGiven) {
    std::string out = sandbox().work + "args";
    std::vector<std::string> args = {"two words", "\"quoted\"", "", "$HOME", "*", "; ls", "日本語"};
    std::vector<std::string> call = {"args", out};
    call.insert(call.end(), args.begin(), args.end());
    EXPECT_EQ(FinishHelper(StartHelper(call)), 0);
    EXPECT_EQ(SplitNul(ReadFile(out)), args);
}

TEST_F(ProcessesTest, ExitCodesAndMissingPrograms) {
    win::HANDLE p = StartHelper({"exit", "7"});
    EXPECT_EQ(FinishHelper(p), 7);
    win::PROCESS_INFORMATION info;
    EXPECT_FALSE(win::CreateProcessA({sandbox().work + "no-such-program"}, nullptr, &info));
    EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(win::CreateProcessA({}, nullptr, &info));
    EXPECT_EQ(win::WaitForSingleObject(0x7777, 0), win::WAIT_FAILED);
}

TEST_F(ProcessesTest, XdgOpenGetsTheAbsolutePathAsOneArgument) {
    StandInProgram xdgOpen(sandbox().work, "xdg-open");
    std::string cwd = GetCurrentDir();
    ASSERT_EQ(chdir(sandbox().work.c_str()), 0);
    bool started = win::StartXdgOpen("--help \"a\" b");
    ASSERT_EQ(chdir(cwd.c_str()), 0);
    ASSERT_TRUE(started);
    EXPECT_EQ(xdgOpen.Recorded(), "1|" + sandbox().work + "--help \"a\" b|");
    EXPECT_FALSE(win::StartXdgOpen(""));
}

class MutexTest : public TarvoTest {};

TEST_F(MutexTest, SecondHolderIsToldItExists) {
    win::HANDLE first = win::CreateMutexA(nullptr, win::TRUE, "Tarvo_Mutex");
    ASSERT_NE(first, 0u);
    EXPECT_EQ(win::GetLastError(), win::ERROR_SUCCESS);
    win::HANDLE second = win::CreateMutexA(nullptr, win::TRUE, "Tarvo_Mutex");
    EXPECT_NE(second, 0u);
    EXPECT_EQ(win::GetLastError(), win::ERROR_ALREADY_EXISTS);
    win::CreateMutexA(nullptr, win::TRUE, "Other\\Name");
    EXPECT_EQ(win::GetLastError(), win::ERROR_SUCCESS);
    EXPECT_TRUE(win::CloseHandle(second));
    EXPECT_TRUE(win::CloseHandle(first));
    win::HANDLE again = win::CreateMutexA(nullptr, win::TRUE, "Tarvo_Mutex");
    EXPECT_EQ(win::GetLastError(), win::ERROR_SUCCESS);
    win::CloseHandle(again);
}

TEST_F(MutexTest, HeldByAnotherProcessUntilItEnds) {
    std::string ready = sandbox().work + "ready", release = sandbox().work + "release";
    win::HANDLE child = StartHelper({"hold-mutex", "Tarvo_Mutex", ready, release});
    ASSERT_TRUE(WaitForFile(ready));
    win::HANDLE h = win::CreateMutexA(nullptr, win::TRUE, "Tarvo_Mutex");
    EXPECT_EQ(win::GetLastError(), win::ERROR_ALREADY_EXISTS);
    win::CloseHandle(h);
    WriteFile(release, "");
    EXPECT_EQ(FinishHelper(child), 0);
    h = win::CreateMutexA(nullptr, win::TRUE, "Tarvo_Mutex");
    EXPECT_EQ(win::GetLastError(), win::ERROR_SUCCESS);
    win::CloseHandle(h);
}

TEST_F(MutexTest, ProgramsStartedMeanwhileDoNotKeepIt) {
    win::HANDLE h = win::CreateMutexA(nullptr, win::TRUE, "Tarvo_Mutex");
    ASSERT_EQ(win::GetLastError(), win::ERROR_SUCCESS);
    std::string ready = sandbox().work + "ready", release = sandbox().work + "release";
    win::HANDLE child = StartHelper({"wait", ready, release});
    ASSERT_TRUE(WaitForFile(ready));
    win::CloseHandle(h);
    // Were the lock file inherited, the running child would still hold the lock.
    win::HANDLE again = win::CreateMutexA(nullptr, win::TRUE, "Tarvo_Mutex");
    EXPECT_EQ(win::GetLastError(), win::ERROR_SUCCESS);
    win::CloseHandle(again);
    WriteFile(release, "");
    EXPECT_EQ(FinishHelper(child), 0);
}

TEST_F(MutexTest, RefusedWithAnUnsafeTemporaryFolder) {
    std::filesystem::create_directory(sandbox().work + "elsewhere");
    std::filesystem::create_directory_symlink(sandbox().work + "elsewhere",
                                              sandbox().tmp + "tarvo-" + std::to_string(geteuid()));
    EXPECT_EQ(win::CreateMutexA(nullptr, win::TRUE, "Tarvo_Mutex"), 0u);
    EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
}

}  // namespace
