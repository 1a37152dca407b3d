// The blocking FTP client against real servers on loopback: pyftpdlib and vsftpd, active and passive mode.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/net/FtpTestPeers.h"
#include "tests/support/FtpServers.h"

namespace tarvo::test {
namespace {

namespace fs = std::filesystem;

struct ServerCase {
    FtpServerKind kind;
    bool passive;
};

std::string Name(const ServerCase& c) {
    return FtpServerName(c.kind) + (c.passive ? "Passive" : "Active");
}
std::string CaseName(const ::testing::TestParamInfo<ServerCase>& info) {
    return Name(info.param);
}
void PrintTo(const ServerCase& c, std::ostream* out) {
    *out << Name(c);
}

// FNV-1a over a whole file, read in pieces.
uint64_t FileHash(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    uint64_t hash = 14695981039346656037ull;
    std::vector<char> buf(1 << 20);
    while (in.read(buf.data(), static_cast<std::streamsize>(buf.size())) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i)
            hash = (hash ^ static_cast<unsigned char>(buf[i])) * 1099511628211ull;
    }
    return hash;
}

void WriteLargeFile(const std::string& path, size_t size) {
    std::ofstream out(path, std::ios::binary);
    std::string block = RandomBytes(1 << 20, 7);
    for (size_t written = 0; written < size; written += block.size()) {
        block[0] = static_cast<char>(written >> 20);  // no two mebibytes alike
        out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), size - written)));
    }
}

class FtpRealServerTest : public FtpTest, public ::testing::WithParamInterface<ServerCase> {
protected:
    void SetUp() override {
        FtpTest::SetUp();
        if (GetParam().kind != FtpServerKind::Pyftpdlib && ::geteuid() != 0)
            GTEST_SKIP() << FtpServerName(GetParam().kind) << " needs root: it runs each session as a local user";
        std::string why = server.Start(sandbox().work + "served", sandbox().work + "server", sandbox().top);
        ASSERT_EQ(why, "");
        // The client asks for the service "ftp", as the program does; the machine's services file maps it.
        WriteFile(sandbox().machine + "etc/services", "ftp\t" + std::to_string(server.Port()) + "/tcp\n");
        ftp.client.HostName = "127.0.0.1";
        ftp.client.UserName = server.User();
        ftp.client.PassWord = server.Password();
        ftp.client.SetPassive(GetParam().passive);
    }

    std::string Local(const std::string& name) { return sandbox().work + name; }
    std::string Served(const std::string& name) { return server.Folder() + name; }

    bool Put(const std::string& local, const std::string& remote) {
        ftp.client.SetLocalFileName(Local(local));
        ftp.client.HostFileName = remote;
        return ftp.client.PutSync();
    }
    bool Get(const std::string& remote, const std::string& local) {
        ftp.client.SetLocalFileName(Local(local));
        ftp.client.HostFileName = remote;
        return ftp.client.GetSync();
    }
    std::string List() {
        TMemoryStream listing;
        ftp.client.AssignLocalStream(&listing);
        ftp.client.HostFileName.clear();
        bool ok = ftp.client.ListSync();
        ftp.client.AssignLocalStream(nullptr);
        EXPECT_TRUE(ok) << ftp.client.ErrorMessage();
        return std::string(reinterpret_cast<const char*>(listing.Memory()), static_cast<size_t>(listing.Size()));
    }
    bool TypeSync(bool binary) {
        ftp.client.SetBinary(binary);
        return ftp.client.TypeSync();
    }

    FtpServer server{GetParam().kind};
    RecordingFtpClient ftp;
};

TEST_P(FtpRealServerTest, LogInListTransferInBothTypesDeleteAndQuit) {
    ASSERT_TRUE(ftp.client.ConnectSync()) << ftp.client.ErrorMessage();
    std::string binary = RandomBytes(300000, 3);
    WriteFile(Local("bin.dat"), binary);
    ASSERT_TRUE(TypeSync(true));
    ASSERT_TRUE(Put("bin.dat", "bin.dat")) << ftp.client.ErrorMessage();
    EXPECT_TRUE(ReadFile(Served("bin.dat")) == binary);
    ASSERT_TRUE(Get("bin.dat", "bin.back")) << ftp.client.ErrorMessage();
    EXPECT_TRUE(ReadFile(Local("bin.back")) == binary);

    std::string text = "one\r\ntwo\r\n";
    WriteFile(Local("text.txt"), text);
    ASSERT_TRUE(TypeSync(false));
    ASSERT_TRUE(Put("text.txt", "text.txt")) << ftp.client.ErrorMessage();
    EXPECT_EQ(ReadFile(Served("text.txt")), server.ConvertsAscii() ? "one\ntwo\n" : text);
    ASSERT_TRUE(Get("text.txt", "text.back")) << ftp.client.ErrorMessage();
    EXPECT_EQ(ReadFile(Local("text.back")), text);

    std::string listing = List();
    EXPECT_NE(listing.find("bin.dat\r\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("text.txt\r\n"), std::string::npos) << listing;
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqList, 0));

    for (const char* name : {"bin.dat", "text.txt"}) {
        ftp.client.HostFileName = name;
        EXPECT_TRUE(ftp.client.DeleSync()) << ftp.client.ErrorMessage();
        EXPECT_FALSE(fs::exists(Served(name)));
    }
    EXPECT_EQ(List().find("bin.dat"), std::string::npos);
    EXPECT_TRUE(ftp.client.QuitSync()) << ftp.client.ErrorMessage();
    EXPECT_FALSE(ftp.client.IsConnected());
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqQuit, 0));
}

// Names go to the server in code page 932, as the program's peers expect, and come back in listings.
TEST_P(FtpRealServerTest, JapaneseNamesTravelInCodePage932) {
    if (!server.KeepsNameBytes())
        GTEST_SKIP() << FtpServerName(GetParam().kind) << " takes names for UTF-8";
    ASSERT_TRUE(ftp.client.ConnectSync()) << ftp.client.ErrorMessage();
    ASSERT_TRUE(TypeSync(true));
    const std::string name = "営業部の報告.ace";
    const std::string sjis = "\x89\x63\x8B\xC6\x95\x94\x82\xCC\x95\xF1\x8D\x90.ace";
    WriteFile(Local("report"), "trunk bytes");
    ASSERT_TRUE(Put("report", name)) << ftp.client.ErrorMessage();
    EXPECT_EQ(ReadFile(Served(sjis)), "trunk bytes");
    EXPECT_NE(List().find(sjis + "\r\n"), std::string::npos);
    ASSERT_TRUE(Get(name, "report.back")) << ftp.client.ErrorMessage();
    EXPECT_EQ(ReadFile(Local("report.back")), "trunk bytes");
    ftp.client.HostFileName = name;
    EXPECT_TRUE(ftp.client.DeleSync()) << ftp.client.ErrorMessage();
    EXPECT_FALSE(fs::exists(Served(sjis)));
    EXPECT_TRUE(ftp.client.QuitSync());
}

TEST_P(FtpRealServerTest, EmptyAndLargeFilesComeBackWithTheSameHash) {
    ASSERT_TRUE(ftp.client.ConnectSync()) << ftp.client.ErrorMessage();
    ASSERT_TRUE(TypeSync(true));
    WriteFile(Local("empty"), "");
    ASSERT_TRUE(Put("empty", "empty")) << ftp.client.ErrorMessage();
    EXPECT_TRUE(fs::exists(Served("empty")));
    EXPECT_EQ(fs::file_size(Served("empty")), 0u);
    ASSERT_TRUE(Get("empty", "empty.back")) << ftp.client.ErrorMessage();
    EXPECT_EQ(fs::file_size(Local("empty.back")), 0u);
    EXPECT_TRUE(std::any_of(ftp.display.begin(), ftp.display.end(),
                            [](const std::string& l) { return l.rfind("! 0 bytes received/sent in ", 0) == 0; }));

    const size_t size = 64u << 20;
    WriteLargeFile(Local("large"), size);
    uint64_t hash = FileHash(Local("large"));
    ASSERT_TRUE(Put("large", "large")) << ftp.client.ErrorMessage();
    EXPECT_EQ(FileHash(Served("large")), hash);
    ASSERT_TRUE(Get("large", "large.back")) << ftp.client.ErrorMessage();
    EXPECT_EQ(fs::file_size(Local("large.back")), size);
    EXPECT_EQ(FileHash(Local("large.back")), hash);
    EXPECT_TRUE(ftp.client.QuitSync());
}

TEST_P(FtpRealServerTest, WrongPasswordFailsTheLogIn) {
    ftp.client.PassWord = "not-the-password";
    EXPECT_FALSE(ftp.client.ConnectSync());
    EXPECT_EQ(ftp.client.ErrorMessage().substr(0, 3), "530");
    EXPECT_EQ(ftp.done.back().first, ftpRqConnect);
    EXPECT_EQ(ftp.done.back().second, 530);
}

TEST_P(FtpRealServerTest, MissingFileFailsTheDownloadAndLeavesTheLocalFileAlone) {
    ASSERT_TRUE(ftp.client.ConnectSync()) << ftp.client.ErrorMessage();
    WriteFile(Local("keep.dat"), "what was here before");
    EXPECT_FALSE(Get("no-such-file", "keep.dat"));
    EXPECT_EQ(ftp.client.ErrorMessage().substr(0, 3), "550");
    EXPECT_EQ(ReadFile(Local("keep.dat")), "what was here before");
    EXPECT_EQ(FilesIn(sandbox().work), 1) << "a temporary file was left behind";
    // The session goes on.
    WriteFile(Local("after.dat"), "after");
    EXPECT_TRUE(Put("after.dat", "after.dat")) << ftp.client.ErrorMessage();
    EXPECT_TRUE(ftp.client.QuitSync());
}

// A client made on a worker thread and waiting with its own thread's pump, beside one on the test's thread,
// both in session with vsftpd at once (pyftpdlib serves one session at a time).
TEST_F(FtpTest, AMultiThreadedClientWorksOnItsOwnThread) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "vsftpd needs root: it runs each session as a local user";
    FtpServer server(FtpServerKind::Vsftpd);
    ASSERT_EQ(server.Start(sandbox().work + "served", sandbox().work + "server", sandbox().top), "");
    auto configure = [&](TFtpClient& client) {
        client.HostName = "127.0.0.1";
        client.Port = std::to_string(server.Port());
        client.UserName = server.User();
        client.PassWord = server.Password();
        client.SetPassive(true);
    };
    TFtpClient here;
    configure(here);
    ASSERT_TRUE(here.ConnectSync()) << here.ErrorMessage();

    std::string data = RandomBytes(2 << 20, 13);
    WriteFile(sandbox().work + "worker.up", data);
    std::vector<std::string> failures;  // read after join
    std::thread worker([&] {
        TFtpClient client;
        client.MultiThreaded = true;
        configure(client);
        auto step = [&](const char* what, bool ok) {
            if (!ok)
                failures.push_back(std::string(what) + ": " + client.ErrorMessage());
        };
        step("connect", client.ConnectSync());
        step("type", client.TypeSync());
        client.SetLocalFileName(sandbox().work + "worker.up");
        client.HostFileName = "worker.dat";
        step("put", client.PutSync());
        client.SetLocalFileName(sandbox().work + "worker.down");
        step("get", client.GetSync());
        step("dele", client.DeleSync());
        step("quit", client.QuitSync());
    });
    worker.join();
    EXPECT_TRUE(failures.empty()) << failures.front();
    EXPECT_TRUE(ReadFile(sandbox().work + "worker.down") == data);
    // The test thread's client never saw the worker's messages and goes on.
    EXPECT_TRUE(here.TypeSync()) << here.ErrorMessage();
    EXPECT_TRUE(here.QuitSync());
}

// pure-ftpd keeps a file for each session under /run, by a name it was built with, and leaves it there when the
// session is stopped rather than ended by QUIT: it is shown a folder of the test's own in that place.
TEST_F(FtpTest, PureFtpdKeepsItsSessionFilesInTheTestsOwnFolder) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "pure-ftpd needs root: it runs each session as a local user";
    FtpServer server(FtpServerKind::PureFtpd);
    ASSERT_EQ(server.Start(sandbox().work + "served", sandbox().work + "server", sandbox().top), "");
    RecordingFtpClient ftp;
    ftp.Target(server.Port());
    ftp.client.UserName = server.User();
    ftp.client.PassWord = server.Password();
    ASSERT_TRUE(ftp.client.ConnectSync()) << ftp.client.ErrorMessage();
    std::vector<std::string> sessions;
    std::error_code ec;
    for (const auto& file : fs::directory_iterator(sandbox().work + "server/run/pure-ftpd", ec))
        sessions.push_back(file.path().filename());
    ASSERT_EQ(sessions.size(), 1u);
    server.Stop();
    EXPECT_FALSE(fs::exists("/run/pure-ftpd/" + sessions[0]));
}

// The CONNECTs a microsocks proxy has relayed: it logs one line for each.
int ProxiedConnections(const std::string& log) {
    std::ifstream in(log);
    int count = 0;
    for (std::string line; std::getline(in, line);)
        count += line.find(": connected to 127.0.0.1:") != std::string::npos;
    return count;
}

// Behind a SOCKS 5 proxy every connection goes through it, the first and the later ones, control and data,
// also after logging in again; data connections go to the FTP server, never to the proxy's own address.
TEST_F(FtpTest, EveryConnectionGoesThroughTheSocks5Proxy) {
    if (!ProgramAvailable("/usr/bin/microsocks"))
        GTEST_SKIP() << "microsocks is not installed";
    FtpServer server(FtpServerKind::Pyftpdlib);
    ASSERT_EQ(server.Start(sandbox().work + "served", sandbox().work + "server"), "");
    PeerProcess proxy;
    std::string proxyLog = sandbox().work + "microsocks.log";
    const int proxyPort = proxy.StartListening(
        {"/usr/bin/microsocks", "-i", "127.0.0.1", "-p", "0", "-u", "alice", "-P", "s3cret"}, proxyLog);
    ASSERT_GT(proxyPort, 0);
    RecordingFtpClient ftp;
    ftp.Target(server.Port());
    ftp.client.UserName = server.User();
    ftp.client.PassWord = server.Password();
    ftp.client.SetConnectionType(ftpSocks5);
    ftp.client.SetSocksServer("127.0.0.1");
    ftp.client.SetSocksPort(std::to_string(proxyPort));
    ftp.client.SetSocksUserCode("alice");
    ftp.client.SetSocksPassword("s3cret");
    EXPECT_TRUE(ftp.client.Passive());
    std::string data = RandomBytes(200000, 5);
    WriteFile(sandbox().work + "up", data);
    for (int session = 0; session < 2; ++session) {
        ASSERT_TRUE(ftp.client.ConnectSync()) << ftp.client.ErrorMessage();
        ASSERT_TRUE(ftp.client.TypeSync());
        ftp.client.SetLocalFileName(sandbox().work + "up");
        ftp.client.HostFileName = "up";
        EXPECT_TRUE(ftp.client.PutSync()) << ftp.client.ErrorMessage();
        ftp.client.SetLocalFileName(sandbox().work + "down");
        EXPECT_TRUE(ftp.client.GetSync()) << ftp.client.ErrorMessage();
        EXPECT_TRUE(ReadFile(server.Folder() + "up") == data);
        EXPECT_TRUE(ReadFile(sandbox().work + "down") == data);
        EXPECT_TRUE(ftp.client.QuitSync());
    }
    EXPECT_EQ(ftp.client.SocksServer(), "127.0.0.1");
    EXPECT_EQ(ftp.client.SocksPort(), std::to_string(proxyPort));
    // Each session: the control connection and two data connections. The proxy writes its line once it
    // reached the server, which the client's session waited for.
    EXPECT_TRUE(PumpUntil([&] { return ProxiedConnections(proxyLog) >= 6; }));
    EXPECT_EQ(ProxiedConnections(proxyLog), 6);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, FtpRealServerTest,
    ::testing::Values(ServerCase{FtpServerKind::Pyftpdlib, false}, ServerCase{FtpServerKind::Pyftpdlib, true},
                      ServerCase{FtpServerKind::Vsftpd, false}, ServerCase{FtpServerKind::Vsftpd, true},
                      ServerCase{FtpServerKind::Proftpd, false}, ServerCase{FtpServerKind::Proftpd, true},
                      ServerCase{FtpServerKind::PureFtpd, false}, ServerCase{FtpServerKind::PureFtpd, true}),
    CaseName);

}  // namespace
}  // namespace tarvo::test
