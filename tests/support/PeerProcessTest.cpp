// The launcher of real peers: the ports it names, the listeners it counts as a peer's own, and what it stops.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "tests/support/LoopbackAddress.h"
#include "tests/support/PeerProcess.h"
#include "tests/support/TestEnvironment.h"

namespace tarvo::test {
namespace {

const std::string kPython = "/usr/bin/python3";

class PeerProcessTest : public TarvoTest {};

std::pair<int, int> EphemeralRange() {
    std::ifstream range("/proc/sys/net/ipv4/ip_local_port_range");
    int low = 0, high = 0;
    range >> low >> high;
    return {low, high};
}

bool Bindable(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = LoopbackAddress(static_cast<uint16_t>(port));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return bound;
}

// Whether a process has ended: gone, or a zombie its new parent has not reaped yet. Looks for at most 5 s.
bool Ended(pid_t pid) {
    for (int look = 0; look < 500; ++look) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        if (!std::getline(stat, line))
            return true;
        const size_t close = line.rfind(')');
        if (close != std::string::npos && line.compare(close, 3, ") Z") == 0)
            return true;
        ::usleep(10000);
    }
    return false;
}

// Any port-0 bind or outgoing connection of the machine may take a port of the system's own range at any
// moment; a port a test names must come from outside it.
TEST_F(PeerProcessTest, NamedPortsLieOutsideTheSystemsOwnRangeAndAreFree) {
    const auto [low, high] = EphemeralRange();
    ASSERT_GT(low, 0);
    for (int count : {1, 2, 5}) {
        for (int round = 0; round < 20; ++round) {
            const int first = UnassignedLoopbackPorts(count);
            ASSERT_GE(first, 1024);
            ASSERT_LE(first + count - 1, 65535);
            for (int port = first; port < first + count; ++port) {
                EXPECT_TRUE(port < low || port > high) << port << " is in " << low << "-" << high;
                EXPECT_TRUE(Bindable(port)) << port;
            }
        }
    }
}

TEST_F(PeerProcessTest, AListenerOnIpv6LoopbackIsFound) {
    const int probe = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in6 any6{};
    any6.sin6_family = AF_INET6;
    any6.sin6_addr = in6addr_loopback;
    const bool ipv6 = ::bind(probe, reinterpret_cast<sockaddr*>(&any6), sizeof any6) == 0;
    ::close(probe);
    if (!ipv6)
        GTEST_SKIP() << "no IPv6 loopback here";
    PeerProcess peer;
    const int port = peer.StartListening({kPython, "-c",
                                          "import socket, time\n"
                                          "s = socket.socket(socket.AF_INET6)\n"
                                          "s.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)\n"
                                          "s.bind(('::1', 0))\n"
                                          "s.listen()\n"
                                          "time.sleep(60)\n"});
    EXPECT_GT(port, 0);
}

// A server that forks its listener off (a master and its workers) is found by the child's socket, and stopping
// the peer stops the child too.
TEST_F(PeerProcessTest, AForkedListenerIsFoundAndStoppedWithItsPeer) {
    const std::string log = sandbox().work + "forked.log";
    PeerProcess peer;
    const int port = peer.StartListening(
        {kPython, "-c",
         "import os, socket, sys, time\n"
         "if os.fork() == 0:\n"
         "    print(os.getpid(), flush=True)\n"  // before it listens, so it is whole once the port is seen
         "    s = socket.socket()\n"
         "    s.bind(('127.0.0.1', 0))\n"
         "    s.listen()\n"
         "time.sleep(60)\n"},
        log);
    ASSERT_GT(port, 0);
    std::ifstream in(log);
    pid_t child = 0;
    ASSERT_TRUE(in >> child);
    ASSERT_EQ(::kill(child, 0), 0);
    peer.Stop();
    EXPECT_TRUE(Ended(child)) << "the forked listener " << child << " outlived its peer";
}

}  // namespace
}  // namespace tarvo::test
