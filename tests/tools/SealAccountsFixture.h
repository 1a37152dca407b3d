#pragma once
// Runs tarvo-seal-accounts as an administrator does, in the test's work folder, and opens what it sealed.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "cipher/Cast128.h"
#include "client/CipherFiles.h"
#include "tests/support/TestEnvironment.h"
#include "tools/harness/RunProgram.h"

namespace tarvo::test {

using Names = std::set<std::string>;

class SealAccountsFixture : public TarvoTest {
protected:
    std::string Path(const std::string& name) const { return sandbox().work + name; }

    // Its exit code (-1 when it did not exit normally); what it printed in output_, its messages in errors_.
    int Seal(const std::string& input, const std::string& output) {
        const std::string tool = std::string(std::getenv("TARVO_LIBRARY_PATH")) + "/tarvo-seal-accounts";
        std::optional<int> status =
            RunProgram({tool, input, output}, sandbox().work, sandbox().root + "tool.out", sandbox().root + "tool.err");
        output_ = ReadFile(sandbox().root + "tool.out");
        errors_ = ReadFile(sandbox().root + "tool.err");
        return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
    }
    // The plain account file a sealed one holds, in the test's root folder; "" when it does not open with the
    // built-in password.
    std::string Open(const std::string& sealed) {
        TCiph_cast128 cipher;
        TCipherFiles files(
            cipher, [](const std::string&) {}, TOutputDurability::Transient);
        const std::string opened = sandbox().root + "opened.ini";
        return files.DecryptTrunk(sealed, opened, BuiltInPassword) ? opened : "";
    }
    std::string Opened(const std::string& sealed) {
        const std::string opened = Open(sealed);
        return opened.empty() ? "" : ReadFile(opened);
    }
    static Names NamesIn(const std::string& folder) {
        Names names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    std::string output_;
    std::string errors_;
};

}  // namespace tarvo::test
