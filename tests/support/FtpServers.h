#pragma once
// Real FTP servers for tests and benchmarks, each listening on a loopback port of its own to serve one folder to
// one user, and stopped, with every process it started, when the object goes: pyftpdlib (needs no privileges),
// and vsftpd, proftpd and pure-ftpd, unpacked into the build by tools/fetch-peer-daemons.sh, which need root:
// they run their sessions as the process's session account (SessionAccount.h).

#include <memory>
#include <string>
#include <vector>

#include "tests/support/PeerProcess.h"
#include "tests/support/SessionAccount.h"

namespace tarvo::test {

enum class FtpServerKind { Pyftpdlib, Vsftpd, Proftpd, PureFtpd };

std::string FtpServerName(FtpServerKind kind);

class FtpServer {
public:
    explicit FtpServer(FtpServerKind kind) : kind_(kind) {}
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;
    ~FtpServer() { Stop(); }

    // Serves folder (made when missing), keeping its configuration and log in work. For the servers that run
    // their sessions as the session account, the folders from top down to folder become passable for it alone.
    // Empty once the server listens; otherwise why it cannot run on this machine.
    std::string Start(const std::string& folder, const std::string& work, const std::string& top = "");
    void Stop();

    FtpServerKind Kind() const { return kind_; }
    int Port() const { return port_; }
    const std::string& User() const;
    const std::string& Password() const;
    // Lets the server's sessions read a file the test put into the served folder (a sealed file is its owner's
    // alone); false when it cannot.
    bool HandOver(const std::string& file) const;
    // Writes the user and password into a netrc file at path, for curl's --netrc-file (a password on a command
    // line is there for every user of the machine to read); the file is the owner's alone. False when it cannot.
    bool WriteNetrc(const std::string& path) const;
    // The served folder, ending with "/".
    const std::string& Folder() const { return folder_; }
    // Whether TYPE A transfers convert line ends (vsftpd, as configured, does not; the others do).
    bool ConvertsAscii() const { return kind_ != FtpServerKind::Vsftpd; }
    // Whether names are kept as the bytes the client sent (pyftpdlib, as started here, takes them for UTF-8).
    bool KeepsNameBytes() const { return kind_ != FtpServerKind::Pyftpdlib; }

private:
    std::string StartPyftpdlib(const std::string& work);
    std::string StartVsftpd(const std::string& work, const std::string& top);
    std::string StartProftpd(const std::string& work, const std::string& top);
    std::string StartPureFtpd(const std::string& work, const std::string& top);
    std::string ServeAsSessionAccount(const std::string& server, const std::string& top);
    // Keeps the port the server listens on; empty when it does, otherwise why not.
    std::string Started(int port, const std::string& name, const std::string& log);

    FtpServerKind kind_;
    PeerProcess process_;
    std::shared_ptr<const SessionAccount> account_;  // held while the server runs
    int port_ = -1;
    std::string folder_;
};

}  // namespace tarvo::test
