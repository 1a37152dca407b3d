#pragma once
// Peers for tests that talk to the network: real programs started on a free loopback port and stopped by
// their process id (PeerProcess), small scripted peers on a thread of the test (LoopbackPeer, in
// LoopbackPeer.h), and a slow loopback to meet them on (SlowLoopback). Every wait is bounded; a peer is always
// stopped by its destructor.

#include <sys/types.h>

#include <string>
#include <vector>

namespace tarvo::test {

// A TCP port on 127.0.0.1 that nothing listens on right now.
int FreeLoopbackPort();
// True when the program exists and can be run.
bool ProgramAvailable(const std::string& path);

class PeerProcess {
public:
    PeerProcess() = default;
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;
    ~PeerProcess() { Stop(); }

    // Starts argv (argv[0] a path); its output goes to logFile (nothing kept when empty).
    bool Start(const std::vector<std::string>& argv, const std::string& logFile = "");
    // Start, then wait until the program answers on the loopback port; stopped again when it does not.
    bool StartOnPort(const std::vector<std::string>& argv, int port, const std::string& logFile = "");
    // SIGTERM, a bounded wait, then SIGKILL; reaps the process.
    void Stop();
    bool Running();
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

// A slow link for the tests that need one: the calling thread moves to a network namespace of its own whose
// loopback has Ethernet's MTU and a token bucket of rateKbit kilobits a second (with a queue of 400 ms), so the
// sockets and processes it makes meanwhile talk over it, while the rest of the process keeps its own loopback.
// Needs root and iproute2. The thread goes back to its namespace when the object goes; the namespace itself
// goes once nothing uses it any more (stop the peers started inside first).
class SlowLoopback {
public:
    explicit SlowLoopback(int rateKbit);
    SlowLoopback(const SlowLoopback&) = delete;
    SlowLoopback& operator=(const SlowLoopback&) = delete;
    ~SlowLoopback();

    // Empty when the thread is on the slow link; otherwise why it could not be made.
    const std::string& Refusal() const { return refusal_; }

private:
    void Leave();

    int home_ = -1;  // the namespace the thread came from
    std::string refusal_;
};

}  // namespace tarvo::test
