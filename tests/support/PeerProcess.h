#pragma once
// Peers for tests that talk to the network: real programs started on a free loopback port and stopped by
// their process id (PeerProcess), and small scripted peers on a thread of the test (LoopbackPeer, in
// LoopbackPeer.h). Every wait is bounded; a peer is always stopped by its destructor.

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

}  // namespace tarvo::test
