#include "platform/win/Processes.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Handles.h"

extern char** environ;

namespace win {

namespace {

class Process : public KernelObject {
public:
    explicit Process(pid_t pid) : pid_(pid) {}
    ~Process() override {
        std::lock_guard<std::mutex> guard(lock_);
        if (!ended_)
            std::thread([pid = pid_] { ::waitpid(pid, nullptr, 0); }).detach();
    }

    // Collects the exit status; blocking waits until the process ends.
    bool Reap(bool blocking) {
        std::lock_guard<std::mutex> guard(lock_);
        if (ended_)
            return true;
        int status = 0;
        pid_t r;
        do
            r = ::waitpid(pid_, &status, blocking ? 0 : WNOHANG);
        while (r < 0 && errno == EINTR);
        if (r != pid_)
            return false;
        ended_ = true;
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return true;
    }
    DWORD ExitCode() {
        std::lock_guard<std::mutex> guard(lock_);
        return ended_ ? exitCode_ : STILL_ACTIVE;
    }

private:
    std::mutex lock_;
    pid_t pid_;
    bool ended_ = false;
    DWORD exitCode_ = 0;
};

// Spawn settings: every signal at its default and none blocked in the child, whatever the caller ignores.
class SpawnAttributes {
public:
    SpawnAttributes() {
        posix_spawnattr_init(&attr_);
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&attr_, &all);
        posix_spawnattr_setsigmask(&attr_, &none);
        posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
        posix_spawn_file_actions_init(&actions_);
    }
    ~SpawnAttributes() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attr_);
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    void ChangeDirectory(const char* dir) { posix_spawn_file_actions_addchdir_np(&actions_, dir); }
    int Spawn(pid_t& pid, const std::vector<std::string>& argv) {
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        return posix_spawnp(&pid, args[0], &actions_, &attr_, args.data(), environ);
    }

private:
    posix_spawnattr_t attr_;
    posix_spawn_file_actions_t actions_;
};

}  // namespace

BOOL CreateProcessA(const std::vector<std::string>& argv, const char* currentDirectory, PROCESS_INFORMATION* info) {
    if (argv.empty() || argv[0].empty() || !info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SpawnAttributes spawn;
    if (currentDirectory)
        spawn.ChangeDirectory(currentDirectory);
    pid_t pid = 0;
    if (int r = spawn.Spawn(pid, argv); r != 0) {
        SetLastError(r == ENOENT || r == EACCES || r == ENOEXEC ? ERROR_FILE_NOT_FOUND : ErrorFromErrno(r));
        return FALSE;
    }
    *info = PROCESS_INFORMATION{};
    info->hProcess = AddHandle(std::make_shared<Process>(pid));
    info->dwProcessId = static_cast<DWORD>(pid);
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    auto process = HandleObjectAs<Process>(handle);
    if (!process)
        return WAIT_FAILED;
    if (milliseconds == INFINITE)
        return process->Reap(true) ? WAIT_OBJECT_0 : WAIT_FAILED;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!process->Reap(false)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return WAIT_TIMEOUT;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WAIT_OBJECT_0;
}

BOOL GetExitCodeProcess(HANDLE handle, DWORD* exitCode) {
    auto process = HandleObjectAs<Process>(handle);
    if (!process || !exitCode)
        return FALSE;
    process->Reap(false);
    *exitCode = process->ExitCode();
    return TRUE;
}

BOOL StartXdgOpen(const std::string& path) {
    if (path.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    PROCESS_INFORMATION info;
    if (!CreateProcessA({"xdg-open", ExpandFileName(path)}, nullptr, &info))
        return FALSE;
    CloseHandle(info.hProcess);
    return TRUE;
}

}  // namespace win
