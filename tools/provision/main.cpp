// tarvo-provision: writes a user's client settings into a machine root, as an installation would.
//   tarvo-provision [--machine DIR] --server HOST --account NAME --password TEXT --account-id ID
//                   [--max-trunc-size BYTES] [--delete-after-receive] [--fetch-comment]
// Without --machine the machine root is $TARVO_MACHINE (or the default one).
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "tools/provision/Provision.h"

namespace {

[[noreturn]] void Usage(const char* why) {
    std::fprintf(stderr,
                 "tarvo-provision: %s\n"
                 "usage: tarvo-provision [--machine DIR] --server HOST --account NAME --password TEXT --account-id ID\n"
                 "                       [--max-trunc-size BYTES] [--delete-after-receive] [--fetch-comment]\n",
                 why);
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    TarvoSettings s;
    std::map<std::string, std::string*> texts = {{"--server", &s.ServerName},
                                                 {"--account", &s.Account},
                                                 {"--password", &s.Password},
                                                 {"--account-id", &s.AccountID}};
    std::set<std::string> given;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--delete-after-receive") {
            s.DwDelFlag = true;
            continue;
        }
        if (arg == "--fetch-comment") {
            s.DwCommentFlag = true;
            continue;
        }
        if (i + 1 >= argc)
            Usage(("missing value after " + arg).c_str());
        const std::string value = argv[++i];
        if (arg == "--machine") {
            setenv("TARVO_MACHINE", value.c_str(), 1);
        } else if (arg == "--max-trunc-size") {
            if (!TryStrToInt(value, s.MaxTruncSize) || s.MaxTruncSize < 0)
                Usage("--max-trunc-size takes a number of bytes");
        } else if (texts.count(arg)) {
            *texts[arg] = value;
            given.insert(arg);
        } else {
            Usage(("unknown argument " + arg).c_str());
        }
    }
    if (given.size() != texts.size())
        Usage("--server, --account, --password and --account-id are needed");
    try {
        ProvisionSettings(s);
    } catch (const Exception& e) {
        std::fprintf(stderr, "tarvo-provision: %s\n", e.what());
        return 1;
    }
    std::printf("provisioned %s@%s (account file %s.ace)\n", s.Account.c_str(), s.ServerName.c_str(),
                s.AccountID.c_str());
    return 0;
}
