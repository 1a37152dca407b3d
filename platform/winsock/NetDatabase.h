#pragma once
// The service and protocol databases: the machine root's etc/services and etc/protocols are read before
// the system's /etc files, so a test can map "ftp" to its own server's port.

#include <string>
#include <vector>

namespace win::winsock {

struct NetEntry {
    std::string name;
    std::vector<std::string> aliases;
    int number = 0;     // the port (host order) or the protocol number
    std::string proto;  // services only
};

// Names compare exactly; proto empty matches any protocol.
bool FindService(const std::string& name, const std::string& proto, NetEntry& entry);
bool FindProtocol(const std::string& name, NetEntry& entry);

// The machine root's etc/<file>.
std::string MachineEtcFile(const std::string& file);

}  // namespace win::winsock
