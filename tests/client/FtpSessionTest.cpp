// The window's FTP session against a scripted server that writes down every command it receives.
#include <gtest/gtest.h>

#include <memory>

#include "client/MainForm.h"
#include "net/FtpCli.h"
#include "tests/client/ClientFixture.h"
#include "tests/net/FtpTestPeers.h"

namespace {

using namespace tarvo::test;

class FtpSessionTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        WriteFile(sandbox().machine + "etc/services", "ftp " + std::to_string(server_.Port()) + "/tcp\n");
    }
    static TTarvoAccount Folder(const std::string& user) {
        TTarvoAccount row;
        row.Account = user;
        row.Password = "secret";
        row.ServerName = "127.0.0.1";
        return row;
    }

    // Every connection: log in, then wait for QUIT and say goodbye.
    FakeFtpServer server_{[](FakeFtpSession& s) {
        s.Login();
        s.Expect("QUIT");
        s.Reply("221 bye");
    }};
};

TEST_F(FtpSessionTest, ANewLogInQuitsTheOpenSessionFirst) {
    auto form = std::make_unique<TMainFormWin>();
    ASSERT_TRUE(form->LoginAccount(Folder("first"), nullptr));
    ASSERT_TRUE(form->LoginAccount(Folder("second"), nullptr));
    EXPECT_TRUE(form->QuitServer());
    EXPECT_EQ(server_.Commands(),
              (std::vector<std::string>{"USER first", "PASS secret", "QUIT", "USER second", "PASS secret", "QUIT"}));
}

}  // namespace
