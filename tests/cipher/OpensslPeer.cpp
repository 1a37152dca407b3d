#include "tests/cipher/OpensslPeer.h"

#include <gtest/gtest.h>

#include "platform/win/Handles.h"
#include "platform/win/Processes.h"
#include "tests/support/TestEnvironment.h"

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
    win::PROCESS_INFORMATION process;
    win::DWORD exitCode = 1;
    if (win::CreateProcessA(args, nullptr, &process)) {
        if (win::WaitForSingleObject(process.hProcess, 60000) == win::WAIT_OBJECT_0)
            win::GetExitCodeProcess(process.hProcess, &exitCode);
        win::CloseHandle(process.hProcess);
    }
    std::string command;
    for (const auto& a : args)
        command += a + " ";
    EXPECT_EQ(exitCode, 0u) << "failed: " << command;
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
