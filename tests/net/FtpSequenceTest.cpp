// Multi-step requests: log-in rules, a failing step, full requests and the active-mode data port.
#include "tests/net/FtpTestPeers.h"
#include "tests/support/OpenDescriptors.h"
#include "tests/support/Raised.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace tarvo::test {
namespace {

using Commands = std::vector<std::string>;

// Answers PORT, connects to it and serves a short listing.
void ServeList(FakeFtpSession& s) {
    std::string port = s.Expect("PORT");
    s.Reply("200 PORT ok");
    s.Expect("LIST");
    int data = FakeFtpSession::ConnectTo(port);
    s.Reply("150 here it comes");
    LoopbackPeer::WriteAll(data, "x\r\n");
    ::close(data);
    s.Reply("226 done");
}

void Quit(FakeFtpSession& s) {
    s.Expect("QUIT");
    s.Reply("221 bye");
}

std::string PortArgument(int port) {
    return "127,0,0,1," + std::to_string(port / 256) + "," + std::to_string(port % 256);
}

class FtpSequenceTest : public FtpTest {
protected:
    std::atomic<int> connection{0};
    std::function<void(FakeFtpSession&, int)> script;
    FakeFtpServer server{[this](FakeFtpSession& s) { script(s, ++connection); }};
    RecordingFtpClient ftp;
};

TEST_F(FtpSequenceTest, AnAccountIsSentOnlyWhenThePasswordAsksForOne) {
    script = [](FakeFtpSession& s, int n) {
        s.Reply("220 ready");
        s.Expect("USER");
        if (n == 2) {
            s.Reply("230 in without a password");
            return Quit(s);
        }
        s.Reply("331 password");
        s.Expect("PASS");
        s.Reply(n == 1 ? "230 in" : "332 account please");
        if (n == 3) {
            s.Expect("ACCT");
            s.Reply("230 in");
        }
        Quit(s);
    };
    ftp.Target(server.Port());
    ftp.client.Account = "acc";
    for (int n = 1; n <= 3; ++n) {
        EXPECT_TRUE(ftp.client.ConnectSync()) << n << ftp.client.ErrorMessage();
        EXPECT_TRUE(ftp.client.QuitSync());
    }
    ftp.client.Account.clear();
    EXPECT_FALSE(ftp.client.ConnectSync());
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqConnect, 500));
    EXPECT_EQ(ftp.client.ErrorMessage(), "500 Account empty!");
    EXPECT_TRUE(ftp.client.QuitSync());
    EXPECT_EQ(server.Commands(), (Commands{"USER u", "PASS p", "QUIT", "USER u", "QUIT", "USER u", "PASS p", "ACCT acc",
                                           "QUIT", "USER u", "PASS p", "QUIT"}));
}

TEST_F(FtpSequenceTest, AnEmptyUserNameOrPasswordFailsTheLogIn) {
    script = [](FakeFtpSession& s, int n) {
        s.Reply("220 ready");
        if (n == 2) {
            s.Expect("USER");
            s.Reply("331 password");
        }
        Quit(s);
    };
    ftp.Target(server.Port());
    ftp.client.UserName.clear();
    EXPECT_FALSE(ftp.client.ConnectSync());
    EXPECT_EQ(ftp.client.ErrorMessage(), "500 UserName empty");
    EXPECT_TRUE(ftp.client.QuitSync());
    ftp.client.UserName = "u";
    ftp.client.PassWord.clear();
    EXPECT_FALSE(ftp.client.ConnectSync());
    EXPECT_EQ(ftp.client.ErrorMessage(), "500 Password empty");
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqConnect, 500));
    EXPECT_TRUE(ftp.client.QuitSync());
    EXPECT_EQ(server.Commands(), (Commands{"QUIT", "USER u", "QUIT"}));
}

TEST_F(FtpSequenceTest, ThroughAnFtpProxyTheUserNameCarriesTheTargetHost) {
    script = [](FakeFtpSession& s, int) {
        s.Login();
        Quit(s);
    };
    ftp.Target(server.Port());
    ftp.client.SetConnectionType(ftpProxy);
    ftp.client.ProxyServer = "127.0.0.1";
    ftp.client.ProxyPort = std::to_string(server.Port());
    ftp.client.HostName = "ftp.example";  // only the proxy resolves it
    ftp.client.Port = "2121";
    EXPECT_TRUE(ftp.client.Passive());
    EXPECT_TRUE(ftp.client.ConnectSync()) << ftp.client.ErrorMessage();
    EXPECT_TRUE(ftp.client.QuitSync());
    EXPECT_EQ(server.Commands().front(), "USER u@ftp.example:2121");
}

TEST_F(FtpSequenceTest, AFailingStepEndsTheWholeRequest) {
    script = [](FakeFtpSession& s, int) {
        s.Login();
        s.Expect("CWD");
        s.Reply("550 no such folder");
        s.WaitForClose();
    };
    ftp.Target(server.Port());
    ftp.client.HostDirName = "dir";
    ftp.client.HostFileName = "f";
    ftp.client.SetLocalFileName(sandbox().work + "f");
    ftp.client.StartReceive();
    ASSERT_TRUE(ftp.WaitDone());
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqReceive, 550));
    EXPECT_EQ(ftp.client.ErrorMessage(), "550 no such folder");
    PumpPending();
    EXPECT_EQ(server.Commands(), (Commands{"USER u", "PASS p", "CWD dir"}));
}

TEST_F(FtpSequenceTest, AFullListingReportsTheReplyBeforeQuit) {
    script = [&](FakeFtpSession& s, int) {
        s.Login();
        s.Expect("CWD");
        s.Reply("250 moved");
        ServeList(s);  // connects as soon as it gets PORT
        Quit(s);
    };
    ftp.Target(server.Port());
    ftp.client.HostDirName = "d";
    TMemoryStream listing;
    ftp.client.AssignLocalStream(&listing);
    ftp.client.StartListFull();
    ASSERT_TRUE(ftp.WaitDone());
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqListFull, 0));
    EXPECT_EQ(ftp.client.LastResponse(), "226 done");
    EXPECT_EQ(ftp.client.ReplyCode(), 226);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(listing.Memory()), listing.Size()), "x\r\n");
    EXPECT_EQ(server.Commands().at(3).rfind("PORT 127,0,0,1,", 0), 0u);
    EXPECT_FALSE(ftp.client.IsConnected());
}

TEST_F(FtpSequenceTest, ACallMadeWhileARequestRunsIsRefusedAndTheRequestGoesOn) {
    script = [&](FakeFtpSession& s, int) {
        s.Login();
        s.Expect("CWD");
        s.Reply("250 moved");
        ServeList(s);
        Quit(s);
    };
    ftp.Target(server.Port());
    ftp.client.HostDirName = "d";
    TMemoryStream listing;
    ftp.client.AssignLocalStream(&listing);
    ftp.client.StartListFull();
    EXPECT_EQ(RaisedBy<FtpException>([&] { ftp.client.CmdPwd(); }), "FTP component not ready");
    EXPECT_EQ(RaisedBy<FtpException>([&] { ftp.client.StartList(); }), "FTP component not ready");
    EXPECT_FALSE(ftp.client.DeleSync());
    ASSERT_TRUE(ftp.WaitDone());
    EXPECT_EQ(ftp.done, (std::vector<std::pair<TFtpRequest, int>>{{ftpRqListFull, 0}}));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(listing.Memory()), listing.Size()), "x\r\n");
    PumpPending();
    EXPECT_EQ(server.Commands().back(), "QUIT");
}

TEST_F(FtpSequenceTest, TheDataPortRangeWalksOnFromBusyPorts) {
    script = [&](FakeFtpSession& s, int) {
        s.Login();
        ServeList(s);
        ServeList(s);
        s.WaitForClose();
    };
    ftp.Target(server.Port());
    ASSERT_TRUE(ftp.client.ConnectSync());
    // The client binds the range's ports itself, and no socket can hold a port for another: they come from
    // outside the system's own range, where no port-0 bind or outgoing connection of the machine takes them.
    const int first = UnassignedLoopbackPorts(2);
    ASSERT_GT(first, 0);
    const int blocker = OccupyLoopbackPort(first);
    ASSERT_GE(blocker, 0);
    ftp.client.SetDataPortRangeStart(static_cast<uint32_t>(first));
    ftp.client.SetDataPortRangeEnd(static_cast<uint32_t>(first + 1));
    TMemoryStream listing;
    ftp.client.AssignLocalStream(&listing);
    EXPECT_TRUE(ftp.client.ListSync()) << ftp.client.ErrorMessage();
    ::close(blocker);
    EXPECT_TRUE(ftp.client.ListSync()) << ftp.client.ErrorMessage();
    EXPECT_EQ(server.Commands().at(2), "PORT " + PortArgument(first + 1));
    EXPECT_EQ(server.Commands().at(4), "PORT " + PortArgument(first));

    int both[] = {OccupyLoopbackPort(first), OccupyLoopbackPort(first + 1)};
    ASSERT_GE(both[0], 0);
    ASSERT_GE(both[1], 0);
    int open = OpenDescriptors();
    for (int round = 0; round < 3; ++round) {
        EXPECT_FALSE(ftp.client.ListSync());
        EXPECT_EQ(ftp.client.ErrorMessage(), "500 All ports in DataPortRange are in use");
    }
    EXPECT_EQ(OpenDescriptors(), open);  // a port found busy leaves no socket behind
    ftp.client.SetLocalFileName(sandbox().work + "up");
    size_t ended = ftp.done.size();
    EXPECT_EQ(RaisedBy<FtpException>([&] { ftp.client.StartPut(); }), "Socket Error 10048");
    ASSERT_TRUE(ftp.WaitDone(ended + 1));
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqPut, 500));
    for (int fd : both)
        ::close(fd);
    ftp.client.SetDataPortRangeStart(6000);
    ftp.client.SetDataPortRangeEnd(0);
    EXPECT_FALSE(ftp.client.ListSync());
    EXPECT_EQ(ftp.client.ErrorMessage(), "500 DataPortRangeEnd must be greater than DataPortRangeStart");
    EXPECT_EQ(server.Commands().size(), 6u);
}

// A range from 0 lets the system choose the port: PORT names the one it chose.
TEST_F(FtpSequenceTest, ARangeStartingAtZeroAnnouncesThePortActuallyBound) {
    script = [&](FakeFtpSession& s, int) {
        s.Login();
        std::string port = s.Expect("PORT");
        s.Reply("200 PORT ok");
        s.Expect("LIST");
        int data = FakeFtpSession::ConnectTo(port);
        if (data < 0)
            return s.Reply("425 cannot open data connection");
        s.Reply("150 here it comes");
        ::close(data);
        s.Reply("226 done");
        s.WaitForClose();
    };
    ftp.Target(server.Port());
    ASSERT_TRUE(ftp.client.ConnectSync());
    ftp.client.SetDataPortRangeStart(0);
    ftp.client.SetDataPortRangeEnd(2);
    TMemoryStream listing;
    ftp.client.AssignLocalStream(&listing);
    EXPECT_TRUE(ftp.client.ListSync()) << ftp.client.ErrorMessage();
    EXPECT_NE(server.Commands().at(2), "PORT " + PortArgument(0));
}

}  // namespace
}  // namespace tarvo::test
