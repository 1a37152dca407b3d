#include "tests/support/PeerProcess.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <linux/close_range.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <thread>

#include "tests/support/LoopbackAddress.h"
#include "tools/harness/RunProgram.h"

namespace tarvo::test {

namespace {

const std::string kIp = "/usr/sbin/ip";
const std::string kTc = "/usr/sbin/tc";
constexpr int kStartAttempts = 3;
constexpr unsigned kTcpListen = 0x0A;  // the state column of /proc/net/tcp

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// Runs a short system tool to its end; true when it exited with 0.
bool Succeeds(const std::vector<std::string>& argv) {
    std::optional<int> status = RunProgram(argv, "/", "/dev/null");
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
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

// The inodes of the sockets among the process's open descriptors.
std::set<unsigned long> SocketInodes(pid_t pid) {
    std::set<unsigned long> inodes;
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd/";
    DIR* fds = ::opendir(folder.c_str());
    if (!fds)
        return inodes;
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
    return inodes;
}

// The TCP ports on 127.0.0.1 (or on every address) that the process itself listens on, in its own network
// namespace. A socket is the process's own when one of its descriptors holds the socket's inode: a port that
// merely answers may belong to any other listener of the machine.
std::vector<int> ListeningPorts(pid_t pid) {
    std::vector<int> ports;
    const std::set<unsigned long> inodes = SocketInodes(pid);
    if (inodes.empty())
        return ports;
    std::ifstream table("/proc/" + std::to_string(pid) + "/net/tcp");
    std::string line;
    std::getline(table, line);  // the column names
    while (std::getline(table, line)) {
        unsigned address = 0, port = 0, state = 0;
        unsigned long inode = 0;
        // sl, local address:port, remote address:port, state, queues, timer, retransmits, uid, timeout, inode
        if (std::sscanf(line.c_str(), " %*u: %x:%x %*x:%*x %x %*x:%*x %*x:%*x %*x %*u %*u %lu", &address, &port, &state,
                        &inode) == 4 &&
            state == kTcpListen && (address == htonl(INADDR_LOOPBACK) || address == htonl(INADDR_ANY)) &&
            inodes.count(inode))
            ports.push_back(static_cast<int>(port));
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

int FreeLoopbackPort() {
    int fd = -1, port = -1;
    BindAnyLoopbackPort(fd, port);
    if (fd >= 0)
        ::close(fd);
    return port;
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
        ::execv(args[0], args.data());
        const int error = errno;
        [[maybe_unused]] ssize_t told = ::write(started[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(started[1]);
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
        const int port = FreeLoopbackPort();
        if (port > 0 && Start(configure(port), logFile) &&
            AwaitListening([port](int listening) { return listening == port; }) == port)
            return port;
    }
    return -1;
}

int PeerProcess::AwaitListening(const std::function<bool(int port)>& wanted) {
    for (int waited = 0; waited <= 10000; waited += 20) {
        if (!Running())
            return -1;
        for (int port : ListeningPorts(pid_))
            if (wanted(port))
                return port;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
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

std::optional<int> PeerProcess::WaitForEnd(int timeoutMs) {
    if (pid_ <= 0)
        return std::nullopt;
    // The descriptor becomes readable when the process ends: no polling of waitpid.
    const int ended = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    if (ended >= 0) {
        pollfd p{ended, POLLIN, 0};
        ::poll(&p, 1, timeoutMs);
        ::close(ended);
    }
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_)
        return std::nullopt;
    pid_ = -1;
    return status;
}

void PeerProcess::Stop() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    for (int waited = 0; waited < 5000; waited += 10) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid_, SIGKILL);
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
    if (!Succeeds({kIp, "link", "set", "lo", "up", "mtu", "1500"}) ||
        !Succeeds({kTc, "qdisc", "add", "dev", "lo", "root", "tbf", "rate", std::to_string(rateKbit) + "kbit", "burst",
                   "4kb", "latency", "400ms"})) {
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
