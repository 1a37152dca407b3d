#pragma once
// Scripted loopback peers and an event recorder for the socket tests.

#include <atomic>
#include <string>
#include <vector>

#include "net/WSocket.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/MessagePump.h"
#include "tests/support/TestEnvironment.h"

namespace tarvo::test {

// Echoes everything until the other side closes.
void EchoScript(int fd);

// A TWSocket whose events are written down, with what it received.
struct RecordingSocket {
    std::vector<std::string> events;
    std::string received;
    int dataSent = 0;
    long long sendData = 0;
    bool closed = false;
    TWSocket socket;  // last: destroyed first, while what its events write to still exists

    RecordingSocket();
    void ConnectTo(int port, const std::string& addr = "127.0.0.1");
};

std::string StateName(TSocketState s);

// A UDP socket listening on a free port of 127.0.0.1 that keeps each datagram it receives.
struct DatagramSink {
    std::vector<std::string> datagrams;
    TWSocket socket;  // last: destroyed first, while what its events write to still exists

    DatagramSink();
    // Connects sender, a closed socket, to the sink over UDP.
    void Aim(TWSocket& sender);
};

// A peer with a small receive buffer that reads nothing until Open(), then exactly size bytes: until then
// the other side's sends come up short and its queue fills.
class GatedReader {
public:
    explicit GatedReader(size_t size);
    void Open() { gate_ = true; }
    bool Done() const { return done_; }
    const std::string& Got() const { return got_; }
    int Port() const { return peer_.Port(); }

private:
    std::atomic<bool> gate_{false};
    std::atomic<bool> done_{false};
    std::string got_;
    LoopbackPeer peer_;  // last: stopped first, while what its script writes to still exists
};

}  // namespace tarvo::test
