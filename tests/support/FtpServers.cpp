#include "tests/support/FtpServers.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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

struct LocalUser {
    uid_t uid = 0;
    gid_t gid = 0;
};

// vsftpd runs each session as a local user: one with the home "/" (it changes there before local_root) and
// a shell listed in /etc/shells, as PAM asks. proftpd and pure-ftpd run theirs as the same user.
std::string EnsureLocalUser(LocalUser& user) {
    if (!::getpwnam(kLocalUser.c_str())) {
        RunWithInput("useradd -M -d / -s /bin/sh " + kLocalUser + " 2>/dev/null", "");
        if (::getpwnam(kLocalUser.c_str()))
            RunWithInput("chpasswd", kLocalUser + ":" + kPassword + "\n");
    }
    const passwd* pw = ::getpwnam(kLocalUser.c_str());
    if (!pw)
        return "cannot create the local user " + kLocalUser;
    user.uid = pw->pw_uid;
    user.gid = pw->pw_gid;
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

// Root starts the server, which serves the folder as the local user: the folder becomes that user's.
std::string ServeAsLocalUser(const std::string& server, const std::string& folder, const fs::path& top,
                             LocalUser& user) {
    if (::geteuid() != 0)
        return server + " needs root: it runs each session as a local user";
    if (std::string why = EnsureLocalUser(user); !why.empty())
        return why;
    if (::chown(folder.c_str(), user.uid, static_cast<gid_t>(-1)) != 0)
        return "cannot hand " + folder + " to " + kLocalUser;
    OpenPathTo(folder, top);
    return "";
}

// A daemon unpacked by tools/fetch-ftp-peers.sh; empty when it is not there.
std::string UnpackedPeer(const std::string& relative) {
    const char* root = std::getenv("TARVO_FTP_PEERS");
    if (!root || !*root)
        return "";
    std::string path = WithSlash(root) + relative;
    return ProgramAvailable(path) ? path : "";
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

// proftpd and pure-ftpd know their user from a file of their own, mapped to the local user.
const std::string& FtpServer::User() const {
    return kind_ == FtpServerKind::Vsftpd ? kLocalUser : kPyUser;
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
                                            kPyUser, "-P", kPassword, "-d", folder_},
                                           log),
                   "pyftpdlib (python3-pyftpdlib missing?)", log);
}

std::string FtpServer::StartVsftpd(const std::string& work, const std::string& top) {
    if (!ProgramAvailable(kVsftpd))
        return kVsftpd + " is not installed";
    LocalUser user;
    if (std::string why = ServeAsLocalUser("vsftpd", folder_, top, user); !why.empty())
        return why;
    std::string empty = work + "empty";
    std::error_code ec;
    fs::create_directories(empty, ec);
    std::string config = work + "vsftpd.conf";
    std::ofstream(config) << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=0\n"
                          << "anonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\nlocal_umask=022\n"
                          << "local_root=" << folder_ << "\nconnect_from_port_20=NO\n"
                          << "secure_chroot_dir=" << empty << "\npam_service_name=vsftpd\n"
                          << "seccomp_sandbox=NO\nisolate_network=NO\nisolate=NO\nbackground=NO\n"
                          << "pasv_enable=YES\npasv_address=127.0.0.1\ncheck_shell=NO\n";
    const std::string log = work + "vsftpd.log";
    return Started(process_.StartListening({kVsftpd, config}, log), "vsftpd", log);
}

// Its own user file maps the test user to the local one, at home (and shut in) in the served folder.
std::string FtpServer::StartProftpd(const std::string& work, const std::string& top) {
    std::string daemon = UnpackedPeer("usr/sbin/proftpd");
    if (daemon.empty())
        return "proftpd is not unpacked: set TARVO_FTP_PEERS (tools/fetch-ftp-peers.sh)";
    LocalUser user;
    if (std::string why = ServeAsLocalUser("proftpd", folder_, top, user); !why.empty())
        return why;
    std::string hash = PasswordHash(kPassword);
    if (hash.empty())
        return "openssl cannot hash the password for proftpd";
    std::string ids = std::to_string(user.uid) + ":" + std::to_string(user.gid);
    std::ofstream(work + "proftpd.passwd") << kPyUser << ":" << hash << ":" << ids << "::" << folder_ << ":/bin/sh\n";
    std::ofstream(work + "proftpd.group") << kPyUser << ":x:" << user.gid << ":\n";
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
    std::string daemon = UnpackedPeer("usr/sbin/pure-ftpd");
    std::string pw = UnpackedPeer("usr/bin/pure-pw");
    if (daemon.empty() || pw.empty())
        return "pure-ftpd is not unpacked: set TARVO_FTP_PEERS (tools/fetch-ftp-peers.sh)";
    LocalUser user;
    if (std::string why = ServeAsLocalUser("pure-ftpd", folder_, top, user); !why.empty())
        return why;
    std::string passwd = work + "pureftpd.passwd";
    std::string database = work + "pureftpd.pdb";
    std::error_code ec;
    fs::remove(passwd, ec);
    if (!RunWithInput(pw + " useradd " + kPyUser + " -u " + std::to_string(user.uid) + " -g " +
                          std::to_string(user.gid) + " -d " + folder_ + " -f " + passwd + " -F " + database +
                          " -m >/dev/null 2>&1",
                      kPassword + "\n" + kPassword + "\n"))
        return "pure-pw cannot make the password database";
    const std::string log = work + "pure-ftpd.log";
    return Started(
        process_.StartListening(
            {daemon, "-S", "127.0.0.1,0", "-l", "puredb:" + database, "-E", "-4", "-H", "-A", "-u", "1"}, log),
        "pure-ftpd", log);
}

void FtpServer::Stop() {
    // The server's sessions are its children, in the process group it leads.
    if (process_.Running())
        ::kill(-process_.Pid(), SIGTERM);
    process_.Stop();
}

}  // namespace tarvo::test
