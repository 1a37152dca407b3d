// tarvo-seal-accounts: turns a plain account file into the sealed one the client fetches from its server.
//   tarvo-seal-accounts PLAIN.ini SERVER_FOLDER/ACCOUNTID.ace
// PLAIN.ini is UTF-8 with the passwords in the clear, a [section] per folder (the README shows its keys). What
// the client would not read as written is named by file and line on stderr: after a refusal nothing is written,
// after warnings alone the file is sealed. Nothing but the output is written; the output may not be the input
// under any name.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/provision/AccountFile.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tarvo-seal-accounts PLAIN.ini SERVER_FOLDER/ACCOUNTID.ace\n");
        return 2;
    }
    // Sealing a file onto itself would destroy the only plain copy.
    std::error_code error;
    if (std::filesystem::equivalent(argv[1], argv[2], error)) {
        std::fprintf(stderr, "tarvo-seal-accounts: %s is the input %s itself; name another output\n", argv[2], argv[1]);
        return 1;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "tarvo-seal-accounts: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string plain(std::istreambuf_iterator<char>(in), {});
    bool refused = false;
    for (const TAccountFileFinding& finding : CheckAccountFile(plain)) {
        std::fprintf(stderr, "%s:%d: %s: %s\n", argv[1], finding.Line, finding.Refusal ? "error" : "warning",
                     finding.Text.c_str());
        refused = refused || finding.Refusal;
    }
    if (refused) {
        std::fprintf(stderr, "tarvo-seal-accounts: %s is not sealed: mend the errors above\n", argv[2]);
        return 1;
    }
    try {
        SealAccountFile(plain, argv[2]);
    } catch (const Exception& e) {
        std::fprintf(stderr, "tarvo-seal-accounts: %s\n", e.what());
        return 1;
    }
    std::printf("sealed %s\n", argv[2]);
    return 0;
}
