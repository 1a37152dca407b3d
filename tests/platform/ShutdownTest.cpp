#include <gtest/gtest.h>

#include "platform/win/Handles.h"
#include "platform/win/MachineRoot.h"
#include "platform/win/Shutdown.h"
#include "tests/support/RegistryValues.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace win;
using namespace tarvo::test;

class ShutdownTest : public TarvoTest {};

TEST_F(ShutdownTest, RestartIsJournalledWithTheRunOnceCommands) {
    const std::string runOnce = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    SetRegString(HKEY_LOCAL_MACHINE, runOnce, "Tarvo1", "cmd.exe /c \"del C:\\PROGRA~1\\Tarvo\\UNINST~1.EXE\"");
    SetRegString(HKEY_LOCAL_MACHINE, runOnce, "Tarvo2", "cmd.exe /c \"rmdir /S /Q C:\\PROGRA~1\\Tarvo\"");
    SetRegDword(HKEY_LOCAL_MACHINE, runOnce, "NotACommand", 1);

    HANDLE token = 0;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    TOKEN_PRIVILEGES privileges;
    ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid));
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    SetLastError(99);
    EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_TRUE(ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0));

    EXPECT_EQ(ReadJournal(), (std::vector<std::string>{
                                 "restart flags=0x6",
                                 "run-once HKEY_LOCAL_MACHINE \"Tarvo1\"=\"cmd.exe /c \\\"del "
                                 "C:\\\\PROGRA~1\\\\Tarvo\\\\UNINST~1.EXE\\\"\"",
                                 "run-once HKEY_LOCAL_MACHINE \"Tarvo2\"=\"cmd.exe /c \\\"rmdir /S /Q "
                                 "C:\\\\PROGRA~1\\\\Tarvo\\\"\"",
                             }));
    // Nothing was run: the commands stay for the next logon.
    EXPECT_TRUE(GetRegValue(HKEY_LOCAL_MACHINE, runOnce, "Tarvo1"));
    EXPECT_TRUE(CloseHandle(token));
    EXPECT_FALSE(LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid));
}

TEST_F(ShutdownTest, MachineRootFollowsTheEnvironment) {
    EXPECT_EQ(MachineRoot(), sandbox().machine);
    setenv("TARVO_MACHINE", (sandbox().work + "m").c_str(), 1);
    EXPECT_EQ(MachinePath("registry"), sandbox().work + "m/registry");
    unsetenv("TARVO_MACHINE");
    EXPECT_EQ(MachineRoot(), sandbox().home + ".local/share/tarvo/machine/");
    setenv("TARVO_MACHINE", sandbox().machine.c_str(), 1);
}

}  // namespace
