#include "tests/support/FtpServers.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace tarvo::test {

namespace {

namespace fs = std::filesystem;

const std::string kPython = "/usr/bin/python3";
const std::string kVsftpd = "/usr/sbin/vsftpd";
const std::string kLocalUser = "tarvoftp";
const std::string kPassword = "Tarvo-ftp-1";
const std::string kPyUser = "tarvo";
constexpr int kStartAttempts = 3;

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

bool RunWithInput(const std::string& command, const std::string& input) {
    FILE* pipe = ::popen(command.c_str(), "w");
    if (!pipe)
        return false;
    std::fputs(input.c_str(), pipe);
    return ::pclose(pipe) == 0;
}

// vsftpd runs each session as a local user: one with the home "/" (it changes there before local_root) and
// a shell listed in /etc/shells, as PAM asks.
std::string EnsureLocalUser(uid_t& uid) {
    if (!::getpwnam(kLocalUser.c_str())) {
        RunWithInput("useradd -M -d / -s /bin/sh " + kLocalUser + " 2>/dev/null", "");
        if (::getpwnam(kLocalUser.c_str()))
            RunWithInput("chpasswd", kLocalUser + ":" + kPassword + "\n");
    }
    const passwd* pw = ::getpwnam(kLocalUser.c_str());
    if (!pw)
        return "cannot create the local user " + kLocalUser + " for vsftpd";
    uid = pw->pw_uid;
    return "";
}

// The session user must reach the served folder: every folder above it inside the scratch area gets o+x.
void OpenPathTo(const fs::path& folder, const fs::path& top) {
    std::error_code ec;
    for (fs::path p = folder; !p.empty() && p != p.root_path(); p = p.parent_path()) {
        fs::permissions(p, fs::perms::others_exec, fs::perm_options::add, ec);
        if (p == top)
            break;
    }
}

}  // namespace

std::string FtpServerName(FtpServerKind kind) {
    return kind == FtpServerKind::Pyftpdlib ? "pyftpdlib" : "vsftpd";
}

const std::string& FtpServer::User() const {
    return kind_ == FtpServerKind::Pyftpdlib ? kPyUser : kLocalUser;
}

const std::string& FtpServer::Password() const {
    return kPassword;
}

std::string FtpServer::Start(const std::string& folder, const std::string& work, const std::string& top) {
    Stop();
    folder_ = WithSlash(folder);
    std::error_code ec;
    fs::create_directories(folder_, ec);
    fs::create_directories(work, ec);
    return kind_ == FtpServerKind::Pyftpdlib ? StartPyftpdlib(WithSlash(work)) : StartVsftpd(WithSlash(work), top);
}

std::string FtpServer::StartPyftpdlib(const std::string& work) {
    if (!ProgramAvailable(kPython))
        return kPython + " is not installed";
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        port_ = FreeLoopbackPort();
        if (process_.StartOnPort({kPython, "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", std::to_string(port_), "-w",
                                  "-u", kPyUser, "-P", kPassword, "-d", folder_},
                                 port_, work + "pyftpdlib.log"))
            return "";
    }
    return "pyftpdlib did not start (python3-pyftpdlib missing?), see " + work + "pyftpdlib.log";
}

std::string FtpServer::StartVsftpd(const std::string& work, const std::string& top) {
    if (::geteuid() != 0)
        return "vsftpd needs root: it runs each session as a local user";
    if (!ProgramAvailable(kVsftpd))
        return kVsftpd + " is not installed";
    uid_t uid = 0;
    if (std::string why = EnsureLocalUser(uid); !why.empty())
        return why;
    if (::chown(folder_.c_str(), uid, static_cast<gid_t>(-1)) != 0)
        return "cannot hand " + folder_ + " to " + kLocalUser;
    OpenPathTo(folder_, top);
    std::string empty = work + "empty";
    std::error_code ec;
    fs::create_directories(empty, ec);
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        port_ = FreeLoopbackPort();
        std::string config = work + "vsftpd.conf";
        std::ofstream(config) << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" << port_
                              << "\nanonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\nlocal_umask=022\n"
                              << "local_root=" << folder_ << "\nconnect_from_port_20=NO\n"
                              << "secure_chroot_dir=" << empty << "\npam_service_name=vsftpd\n"
                              << "seccomp_sandbox=NO\nisolate_network=NO\nisolate=NO\nbackground=NO\n"
                              << "pasv_enable=YES\npasv_address=127.0.0.1\ncheck_shell=NO\n";
        if (process_.StartOnPort({kVsftpd, config}, port_, work + "vsftpd.log"))
            return "";
    }
    return "vsftpd did not start, see " + work + "vsftpd.log";
}

void FtpServer::Stop() {
    // The server's sessions are its children, in the process group it leads.
    if (process_.Running())
        ::kill(-process_.Pid(), SIGTERM);
    process_.Stop();
}

}  // namespace tarvo::test
