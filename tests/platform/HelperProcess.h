#pragma once
// Starting platform_helper (PlatformHelper.cpp), the second process of the platform tests.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Handles.h"
#include "platform/win/Processes.h"

namespace tarvo::test {

inline std::string HelperPath() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return ExtractFilePath(std::string(buf, n > 0 ? static_cast<size_t>(n) : 0)) + "platform_helper";
}

// The helper's process handle; 0 (and a test failure) when it does not start.
inline win::HANDLE StartHelper(std::vector<std::string> args) {
    args.insert(args.begin(), HelperPath());
    win::PROCESS_INFORMATION info;
    EXPECT_TRUE(win::CreateProcessA(args, nullptr, &info)) << "cannot start " << args[0];
    return info.hProcess;
}

// Waits for the helper to end (at most a minute) and gives its exit code; -1 when it did not end.
inline int FinishHelper(win::HANDLE process) {
    win::DWORD code = 0;
    bool ended =
        win::WaitForSingleObject(process, 60000) == win::WAIT_OBJECT_0 && win::GetExitCodeProcess(process, &code);
    win::CloseHandle(process);
    return ended ? static_cast<int>(code) : -1;
}

}  // namespace tarvo::test
