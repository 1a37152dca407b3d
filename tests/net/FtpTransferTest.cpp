// Data transfers against a scripted server: how they end, and how they fail without leaving damage.
#include "tests/net/FtpTestPeers.h"
#include "tests/support/CrossThreadFlag.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>


namespace tarvo::test {
namespace {

// A caller's stream that takes or gives only so many bytes, then fails as a full disk or a bad sector would.
class FailingStream : public TMemoryStream {
public:
    explicit FailingStream(int64_t limit) : limit_(limit) {}
    int64_t Write(const void* buffer, int64_t count) override {
        if (Position() + count > limit_)
            throw EWriteError("disk full");
        return TMemoryStream::Write(buffer, count);
    }
    int64_t Read(void* buffer, int64_t count) override {
        if (Position() >= limit_)
            throw EReadError("bad sector");
        return TMemoryStream::Read(buffer, std::min(count, limit_ - Position()));
    }

private:
    int64_t limit_;
};

void CloseWithReset(int fd) {
    LoopbackPeer::Reset(fd);
    ::close(fd);
}

// One passive download: the data, then the server's last reply and the data connection's close, in either order.
void ServeDownload(FakeFtpSession& s, const std::string& data, bool replyFirst, const char* verb = "RETR",
                   const std::string& address = "127,0,0,1") {
    s.Expect("PASV");
    s.ReplyPasv(address);
    s.Expect(verb);
    int fd = s.AcceptData();
    s.Reply("150 here");
    LoopbackPeer::WriteAll(fd, data);
    if (replyFirst)
        s.Reply("226 sent");
    ::close(fd);
    if (!replyFirst)
        s.Reply("226 sent");
}

class FtpTransferTest : public ScriptedFtpTest {
protected:
    void SetUp() override {
        ScriptedFtpTest::SetUp();
        ftp.Target(server.Port());
        ftp.client.SetPassive(true);
    }
    void LogIn() { ASSERT_TRUE(ftp.client.ConnectSync()) << ftp.client.ErrorMessage(); }
    std::string Local(const std::string& name) { return sandbox().work + name; }
    bool Get(const std::string& local) {
        ftp.client.SetLocalFileName(Local(local));
        ftp.client.HostFileName = "remote";
        return ftp.client.GetSync();
    }
};

TEST_F(FtpTransferTest, PassiveDownloadsGoToTheControlHostAndEndOnWhicheverEventComesSecond) {
    script = [](FakeFtpSession& s) {
        s.Login();
        ServeDownload(s, "first file", true, "RETR", "10,9,8,7");  // an address nobody should connect to
        ServeDownload(s, "second file", false);
        ServeDownload(s, "a\r\nb\n\nc", false, "LIST");
        s.WaitForClose();
    };
    LogIn();
    EXPECT_TRUE(Get("one")) << ftp.client.ErrorMessage();
    EXPECT_EQ(ReadFile(Local("one")), "first file");
    EXPECT_TRUE(Get("two")) << ftp.client.ErrorMessage();
    EXPECT_EQ(ReadFile(Local("two")), "second file");
    std::vector<std::string> lines;
    ftp.client.OnDisplayFile = [&](TCustomFtpCli*, std::string& line) { lines.push_back(line); };
    ftp.client.DisplayFileFlag = true;
    ftp.client.SetLocalFileName("");
    ftp.client.HostFileName = "-la";
    EXPECT_TRUE(ftp.client.ListSync()) << ftp.client.ErrorMessage();
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(server.Received("LIST -la"));
    EXPECT_EQ(ftp.done, (std::vector<std::pair<TFtpRequest, int>>{
                            {ftpRqConnect, 0}, {ftpRqGet, 0}, {ftpRqGet, 0}, {ftpRqList, 0}}));
}

TEST_F(FtpTransferTest, TransferTimesUpTo4999MillisecondsAreShownInMilliseconds) {
    script = [](FakeFtpSession& s) {
        s.Login();
        ServeDownload(s, "abc", false);
        ServeDownload(s, "abc", false);
        s.WaitForClose();
    };
    LogIn();
    auto clock = UseManualClock();
    uint64_t step = 4999;
    ftp.client.OnProgress = [&](TCustomFtpCli*, int64_t, bool&) { clock->Advance(std::exchange(step, 0)); };
    EXPECT_TRUE(Get("one"));
    EXPECT_TRUE(ftp.Shown("! 3 bytes received/sent in 4999 milliseconds"));
    step = 5000;
    EXPECT_TRUE(Get("two"));
    EXPECT_TRUE(ftp.Shown("! 3 bytes received/sent in 5 seconds (0 Bytes/sec)"));
}

TEST_F(FtpTransferTest, AFailedDownloadLeavesTheLocalFileAsItWas) {
    script = [](FakeFtpSession& s) {
        s.Login();
        s.Expect("PASV");
        s.ReplyPasv();
        s.Expect("RETR");
        s.Reply("550 no such file");
        int fd = s.BeginPassiveDownload();
        LoopbackPeer::WriteAll(fd, std::string(100000, 'x'));
        CloseWithReset(fd);
        s.Reply("226 sent, as far as we know");
        ServeDownload(s, std::string(100, 'y'), false);
        s.WaitForClose();
    };
    WriteFile(Local("keep"), "what was here before");
    LogIn();
    EXPECT_FALSE(Get("keep"));
    EXPECT_EQ(ftp.client.ErrorMessage(), "550 no such file");
    EXPECT_FALSE(Get("keep"));
    EXPECT_NE(ftp.done.back().second, 0);
    EXPECT_EQ(ReadFile(Local("keep")), "what was here before");
    EXPECT_EQ(FilesIn(sandbox().work), 1);

    FailingStream stream(10);
    ftp.client.AssignLocalStream(&stream);
    EXPECT_FALSE(ftp.client.GetSync());
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqGet, 426));
    EXPECT_EQ(ftp.client.ErrorMessage(), "426 Error writing local file: disk full");

    EXPECT_TRUE(ftp.Shown("! Error writing local file"));
    EXPECT_EQ(stream.Size(), 0);  // still the caller's, and alive
}

// The server confirms a download whose data is still coming, then its control connection fails: by its close,
// or by a reply line too long to take.
TEST_F(FtpTransferTest, ADownloadCutOffAfterItsFinalReplyIsNeverCommitted) {
    // Owned by the script too: it may still run when the test's body has ended.
    auto dataArrived = std::make_shared<CrossThreadFlag>();
    auto connection = std::make_shared<std::atomic<int>>(0);
    script = [dataArrived, connection](FakeFtpSession& s) {
        bool closeControl = (*connection)++ == 0;
        s.Login();
        int fd = s.BeginPassiveDownload();
        LoopbackPeer::WriteAll(fd, std::string(300000, 'p'));
        dataArrived->Wait();
        if (closeControl) {
            s.Reply("226 sent");
            ::shutdown(s.Fd(), SHUT_RDWR);
        } else {
            s.Send("226 sent\r\n" + std::string(5000, 'z'));
        }
        LoopbackPeer::ReadAll(fd);  // the data connection stays open until the client drops it
        ::close(fd);
    };
    ftp.client.OnProgress = [dataArrived](TCustomFtpCli*, int64_t count, bool&) {
        if (count > 0)
            dataArrived->Set();
    };
    WriteFile(Local("keep"), "what was here before");
    for (int round = 0; round < 2; ++round) {
        dataArrived->Clear();
        LogIn();
        EXPECT_FALSE(Get("keep")) << "round " << round;
        EXPECT_NE(ftp.client.RequestError(), 0);
        EXPECT_EQ(ReadFile(Local("keep")), "what was here before");
        EXPECT_EQ(FilesIn(sandbox().work), 1);
    }
}

// All the data and the final reply came, then the control connection failed before the blocking call saw the
// end: the file is whole, so it stays, and the call says so.
TEST_F(FtpTransferTest, AWholeDownloadStaysCommittedWhenTheControlConnectionFailsAfterIt) {
    auto dataClosed = std::make_shared<CrossThreadFlag>();
    script = [dataClosed](FakeFtpSession& s) {
        s.Login();
        int fd = s.BeginPassiveDownload();
        LoopbackPeer::WriteAll(fd, "the whole file");
        ::close(fd);
        dataClosed->Wait();
        s.Send("226 sent\r\n" + std::string(5000, 'z'));
        s.WaitForClose();
    };
    LogIn();
    ftp.client.DataSocket()->OnChangeState = [dataClosed](TCustomWSocket*, TSocketState, TSocketState now) {
        if (now == wsClosed)
            dataClosed->Set();
    };
    EXPECT_TRUE(Get("whole")) << ftp.client.ErrorMessage();
    EXPECT_EQ(ReadFile(Local("whole")), "the whole file");
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqGet, 0));
    EXPECT_FALSE(ftp.client.Connected());
    EXPECT_FALSE(Get("again"));  // the failure is the next request's
}

TEST_F(FtpTransferTest, AResumedDownloadWritesOnAfterThePartThatIsThere) {
    script = [](FakeFtpSession& s) {
        s.Login();
        s.Expect("PASV");
        s.ReplyPasv();
        s.Expect("REST 5");
        s.Reply("350 restarting at 5");
        s.Expect("RETR");
        int fd = s.AcceptData();
        s.Reply("150 here");
        LoopbackPeer::WriteAll(fd, " world");
        ::close(fd);
        s.Reply("226 sent");
        s.WaitForClose();
    };
    WriteFile(Local("part"), "hello");
    LogIn();
    ftp.client.SetLocalFileName(Local("part"));
    ftp.client.HostFileName = "remote";
    ftp.client.StartRestGet();
    ASSERT_TRUE(ftp.WaitDone(2));
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqRestGet, 0));
    EXPECT_EQ(ReadFile(Local("part")), "hello world");
}

TEST_F(FtpTransferTest, UploadsThatCannotSendEverythingFail) {
    std::vector<std::string> stored;
    std::mutex mutex;
    script = [&](FakeFtpSession& s) {
        s.Login();
        for (int i = 0; i < 3; ++i) {
            s.Expect("PASV");
            s.ReplyPasv();
            int fd = s.AcceptData();
            s.Expect("STOR");
            s.Reply("150 send it");
            // The second time the server hangs up early, as one whose disk filled up might.
            std::string data = i == 1 ? LoopbackPeer::ReadExactly(fd, 10) : LoopbackPeer::ReadAll(fd);
            CloseWithReset(fd);
            s.Reply("226 stored");
            std::lock_guard<std::mutex> guard(mutex);
            stored.push_back(data);
        }
        s.Expect("PASV");
        s.ReplyPasv();  // the last upload is called off before it connects
        s.WaitForClose();
    };
    LogIn();
    FailingStream unreadable(3);
    unreadable.TMemoryStream::Write("abcdef", 6);
    unreadable.SetPosition(0);
    ftp.client.AssignLocalStream(&unreadable);
    ftp.client.HostFileName = "up";
    EXPECT_FALSE(ftp.client.PutSync());
    EXPECT_EQ(ftp.client.ErrorMessage(), "426 Error reading local file: bad sector");
    EXPECT_TRUE(ftp.Shown("! Error reading file EReadError: bad sector"));

    WriteFile(Local("big"), std::string(4 << 20, 'z'));
    ftp.client.SetLocalFileName(Local("big"));
    EXPECT_FALSE(ftp.client.PutSync());
    EXPECT_NE(ftp.done.back().second, 0);

    ftp.client.OnProgress = [](TCustomFtpCli*, int64_t, bool& abort) { abort = true; };
    EXPECT_FALSE(ftp.client.PutSync());
    EXPECT_EQ(ftp.client.ErrorMessage(), "426 Transfer aborted");
    EXPECT_TRUE(ftp.Shown("! Abort requested"));

    ftp.client.OnReadyToTransmit = [](TCustomFtpCli*, bool& cancel) { cancel = true; };
    EXPECT_FALSE(ftp.client.PutSync());
    EXPECT_EQ(ftp.client.ErrorMessage(), "426 Transmit cancelled by application");
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqPut, 426));
    std::lock_guard<std::mutex> guard(mutex);
    EXPECT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0], "abc");
}

TEST_F(FtpTransferTest, ActiveUploadsStartWhenTheServerConnectsAndForeignPeersAreTurnedAway) {
    std::vector<std::string> stored;
    std::string foreignSaw = "(nothing)";
    std::mutex mutex;
    script = [&](FakeFtpSession& s) {
        s.Login();
        for (int i = 0; i < 2; ++i) {
            std::string port = s.Expect("PORT");
            int fd = -1;
            if (i == 0) {  // connects at once, after a stranger tried first
                int stranger = FakeFtpSession::ConnectTo(port, "127.0.0.2");
                std::string got = LoopbackPeer::ReadAll(stranger);
                {
                    std::lock_guard<std::mutex> guard(mutex);
                    foreignSaw = stranger >= 0 ? "closed after " + std::to_string(got.size()) : "refused";
                }
                ::close(stranger);
                fd = FakeFtpSession::ConnectTo(port);
            }
            s.Reply("200 PORT ok");
            s.Expect("STOR");
            if (fd < 0)
                fd = FakeFtpSession::ConnectTo(port);  // connects after STOR, as vsftpd does
            s.Reply("150 send it");
            std::string data = LoopbackPeer::ReadAll(fd);
            ::close(fd);
            s.Reply("226 stored");
            std::lock_guard<std::mutex> guard(mutex);
            stored.push_back(data);
        }
        s.WaitForClose();
    };
    ftp.client.SetPassive(false);
    LogIn();
    WriteFile(Local("abc"), "abc");
    WriteFile(Local("empty"), "");
    ftp.client.HostFileName = "up";
    for (const char* name : {"abc", "empty"}) {
        ftp.client.SetLocalFileName(Local(name));
        EXPECT_TRUE(ftp.client.PutSync()) << name << ": " << ftp.client.ErrorMessage();
    }
    EXPECT_TRUE(ftp.Shown("! Data connection from a foreign host refused"));
    EXPECT_TRUE(ftp.Shown("! Upload Size 0"));
    std::lock_guard<std::mutex> guard(mutex);
    EXPECT_EQ(stored, (std::vector<std::string>{"abc", ""}));
    EXPECT_EQ(foreignSaw, "closed after 0");
}

}  // namespace
}  // namespace tarvo::test
