#pragma once
// Host name lookups under gethostbyname, gethostbyaddr and their asynchronous forms. The system's resolver
// answers by default; tests install their own (a slow one to cancel, one that fails with a chosen code),
// so no test depends on, or sends anything to, a name server.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace win::winsock {

struct HostAnswer {
    std::string name;
    std::vector<std::string> aliases;
    std::vector<uint32_t> addresses;  // IPv4, network byte order
};

// 0, or a WinSock lookup error (11001 host not found, 11002 try again, 11003 non-recoverable, 11004 no data).
using ForwardResolver = std::function<int(const std::string& name, HostAnswer& answer)>;
using ReverseResolver = std::function<int(uint32_t address, HostAnswer& answer)>;

// nullptr restores the system's resolver.
void SetHostResolvers(ForwardResolver forward, ReverseResolver reverse);

int SystemForwardLookup(const std::string& name, HostAnswer& answer);
int SystemReverseLookup(uint32_t address, HostAnswer& answer);

}  // namespace win::winsock
