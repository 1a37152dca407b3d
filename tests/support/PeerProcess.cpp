#include "tests/support/PeerProcess.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <linux/close_range.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <set>
#include <thread>

#include "tests/support/LoopbackAddress.h"
#include "tools/harness/RunProgram.h"

namespace tarvo::test {

namespace {

const std::string kIp = "/usr/sbin/ip";
const std::string kTc = "/usr/sbin/tc";
constexpr int kStartAttempts = 3;
constexpr int kPortAttempts = 100;
constexpr int kFirstUnprivilegedPort = 1024;
constexpr auto kListenTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(5);
constexpr unsigned kTcpListen = 0x0A;  // the state column of /proc/net/tcp

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// A socket bound to a loopback port of the system's choosing (fd -1 when none could be made).
void BindAnyLoopbackPort(int& fd, int& port) {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = LoopbackAddress(0);
    socklen_t len = sizeof a;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
        port = ntohs(a.sin_port);
        return;
    }
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    port = -1;
}

// The ports the system hands out by itself to port-0 binds and outgoing connections, as it says.
std::pair<int, int> EphemeralPorts() {
    std::ifstream range("/proc/sys/net/ipv4/ip_local_port_range");
    int low = 0, high = 0;
    if (range >> low >> high && low > 0 && low <= high)
        return {low, high};
    return {32768, 60999};  // Linux's default
}

// The unprivileged ports below and above the system's own range where a run of count ports starts.
std::vector<std::pair<int, int>> UnassignedPortRanges(int count) {
    const auto [low, high] = EphemeralPorts();
    std::vector<std::pair<int, int>> ranges;
    if (low - count >= kFirstUnprivilegedPort)
        ranges.emplace_back(kFirstUnprivilegedPort, low - count);
    if (high + count <= 65535)
        ranges.emplace_back(high + 1, 65536 - count);
    return ranges;
}

// Whether port and the count - 1 after it can be bound on 127.0.0.1 now.
bool AllFree(int port, int count) {
    std::vector<int> held;
    bool free = true;
    for (int p = port; free && p < port + count; ++p) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a = LoopbackAddress(static_cast<uint16_t>(p));
        free = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        if (fd >= 0)
            held.push_back(fd);
    }
    for (int fd : held)
        ::close(fd);
    return free;
}

// The processes of a peer's group: the peer and whatever it forked.
std::vector<pid_t> GroupMembers(pid_t group) {
    std::vector<pid_t> members;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return members;
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end)
            continue;
        std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
        std::string line;
        std::getline(stat, line);
        // pid (name) state ppid pgrp ...; the name may hold blanks and parentheses.
        const size_t close = line.rfind(')');
        char state = 0;
        int parent = 0, pgrp = 0;
        if (close != std::string::npos &&
            std::sscanf(line.c_str() + close + 1, " %c %d %d", &state, &parent, &pgrp) == 3 && pgrp == group)
            members.push_back(static_cast<pid_t>(pid));
    }
    ::closedir(proc);
    return members;
}

// The inodes of the sockets among the open descriptors of the peer's processes.
std::set<unsigned long> SocketInodes(pid_t group) {
    std::set<unsigned long> inodes;
    for (pid_t pid : GroupMembers(group)) {
        const std::string folder = "/proc/" + std::to_string(pid) + "/fd/";
        DIR* fds = ::opendir(folder.c_str());
        if (!fds)
            continue;
        while (const dirent* fd = ::readdir(fds)) {
            char target[64];
            const ssize_t length = ::readlink((folder + fd->d_name).c_str(), target, sizeof target - 1);
            if (length <= 0)
                continue;
            target[length] = '\0';
            unsigned long inode = 0;
            if (std::sscanf(target, "socket:[%lu]", &inode) == 1)
                inodes.insert(inode);
        }
        ::closedir(fds);
    }
    return inodes;
}

// An address of /proc/net/tcp or tcp6 (hexadecimal words, each in the machine's byte order) that takes
// connections to 127.0.0.1 or ::1: a loopback or wildcard address, or IPv4's loopback mapped into IPv6.
bool ReachableOnLoopback(const std::string& hex) {
    if (hex.size() == 8) {
        const auto address = static_cast<uint32_t>(std::stoul(hex, nullptr, 16));
        return address == htonl(INADDR_LOOPBACK) || address == htonl(INADDR_ANY);
    }
    if (hex.size() != 32)
        return false;
    in6_addr address{};
    for (int word = 0; word < 4; ++word)
        address.s6_addr32[word] = static_cast<uint32_t>(std::stoul(hex.substr(word * 8, 8), nullptr, 16));
    return IN6_IS_ADDR_LOOPBACK(&address) || IN6_IS_ADDR_UNSPECIFIED(&address) ||
           (IN6_IS_ADDR_V4MAPPED(&address) && address.s6_addr32[3] == htonl(INADDR_LOOPBACK));
}

// The TCP ports on a loopback (or every) address that the peer itself listens on, in its own network namespace,
// over IPv4 and IPv6. A socket is the peer's own when one of its descriptors holds the socket's inode: a port
// that merely answers may belong to any other listener of the machine.
std::vector<int> ListeningPorts(pid_t pid) {
    std::vector<int> ports;
    const std::set<unsigned long> inodes = SocketInodes(pid);
    if (inodes.empty())
        return ports;
    for (const char* table : {"tcp", "tcp6"}) {
        std::ifstream rows("/proc/" + std::to_string(pid) + "/net/" + table);
        std::string line;
        std::getline(rows, line);  // the column names
        while (std::getline(rows, line)) {
            char address[33] = {};
            unsigned port = 0, state = 0;
            unsigned long inode = 0;
            // sl, local address:port, remote address:port, state, queues, timer, retransmits, uid, timeout, inode
            if (std::sscanf(line.c_str(),
                            " %*u: %32[0-9A-Fa-f]:%x %*[0-9A-Fa-f]:%*x %x %*x:%*x %*x:%*x %*x %*u %*u %lu", address,
                            &port, &state, &inode) == 4 &&
                state == kTcpListen && inodes.count(inode) && ReachableOnLoopback(address))
                ports.push_back(static_cast<int>(port));
        }
    }
    return ports;
}

// Until it executes its program the child holds every descriptor of the test, and after that those the test did
// not mark close-on-exec: it would seem to listen on the test's sockets, and keep their ports after the test
// let them go.
void KeepOnlyStandardDescriptors() {
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
    for (int fd = 3; fd < 65536; ++fd)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// In a mount namespace of the calling process's own, folder takes the place of /run (needs root).
bool MountInPlaceOfRun(const char* folder) {
    return ::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount(folder, "/run", nullptr, MS_BIND, nullptr) == 0;
}

// The end of the child's pipe closes when it has executed its program, or brings the errno of a failed exec.
bool AwaitExec(int started) {
    pollfd p{started, POLLIN, 0};
    int ready;
    while ((ready = ::poll(&p, 1, 10000)) < 0 && errno == EINTR) {
    }
    if (ready != 1)
        return false;
    int error = 0;
    return ::read(started, &error, sizeof error) == 0;
}

}  // namespace

int UnassignedLoopbackPorts(int count) {
    const std::vector<std::pair<int, int>> ranges = UnassignedPortRanges(count);
    int span = 0;
    for (const auto& [first, last] : ranges)
        span += last - first + 1;
    if (span <= 0)
        return -1;
    std::mt19937 pick(std::random_device{}());
    for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
        int n = static_cast<int>(pick() % static_cast<unsigned>(span));
        int first = -1;
        for (const auto& [low, high] : ranges) {
            if (n <= high - low) {
                first = low + n;
                break;
            }
            n -= high - low + 1;
        }
        if (first > 0 && AllFree(first, count))
            return first;
    }
    return -1;
}

RefusingLoopbackPort::RefusingLoopbackPort() {
    BindAnyLoopbackPort(fd_, port_);
}

RefusingLoopbackPort::~RefusingLoopbackPort() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool ProgramAvailable(const std::string& path) {
    return ::access(path.c_str(), X_OK) == 0;
}

std::string UnpackedDaemon(const std::string& relative) {
    const std::string path = std::string(TARVO_PEER_DAEMONS) + "/" + relative;
    return ProgramAvailable(path) ? path : "";
}

bool PeerProcess::Start(const std::vector<std::string>& argv, const std::string& logFile) {
    Stop();
    if (argv.empty())
        return false;
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int started[2];
    if (::pipe2(started, O_CLOEXEC) != 0)
        return false;
    const pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(started[0]);
        ::close(started[1]);
        return false;
    }
    if (pid == 0) {
        // A test that dies before it could stop its peer takes the peer with it.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        int out = ::open(logFile.empty() ? "/dev/null" : logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
        ::setpgid(0, 0);  // its own group: stopping it never touches the test
        KeepOnlyStandardDescriptors();
        if (runFolder_.empty() || MountInPlaceOfRun(runFolder_.c_str()))
            ::execv(args[0], args.data());
        const int error = errno;
        [[maybe_unused]] ssize_t told = ::write(started[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(started[1]);
    ::setpgid(pid, pid);  // as the child does, so the group exists whichever of the two comes first
    pid_ = pid;
    const bool executed = AwaitExec(started[0]);
    ::close(started[0]);
    if (!executed)
        Stop();
    return executed;
}

int PeerProcess::StartListening(const std::vector<std::string>& argv, const std::string& logFile) {
    if (!Start(argv, logFile))
        return -1;
    return AwaitListening([](int) { return true; });
}

int PeerProcess::StartOnFreePort(const std::function<std::vector<std::string>(int port)>& configure,
                                 const std::string& logFile) {
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        const int port = UnassignedLoopbackPorts();
        if (port > 0 && Start(configure(port), logFile) &&
            AwaitListening([port](int listening) { return listening == port; }) == port)
            return port;
    }
    return -1;
}

int PeerProcess::AwaitListening(const std::function<bool(int port)>& wanted) {
    // Against the clock: on a busy machine one look through /proc can take tens of milliseconds.
    const auto deadline = std::chrono::steady_clock::now() + kListenTimeout;
    do {
        if (!Running())
            return -1;
        for (int port : ListeningPorts(pid_))
            if (wanted(port))
                return port;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    Stop();
    return -1;
}

bool PeerProcess::Running() {
    if (pid_ <= 0)
        return false;
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

bool PeerProcess::EndsWithin(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::optional<int> PeerProcess::WaitForEnd(int timeoutMs) {
    if (pid_ <= 0 || !EndsWithin(std::chrono::milliseconds(timeoutMs)))
        return std::nullopt;
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_)
        return std::nullopt;
    pid_ = -1;
    return status;
}

void PeerProcess::Stop() {
    if (pid_ <= 0)
        return;
    ::kill(-pid_, SIGTERM);
    // The program is waited for but not reaped yet: while it is a zombie no other process can take its id, so the
    // group's id still names the peer's group when what is left of it is killed.
    EndsWithin(kStopTimeout);
    ::kill(-pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

// unshare moves only the calling thread; threads and children it starts afterwards follow it.
SlowLoopback::SlowLoopback(int rateKbit) {
    if (::geteuid() != 0) {
        refusal_ = "a network namespace of its own needs root";
        return;
    }
    if (!ProgramAvailable(kIp) || !ProgramAvailable(kTc)) {
        refusal_ = "ip and tc are not installed (iproute2)";
        return;
    }
    home_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (home_ < 0) {
        refusal_ = SystemError("cannot open the thread's network namespace");
        return;
    }
    if (::unshare(CLONE_NEWNET) != 0) {
        refusal_ = SystemError("cannot make a network namespace");
        ::close(home_);
        home_ = -1;
        return;
    }
    // The loopback's own MTU of 65536 would never pass a bucket of 4 kB.
    if (!ProgramSucceeds({kIp, "link", "set", "lo", "up", "mtu", "1500"}) ||
        !ProgramSucceeds({kTc, "qdisc", "add", "dev", "lo", "root", "tbf", "rate", std::to_string(rateKbit) + "kbit",
                          "burst", "4kb", "latency", "400ms"})) {
        refusal_ = "ip or tc could not set up the loopback of the network namespace";
        Leave();
    }
}

SlowLoopback::~SlowLoopback() {
    Leave();
}

void SlowLoopback::Leave() {
    if (home_ < 0)
        return;
    if (::setns(home_, CLONE_NEWNET) != 0) {
        // Every later test of the process would run on the slow link and fail for no fault of its own.
        std::perror("cannot return to the thread's network namespace");
        std::abort();
    }
    ::close(home_);
    home_ = -1;
}

}  // namespace tarvo::test
