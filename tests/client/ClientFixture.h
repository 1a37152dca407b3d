#pragma once
// A client against a real FTP server on loopback: the server folder, the "ftp" service mapped to the server's
// port in the machine root, the user's settings and the account file provisioned as an installation and an
// administrator would, and the main window started on it with scripted dialogs.

#include <memory>
#include <string>
#include <vector>

#include "client/MainForm.h"
#include "tests/support/FtpServers.h"
#include "tests/support/PeerProcess.h"
#include "tests/support/ScriptedUi.h"
#include "tests/support/TestEnvironment.h"
#include "tools/provision/Provision.h"

class QTreeWidget;

namespace tarvo::test {

// The servers: tools/demo-ftpd.py (pyftpdlib speaking code page 932, with a user of its own for the account
// file and one for each of the folders "share" and "other"), or stock pyftpdlib, vsftpd or proftpd with one user
// and one folder for everything.
enum class ServerKind { Demo, Pyftpdlib, Vsftpd, Proftpd };
// As a parameterised test's name gives it: "DemoServer", "Pyftpdlib", "Vsftpd" or "Proftpd".
std::string ServerKindName(ServerKind kind);

// One [folder] of the account file, logging in as a user of the test server.
struct TestFolder {
    TestFolder(std::string name, int accountType = 1, int limit = 10, int order = 0, std::string user = "share",
               std::string password = "")
        : name(std::move(name)),
          accountType(accountType),
          limit(limit),
          order(order),
          user(std::move(user)),
          password(std::move(password)) {}
    std::string name;
    int accountType;
    int limit;
    int order;
    std::string user;      // "share" or "other"
    std::string password;  // empty: the user's own
};

class ClientTest : public TarvoTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the server on folders under sandbox().work + "server/"; the test is skipped when it cannot run here.
    // Options of the demo server: "--no-ascii", "--no-txt-upload", "--throttle", "BYTES".
    void StartServer(ServerKind kind = ServerKind::Demo, const std::vector<std::string>& demoOptions = {});
    // The server folder a user of the account file sees ("share", "other"; "" for the account file's own).
    std::string ServerDir(const std::string& user = "share") const;
    // This machine's settings: the registry account of the server, AccountID "tester".
    TarvoSettings Settings() const;
    void Provision(const TarvoSettings& settings);
    // The sealed account file "tester.ace" on the server.
    void PutAccountFile(const std::vector<TestFolder>& folders);
    // The demo server, this machine's settings and the account file of the folders (nothing after a skip).
    void ServeFolders(const std::vector<TestFolder>& folders);
    std::string AccountSection(const TestFolder& folder) const;
    // Another machine: its own machine root and temporary folder (so its own work directory and settings).
    void UseMachine(const std::string& name);
    // The window, created and shown (its account file fetched).
    std::unique_ptr<TMainFormWin> StartClient();

    // Helpers on a window.
    static void Click(TPicBtnGroup* button);
    static std::vector<TPicBtnGroup*> FolderButtons(TFolderBox* box);
    // The button of one folder. A missing one (no account file fetched, say) throws, which fails the test where
    // a null button would crash it.
    static TPicBtnGroup* FolderButton(TFolderBox* box, size_t index);
    static std::vector<std::string> Column(QTreeWidget* view, int column);
    static void Check(QTreeWidget* view, const std::string& caption);
    static std::string Log(QPlainTextEdit* memo);
    // A file in the "share" folder on the server, as bytes; its name is given as text (UTF-8).
    std::string ServerFile(const std::string& name) const;
    bool ServerHas(const std::string& name) const;
    // The name a server keeps for a name the client sends (code page 932 bytes on vsftpd and stock pyftpdlib).
    std::string OnServer(const std::string& name) const;

    // The roads as a user walks them. SendTrunk: name and comment the trunk, drop the paths, pick folder `row`,
    // start. ReceiveTrunk: pick folder `row`, tick the trunk, name the place, start.
    void SendTrunk(TMainFormWin& form, const std::string& trunk, const std::string& comment,
                   const std::vector<std::string>& paths, int row = 0);
    void ReceiveTrunk(TMainFormWin& form, const std::string& trunk, const std::string& place, int row = 0);
    // A second machine ("receiver") with its settings, and its window.
    std::unique_ptr<TMainFormWin> StartReceiver(bool deleteAfter, bool fetchComment);

    ServerKind kind_ = ServerKind::Demo;
    std::unique_ptr<FtpServer> server_;  // stock servers
    PeerProcess demo_;                   // tools/demo-ftpd.py
    int port_ = -1;
    std::string serverDir_;
    std::unique_ptr<ScopedScriptedUi> ui_;
};

}  // namespace tarvo::test
