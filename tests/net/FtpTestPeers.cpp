#include "tests/net/FtpTestPeers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/winsock/HostLookup.h"

namespace tarvo::test {

namespace {

constexpr int kLineWaitMs = 20000;

sockaddr_in Address(const std::string& dotted, int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, dotted.c_str(), &a.sin_addr);
    return a;
}

}  // namespace

int OccupyLoopbackPort(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = Address("127.0.0.1", port);
    // A connection the client just made from the port may linger in TIME_WAIT there; a listener still keeps the
    // client from binding the port, which is all the tests want of it.
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 1) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int FilesIn(const std::string& folder) {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        n += entry.is_regular_file();
    return n;
}

// The scripted session ------------------------------------------------------------------------------------

FakeFtpSession::~FakeFtpSession() {
    if (passive_ >= 0)
        ::close(passive_);
}

void FakeFtpSession::Send(const std::string& bytes) {
    LoopbackPeer::WriteAll(fd_, bytes);
}

void FakeFtpSession::Reply(const std::string& line) {
    Send(line + "\r\n");
}

std::string FakeFtpSession::Next() {
    for (int waited = 0; waited < kLineWaitMs;) {
        size_t end = pending_.find("\r\n");
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            server_.Record(line);
            return line;
        }
        pollfd p{fd_, POLLIN, 0};
        int ready = ::poll(&p, 1, 50);
        if (ready == 0) {
            waited += 50;
            continue;
        }
        char buf[4096];
        ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        pending_.append(buf, static_cast<size_t>(n));
    }
    return "";
}

std::string FakeFtpSession::Expect(const std::string& verb) {
    std::string line = Next();
    EXPECT_TRUE(line == verb || line.rfind(verb + " ", 0) == 0) << "expected " << verb << ", got: " << line;
    return line.size() > verb.size() ? line.substr(verb.size() + 1) : "";
}

void FakeFtpSession::Login() {
    Reply("220 fake server ready");
    Expect("USER");
    Reply("331 password please");
    Expect("PASS");
    Reply("230 logged in");
}

void FakeFtpSession::ReplyPasv(const std::string& address) {
    passive_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = Address("127.0.0.1", 0);
    socklen_t len = sizeof a;
    ::bind(passive_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(passive_, 4);
    ::getsockname(passive_, reinterpret_cast<sockaddr*>(&a), &len);
    int port = ntohs(a.sin_port);
    Reply("227 Entering Passive Mode (" + address + "," + std::to_string(port / 256) + "," +
          std::to_string(port % 256) + ")");
}

int FakeFtpSession::AcceptData() {
    pollfd p{passive_, POLLIN, 0};
    if (::poll(&p, 1, kLineWaitMs) <= 0)
        return -1;
    return ::accept4(passive_, nullptr, nullptr, SOCK_CLOEXEC);
}

int FakeFtpSession::BeginPassiveDownload() {
    Expect("PASV");
    ReplyPasv();
    Expect("RETR");
    int fd = AcceptData();
    Reply("150 here");
    return fd;
}

int FakeFtpSession::ConnectTo(const std::string& portArgument, const std::string& sourceAddress, int receiveBuffer) {
    int h[4], p[2];
    if (std::sscanf(portArgument.c_str(), "%d,%d,%d,%d,%d,%d", &h[0], &h[1], &h[2], &h[3], &p[0], &p[1]) != 6)
        return -1;
    std::string host =
        std::to_string(h[0]) + "." + std::to_string(h[1]) + "." + std::to_string(h[2]) + "." + std::to_string(h[3]);
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    if (!sourceAddress.empty()) {
        sockaddr_in source = Address(sourceAddress, 0);
        ::bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof source);
    }
    sockaddr_in target = Address(host, p[0] * 256 + p[1]);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void FakeFtpSession::WaitForClose() {
    while (!Next().empty()) {
    }
}

// The server ----------------------------------------------------------------------------------------------

FakeFtpServer::FakeFtpServer(Script script)
    : script_(std::move(script)), peer_([this](int fd) {
          FakeFtpSession session(fd, *this);
          script_(session);
      }) {}

std::vector<std::string> FakeFtpServer::Commands() {
    std::lock_guard<std::mutex> guard(mutex_);
    return commands_;
}

bool FakeFtpServer::Received(const std::string& prefix) {
    std::vector<std::string> all = Commands();
    return std::any_of(all.begin(), all.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
}

void FakeFtpServer::Record(const std::string& command) {
    std::lock_guard<std::mutex> guard(mutex_);
    commands_.push_back(command);
}

// The recording client ------------------------------------------------------------------------------------

RecordingFtpClient::RecordingFtpClient() {
    client.OnDisplay = [this](TCustomFtpCli*, std::string& msg) { display.push_back(msg); };
    client.OnRequestDone = [this](TCustomFtpCli*, TFtpRequest rq, win::WORD e) { done.emplace_back(rq, e); };
    client.OnError = nullptr;
}

void RecordingFtpClient::Target(int port) {
    client.HostName = "127.0.0.1";
    client.Port = std::to_string(port);
    client.UserName = std::string("u");
    client.PassWord = std::string("p");
    client.Timeout = 0;
}

bool RecordingFtpClient::Shown(const std::string& line) const {
    return std::find(display.begin(), display.end(), line) != display.end();
}

bool RecordingFtpClient::WaitDone(size_t count) {
    return PumpUntil([&] { return done.size() >= count; });
}

// The fixture ---------------------------------------------------------------------------------------------

void FtpTest::TearDown() {
    win::SetClock(nullptr);
    win::winsock::SetHostResolvers(nullptr, nullptr);
    PumpPending(1);
    TarvoTest::TearDown();
}

}  // namespace tarvo::test
