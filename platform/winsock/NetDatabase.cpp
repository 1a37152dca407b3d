#include "platform/winsock/NetDatabase.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/win/MachineRoot.h"
#include "platform/winsock/Internal.h"
#include "platform/winsock/WinSock.h"

namespace win::winsock {

namespace {

// One line of a services or protocols file: name, number (with "/proto" for services), aliases, "#" comment.
bool ParseLine(std::string line, bool service, NetEntry& e) {
    if (auto hash = line.find('#'); hash != std::string::npos)
        line.resize(hash);
    std::istringstream words(line);
    std::string number;
    if (!(words >> e.name >> number))
        return false;
    e.proto.clear();
    if (service) {
        auto slash = number.find('/');
        if (slash == std::string::npos)
            return false;
        e.proto = number.substr(slash + 1);
        number.resize(slash);
    }
    if (number.empty() || number.size() > 5 || number.find_first_not_of("0123456789") != std::string::npos)
        return false;
    e.number = std::atoi(number.c_str());
    if (service && e.number > 65535)
        return false;
    e.aliases.clear();
    for (std::string alias; words >> alias;)
        e.aliases.push_back(alias);
    return true;
}

bool Named(const NetEntry& e, const std::string& name) {
    if (e.name == name)
        return true;
    for (const auto& a : e.aliases)
        if (a == name)
            return true;
    return false;
}

template <typename Match>
bool Search(const std::string& file, bool service, Match match, NetEntry& entry) {
    for (const std::string& path : {MachineEtcFile(file), "/etc/" + file}) {
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);)
            if (ParseLine(line, service, entry) && match(entry))
                return true;
    }
    return false;
}

}  // namespace

std::string MachineEtcFile(const std::string& file) {
    return MachinePath("etc/" + file);
}

bool FindService(const std::string& name, const std::string& proto, NetEntry& entry) {
    return Search(
        "services", true, [&](const NetEntry& e) { return Named(e, name) && (proto.empty() || e.proto == proto); },
        entry);
}

bool FindProtocol(const std::string& name, NetEntry& entry) {
    return Search(
        "protocols", false, [&](const NetEntry& e) { return Named(e, name); }, entry);
}

}  // namespace win::winsock

namespace win {

namespace {

// Per-thread storage of the last answer, as WinSock keeps it.
struct EntryStorage {
    winsock::NetEntry entry;
    std::vector<char*> aliases;
    servent service{};
    protoent protocol{};

    void Keep(const winsock::NetEntry& e) {
        entry = e;
        aliases.clear();
        for (auto& a : entry.aliases)
            aliases.push_back(a.data());
        aliases.push_back(nullptr);
    }
};

thread_local EntryStorage storage;

}  // namespace

servent* getservbyname(const char* name, const char* proto) {
    if (!winsock::RequireStarted())
        return nullptr;
    if (!name)
        return winsock::Fail(WSAEFAULT), nullptr;
    winsock::NetEntry e;
    if (!winsock::FindService(name, proto ? proto : "", e))
        return winsock::Fail(WSANO_DATA), nullptr;
    storage.Keep(e);
    storage.service.s_name = storage.entry.name.data();
    storage.service.s_aliases = storage.aliases.data();
    storage.service.s_port = static_cast<short>(htons(static_cast<u_short>(e.number)));
    storage.service.s_proto = storage.entry.proto.data();
    return &storage.service;
}

protoent* getprotobyname(const char* name) {
    if (!winsock::RequireStarted())
        return nullptr;
    if (!name)
        return winsock::Fail(WSAEFAULT), nullptr;
    winsock::NetEntry e;
    if (!winsock::FindProtocol(name, e))
        return winsock::Fail(WSANO_DATA), nullptr;
    storage.Keep(e);
    storage.protocol.p_name = storage.entry.name.data();
    storage.protocol.p_aliases = storage.aliases.data();
    storage.protocol.p_proto = static_cast<short>(e.number);
    return &storage.protocol;
}

}  // namespace win
