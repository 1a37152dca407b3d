// Blocking calls: when they give up, what they wait for, and which request ends they listen to.
#include "tests/net/FtpTestPeers.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>

#include "tests/support/FtpServers.h"

namespace tarvo::test {
namespace {

using FtpSyncTest = ScriptedFtpTest;

// Moves the clock on while the client waits, until the client hangs up; the steps it took.
int LetTimePass(FakeFtpSession& s, ManualClock& clock, uint64_t stepMs, int steps) {
    for (int i = 0; i < steps; ++i) {
        clock.Advance(stepMs);
        pollfd p{s.Fd(), POLLIN, 0};
        if (::poll(&p, 1, 10) > 0)
            return i + 1;
    }
    return steps;
}

// Waits until bytes have come in on fd and stopped growing (at most about 10 s).
void WaitUntilNothingArrives(int fd) {
    int before = -1;
    for (int i = 0; i < 50; ++i) {
        int waiting = 0;
        ::ioctl(fd, FIONREAD, &waiting);
        if (waiting > 0 && waiting == before)
            return;
        before = waiting;
        usleep(200000);
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

TEST_F(FtpSyncTest, AnUploadToAServerThatStopsReadingTimesOutOnceNothingLeaves) {
    auto clock = UseManualClock();
    auto stepsUntilGivenUp = std::make_shared<std::promise<int>>();  // kept by the script, which may outlast us
    script = [clock, stepsUntilGivenUp](FakeFtpSession& s) {
        s.Login();
        std::string address = s.Expect("PORT");
        s.Reply("200 ok");
        s.Expect("STOR");
        int fd = FakeFtpSession::ConnectTo(address);
        s.Reply("150 send it");
        // Never read: once the buffers on both sides are full, nothing leaves the client any more.
        WaitUntilNothingArrives(fd);
        stepsUntilGivenUp->set_value(LetTimePass(s, *clock, 1000, 2000));
        ::close(fd);
        s.WaitForClose();
    };
    ftp.Target(server.Port());
    ftp.client.Timeout = 15;
    ASSERT_TRUE(ftp.client.ConnectSync());
    // More than the system buffers of both ends hold on loopback.
    WriteFile(sandbox().work + "big", std::string(8 << 20, 'x'));
    ftp.client.SetLocalFileName(sandbox().work + "big");
    ftp.client.HostFileName = "big";
    EXPECT_FALSE(ftp.client.PutSync());
    EXPECT_EQ(ftp.client.ErrorMessage(), "426 Timeout");
    EXPECT_FALSE(ftp.client.IsConnected());
    std::future<int> steps = stepsUntilGivenUp->get_future();
    ASSERT_EQ(steps.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    // Seconds of the clock that passed with nothing leaving: Timeout, and the client hung up by itself.
    int passed = steps.get();
    EXPECT_GE(passed, 15);
    EXPECT_LT(passed, 2000);
}

// The time of a slow link (16 kbit/s) during an upload. It passes by what the server has read, and only while
// the client's thread sleeps in its message wait, one read at a time: so the client looks at what the server
// has confirmed, and at the clock, after every read, and never sees time pass between those two looks, however
// the two threads are scheduled.
class SlowLinkTime {
public:
    SlowLinkTime(std::shared_ptr<ManualClock> clock, win::DWORD clientThread)
        : clock_(std::move(clock)), clientThread_(clientThread) {}

    // The server's thread: bytes went through. Returns once the client has slept through their time.
    void Passed(size_t bytes) {
        {
            std::lock_guard lock(mutex_);
            pendingBytes_ = bytes;
        }
        win::PostThreadMessageA(clientThread_, win::WM_NULL, 0, 0);  // out of its wait, to look and sleep again
        std::unique_lock lock(mutex_);
        slept_.wait_for(lock, std::chrono::seconds(20), [this] { return pendingBytes_ == 0 || stopped_; });
    }
    // The client's thread, whenever it is about to sleep.
    void Sleeping() {
        std::lock_guard lock(mutex_);
        clock_->Advance(pendingBytes_ / kBytesPerMs);
        pendingBytes_ = 0;
        slept_.notify_all();
    }
    // The upload is over: the server no longer waits for the client.
    void Stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        slept_.notify_all();
    }

private:
    static constexpr size_t kBytesPerMs = 2;
    std::shared_ptr<ManualClock> clock_;
    win::DWORD clientThread_;
    std::mutex mutex_;
    std::condition_variable slept_;
    size_t pendingBytes_ = 0;
    bool stopped_ = false;
};

// The calling thread's own waiting, telling the link each time before it sleeps.
class SleepReportingBackend : public win::MessageBackend {
public:
    explicit SleepReportingBackend(std::shared_ptr<SlowLinkTime> link)
        : link_(std::move(link)), own_(win::ThreadBackend()) {}
    std::shared_ptr<win::MessageBackend> Own() const { return own_; }

    void WaitForInput(int timeoutMs) override {
        link_->Sleeping();
        own_->WaitForInput(timeoutMs);
    }
    void Wake() override { own_->Wake(); }
    void InputsChanged() override { own_->InputsChanged(); }
    void ProcessPendingEvents() override { own_->ProcessPendingEvents(); }

private:
    std::shared_ptr<SlowLinkTime> link_;
    std::shared_ptr<win::MessageBackend> own_;
};

// Reads an upload a little at a time through a small receive window, letting the link's time pass for each
// read. What arrived, up to the client's close.
std::string ReadThroughSlowLink(int fd, SlowLinkTime& link) {
    std::string got;
    char buf[1024];
    for (int reads = 0; reads < 100000; ++reads) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20000) <= 0)
            break;
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        got.append(buf, static_cast<size_t>(n));
        link.Passed(static_cast<size_t>(n));
    }
    return got;
}

// The system takes the whole file at once, so the upload spends all its time after its last hand-over: what
// keeps it alive is the server confirming the bytes it reads. Needs no privilege, unlike FtpSlowLinkTest.
TEST_F(FtpSyncTest, AnUploadOutlastingTimeoutArrivesWholeWhileTheServerKeepsConfirmingIt) {
    auto clock = UseManualClock();
    const uint64_t start = clock->NowMs();
    auto link = std::make_shared<SlowLinkTime>(clock, win::GetCurrentThreadId());
    auto stored = std::make_shared<std::promise<std::string>>();  // kept by the script, which may outlast us
    script = [stored, link](FakeFtpSession& s) {
        s.Login();
        std::string address = s.Expect("PORT");
        s.Reply("200 ok");
        s.Expect("STOR");
        // A receive buffer this small keeps the window, and with it what the server confirms unread, at a few kB.
        int fd = FakeFtpSession::ConnectTo(address, "", 4096);
        s.Reply("150 send it");
        stored->set_value(ReadThroughSlowLink(fd, *link));
        ::close(fd);
        s.Reply("226 stored");
        s.WaitForClose();
    };
    ftp.Target(server.Port());
    ftp.client.Timeout = 15;
    ASSERT_TRUE(ftp.client.ConnectSync());
    const std::string content = RandomBytes(100000, 31);
    WriteFile(sandbox().work + "up.bin", content);
    ftp.client.SetLocalFileName(sandbox().work + "up.bin");
    ftp.client.HostFileName = "up.bin";
    uint64_t lastProgress = start;
    ftp.client.OnProgress = [&](TCustomFtpCli*, int64_t, bool&) { lastProgress = clock->NowMs(); };
    auto reporting = std::make_shared<SleepReportingBackend>(link);
    win::SetThreadBackend(reporting);
    const bool put = ftp.client.PutSync();
    win::SetThreadBackend(reporting->Own());
    link->Stop();
    EXPECT_TRUE(put) << ftp.client.ErrorMessage();
    std::future<std::string> arrived = stored->get_future();
    ASSERT_EQ(arrived.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_TRUE(arrived.get() == content);
    EXPECT_GT(clock->NowMs() - start, 3 * 15000u) << "the upload did not outlast Timeout";
    // A system that takes the file in smaller pieces gives progress events all along, and they alone would keep
    // the upload alive: the test checks the rule only if the upload went on for longer than Timeout without one.
    EXPECT_GT(clock->NowMs() - lastProgress, 15000u) << "progress events came until the end";
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

// On a slow link of the test's own: 32 kbit/s, about 3.7 kB of data a second, against pyftpdlib.
class FtpSlowLinkTest : public FtpTest {
protected:
    // Longer on that link than Timeout (about 17 s), yet small enough for the system's send buffer to take
    // it at once: an upload then spends all that time after its last byte was handed over, which is where a
    // client that counts only what it hands over gives up.
    static constexpr size_t kFileSize = 64000;

    void SetUp() override {
        FtpTest::SetUp();
        link_ = std::make_unique<SlowLoopback>(32);
        if (!link_->Refusal().empty())
            GTEST_SKIP() << link_->Refusal();
        ASSERT_EQ(server.Start(sandbox().work + "served", sandbox().work + "server"), "");
        ftp.Target(server.Port());
        ftp.client.UserName = server.User();
        ftp.client.PassWord = server.Password();
        ftp.client.Timeout = 15;
        ASSERT_TRUE(ftp.client.ConnectSync()) << ftp.client.ErrorMessage();
        ASSERT_TRUE(ftp.client.TypeSync()) << ftp.client.ErrorMessage();  // binary, as the program sends its trunks
    }
    void TearDown() override {
        server.Stop();  // before the thread leaves the namespace the server lives in
        link_.reset();
        FtpTest::TearDown();
    }

    FtpServer server{FtpServerKind::Pyftpdlib};
    RecordingFtpClient ftp;

private:
    std::unique_ptr<SlowLoopback> link_;
};

TEST_F(FtpSlowLinkTest, AnUploadLongerThanTimeoutArrivesWholeWhileItsDataKeepsLeaving) {
    std::string content = RandomBytes(kFileSize, 11);
    WriteFile(sandbox().work + "up.bin", content);
    ftp.client.SetLocalFileName(sandbox().work + "up.bin");
    ftp.client.HostFileName = "up.bin";
    EXPECT_TRUE(ftp.client.PutSync()) << ftp.client.ErrorMessage();
    EXPECT_TRUE(ReadFile(server.Folder() + "up.bin") == content);
}

TEST_F(FtpSlowLinkTest, ADownloadLongerThanTimeoutArrivesWhole) {
    std::string content = RandomBytes(kFileSize, 12);
    WriteFile(server.Folder() + "down.bin", content);
    ftp.client.SetLocalFileName(sandbox().work + "down.bin");
    ftp.client.HostFileName = "down.bin";
    EXPECT_TRUE(ftp.client.GetSync()) << ftp.client.ErrorMessage();
    EXPECT_TRUE(ReadFile(sandbox().work + "down.bin") == content);
}

}  // namespace
}  // namespace tarvo::test
