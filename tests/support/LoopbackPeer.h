#pragma once
// A scripted TCP peer on a thread of the test: listens on 127.0.0.1 (a free port), accepts connections one
// after the other and runs the script on each with the connected descriptor, which it closes afterwards.
// Scripts use the blocking helpers below; each read gives up after a bounded wait.

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace tarvo::test {

class LoopbackPeer {
public:
    using Script = std::function<void(int fd)>;

    // receiveBuffer > 0 sets the listener's SO_RCVBUF (inherited by accepted sockets): a small one makes
    // the other side's sends come up short.
    explicit LoopbackPeer(Script script, int receiveBuffer = 0);
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;
    ~LoopbackPeer();  // stops accepting and waits for the running script

    int Port() const { return port_; }
    int Accepted() const { return accepted_.load(); }

    // Reads until the peer closes (or maxBytes); stops early after about 20 s without data.
    static std::string ReadAll(int fd, size_t maxBytes = SIZE_MAX);
    // Reads exactly n bytes unless the connection ends first.
    static std::string ReadExactly(int fd, size_t n);
    static bool WriteAll(int fd, const std::string& bytes);
    // Ends the sending side only (the peer still reads).
    static void ShutdownWrite(int fd);
    // Closes with a reset instead of the orderly close.
    static void Reset(int fd);

private:
    void Run();

    Script script_;
    int listener_ = -1;
    int port_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};
    std::thread thread_;
};

// A port of 127.0.0.1 held by a listener that never accepts, until the object goes.
class BusyLoopbackPort {
public:
    BusyLoopbackPort();
    BusyLoopbackPort(const BusyLoopbackPort&) = delete;
    BusyLoopbackPort& operator=(const BusyLoopbackPort&) = delete;
    ~BusyLoopbackPort();
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = -1;
};

}  // namespace tarvo::test
