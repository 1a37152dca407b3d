#pragma once
// Real FTP servers for tests and benchmarks: pyftpdlib (needs no privileges), vsftpd (needs root and a local
// user, made here when missing), and proftpd and pure-ftpd (need root and that user too; they run from the
// folder tools/fetch-ftp-peers.sh unpacked them into, named by $TARVO_FTP_PEERS), each listening on a loopback
// port of its own to serve one folder to one user, and stopped, with every process it started, when the object
// goes.

#include <string>
#include <vector>

#include "tests/support/PeerProcess.h"

namespace tarvo::test {

enum class FtpServerKind { Pyftpdlib, Vsftpd, Proftpd, PureFtpd };

std::string FtpServerName(FtpServerKind kind);

class FtpServer {
public:
    explicit FtpServer(FtpServerKind kind) : kind_(kind) {}
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;
    ~FtpServer() { Stop(); }

    // Serves folder (made when missing), keeping its configuration and log in work. For vsftpd the folders from
    // top down to folder are opened for traversal by its session user. Empty once the server answers;
    // otherwise why it cannot run on this machine.
    std::string Start(const std::string& folder, const std::string& work, const std::string& top = "");
    void Stop();

    FtpServerKind Kind() const { return kind_; }
    int Port() const { return port_; }
    const std::string& User() const;
    const std::string& Password() const;
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
    // Keeps the port the server listens on; empty when it does, otherwise why not.
    std::string Started(int port, const std::string& name, const std::string& log);

    FtpServerKind kind_;
    PeerProcess process_;
    int port_ = -1;
    std::string folder_;
};

}  // namespace tarvo::test
