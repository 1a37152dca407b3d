// Ctrl-C, a kill and a hang-up end Tarvo as a close of its window does: the program itself, started as a user
// starts it (offscreen) against a loopback FTP server, and its window inside the test for a signal that comes at
// a chosen point of a dialog or a road.
#include <signal.h>
#include <sys/wait.h>

#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "client/Tarvo.h"
#include "common/QtUiServices.h"
#include "net/FtpCli.h"
#include "platform/qt/Forms.h"
#include "platform/win/EndingSignals.h"
#include "platform/win/TempFolder.h"
#include "tests/client/ClientFixture.h"
#include "tests/net/FtpTestPeers.h"
#include "tests/support/CrossThreadFlag.h"
#include "tools/provision/AccountFile.h"

namespace {

using namespace tarvo::test;
namespace fs = std::filesystem;

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The ending signals as a program started meanwhile finds them: at their default actions, but for one ignored
// (none when 0), whatever the test process was given itself.
class StartingDispositions {
public:
    explicit StartingDispositions(int ignored) {
        for (int signal : kEndingSignals) {
            struct sigaction action {};
            action.sa_handler = signal == ignored ? SIG_IGN : SIG_DFL;
            struct sigaction before {};
            ::sigaction(signal, &action, &before);
            before_.emplace_back(signal, before);
        }
    }
    ~StartingDispositions() {
        for (const auto& [signal, before] : before_)
            ::sigaction(signal, &before, nullptr);
    }
    StartingDispositions(const StartingDispositions&) = delete;
    StartingDispositions& operator=(const StartingDispositions&) = delete;

private:
    std::vector<std::pair<int, struct sigaction>> before_;
};

// One of the process's signal sets from /proc ("SigIgn", "SigCgt") holds the signal.
bool InSignalSet(pid_t pid, const std::string& set, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(set + ":", 0) == 0)
            return (std::stoull(line.substr(set.size() + 1), nullptr, 16) >> (signal - 1)) & 1;
    ADD_FAILURE() << "no " << set << " for process " << pid;
    return false;
}

std::string Describe(int status) {
    if (WIFSIGNALED(status))
        return std::string("ended by signal ") + sigabbrev_np(WTERMSIG(status));
    return "exited with " + std::to_string(WEXITSTATUS(status));
}

// The plain files in the folder and below it.
std::vector<std::string> FilesLeft(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file())
            files.push_back(it->path().string());
    return files;
}

// A scripted FTP server for what pyftpdlib will not do: hold a transfer open. It answers every command; RETR sends
// the account file, or a part of it and then nothing until the client hangs up (holdDownload); LIST sends an
// empty folder; STOR takes what comes but never confirms it, so an upload lasts until the client gives up.
// transferHeld is set once a transfer is held open.
struct HoldingServer {
    std::string accountFile;
    bool holdDownload = false;
    CrossThreadFlag transferHeld;
    FakeFtpServer server{[this](FakeFtpSession& s) { Serve(s); }};

    void Serve(FakeFtpSession& s) {
        s.Login();
        std::string dataAddress;
        for (std::string line = s.Next(); !line.empty(); line = s.Next()) {
            const std::string verb = line.substr(0, line.find(' '));
            if (verb == "PORT") {
                dataAddress = line.substr(verb.size() + 1);
                s.Reply("200 ok");
            } else if (verb == "RETR" && holdDownload) {
                HoldDownload(s, dataAddress);
                return;
            } else if (verb == "RETR" || verb == "LIST") {
                Download(s, dataAddress, verb == "RETR" ? accountFile : "");
            } else if (verb == "STOR") {
                HoldUpload(s, dataAddress);
            } else if (verb == "QUIT") {
                s.Reply("221 bye");
                return;
            } else {
                s.Reply(verb == "DELE" ? "250 deleted" : "200 ok");
            }
        }
    }
    static void Download(FakeFtpSession& s, const std::string& dataAddress, const std::string& bytes) {
        const int fd = FakeFtpSession::ConnectTo(dataAddress);
        s.Reply("150 here it comes");
        LoopbackPeer::WriteAll(fd, bytes);
        ::close(fd);
        s.Reply("226 sent");
    }
    void HoldDownload(FakeFtpSession& s, const std::string& dataAddress) {
        const int fd = FakeFtpSession::ConnectTo(dataAddress);
        s.Reply("150 here it comes");
        LoopbackPeer::WriteAll(fd, accountFile.substr(0, accountFile.size() / 2));
        transferHeld.Set();
        s.WaitForClose();
        ::close(fd);
    }
    void HoldUpload(FakeFtpSession& s, const std::string& dataAddress) {
        const int fd = FakeFtpSession::ConnectTo(dataAddress);
        s.Reply("150 send it");
        transferHeld.Set();
        LoopbackPeer::ReadAll(fd);
        ::close(fd);
    }
};

class SignalTest : public ClientTest {
protected:
    // This machine's settings, and its "ftp" service on the holding server, which serves an account file with
    // the one folder "share".
    void UseHoldingServer(HoldingServer& holding) {
        const std::string sealed = sandbox().work + "tester.ace";
        SealAccountFile(AccountSection(TestFolder("share")), sealed);
        holding.accountFile = ReadFile(sealed);
        WriteFile(sandbox().machine + "etc/services", "ftp " + std::to_string(holding.server.Port()) + "/tcp\n");
        Provision(Settings());
    }
};

class RealProgramTest : public SignalTest {
protected:
    void TearDown() override {
        tarvo_.Stop();
        ClientTest::TearDown();
    }

    // bin/Tarvo on this test's machine, with the ending signals at their defaults but for `ignored`; its output
    // goes to the test's folder.
    void StartProgram(int ignored = 0) {
        StartingDispositions dispositions(ignored);
        ASSERT_TRUE(tarvo_.Start({std::string(std::getenv("TARVO_LIBRARY_PATH")) + "/Tarvo"}, Output()));
    }
    std::string Output() const { return sandbox().work + "tarvo.out"; }
    static std::string WorkFolder() { return win::PrivateTempDir() + "Tarvo/"; }
    // The account file lies decrypted in the work folder: the window is up and idle.
    static bool AccountFileFetched() { return WaitForFile(WorkFolder() + "tester.ini"); }
    // To the program, while it has not been seen to end: never kill(-1), which reaches every process of the user.
    void Send(int signal) {
        ASSERT_GT(tarvo_.Pid(), 0) << "the program has ended already";
        ::kill(tarvo_.Pid(), signal);
    }
    // The signal, then the program's end: its wait status, or nullopt when it still runs a minute later.
    std::optional<int> EndBy(int signal) {
        Send(signal);
        return tarvo_.WaitForEnd(60000);
    }
    // For a failure: what the program wrote, and how it ended if it did.
    std::string Written() const {
        std::ifstream output(Output());
        std::stringstream text;
        text << output.rdbuf();
        return "its output: " + text.str();
    }
    std::string Report() {
        std::optional<int> status = tarvo_.WaitForEnd(0);
        return (status ? Describe(*status) : std::string("still running")) + "; " + Written();
    }
    // The program ended by the signal, with nothing left in the work folder.
    void ExpectClosedAndEndedBy(const std::optional<int>& status, int signal) {
        ASSERT_TRUE(status) << "still running; " << Written();
        EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == signal) << Describe(*status) << "; " << Written();
        EXPECT_EQ(FilesLeft(WorkFolder()), std::vector<std::string>{}) << "the account file above all";
    }

    PeerProcess tarvo_;
};

class EndingSignalTest : public RealProgramTest, public testing::WithParamInterface<int> {};

TEST_P(EndingSignalTest, ClosesTheProgramAsItsWindowWouldAndEndsItBySignal) {
    ServeFolders({{"share"}});
    if (IsSkipped())
        return;
    StartProgram();
    ASSERT_TRUE(AccountFileFetched()) << Report();
    ExpectClosedAndEndedBy(EndBy(GetParam()), GetParam());
}

INSTANTIATE_TEST_SUITE_P(, EndingSignalTest, testing::ValuesIn(kEndingSignals),
                         [](const testing::TestParamInfo<int>& info) { return sigabbrev_np(info.param); });

TEST_F(RealProgramTest, ASignalIgnoredWhenTheProgramStartsStaysIgnored) {
    ServeFolders({{"share"}});
    if (IsSkipped())
        return;
    // As under nohup.
    StartProgram(SIGHUP);
    ASSERT_TRUE(AccountFileFetched()) << Report();
    EXPECT_TRUE(InSignalSet(tarvo_.Pid(), "SigIgn", SIGHUP));
    EXPECT_TRUE(InSignalSet(tarvo_.Pid(), "SigCgt", SIGTERM)) << "the others are caught all the same";
    Send(SIGHUP);
    EXPECT_FALSE(tarvo_.WaitForEnd(0)) << "the hang-up went by";
    ExpectClosedAndEndedBy(EndBy(SIGTERM), SIGTERM);
}

TEST_F(RealProgramTest, ASignalDuringTheStartUpDownloadCutsItShort) {
    HoldingServer holding;
    holding.holdDownload = true;
    UseHoldingServer(holding);
    StartProgram();
    ASSERT_TRUE(holding.transferHeld.Wait()) << Report();
    ExpectClosedAndEndedBy(EndBy(SIGTERM), SIGTERM);
}

// Inside one process: the client's window with the signals watched as the program watches them, the signal sent
// at a chosen point of a road or a dialog.
class SignalInTheLoopTest : public SignalTest {
protected:
    void TearDown() override {
        watch_.reset();
        win::Application::ResetTerminated();
        SignalTest::TearDown();
    }

    std::unique_ptr<TMainFormWin> StartWatchedClient() {
        auto form = StartClient();
        SetMainForm(form.get());
        watch_.emplace(CloseOnSignal);
        return form;
    }
    // The window has closed and emptied the work folder; the signal is known, for the program to end by it.
    static void ExpectClosed(TMainFormWin& form) {
        EXPECT_NE(form.findChild<QWidget*>("fom_Quit"), nullptr) << "the closing notice";
        EXPECT_EQ(FilesLeft(form.WorkDir()), std::vector<std::string>{});
        EXPECT_EQ(win::EndingSignalWatch::Caught(), SIGTERM);
    }

    std::optional<win::EndingSignalWatch> watch_;
};

// Sends the process a signal from inside the loop of the next modal dialog that opens, and notes which dialog
// that was.
class SignalInDialog : public QObject {
public:
    explicit SignalInDialog(int signal) : signal_(signal) { QApplication::instance()->installEventFilter(this); }
    ~SignalInDialog() override { QApplication::instance()->removeEventFilter(this); }

    std::string dialog;  // its class

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        auto* window = qobject_cast<QWidget*>(watched);
        if (e->type() != QEvent::Show || !window || !window->isWindow() || !window->isModal() || !dialog.empty())
            return false;
        dialog = window->metaObject()->className();
        // Posted: it comes once the dialog waits in its own loop.
        QTimer::singleShot(0, window, [this, window] {
            EXPECT_EQ(QApplication::activeModalWidget(), window);
            ::raise(signal_);
        });
        return false;
    }

private:
    int signal_;
};

TEST_F(SignalInTheLoopTest, ASignalWhileAQuestionIsOpenAnswersItAsEscWouldAndClosesTheWindow) {
    ServeFolders({{"share"}});
    if (IsSkipped())
        return;
    auto form = StartWatchedClient();
    auto dialogs = std::make_shared<QtUiServices>();
    win::SetUi(dialogs);
    SignalInDialog inDialog(SIGTERM);
    EXPECT_EQ(TMainFormWin::Ask("Go on?", win::MB_ICONQUESTION), win::IDNO);
    EXPECT_EQ(inDialog.dialog, "QMessageBox");
    ExpectClosed(*form);
    EXPECT_EQ(TMainFormWin::Ask("Still there?", win::MB_ICONQUESTION), win::IDCANCEL)
        << "what comes after the signal is answered at once";
}

TEST_F(SignalInTheLoopTest, ASignalAtThePasswordDialogCancelsItAndTheRoadUnwindsBeforeTheClose) {
    StartServer();
    if (IsSkipped())
        return;
    Provision(Settings());
    PutAccountFile({{"share", 0}});  // a folder whose trunks take a password the user types
    auto form = StartWatchedClient();
    auto dialogs = std::make_shared<QtUiServices>();
    win::SetUi(dialogs);
    WriteFile(sandbox().work + "src/a.txt", "figures");
    SignalInDialog inDialog(SIGTERM);
    SendTrunk(*form, "t", "", {sandbox().work + "src/a.txt"});
    EXPECT_EQ(inDialog.dialog, "Tfom_PasswordDlg");
    EXPECT_NE(Log(form->mmUpMess).find("キャンセルされました。"), std::string::npos) << Log(form->mmUpMess);
    ExpectClosed(*form);
    EXPECT_FALSE(ServerHas("t.ace"));
}

TEST_F(SignalInTheLoopTest, ASignalDuringAnUploadCutsItShortAndTakesWhatItLeftOffTheServer) {
    HoldingServer holding;
    UseHoldingServer(holding);
    auto form = StartWatchedClient();
    WriteFile(sandbox().work + "src/big.bin", RandomBytes(1 << 20, 5));
    auto progress = form->FtpClient1->OnProgress;
    bool sent = false;
    form->FtpClient1->OnProgress = [&](TCustomFtpCli* sender, int64_t count, bool& abort) {
        // The listing reports progress too: the signal comes during the upload itself.
        if (!sent && form->FtpClient1->HostFileName == "big.ace") {
            sent = true;
            ::raise(SIGTERM);
        }
        progress(sender, count, abort);
    };
    SendTrunk(*form, "big", "", {sandbox().work + "src/big.bin"});
    ASSERT_TRUE(sent);
    EXPECT_NE(Log(form->mmUpMess).find("Error!! ファイルの転送に失敗しました"), std::string::npos)
        << Log(form->mmUpMess);
    EXPECT_TRUE(holding.server.Received("DELE big.ace")) << "as a close of the window leaves the server";
    EXPECT_TRUE(holding.server.Received("DELE big.txt"));
    EXPECT_FALSE(holding.server.Received("STOR big.txt"));
    ExpectClosed(*form);
}

}  // namespace
