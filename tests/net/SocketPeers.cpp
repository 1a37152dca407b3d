#include "tests/net/SocketPeers.h"

#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <thread>

namespace tarvo::test {

void EchoScript(int fd) {
    char buf[65536];
    for (int idle = 0; idle < 400;) {  // gives up after about 20 s without data
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) {
            ++idle;
            continue;
        }
        idle = 0;
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0 || !LoopbackPeer::WriteAll(fd, std::string(buf, static_cast<size_t>(n))))
            return;
    }
}

GatedReader::GatedReader(size_t size)
    : peer_(
          [this, size](int fd) {
              for (int i = 0; i < 2000 && !gate_; ++i)
                  std::this_thread::sleep_for(std::chrono::milliseconds(10));
              got_ = LoopbackPeer::ReadExactly(fd, size);
              done_ = true;
          },
          4096) {}

DatagramSink::DatagramSink() {
    socket.SetProto("udp");
    socket.SetAddr("127.0.0.1");
    socket.SetPort("0");
    socket.OnDataAvailable = [this](TCustomWSocket* s, win::WORD) {
        char buf[4096];
        win::sockaddr_in from{};
        int len = sizeof from;
        int n = s->ReceiveFrom(buf, sizeof buf, from, len);
        if (n > 0)
            datagrams.emplace_back(buf, static_cast<size_t>(n));
    };
    socket.Listen();
}

void DatagramSink::Aim(TWSocket& sender) {
    sender.SetProto("udp");
    sender.SetAddr("127.0.0.1");
    sender.SetPort(socket.GetBoundPort());
    sender.Connect();
}

std::string StateName(TSocketState s) {
    static const char* names[] = {"invalid",   "opened",    "bound",     "connecting", "socksconnected",
                                  "connected", "accepting", "listening", "closed"};
    return names[s];
}

RecordingSocket::RecordingSocket() {
    socket.OnChangeState = [this](TCustomWSocket*, TSocketState o, TSocketState n) {
        events.push_back(StateName(o) + ">" + StateName(n));
    };
    socket.OnSessionConnected = [this](TCustomWSocket*, win::WORD e) { events.push_back("connected " + IntToStr(e)); };
    socket.OnSessionClosed = [this](TCustomWSocket*, win::WORD e) {
        events.push_back("closed " + IntToStr(e));
        closed = true;
    };
    socket.OnDataAvailable = [this](TCustomWSocket* s, win::WORD) { received += s->ReceiveStr(); };
    socket.OnDataSent = [this](TCustomWSocket*, win::WORD) { ++dataSent; };
    socket.OnSendData = [this](TCustomWSocket*, int n) { sendData += n; };
}

void RecordingSocket::ConnectTo(int port, const std::string& addr) {
    socket.SetAddr(addr);
    socket.SetPort(IntToStr(port));
    socket.Connect();
}

}  // namespace tarvo::test
