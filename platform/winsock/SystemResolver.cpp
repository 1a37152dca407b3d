// The system's host database, through the re-entrant resolver calls.
#include <netdb.h>
#include <sys/socket.h>

#include <cstring>
#include <vector>

#include "platform/winsock/HostLookup.h"
#include "platform/winsock/WinSockErrors.h"

namespace win::winsock {

namespace {

int FromHostError(int error) {
    switch (error) {
        case HOST_NOT_FOUND:
            return WSAHOST_NOT_FOUND;
        case TRY_AGAIN:
            return WSATRY_AGAIN;
        case NO_DATA:
            return WSANO_DATA;
        default:
            return WSANO_RECOVERY;
    }
}

void Copy(const ::hostent& h, HostAnswer& answer) {
    answer.name = h.h_name ? h.h_name : "";
    for (char** a = h.h_aliases; a && *a; ++a)
        answer.aliases.emplace_back(*a);
    for (char** a = h.h_addr_list; a && *a; ++a) {
        uint32_t ip;
        std::memcpy(&ip, *a, sizeof ip);
        answer.addresses.push_back(ip);
    }
}

template <typename Call>
int Lookup(Call call, HostAnswer& answer) {
    std::vector<char> work(8192);
    for (int tries = 0; tries < 8; ++tries) {
        ::hostent h{};
        ::hostent* result = nullptr;
        int herr = 0;
        int rc = call(&h, work.data(), work.size(), &result, &herr);
        if (rc == ERANGE) {
            work.resize(work.size() * 2);
            continue;
        }
        if (rc != 0 || !result)
            return FromHostError(herr);
        Copy(h, answer);
        return 0;
    }
    return WSANO_RECOVERY;
}

}  // namespace

int SystemForwardLookup(const std::string& name, HostAnswer& answer) {
    return Lookup([&](::hostent* h, char* buf, size_t len, ::hostent** result,
                      int* herr) { return ::gethostbyname2_r(name.c_str(), AF_INET, h, buf, len, result, herr); },
                  answer);
}

int SystemReverseLookup(uint32_t address, HostAnswer& answer) {
    return Lookup(
        [&](::hostent* h, char* buf, size_t len, ::hostent** result, int* herr) {
            return ::gethostbyaddr_r(&address, sizeof address, AF_INET, h, buf, len, result, herr);
        },
        answer);
}

}  // namespace win::winsock
