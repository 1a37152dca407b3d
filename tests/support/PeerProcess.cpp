#include "tests/support/PeerProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "tests/support/LoopbackAddress.h"
#include "tools/harness/RunProgram.h"

namespace tarvo::test {

namespace {

const std::string kIp = "/usr/sbin/ip";
const std::string kTc = "/usr/sbin/tc";

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// Runs a short system tool to its end; true when it exited with 0.
bool Succeeds(const std::vector<std::string>& argv) {
    std::optional<int> status = RunProgram(argv, "/", "/dev/null");
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

bool Answers(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in a = LoopbackAddress(port);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

int FreeLoopbackPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = LoopbackAddress(0);
    socklen_t len = sizeof a;
    int port = -1;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
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
    const pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid < 0)
        return false;
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
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    pid_ = pid;
    return true;
}

bool PeerProcess::StartOnPort(const std::vector<std::string>& argv, int port, const std::string& logFile) {
    if (!Start(argv, logFile))
        return false;
    for (int waited = 0; waited <= 10000; waited += 20) {
        if (!Running())
            return false;
        if (Answers(port))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Stop();
    return false;
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
