#pragma once
// Peers and probes for the FTP client tests: a scripted FTP server on loopback for what real servers will not
// do, a client whose events are written down, and a clock the tests move by hand.

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "net/FtpCli.h"
#include "platform/win/MessageLoop.h"
#include "tests/support/LoopbackPeer.h"
#include "tests/support/ManualClock.h"
#include "tests/support/MessagePump.h"
#include "tests/support/PeerProcess.h"
#include "tests/support/TestEnvironment.h"

namespace tarvo::test {

class FakeFtpServer;

// One control connection of the scripted server, seen from the script's thread.
class FakeFtpSession {
public:
    FakeFtpSession(int fd, FakeFtpServer& server) : fd_(fd), server_(server) {}
    ~FakeFtpSession();

    int Fd() const { return fd_; }
    void Send(const std::string& bytes);
    void Reply(const std::string& line);  // the line and CR LF
    // The next command line without its CR LF, as bytes; empty once the client closed or after a long silence.
    std::string Next();
    // Next, which must be verb (alone or with an argument); the argument.
    std::string Expect(const std::string& verb);
    void Login();  // 220, USER 331, PASS 230
    // Passive: a data listener, announced in a 227 reply as address (127,0,0,1 unless told otherwise).
    void ReplyPasv(const std::string& address = "127,0,0,1");
    int AcceptData();
    // A passive download's opening: PASV answered, RETR taken, the data connection accepted and 150 sent; the
    // data connection.
    int BeginPassiveDownload();
    // Active: connects to the address of a PORT argument, from sourceAddress when one is given. receiveBuffer > 0
    // sets SO_RCVBUF before the connection is made, so the window it offers stays that small.
    static int ConnectTo(const std::string& portArgument, const std::string& sourceAddress = "", int receiveBuffer = 0);
    // Reads until the client closes the control connection.
    void WaitForClose();

private:
    int fd_;
    FakeFtpServer& server_;
    int passive_ = -1;
    std::string pending_;
};

class FakeFtpServer {
public:
    using Script = std::function<void(FakeFtpSession&)>;
    explicit FakeFtpServer(Script script);

    int Port() const { return peer_.Port(); }
    // Every command line received so far, in order.
    std::vector<std::string> Commands();
    bool Received(const std::string& prefix);
    void Record(const std::string& command);

private:
    std::mutex mutex_;
    std::vector<std::string> commands_;
    Script script_;
    LoopbackPeer peer_;  // last: its thread runs the script, which uses what is above
};

// A TFtpClient on a loopback port with its events written down.
struct RecordingFtpClient {
    std::vector<std::string> display;
    std::vector<std::pair<TFtpRequest, int>> done;
    std::vector<std::string> errors;
    TFtpClient client;  // last: destroyed first, while what its events write to still exists

    RecordingFtpClient();
    void Target(int port);  // 127.0.0.1:port, user "u", password "p", no time limit
    bool Shown(const std::string& line) const;
    // Runs the thread's messages until the request that is running has been reported.
    bool WaitDone(size_t count = 1);
};

// Listens on 127.0.0.1:port so that nobody else can; -1 when the port is taken.
int OccupyLoopbackPort(int port);

// The regular files in a folder: a failed download must leave no temporary file behind.
int FilesIn(const std::string& folder);

// Fixture: every test gets a sandbox; the real clock and resolvers come back afterwards.
class FtpTest : public TarvoTest {
protected:
    void TearDown() override;
};

// Fixture with the scripted server: every connection to it runs the test's script.
class ScriptedFtpTest : public FtpTest {
protected:
    std::function<void(FakeFtpSession&)> script;
    FakeFtpServer server{[this](FakeFtpSession& s) { script(s); }};
    RecordingFtpClient ftp;
};

}  // namespace tarvo::test
