// Reading replies and single commands, against a scripted server.
#include "tests/net/FtpTestPeers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>

#include "platform/win/CodePage.h"
#include "platform/win/Modules.h"
#include "platform/winsock/HostLookup.h"
#include "tests/support/CrossThreadFlag.h"
#include "tests/support/Raised.h"

namespace tarvo::test {
namespace {

class FtpRepliesTest : public ScriptedFtpTest {
protected:
    // Logs in, then runs one command against the script's replies.
    void LogIn() {
        ftp.Target(server.Port());
        ASSERT_TRUE(ftp.client.ConnectSync()) << ftp.client.ErrorMessage();
        ftp.done.clear();
    }
    void Run(void (TCustomFtpCli::*command)()) {
        size_t before = ftp.done.size();
        (ftp.client.*command)();
        ASSERT_TRUE(ftp.WaitDone(before + 1));
    }
};

TEST_F(FtpRepliesTest, MultiLineRepliesAreJudgedOnceAndEveryLineIsShown) {
    script = [](FakeFtpSession& s) {
        s.Login();
        s.Expect("SYST");
        s.Send("215-first\r\nno code on this line\r\n215-second\r\n215 UNIX Type: L8\r\n");
        s.Expect("PWD");
        s.Send("257 \"/a \"\"q\"\" b\" is the\r\n");
        s.Expect("SIZE");
        s.Send("213 1234567");  // a line in two pieces
        s.Send("89012\r\n");
        s.WaitForClose();
    };
    LogIn();
    Run(&TCustomFtpCli::CmdSyst);
    EXPECT_EQ(ftp.done, (std::vector<std::pair<TFtpRequest, int>>{{ftpRqSyst, 0}}));
    for (const char* line : {"< 215-first", "< no code on this line", "< 215-second", "< 215 UNIX Type: L8"})
        EXPECT_TRUE(ftp.Shown(line)) << line;
    EXPECT_EQ(ftp.client.ReplyText(), "215-first\r\nno code on this line\r\n215-second\r\n215 UNIX Type: L8\r\n");
    Run(&TCustomFtpCli::CmdPwd);
    EXPECT_EQ(ftp.client.DirResult(), "/a \"q\" b");
    ftp.client.HostFileName = "f";
    Run(&TCustomFtpCli::CmdSize);
    EXPECT_EQ(ftp.client.SizeResult(), 123456789012);
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqSize, 0));
}

TEST_F(FtpRepliesTest, LineEndsWithAndWithoutAcceptLF) {
    // Owned by the script too: it may still run when the test's body has ended.
    auto halfSent = std::make_shared<CrossThreadFlag>();
    auto goOn = std::make_shared<CrossThreadFlag>();
    script = [halfSent, goOn](FakeFtpSession& s) {
        s.Send("220 first\n");
        halfSent->Set();
        goOn->Wait();
        s.Send("220 second\r\r\n");
        s.WaitForClose();
    };
    ftp.Target(server.Port());
    ftp.client.Options = {};
    ftp.client.CmdOpen();
    ASSERT_TRUE(halfSent->Wait());
    PumpPending();
    EXPECT_EQ(ftp.client.State(), ftpWaitingBanner);  // a bare LF does not end the line
    goOn->Set();
    ASSERT_TRUE(ftp.WaitDone());
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqOpen, 0));
    EXPECT_EQ(ftp.client.LastResponse(), "220 first\n220 second");
}

TEST_F(FtpRepliesTest, ReplyCodesDecideAndResultsAreKept) {
    script = [](FakeFtpSession& s) {
        s.Reply("220 ready");
        s.Expect("USER");
        s.Reply("230 no password needed");
        for (const char* reply : {"200 fine", "502 unknown", "226 aborted", "501 bad offset", "350 restarting"}) {
            s.Next();
            s.Reply(reply);
        }
        s.Expect("MDTM");
        s.Reply("213 20060102030405");
        s.Expect("MD5");
        s.Reply("251 \"my file\" 0123abcd");
        s.Expect("FEAT");
        s.Send("211-Features:\r\n MDTM\r\n SIZE\r\n REST STREAM\r\n MLST type*;size*;\r\n211 End\r\n");
        s.WaitForClose();
    };
    ftp.Target(server.Port());
    ftp.client.CmdOpen();
    ASSERT_TRUE(ftp.WaitDone());
    Run(&TCustomFtpCli::CmdUser);
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqUser, 0));  // 230 to USER is a success
    ftp.client.SetLocalFileName("NOOP");
    Run(&TCustomFtpCli::CmdRaw);
    EXPECT_EQ(ftp.done.back().second, 0);
    ftp.client.SetLocalFileName("XYZ");
    Run(&TCustomFtpCli::CmdRaw);
    EXPECT_EQ(ftp.done.back().second, 502);
    EXPECT_EQ(ftp.client.ErrorMessage(), "502 unknown");
    Run(&TCustomFtpCli::CmdAbor);
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqAbor, 0));
    ftp.client.Options = {ftpAcceptLF, ftpNoAutoResumeAt};
    ftp.client.SetResumePos(100);
    Run(&TCustomFtpCli::CmdRest);
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqRest, 501));
    Run(&TCustomFtpCli::CmdRest);
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqRest, 0));
    EXPECT_TRUE(server.Received("REST 100"));
    ftp.client.HostFileName = "my file";
    Run(&TCustomFtpCli::CmdMdtm);
    EXPECT_DOUBLE_EQ(ftp.client.RemoteFileTime, EncodeDate(2006, 1, 2) + EncodeTime(3, 4, 5, 0));
    Run(&TCustomFtpCli::CmdMd5);
    EXPECT_EQ(ftp.client.DirResult(), "my file");
    EXPECT_EQ(ftp.client.Md5Result(), "0123abcd");
    Run(&TCustomFtpCli::CmdFeat);
    EXPECT_EQ(ftp.client.ServerFeatures(), ftpFeatMdtm | ftpFeatSize | ftpFeatRest | ftpFeatMlst);
    EXPECT_EQ(ftp.client.MlstFactsOffered(), "type*;size*;");
}

TEST_F(FtpRepliesTest, UsageErrorsSendNothingAndEndNoRequest) {
    script = [](FakeFtpSession& s) {
        s.Login();
        s.Expect("SYST");
        s.Reply("215 UNIX");
        s.Expect("MDTM");
        s.Reply("253 set");
        s.WaitForClose();
    };
    EXPECT_EQ(RaisedBy<FtpException>([&] { ftp.client.CmdDele(); }), "FTP component not connected");
    ftp.client.HostName = " ";
    EXPECT_EQ(RaisedBy<FtpException>([&] { ftp.client.CmdOpen(); }), "HostName empty");
    EXPECT_EQ(ftp.client.State(), ftpReady);
    LogIn();
    EXPECT_TRUE(ftp.Shown("> PASS p"));
    EXPECT_EQ(RaisedBy<FtpException>([&] { ftp.client.SetConnectionType(ftpSocks5); }), "FTP component connected");
    EXPECT_EQ(ftp.client.ConnectionType(), ftpDirect);
    EXPECT_FALSE(ftp.client.Passive());
    EXPECT_EQ(RaisedBy<FtpException>([&] { ftp.client.SetDataPortRangeStart(65536); }),
              "DataPortRangeStart must be in the range 0..65535");
    EXPECT_EQ(ftp.client.DataPortRangeStart(), 0u);
    ftp.client.RemoteFileTime = 9.5;
    EXPECT_EQ(RaisedBy<FtpException>([&] { ftp.client.CmdMdtmSet(); }), "Modification date empty");
    ftp.client.CmdSyst();
    EXPECT_EQ(RaisedBy<FtpException>([&] { ftp.client.CmdPwd(); }),
              "FTP component not ready");  // SYST awaits its reply
    ASSERT_TRUE(ftp.WaitDone(1));
    ftp.client.RemoteFileTime = EncodeDate(2006, 1, 2) + EncodeTime(3, 4, 5, 0);
    ftp.client.HostFileName = "f";
    Run(&TCustomFtpCli::CmdMdtmSet);
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqMdtmSet, 0));
    EXPECT_TRUE(server.Received("MDTM 20060102030405+0 f"));
    std::vector<std::string> errors;
    ftp.client.OnError = [&](TCustomFtpCli*, std::string& msg) { errors.push_back(msg); };
    ftp.client.UserName.clear();
    ftp.client.CmdUser();
    EXPECT_EQ(errors, std::vector<std::string>{"UserName empty"});
    PumpPending();
    EXPECT_EQ(ftp.done.size(), 2u);
    EXPECT_EQ(server.Commands().size(), 4u);
}

TEST_F(FtpRepliesTest, QuitWithoutAConnectionSendsNothingAndReports200) {
    script = [](FakeFtpSession&) {};
    ftp.client.CmdQuit();
    ASSERT_TRUE(ftp.WaitDone());
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqQuit, 0));
    EXPECT_EQ(ftp.client.ReplyCode(), 200);
    EXPECT_EQ(ftp.client.RequestError(), 200);
    EXPECT_EQ(ftp.client.LastResponse(), "200 not connected");
}

TEST_F(FtpRepliesTest, LineBreaksAndNulInArgumentsAreRefusedAndNothingIsSent) {
    script = [](FakeFtpSession& s) {
        s.Login();
        s.Expect("QUIT");
        s.Reply("221 bye");
    };
    LogIn();
    for (std::string name : {std::string("a\r\nDELE b"), std::string("a\nb"), std::string("a\0b", 3)}) {
        ftp.client.HostFileName = name;
        Run(&TCustomFtpCli::CmdDele);
        EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqDele, 500));
        EXPECT_EQ(ftp.client.ErrorMessage(), "500 Command refused: an argument holds a line break or NUL");
    }
    EXPECT_TRUE(ftp.client.QuitSync());
    EXPECT_EQ(server.Commands(), (std::vector<std::string>{"USER u", "PASS p", "QUIT"}));
}

TEST_F(FtpRepliesTest, ArgumentsAndRepliesAreCodePage932) {
    script = [](FakeFtpSession& s) {
        s.Login();
        s.Next();
        s.Send(*win::Utf8ToCp932("250 削除しました") + "\r\n");
        s.Next();
        s.Send("550 \x81\xff\r\n");
        s.WaitForClose();
    };
    LogIn();
    ftp.client.HostFileName = "日本語.txt";
    Run(&TCustomFtpCli::CmdDele);
    EXPECT_EQ(ftp.client.LastResponse(), "250 削除しました");
    ftp.client.HostFileName = "b.txt";
    Run(&TCustomFtpCli::CmdDele);
    EXPECT_EQ(ftp.client.LastResponse(), "550 \\x81\\xFF");
    ftp.client.HostFileName = "smile \xF0\x9F\x98\x80";
    Run(&TCustomFtpCli::CmdDele);
    EXPECT_EQ(ftp.client.ErrorMessage(), "500 Command refused: an argument cannot be written in code page 932");
    EXPECT_EQ(server.Commands().at(2), *win::Utf8ToCp932("DELE 日本語.txt"));
    EXPECT_EQ(server.Commands().size(), 4u);
}

TEST_F(FtpRepliesTest, AReplyLineLongerThanTheBufferFailsTheRequestAndCloses) {
    script = [](FakeFtpSession& s) {
        s.Login();
        s.Expect("SYST");
        s.Send("215 " + std::string(5000, 'x'));
        s.WaitForClose();
    };
    LogIn();
    Run(&TCustomFtpCli::CmdSyst);
    EXPECT_EQ(ftp.done, (std::vector<std::pair<TFtpRequest, int>>{{ftpRqSyst, 500}}));
    EXPECT_EQ(ftp.client.ErrorMessage(), "500 Reply line longer than 4095 bytes");
    EXPECT_FALSE(ftp.client.IsConnected());
    EXPECT_FALSE(ftp.client.Connected());
}

TEST_F(FtpRepliesTest, ConnectionFailuresEndTheRequestWithTheirCodes) {
    script = [](FakeFtpSession& s) {
        s.Reply("421 too many users");
        s.Next();
    };
    ftp.Target(server.Port());
    EXPECT_FALSE(ftp.client.ConnectSync());
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqConnect, 421));
    EXPECT_EQ(ftp.client.ErrorMessage(), "421 too many users");

    RefusingLoopbackPort refusing;
    ftp.client.Port = std::to_string(refusing.Port());
    EXPECT_FALSE(ftp.client.ConnectSync());
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqConnect, 10061));
    EXPECT_EQ(ftp.client.ErrorMessage().substr(0, 4), "500 ");
    EXPECT_NE(ftp.client.ErrorMessage().find("(Winsock error #10061)"), std::string::npos);

    win::winsock::SetHostResolvers([](const std::string&, win::winsock::HostAnswer&) { return 11001; }, nullptr);
    ftp.client.HostName = "ftp.example";
    EXPECT_FALSE(ftp.client.ConnectSync());
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqConnect, 11001));
    EXPECT_NE(ftp.client.ErrorMessage().find("(Winsock error #11001)"), std::string::npos);
    EXPECT_EQ(ftp.client.State(), ftpReady);
}

// A client opening towards "ftp.test", whose lookup is under way; the name resolves to loopback once
// `answered` is ready.
class FtpLookupAbortTest : public FtpRepliesTest {
protected:
    void OpenWhileLookingUp(std::shared_future<void> answered) {
        script = [](FakeFtpSession& s) {
            s.Login();
            s.WaitForClose();
        };
        win::winsock::SetHostResolvers(
            [answered](const std::string& name, win::winsock::HostAnswer& a) {
                answered.wait_for(std::chrono::seconds(20));
                a.name = name;
                a.addresses = {Winsock_htonl(0x7F000001)};
                return 0;
            },
            nullptr);
        ftp.Target(server.Port());
        ftp.client.HostName = "ftp.test";
        ftp.client.CmdOpen();
        ASSERT_EQ(ftp.client.State(), ftpDnsLookup);
    }
};

// The server's name has been looked up, but the answer is still queued when the request is aborted.
TEST_F(FtpLookupAbortTest, AnAbortAfterTheLookupEndedClosesAndTheNextRequestRuns) {
    std::promise<void> now;
    now.set_value();
    ASSERT_NO_FATAL_FAILURE(OpenWhileLookingUp(now.get_future().share()));
    ASSERT_TRUE(WaitQueued(ftp.client.ControlSocket()->WindowHandle(), WM_SOCKET_DNS_DONE));
    EXPECT_NO_THROW(ftp.client.Abort());
    EXPECT_EQ(ftp.client.State(), ftpReady);
    PumpPending();
    EXPECT_EQ(ftp.client.State(), ftpReady);  // the dropped answer opens no connection
    EXPECT_FALSE(ftp.client.IsConnected());
    EXPECT_TRUE(ftp.done.empty());
    ASSERT_TRUE(ftp.client.ConnectSync()) << ftp.client.ErrorMessage();
    EXPECT_EQ(ftp.done, (std::vector<std::pair<TFtpRequest, int>>{{ftpRqConnect, 0}}));
}

TEST_F(FtpLookupAbortTest, AnAbortWhoseSocketRaisesStillEndsClosedAndReady) {
    // Kept by the resolver's thread, which may outlive the test's frame.
    auto release = std::make_shared<std::promise<void>>();
    ASSERT_NO_FATAL_FAILURE(OpenWhileLookingUp(release->get_future().share()));
    // The cancel cannot be bound: the control socket raises on its way down.
    win::HideModuleEntry("wsock32.dll", "WSACancelAsyncRequest");
    EXPECT_THROW(ftp.client.Abort(), ESocketException);
    win::ClearModuleHooks();
    release->set_value();
    EXPECT_EQ(ftp.client.State(), ftpReady);
    EXPECT_FALSE(ftp.client.IsConnected());
    ASSERT_TRUE(ftp.client.ConnectSync()) << ftp.client.ErrorMessage();
}

// A descendant with TLS would choose a kind; this component has none.
class TlsKindSetter : public TFtpClient {
public:
    void Choose(uint8_t Kind) { FTlsKind = Kind; }
    void CmdAuth() override {
        SetLocalFileName("AUTH TLS");
        CmdRaw();
    }
};

TEST_F(FtpRepliesTest, WithoutTlsTheTlsVerbsAndSslAreRefusedAndAuthIsPassedOver) {
    EXPECT_EQ(RaisedBy<FtpException>([&] { ftp.client.CheckSslSupport(true); }),
              "SSL needs the TLS edition of the FTP component");
    EXPECT_EQ(ftp.client.TlsKind(), 0);
    EXPECT_NO_THROW(ftp.client.CheckSslSupport(false));
    for (auto verb :
         {&TCustomFtpCli::CmdAuth, &TCustomFtpCli::CmdProt, &TCustomFtpCli::CmdPbsz, &TCustomFtpCli::CmdCcc})
        EXPECT_NE(RaisedBy<FtpException>([&] { (ftp.client.*verb)(); }).find("needs the TLS edition"),
                  std::string::npos);

    script = [](FakeFtpSession& s) {
        s.Reply("220 ready");
        if (s.Next() == "AUTH TLS") {
            s.Reply("234 go on");
            s.Next();
        }
        s.Reply("331 password");
        s.Expect("PASS");
        s.Reply("230 in");
        s.WaitForClose();
    };
    TlsKindSetter tls;
    tls.HostName = "127.0.0.1";
    tls.Port = std::to_string(server.Port());
    tls.UserName = "u";
    tls.PassWord = "p";
    tls.Choose(1);
    ASSERT_TRUE(tls.ConnectSync()) << tls.ErrorMessage();
    tls.Abort();
    tls.CheckSslSupport(false);
    EXPECT_EQ(tls.TlsKind(), 0);
    ASSERT_TRUE(tls.ConnectSync()) << tls.ErrorMessage();
    tls.Abort();
    PumpPending();
    EXPECT_EQ(server.Commands(), (std::vector<std::string>{"AUTH TLS", "USER u", "PASS p", "USER u", "PASS p"}));
}

TEST_F(FtpRepliesTest, AControlConnectionCutOffWhileAReplyIsAwaitedFailsTheRequest) {
    script = [](FakeFtpSession& s) {
        s.Login();
        s.Expect("SYST");
    };
    LogIn();
    Run(&TCustomFtpCli::CmdSyst);
    EXPECT_EQ(ftp.done.back(), std::make_pair(ftpRqSyst, 500));
    EXPECT_EQ(ftp.client.ErrorMessage(), "500 Control connection closed.");
    EXPECT_FALSE(ftp.client.Connected());
}

}  // namespace
}  // namespace tarvo::test
