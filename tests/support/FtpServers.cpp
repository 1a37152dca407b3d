#include "tests/support/FtpServers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tools/harness/RunProgram.h"

namespace tarvo::test {

namespace {

namespace fs = std::filesystem;

const std::string kPython = "/usr/bin/python3";
// The user and password of the servers that keep users of their own (pyftpdlib, proftpd, pure-ftpd). It is no
// account of the machine: vsftpd, which knows only those, logs in the session account.
const std::string kServerUser = "tarvo";
const std::string kServerPassword = "Tarvo-ftp-1";

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

// A SHA-512 crypt hash, as the system's password files keep them.
std::string PasswordHash(const std::string& password) {
    FILE* pipe = ::popen(("printf '%s' '" + password + "' | openssl passwd -6 -stdin 2>/dev/null").c_str(), "r");
    if (!pipe)
        return "";
    char line[256] = {};
    std::string hash = std::fgets(line, sizeof line, pipe) ? line : "";
    ::pclose(pipe);
    while (!hash.empty() && (hash.back() == '\n' || hash.back() == '\r'))
        hash.pop_back();
    return hash.rfind("$6$", 0) == 0 ? hash : "";
}

}  // namespace

std::string FtpServerName(FtpServerKind kind) {
    switch (kind) {
        case FtpServerKind::Pyftpdlib:
            return "pyftpdlib";
        case FtpServerKind::Vsftpd:
            return "vsftpd";
        case FtpServerKind::Proftpd:
            return "proftpd";
        case FtpServerKind::PureFtpd:
            return "pureftpd";
    }
    return "";
}

const std::string& FtpServer::User() const {
    return kind_ == FtpServerKind::Vsftpd && account_ ? account_->Name() : kServerUser;
}

const std::string& FtpServer::Password() const {
    return kind_ == FtpServerKind::Vsftpd && account_ ? account_->Password() : kServerPassword;
}

bool FtpServer::HandOver(const std::string& file) const {
    return !account_ || account_->HandOver(file);
}

bool FtpServer::WriteNetrc(const std::string& path) const {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const std::string entry = "machine 127.0.0.1 login " + User() + " password " + Password() + "\n";
    const bool written = ::fchmod(fd, 0600) == 0 && ::write(fd, entry.data(), entry.size()) == ssize_t(entry.size());
    return ::close(fd) == 0 && written;
}

// The server runs its sessions as the session account, which gets the served folder.
std::string FtpServer::ServeAsSessionAccount(const std::string& server, const std::string& top) {
    std::string why;
    account_ = SessionAccount::Acquire(why);
    if (!account_)
        return server + ": " + why;
    if (!account_->Serve(folder_, top))
        return "cannot hand " + folder_ + " to " + account_->Name();
    return "";
}

std::string FtpServer::Start(const std::string& folder, const std::string& work, const std::string& top) {
    Stop();
    folder_ = WithSlash(folder);
    std::error_code ec;
    fs::create_directories(folder_, ec);
    fs::create_directories(work, ec);
    switch (kind_) {
        case FtpServerKind::Pyftpdlib:
            return StartPyftpdlib(WithSlash(work));
        case FtpServerKind::Vsftpd:
            return StartVsftpd(WithSlash(work), top);
        case FtpServerKind::Proftpd:
            return StartProftpd(WithSlash(work), top);
        case FtpServerKind::PureFtpd:
            return StartPureFtpd(WithSlash(work), top);
    }
    return "unknown server";
}

std::string FtpServer::Started(int port, const std::string& name, const std::string& log) {
    port_ = port;
    return port > 0 ? "" : name + " did not start, see " + log;
}

std::string FtpServer::StartPyftpdlib(const std::string& work) {
    if (!ProgramAvailable(kPython))
        return kPython + " is not installed";
    const std::string log = work + "pyftpdlib.log";
    return Started(process_.StartListening({kPython, "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", "0", "-w", "-u",
                                            kServerUser, "-P", kServerPassword, "-d", folder_},
                                           log),
                   "pyftpdlib (python3-pyftpdlib missing?)", log);
}

std::string FtpServer::StartVsftpd(const std::string& work, const std::string& top) {
    const std::string daemon = UnpackedDaemon("usr/sbin/vsftpd");
    if (daemon.empty())
        return "vsftpd is not unpacked (tools/fetch-peer-daemons.sh)";
    if (std::string why = ServeAsSessionAccount("vsftpd", top); !why.empty())
        return why;
    std::string empty = work + "empty";
    std::error_code ec;
    fs::create_directories(empty, ec);
    std::string config = work + "vsftpd.conf";
    std::ofstream(config) << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=0\n"
                          << "anonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\nlocal_umask=022\n"
                          << "local_root=" << folder_ << "\nconnect_from_port_20=NO\n"
                          << "secure_chroot_dir=" << empty << "\npam_service_name=other\n"
                          << "seccomp_sandbox=NO\nisolate_network=NO\nisolate=NO\nbackground=NO\n"
                          << "pasv_enable=YES\npasv_address=127.0.0.1\ncheck_shell=NO\n";
    const std::string log = work + "vsftpd.log";
    return Started(process_.StartListening({daemon, config}, log), "vsftpd", log);
}

// Its own user file maps the test user to the local one, at home (and shut in) in the served folder.
std::string FtpServer::StartProftpd(const std::string& work, const std::string& top) {
    const std::string daemon = UnpackedDaemon("usr/sbin/proftpd");
    if (daemon.empty())
        return "proftpd is not unpacked (tools/fetch-peer-daemons.sh)";
    if (std::string why = ServeAsSessionAccount("proftpd", top); !why.empty())
        return why;
    std::string hash = PasswordHash(kServerPassword);
    if (hash.empty())
        return "openssl cannot hash the password for proftpd";
    std::string ids = std::to_string(account_->Uid()) + ":" + std::to_string(account_->Gid());
    std::ofstream(work + "proftpd.passwd")
        << kServerUser << ":" << hash << ":" << ids << "::" << folder_ << ":/bin/sh\n";
    std::ofstream(work + "proftpd.group") << kServerUser << ":x:" << account_->Gid() << ":\n";
    ::chmod((work + "proftpd.passwd").c_str(), 0600);
    std::string config = work + "proftpd.conf";
    auto configured = [&](int port) {
        std::ofstream(config) << "ServerType standalone\nDefaultServer on\nPort " << port
                              << "\nDefaultAddress 127.0.0.1\nSocketBindTight on\nUseIPv6 off\n"
                              << "PidFile " << work << "proftpd.pid\nScoreboardFile " << work << "proftpd.scoreboard\n"
                              << "DelayTable none\nWtmpLog off\nUseReverseDNS off\nRequireValidShell off\n"
                              << "UseFtpUsers off\nAuthOrder mod_auth_file.c\nAuthUserFile " << work
                              << "proftpd.passwd\nAuthGroupFile " << work << "proftpd.group\nDefaultRoot ~\n"
                              << "AllowOverwrite on\nSystemLog " << work << "proftpd.system.log\nTransferLog none\n";
        return std::vector<std::string>{daemon, "-n", "-c", config};
    };
    // Port 0 turns its server off: it is given a free port instead.
    const std::string log = work + "proftpd.log";
    return Started(process_.StartOnFreePort(configured, log), "proftpd", log);
}

// A virtual user of its own password database, mapped to the local user and shut in the served folder.
std::string FtpServer::StartPureFtpd(const std::string& work, const std::string& top) {
    const std::string daemon = UnpackedDaemon("usr/sbin/pure-ftpd");
    const std::string pw = UnpackedDaemon("usr/bin/pure-pw");
    if (daemon.empty() || pw.empty())
        return "pure-ftpd is not unpacked (tools/fetch-peer-daemons.sh)";
    if (std::string why = ServeAsSessionAccount("pure-ftpd", top); !why.empty())
        return why;
    std::string passwd = work + "pureftpd.passwd";
    std::string database = work + "pureftpd.pdb";
    std::error_code ec;
    fs::remove(passwd, ec);
    if (!RunWithInput(pw + " useradd " + kServerUser + " -u " + std::to_string(account_->Uid()) + " -g " +
                          std::to_string(account_->Gid()) + " -d " + folder_ + " -f " + passwd + " -F " + database +
                          " -m >/dev/null 2>&1",
                      kServerPassword + "\n" + kServerPassword + "\n"))
        return "pure-pw cannot make the password database";
    // Its sessions keep a file each in /run/pure-ftpd, left behind when they are stopped.
    const std::string run = work + "run";
    fs::create_directories(run, ec);
    process_.ShowAsRun(run);
    const std::string log = work + "pure-ftpd.log";
    return Started(
        process_.StartListening(
            {daemon, "-S", "127.0.0.1,0", "-l", "puredb:" + database, "-E", "-4", "-H", "-A", "-u", "1"}, log),
        "pure-ftpd", log);
}

void FtpServer::Stop() {
    process_.Stop();
    account_.reset();
}

}  // namespace tarvo::test
