#include "tests/cipher/OpensslPeer.h"

#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "tests/support/TestEnvironment.h"

extern char** environ;

namespace tarvo::test {

namespace {

// Runs openssl with the arguments, "{in}" and "{out}" standing for the files it reads and writes; returns
// what it wrote.
std::string RunOpenssl(std::vector<std::string> args, const std::string& input) {
    static int calls = 0;
    std::string base = CurrentSandbox().work + "openssl-" + std::to_string(++calls);
    WriteFile(base + ".in", input);
    for (auto& a : args) {
        if (a == "{in}")
            a = base + ".in";
        if (a == "{out}")
            a = base + ".out";
    }
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    int status = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0)
        waitpid(pid, &status, 0);
    std::string command;
    for (const auto& a : args)
        command += a + " ";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "failed: " << command;
    return ReadFile(base + ".out");
}

}  // namespace

std::string OpensslCast5(const std::string& mode, const std::string& key, const std::string& iv,
                         const std::string& data) {
    std::vector<std::string> args = {"openssl", "enc", "-provider", "legacy", "-provider", "default", "-cast5-" + mode,
                                     "-nopad",  "-in", "{in}",      "-out",   "{out}",     "-K",      Hex(key)};
    if (mode != "ecb")
        args.insert(args.end(), {"-iv", Hex(iv)});
    return RunOpenssl(args, data);
}

std::string OpensslSha1(const std::string& data) {
    return RunOpenssl({"openssl", "dgst", "-sha1", "-binary", "-out", "{out}", "{in}"}, data);
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes)
        hex += {digits[c >> 4], digits[c & 15]};
    return hex;
}

std::string Unhex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

}  // namespace tarvo::test
