// An upload of many blocks to a server that reads slower than we send: the bytes arrive whole and in order,
// progress comes before every block, and the end of the file is acted on only once nothing waits in the queue.
#include "tests/net/FtpTestPeers.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

namespace tarvo::test {
namespace {

constexpr size_t kBlock = 256 * 1024;  // the most the client reads per piece

// Reads to the end in small bites, pausing between them, through a small receive buffer.
std::string ReadSlowly(int fd) {
    int small = 64 * 1024;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    std::string got;
    char buf[64 * 1024];
    for (int i = 0; i < 100000; ++i) {
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        got.append(buf, static_cast<size_t>(n));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return got;
}

class FtpManyBlockUploadTest : public FtpTest {
protected:
    std::mutex mutex;
    std::string stored;
    FakeFtpServer server{[this](FakeFtpSession& s) {
        s.Login();
        s.Expect("PASV");
        s.ReplyPasv();
        int fd = s.AcceptData();
        s.Expect("STOR");
        s.Reply("150 send it");
        std::string data = ReadSlowly(fd);
        ::close(fd);
        {
            std::lock_guard<std::mutex> guard(mutex);
            stored = data;
        }
        s.Reply("226 stored");
        s.WaitForClose();
    }};
    RecordingFtpClient ftp;
};

TEST_F(FtpManyBlockUploadTest, ManyBlocksToASlowServerArriveWholeWithProgressBeforeEachBlock) {
    ftp.Target(server.Port());
    ftp.client.SetPassive(true);
    ASSERT_TRUE(ftp.client.ConnectSync()) << ftp.client.ErrorMessage();
    std::string content = RandomBytes(32 * kBlock + 12345, 21);
    WriteFile(sandbox().work + "big", content);
    // Every progress event moves the clock past the drain's limit: a drain begun while bytes were still
    // queued would give up on them.
    auto clock = UseManualClock();
    std::vector<int64_t> progress;
    ftp.client.OnProgress = [&](TCustomFtpCli*, int64_t count, bool&) {
        progress.push_back(count);
        clock->Advance(6000);
    };
    ftp.client.SetLocalFileName(sandbox().work + "big");
    ftp.client.HostFileName = "big";
    EXPECT_TRUE(ftp.client.PutSync()) << ftp.client.ErrorMessage();
    {
        std::lock_guard<std::mutex> guard(mutex);
        EXPECT_EQ(stored.size(), content.size());
        EXPECT_TRUE(stored == content);
    }
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), static_cast<int64_t>(content.size()));
    EXPECT_GE(progress.size(), content.size() / kBlock + 1);  // one before each piece is read
    std::string stats = "! " + std::to_string(content.size()) + " bytes received/sent in ";
    EXPECT_TRUE(std::any_of(ftp.display.begin(), ftp.display.end(),
                            [&](const std::string& line) { return line.rfind(stats, 0) == 0; }));
}

}  // namespace
}  // namespace tarvo::test
