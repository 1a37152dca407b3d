// Blocking calls: when they give up, what they wait for, and which request ends they listen to.
#include "tests/net/FtpTestPeers.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

namespace tarvo::test {
namespace {

using FtpSyncTest = ScriptedFtpTest;

// Moves the clock on while the client waits, until the client hangs up.
void LetTimePass(FakeFtpSession& s, ManualClock& clock, uint64_t stepMs, int steps) {
    for (int i = 0; i < steps; ++i) {
        clock.Advance(stepMs);
        pollfd p{s.Fd(), POLLIN, 0};
        if (::poll(&p, 1, 10) > 0)
            return;
    }
}

TEST_F(FtpSyncTest, NoProgressForTimeoutSecondsAbortsWith426) {
    auto clock = UseManualClock();
    script = [&](FakeFtpSession& s) {
        s.Login();
        s.Expect("TYPE");  // and never a reply
        LetTimePass(s, *clock, 1000, 2000);
        s.WaitForClose();
    };
    ftp.Target(server.Port());
    ftp.client.Timeout = 15;
    ASSERT_TRUE(ftp.client.ConnectSync());
    EXPECT_FALSE(ftp.client.TypeSync());
    EXPECT_EQ(ftp.client.ErrorMessage(), "426 Timeout");
    EXPECT_EQ(ftp.client.ReplyCode(), 426);
    EXPECT_EQ(ftp.client.State(), ftpReady);
    EXPECT_FALSE(ftp.client.IsConnected());
    PumpPending();
    EXPECT_EQ(ftp.done.size(), 1u);  // the aborted request reports nothing
}

TEST_F(FtpSyncTest, ProgressRestartsTheTimeoutAndZeroMeansNoLimit) {
    auto clock = UseManualClock();
    script = [&](FakeFtpSession& s) {
        s.Login();
        int fd = s.BeginPassiveDownload();
        for (int i = 0; i < 5; ++i) {
            LoopbackPeer::WriteAll(fd, "piece");
            usleep(20000);
        }
        ::close(fd);
        s.Reply("226 sent");
        s.Expect("TYPE");
        LetTimePass(s, *clock, 100000, 30);
        s.Reply("200 at last");
        s.WaitForClose();
    };
    ftp.Target(server.Port());
    ftp.client.SetPassive(true);
    ftp.client.Timeout = 15;
    ASSERT_TRUE(ftp.client.ConnectSync());
    ftp.client.OnProgress = [&](TCustomFtpCli*, int64_t, bool&) { clock->Advance(14000); };
    ftp.client.SetLocalFileName(sandbox().work + "pieces");
    ftp.client.HostFileName = "remote";
    EXPECT_TRUE(ftp.client.GetSync()) << ftp.client.ErrorMessage();
    EXPECT_EQ(ReadFile(sandbox().work + "pieces"), "piecepiecepiecepiecepiece");
    ftp.client.Timeout = 0;
    EXPECT_TRUE(ftp.client.TypeSync()) << ftp.client.ErrorMessage();
}

TEST_F(FtpSyncTest, CallsThatStartNoRequestReturnAtOnceAndTheEndIsDeliveredBeforeAReturn) {
    script = [](FakeFtpSession& s) {
        s.Login();
        s.WaitForClose();
    };
    EXPECT_FALSE(ftp.client.QuitSync());  // nothing to quit: ends at once with 200
    EXPECT_EQ(ftp.done, (std::vector<std::pair<TFtpRequest, int>>{{ftpRqQuit, 0}}));
    ftp.Target(server.Port());
    ASSERT_TRUE(ftp.client.ConnectSync());
    EXPECT_FALSE(ftp.client.ConnectSync());  // raises "already connected" inside
    std::vector<std::string> errors;
    ftp.client.OnError = [&](TCustomFtpCli*, std::string& msg) { errors.push_back(msg); };
    EXPECT_FALSE(ftp.client.ConnectSync());
    EXPECT_EQ(errors, std::vector<std::string>{"FTP component already connected"});
    EXPECT_EQ(ftp.done.size(), 2u);
}

TEST_F(FtpSyncTest, TheEndOfAnEarlierRequestIsNotTakenForTheEndOfTheNext) {
    script = [](FakeFtpSession& s) {
        s.Reply("421 go away");
        s.WaitForClose();
    };
    ftp.Target(server.Port());
    ftp.client.CmdQuit();  // ends at once; its end is posted, not yet delivered
    EXPECT_FALSE(ftp.client.ConnectSync());
    EXPECT_EQ(ftp.done, (std::vector<std::pair<TFtpRequest, int>>{{ftpRqConnect, 421}}));
}

TEST_F(FtpSyncTest, TheOtherPumpsAndWaitsWorkToo) {
    script = [](FakeFtpSession& s) {
        s.Login();
        s.Expect("TYPE");
        s.Reply("200 ok");
        s.Expect("QUIT");
        s.Reply("221 bye");
    };
    ftp.Target(server.Port());
    ftp.client.MultiThreaded = true;
    EXPECT_TRUE(ftp.client.ConnectSync());
    ftp.client.MultiThreaded = false;
    ftp.client.Options = {ftpAcceptLF, ftpWaitUsingSleep};
    EXPECT_TRUE(ftp.client.TypeSync());
    ftp.client.MultiThreaded = true;
    EXPECT_TRUE(ftp.client.QuitSync());
    EXPECT_EQ(ftp.done.size(), 3u);
}

}  // namespace
}  // namespace tarvo::test
