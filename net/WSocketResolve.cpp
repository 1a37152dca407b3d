// Address, port and protocol resolution, and the texts of WinSock's error codes.
#include <cstring>
#include <map>

#include "net/CustomWSocket.h"

win::u_long WSocketResolveHost(const std::string& InAddr) {
    if (InAddr.empty() || InAddr.size() > 256)
        throw ESocketException("WSocketResolveHost: '" + InAddr + "' Invalid Hostname.");
    std::string copy = Trim(InAddr);
    if (IsDottedQuad(InAddr)) {
        win::u_long address = Winsock_inet_addr(copy.c_str());
        if (address == win::INADDR_NONE && copy != "255.255.255.255")
            throw ESocketException("WSocketResolveHost: '" + InAddr + "' Invalid IP address.");
        return address;
    }
    win::hostent* entry = Winsock_gethostbyname(copy.c_str());
    int error = entry ? 0 : Winsock_WSAGetLastError();
    // An entry without a single address is a failed lookup, not an address to read.
    if (entry && (!entry->h_addr_list || !entry->h_addr_list[0]))
        error = win::WSANO_DATA;
    if (error)
        throw ESocketException(
            Format("WSocketResolveHost: Cannot convert host address '%s', Error #%d", {InAddr, error}));
    win::u_long address;
    std::memcpy(&address, entry->h_addr_list[0], sizeof address);
    return address;
}

win::WORD WSocketResolvePort(const std::string& Port, const std::string& Proto) {
    if (Port.empty() || Port.size() >= 32)
        throw ESocketException("WSocketResolvePort: Invalid Port.");
    if (Proto.empty() || Proto.size() >= 32)
        throw ESocketException("WSocketResolvePort: Invalid Proto.");
    if (IsDecimalDigit(Port[0])) {
        // A number that is no port is refused rather than taken modulo 65536.
        int number = ParseDecimalPrefix(Port);
        if (number > 65535)
            throw ESocketException("WSocketResolvePort: Invalid Port.");
        return static_cast<win::WORD>(number);
    }
    std::string proto = Trim(Proto);
    win::servent* entry = Winsock_getservbyname(Trim(Port).c_str(), proto.empty() ? nullptr : proto.c_str());
    if (!entry)
        throw ESocketException(
            Format("WSocketResolvePort: Cannot convert port '%s', Error #%d", {Port, Winsock_WSAGetLastError()}));
    return Winsock_ntohs(static_cast<win::u_short>(entry->s_port));
}

int WSocketResolveProto(const std::string& Proto) {
    if (Proto.empty() || Proto.size() >= 32)
        throw ESocketException("WSocketResolveProto: Invalid Protocol.");
    if (IsDecimalDigit(Proto[0]))
        return ParseDecimalPrefix(Proto);
    std::string name = LowerCase(Trim(Proto));
    if (name == "tcp")
        return win::IPPROTO_TCP;
    if (name == "udp")
        return win::IPPROTO_UDP;
    if (name == "raw")
        return win::IPPROTO_RAW;
    win::protoent* entry = Winsock_getprotobyname(name.c_str());
    if (!entry)
        throw ESocketException(
            Format("WSocketResolveProto: Cannot convert protocol '%s', Error #%d", {name, Winsock_WSAGetLastError()}));
    return entry->p_proto;
}

std::string SocketErrorText(int ErrCode) {
    static const std::map<int, const char*> texts = {
        {0, "No Error"},
        {10004, "Interrupted system call"},
        {10009, "Bad file number"},
        {10013, "Permission denied"},
        {10014, "Bad address"},
        {10022, "Invalid argument"},
        {10024, "Too many open files"},
        {10035, "Operation would block"},
        {10036, "Operation now in progress"},
        {10037, "Operation already in progress"},
        {10038, "Socket operation on non-socket"},
        {10039, "Destination address required"},
        {10040, "Message too long"},
        {10041, "Protocol wrong type for socket"},
        {10042, "Protocol not available"},
        {10043, "Protocol not supported"},
        {10044, "Socket type not supported"},
        {10045, "Operation not supported on socket"},
        {10046, "Protocol family not supported"},
        {10047, "Address family not supported by protocol family"},
        {10048, "Address already in use"},
        {10049, "Address not available"},
        {10050, "Network is down"},
        {10051, "Network is unreachable"},
        {10052, "Network dropped connection on reset"},
        {10053, "Connection aborted"},
        {10054, "Connection reset by peer"},
        {10055, "No buffer space available"},
        {10056, "Socket is already connected"},
        {10057, "Socket is not connected"},
        {10058, "Can't send after socket shutdown"},
        {10059, "Too many references: can't splice"},
        {10060, "Connection timed out"},
        {10061, "Connection refused"},
        {10062, "Too many levels of symbolic links"},
        {10063, "File name too long"},
        {10064, "Host is down"},
        {10065, "No route to host"},
        {10066, "Directory not empty"},
        {10067, "Too many processes"},
        {10068, "Too many users"},
        {10069, "Disc quota exceeded"},
        {10070, "Stale NFS file handle"},
        {10071, "Too many levels of remote in path"},
        {10091, "Network sub-system is unusable"},
        {10092, "WinSock DLL cannot support this application"},
        {10093, "WinSock not initialized"},
        {11001, "Host not found"},
        {11002, "Non-authoritative host not found"},
        {11003, "Non-recoverable error"},
        {11004, "No Data"},
    };
    auto it = texts.find(ErrCode);
    return it == texts.end() ? "Not a WinSock error" : it->second;
}
