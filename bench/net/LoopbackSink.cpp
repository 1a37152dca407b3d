#include "bench/net/LoopbackSink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "tests/support/LoopbackAddress.h"

using tarvo::test::LoopbackAddress;

LoopbackSink::LoopbackSink() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = LoopbackAddress(0);
    socklen_t len = sizeof a;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listener_, 1);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] {
        int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0)
            return;
        std::vector<char> buf(1 << 16);
        for (ssize_t n; (n = ::recv(fd, buf.data(), buf.size(), 0)) > 0;)
            received_ += static_cast<uint64_t>(n);
        ::close(fd);
    });
}

LoopbackSink::~LoopbackSink() {
    if (thread_.joinable()) {
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
    }
    ::close(listener_);
}

uint64_t LoopbackSink::WaitForEnd() {
    thread_.join();
    return received_;
}

void PlainBlockingSend(int port, uint64_t total, size_t chunk) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = LoopbackAddress(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        return;
    std::vector<char> data(chunk, 'x');
    for (uint64_t sent = 0; sent < total;) {
        ssize_t n = ::send(fd, data.data(), static_cast<size_t>(std::min<uint64_t>(chunk, total - sent)), MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<uint64_t>(n);
    }
    ::close(fd);
}
