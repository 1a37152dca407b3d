#include "tools/harness/RunProgram.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>

extern char** environ;

std::optional<int> RunProgram(const std::vector<std::string>& argv, const std::string& folder,
                              const std::string& outputPath, const std::string& errorPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (errorPath.empty())
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return std::nullopt;
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

bool ProgramSucceeds(const std::vector<std::string>& argv) {
    std::optional<int> status = RunProgram(argv, "/", "/dev/null");
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

bool RunWithInput(const std::string& command, const std::string& input) {
    FILE* pipe = ::popen(command.c_str(), "w");
    if (!pipe)
        return false;
    const bool written = std::fwrite(input.data(), 1, input.size(), pipe) == input.size();
    return ::pclose(pipe) == 0 && written;
}
