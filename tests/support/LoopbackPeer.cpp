#include "tests/support/LoopbackPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/support/LoopbackAddress.h"

namespace tarvo::test {

namespace {

constexpr int kWaitStepMs = 50;
constexpr int kIdleLimitMs = 20000;

bool WaitReadable(int fd, const std::atomic<bool>* stop) {
    for (int waited = 0; waited < kIdleLimitMs; waited += kWaitStepMs) {
        if (stop && stop->load())
            return false;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kWaitStepMs) > 0)
            return true;
    }
    return false;
}

}  // namespace

LoopbackPeer::LoopbackPeer(Script script, int receiveBuffer) : script_(std::move(script)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (receiveBuffer > 0)
        ::setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in a = LoopbackAddress(0);
    socklen_t len = sizeof a;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listener_, 8);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Run(); });
}

LoopbackPeer::~LoopbackPeer() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    ::close(listener_);
}

void LoopbackPeer::Run() {
    while (!stop_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, kWaitStepMs) <= 0)
            continue;
        int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++accepted_;
        script_(fd);
        ::close(fd);
    }
}

std::string LoopbackPeer::ReadAll(int fd, size_t maxBytes) {
    std::string data;
    char buf[65536];
    while (data.size() < maxBytes && WaitReadable(fd, nullptr)) {
        ssize_t n = ::recv(fd, buf, std::min(sizeof buf, maxBytes - data.size()), 0);
        if (n <= 0)
            break;
        data.append(buf, static_cast<size_t>(n));
    }
    return data;
}

std::string LoopbackPeer::ReadExactly(int fd, size_t n) {
    return ReadAll(fd, n);
}

bool LoopbackPeer::WriteAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

void LoopbackPeer::ShutdownWrite(int fd) {
    ::shutdown(fd, SHUT_WR);
}

void LoopbackPeer::Reset(int fd) {
    linger l{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
}

BusyLoopbackPort::BusyLoopbackPort() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = LoopbackAddress(0);
    socklen_t len = sizeof a;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd_, 1) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port_ = ntohs(a.sin_port);
}

BusyLoopbackPort::~BusyLoopbackPort() {
    ::close(fd_);
}

}  // namespace tarvo::test
