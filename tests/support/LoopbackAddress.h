#pragma once
// 127.0.0.1:port as the socket calls take it, for the peers and sinks that tests and benchmarks run. Kept out
// of the peer headers: the system's socket names would clash with the winsock ones tests bring in.

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdint>

namespace tarvo::test {

inline sockaddr_in LoopbackAddress(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

}  // namespace tarvo::test
