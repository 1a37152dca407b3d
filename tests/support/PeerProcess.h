#pragma once
// Peers for tests that talk to the network: real programs listening on a loopback port of their own and
// stopped by their process id (PeerProcess), small scripted peers on a thread of the test (LoopbackPeer, in
// LoopbackPeer.h), and a slow loopback to meet them on (SlowLoopback). Every wait is bounded; a peer is always
// stopped by its destructor.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarvo::test {

// count consecutive TCP ports on 127.0.0.1, outside the range the system hands out by itself (to every port-0
// bind and outgoing connection of the machine), that nothing is bound to at this moment: the first of them, or
// -1. Only another program that names its ports can take them before they are used, so a server given one must
// still be seen to hold it (PeerProcess::StartOnFreePort), and a connection meant to be refused needs a
// RefusingLoopbackPort.
int UnassignedLoopbackPorts(int count = 1);

// A port on 127.0.0.1 bound, but not listening, for as long as the object lives: every connection to it is
// refused, and no other socket can take it meanwhile.
class RefusingLoopbackPort {
public:
    RefusingLoopbackPort();
    RefusingLoopbackPort(const RefusingLoopbackPort&) = delete;
    RefusingLoopbackPort& operator=(const RefusingLoopbackPort&) = delete;
    ~RefusingLoopbackPort();

    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = -1;
};

// True when the program exists and can be run.
bool ProgramAvailable(const std::string& path);

// A daemon that tools/fetch-peer-daemons.sh unpacked into the build, by its path inside the package
// ("usr/sbin/vsftpd"); empty when it is not there.
std::string UnpackedDaemon(const std::string& relative);

// A peer runs in a process group of its own: the sockets of every process of the group count as its own, and
// stopping it stops the whole group (a server's sessions among them). A program that leaves the group, by
// starting a session of its own as daemons do, is neither seen to listen nor stopped: run it in the foreground.

class PeerProcess {
public:
    PeerProcess() = default;
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;
    ~PeerProcess() { Stop(); }

    // For a daemon that keeps state files under /run by names it was built with: it will see folder there instead
    // (in a mount namespace of its own, so it needs root), and its files go with the folder.
    void ShowAsRun(const std::string& folder) { runFolder_ = folder; }
    // Starts argv (argv[0] a path) with none of the test's descriptors; its output goes to logFile (nothing kept
    // when empty). True once the program runs.
    bool Start(const std::vector<std::string>& argv, const std::string& logFile = "");
    // Starts a program told to listen on a port of the system's choosing (port 0 on its command line or in its
    // configuration) and waits until it does. That port, or -1 (the program is stopped then).
    int StartListening(const std::vector<std::string>& argv, const std::string& logFile = "");
    // For a program that cannot take port 0: starts the argv that configure makes for a free port and waits
    // until the program itself listens there. One that finds the port taken meanwhile (and ends, or never
    // listens) is started again on another, a few times. The port, or -1.
    int StartOnFreePort(const std::function<std::vector<std::string>(int port)>& configure,
                        const std::string& logFile = "");
    // Waits at most timeoutMs for the program to end by itself and reaps it; its wait status, or nullopt when it
    // still runs (or was never started).
    std::optional<int> WaitForEnd(int timeoutMs);
    // SIGTERM to the group, a bounded wait for the program, then SIGKILL to what is left of the group; reaps the
    // program.
    void Stop();
    bool Running();
    pid_t Pid() const { return pid_; }

private:
    // Whether the program ends within the limit; it is waited for, not reaped.
    bool EndsWithin(std::chrono::milliseconds limit);
    // Waits, at most 10 s, until the program listens on a port that `wanted` takes: that port, or -1 when the
    // program ended or did not listen in time (it is stopped then).
    int AwaitListening(const std::function<bool(int port)>& wanted);

    pid_t pid_ = -1;
    std::string runFolder_;
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
