#include "tests/client/ClientFixture.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "client/Unit_Setting.h"
#include "controls/PicBtnGroup.h"
#include "platform/win/CodePage.h"
#include "platform/win/MessageLoop.h"
#include "tools/provision/AccountFile.h"

namespace tarvo::test {

namespace {

const std::string Python = "/usr/bin/python3";
const std::string DemoPassword = "Tarvo-demo-1";

std::string UserPassword(const std::string& user) {
    return user + "-" + DemoPassword;
}

FtpServerKind StockServer(ServerKind kind) {
    return kind == ServerKind::Vsftpd    ? FtpServerKind::Vsftpd
           : kind == ServerKind::Proftpd ? FtpServerKind::Proftpd
                                         : FtpServerKind::Pyftpdlib;
}

}  // namespace

void ClientTest::SetUp() {
    TarvoTest::SetUp();
    win::Application::ResetTerminated();
    serverDir_ = sandbox().work + "server/";
    ui_ = std::make_unique<ScopedScriptedUi>();
}

std::string ServerKindName(ServerKind kind) {
    switch (kind) {
        case ServerKind::Demo:
            return "DemoServer";
        case ServerKind::Pyftpdlib:
            return "Pyftpdlib";
        case ServerKind::Vsftpd:
            return "Vsftpd";
        case ServerKind::Proftpd:
            return "Proftpd";
    }
    return "";
}

void ClientTest::TearDown() {
    ui_.reset();
    server_.reset();
    demo_.Stop();
    TarvoTest::TearDown();
}

void ClientTest::StartServer(ServerKind kind, const std::vector<std::string>& demoOptions) {
    kind_ = kind;
    if (kind == ServerKind::Demo) {
        for (const char* user : {"accounts", "share", "other"})
            std::filesystem::create_directories(serverDir_ + user);
        const char* script = std::getenv("TARVO_DEMO_FTPD");
        ASSERT_TRUE(script) << "TARVO_DEMO_FTPD names tools/demo-ftpd.py";
        std::vector<std::string> argv = {Python, script};
        argv.insert(argv.end(), demoOptions.begin(), demoOptions.end());
        argv.push_back("0");
        for (const char* user : {"share", "other"})
            argv.push_back(std::string(user) + ":" + UserPassword(user) + ":" + serverDir_ + user);
        argv.push_back("tarvo:" + UserPassword("tarvo") + ":" + serverDir_ + "accounts");
        port_ = demo_.StartListening(argv, sandbox().work + "demo-ftpd.log");
        if (port_ < 0)
            GTEST_SKIP() << "pyftpdlib does not run here (python3-pyftpdlib missing?)";
    } else {
        server_ = std::make_unique<FtpServer>(StockServer(kind));
        std::string why = server_->Start(serverDir_, sandbox().work + "ftpd/", sandbox().top);
        if (!why.empty())
            GTEST_SKIP() << why;
        port_ = server_->Port();
    }
    WriteFile(sandbox().machine + "etc/services", "ftp " + std::to_string(port_) + "/tcp\n");
}

std::string ClientTest::ServerDir(const std::string& user) const {
    if (kind_ != ServerKind::Demo)
        return serverDir_;
    return serverDir_ + (user.empty() ? "accounts" : user) + "/";
}

TarvoSettings ClientTest::Settings() const {
    TarvoSettings s;
    s.ServerName = "127.0.0.1";
    s.Account = server_ ? server_->User() : "tarvo";
    s.Password = server_ ? server_->Password() : UserPassword("tarvo");
    s.AccountID = "tester";
    s.MaxTruncSize = 64 << 20;
    return s;
}

void ClientTest::Provision(const TarvoSettings& settings) {
    ProvisionSettings(settings);
}

std::string ClientTest::AccountSection(const TestFolder& f) const {
    std::string user = server_ ? server_->User() : f.user;
    std::string password = server_ ? server_->Password() : UserPassword(f.user);
    return "[" + f.name + "]\nAccountType=" + std::to_string(f.accountType) + "\nAccount=" + user +
           "\nPassword=" + (f.password.empty() ? password : f.password) +
           "\nServerName=127.0.0.1\nOrderNum=" + std::to_string(f.order) +
           "\nLimitTruncCount=" + std::to_string(f.limit) + "\n";
}

void ClientTest::PutAccountFile(const std::vector<TestFolder>& folders) {
    std::string ini;
    for (const TestFolder& f : folders)
        ini += AccountSection(f);
    SealAccountFile(ini, ServerDir("") + "tester.ace");
    if (server_) {
        ASSERT_TRUE(server_->HandOver(ServerDir("") + "tester.ace"));
    }
}

void ClientTest::ServeFolders(const std::vector<TestFolder>& folders) {
    StartServer();
    if (::testing::Test::IsSkipped())
        return;
    Provision(Settings());
    PutAccountFile(folders);
}

void ClientTest::UseMachine(const std::string& name) {
    std::string root = sandbox().root + name + "/";
    std::filesystem::create_directories(root + "machine/etc");
    std::filesystem::create_directories(root + "tmp");
    std::filesystem::permissions(root + "tmp", std::filesystem::perms::owner_all);
    setenv("TARVO_MACHINE", (root + "machine/").c_str(), 1);
    setenv("TMPDIR", (root + "tmp/").c_str(), 1);
    if (port_ > 0)
        WriteFile(root + "machine/etc/services", "ftp " + std::to_string(port_) + "/tcp\n");
}

std::unique_ptr<TMainFormWin> ClientTest::StartClient() {
    auto form = std::make_unique<TMainFormWin>();
    form->FormShow();
    return form;
}

void ClientTest::Click(TPicBtnGroup* button) {
    button->Click();
}

std::vector<TPicBtnGroup*> ClientTest::FolderButtons(TFolderBox* box) {
    QList<TPicBtnGroup*> buttons = box->Buttons()->findChildren<TPicBtnGroup*>(Qt::FindDirectChildrenOnly);
    return {buttons.begin(), buttons.end()};
}

TPicBtnGroup* ClientTest::FolderButton(TFolderBox* box, size_t index) {
    const std::vector<TPicBtnGroup*> buttons = FolderButtons(box);
    if (index >= buttons.size())
        throw std::out_of_range("no folder button " + std::to_string(index) + " among " +
                                std::to_string(buttons.size()) + " (was the account file fetched?)");
    return buttons[index];
}

std::vector<std::string> ClientTest::Column(QTreeWidget* view, int column) {
    std::vector<std::string> texts;
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        texts.push_back(view->topLevelItem(i)->text(column).toStdString());
    return texts;
}

void ClientTest::Check(QTreeWidget* view, const std::string& caption) {
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        view->topLevelItem(i)->setCheckState(
            0, view->topLevelItem(i)->text(0).toStdString() == caption ? Qt::Checked : Qt::Unchecked);
}

std::string ClientTest::Log(QPlainTextEdit* memo) {
    return memo->toPlainText().toStdString();
}

std::string ClientTest::OnServer(const std::string& name) const {
    return kind_ == ServerKind::Demo ? name : *win::Utf8ToCp932(name);
}

std::string ClientTest::ServerFile(const std::string& name) const {
    return ReadFile(ServerDir() + OnServer(name));
}

bool ClientTest::ServerHas(const std::string& name) const {
    return std::filesystem::exists(ServerDir() + OnServer(name));
}

void ClientTest::SendTrunk(TMainFormWin& form, const std::string& trunk, const std::string& comment,
                           const std::vector<std::string>& paths, int row) {
    Click(form.btnSelUpLoad);
    form.edTrunkName->setText(QString::fromStdString(trunk));
    form.mmComment->setPlainText(QString::fromStdString(comment));
    form.DropFiles(paths);
    Click(form.btnUpNext1);
    ASSERT_EQ(form.ActivePageIndex(), TMainFormWin::pgUp2);
    Click(FolderButton(form.UpForderList, row));
    Click(form.btnUpStart);
}

void ClientTest::ReceiveTrunk(TMainFormWin& form, const std::string& trunk, const std::string& place, int row) {
    Click(form.btnSelDownLoad);
    Click(FolderButton(form.DwForderList, row));
    Click(form.btnDwNext1);
    Check(form.DwTruncList, trunk);
    form.edDirPath->setText(QString::fromStdString(place));
    Click(form.btnDwStart);
}

std::unique_ptr<TMainFormWin> ClientTest::StartReceiver(bool deleteAfter, bool fetchComment) {
    UseMachine("receiver");
    TarvoSettings s = Settings();
    s.DwDelFlag = deleteAfter;
    s.DwCommentFlag = fetchComment;
    Provision(s);
    return StartClient();
}

}  // namespace tarvo::test
