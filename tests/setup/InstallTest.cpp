#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Handles.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Messages.h"
#include "platform/win/Processes.h"
#include "setup/Unit_IntallMain.h"
#include "tests/support/ScriptedUi.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace tarvo::test;
namespace fs = std::filesystem;

constexpr const char* Title = "Tarvoのセットアップ";
constexpr const char* Confirm = "Tarvo アプリケーションをインストールしますか？";

class InstallTest : public TarvoTest {
protected:
    void SetUp() override {
        TarvoTest::SetUp();
        win::Application::SetTitle(Title);
        previousDir_ = fs::current_path();
    }
    void TearDown() override {
        fs::current_path(previousDir_);
        TarvoTest::TearDown();
    }

    // A stand-in setup program: records where it ran, then waits for "go" beside it when asked to. Its records
    // are written aside and renamed, so the test never reads one half-made.
    std::string MakeSetup(const std::string& folder, bool waitForGo = false) {
        std::string path = folder + "/SETUP.EXE";
        std::string script = "#!/bin/sh\nd=$(dirname \"$0\")\npwd > \"$d/ran.tmp\" && mv \"$d/ran.tmp\" \"$d/ran\"\n";
        if (waitForGo)
            script += "i=0\nwhile [ ! -e \"$d/go\" ] && [ $i -lt 6000 ]; do sleep 0.05; i=$((i+1)); done\n";
        script += "echo done > \"$d/done.tmp\" && mv \"$d/done.tmp\" \"$d/done\"\n";
        WriteFile(path, script);
        chmod(path.c_str(), 0755);
        return path;
    }

private:
    fs::path previousDir_;
};

TEST_F(InstallTest, NoStartsNothing) {
    std::string medium = sandbox().work + "medium";
    MakeSetup(medium + "/Tarvo");
    fs::current_path(medium);
    ScopedScriptedUi ui;
    ui->ExpectMessageBox(win::IDNO, Confirm);
    ConfirmAndInstall();
    EXPECT_EQ(ui->Shown().at(0).caption, Title);
    EXPECT_EQ(ui->Shown().at(0).type, win::MB_YESNO | win::MB_ICONINFORMATION);
    EXPECT_FALSE(fs::exists(medium + "/Tarvo/ran"));
}

TEST_F(InstallTest, SetupIsLookedForBesideTheProgramNotInTheCurrentDirectory) {
    // The current directory holds a setup program of its own; it must not be the one started.
    std::string medium = sandbox().work + "medium";
    MakeSetup(medium + "/Tarvo");
    fs::current_path(medium);
    std::string expected = ExtractFilePath(fs::read_symlink("/proc/self/exe").string()) + "Tarvo/SETUP.EXE";
    ASSERT_FALSE(fs::exists(expected));
    EXPECT_EQ(ProductSetupPath(), expected);

    ScopedScriptedUi ui;
    ui->ExpectMessageBox(win::IDYES, Confirm);
    ui->ExpectMessageBox(win::IDOK, "指定されたファイル名がありません。\n\n" + expected);
    ConfirmAndInstall();
    EXPECT_EQ(ui->Shown().at(1).type, win::MB_OK | win::MB_ICONERROR);
    EXPECT_FALSE(fs::exists(medium + "/Tarvo/ran"));
}

TEST_F(InstallTest, AnInstallerOnAMediumStartsTheSetupBesideItAndEnds) {
    std::string medium = sandbox().work + "medium";
    MakeSetup(medium + "/Tarvo", true);
    std::string elsewhere = sandbox().work + "elsewhere";
    MakeSetup(elsewhere + "/Tarvo");
    fs::copy_file(ExtractFilePath(fs::read_symlink("/proc/self/exe").string()) + "setup_install_probe",
                  medium + "/Install");
    fs::current_path(elsewhere);
    win::PROCESS_INFORMATION installer;
    ASSERT_TRUE(win::CreateProcessA({medium + "/Install"}, nullptr, &installer));
    EXPECT_EQ(win::WaitForSingleObject(installer.hProcess, win::INFINITE), win::WAIT_OBJECT_0);
    win::CloseHandle(installer.hProcess);
    // The installer has ended; its setup program still waits for "go".
    ASSERT_TRUE(WaitForFile(medium + "/Tarvo/ran"));
    EXPECT_EQ(ReadFile(medium + "/Tarvo/ran"), elsewhere + "\n");
    EXPECT_FALSE(fs::exists(medium + "/Tarvo/done"));
    WriteFile(medium + "/Tarvo/go", "");
    EXPECT_TRUE(WaitForFile(medium + "/Tarvo/done"));
    EXPECT_FALSE(fs::exists(elsewhere + "/Tarvo/ran"));
}

TEST_F(InstallTest, TheWholePathIsTheProgramNameAndWaitingWaits) {
    std::string folder = sandbox().work + "CD ROM/Tarvo's (1) & more";
    std::string setup = MakeSetup(folder);
    fs::current_path(sandbox().work);
    EXPECT_EQ(RunProgram(setup, true), RunStarted);
    EXPECT_TRUE(fs::exists(folder + "/done"));
    EXPECT_EQ(ReadFile(folder + "/ran"), fs::current_path().string() + "\n");  // the starter's directory
}

TEST_F(InstallTest, MissingAndUnstartableFiles) {
    std::string folder = sandbox().work + "medium/Tarvo";
    EXPECT_EQ(RunProgram(folder + "/SETUP.EXE", false), RunFileMissing);
    fs::create_directories(folder + "/SETUP.EXE");
    EXPECT_EQ(RunProgram(folder + "/SETUP.EXE", false), RunFileMissing);  // a folder is not a program file
    fs::remove(folder + "/SETUP.EXE");
    WriteFile(folder + "/SETUP.EXE", "#!/bin/sh\necho ran > \"$(dirname \"$0\")/ran\"\n");
    chmod((folder + "/SETUP.EXE").c_str(), 0644);
    EXPECT_EQ(RunProgram(folder + "/SETUP.EXE", true), RunNotStarted);
    EXPECT_FALSE(fs::exists(folder + "/ran"));
}

}  // namespace
