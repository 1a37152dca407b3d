#include <gtest/gtest.h>

#include <filesystem>

#include "platform/win/MachineRoot.h"
#include "platform/win/WinReg.h"
#include "setup/Unit_Command.h"
#include "setup/Unit_RegiFunc.h"
#include "tests/support/RegistryValues.h"
#include "tests/support/ScriptedUi.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace tarvo::test;
using namespace std::string_literals;
using win::HKEY_CURRENT_USER;
using win::HKEY_LOCAL_MACHINE;
namespace fs = std::filesystem;

const std::string UninstallEntry = std::string(UninstallKey) + "\\Tarvo";
const std::string SettingsKey = "Software\\Vostrand\\Tarvo";

class UninstallTest : public TarvoTest {
protected:
    std::string StartMenuFolder() {
        return sandbox().machine + "ProgramData/Microsoft/Windows/Start Menu/Programs/Tarvo";
    }
    std::string ProgramFolder() { return sandbox().machine + "Program Files/Tarvo"; }
    std::optional<std::string> RunOnce(const std::string& name) {
        auto value = GetRegValue(HKEY_LOCAL_MACHINE, RunOnceKey, name);
        if (!value)
            return std::nullopt;
        EXPECT_EQ(value->type, win::REG_SZ);
        return std::string(value->data.c_str());
    }

    void ProvisionInstallation() {
        WriteFile(StartMenuFolder() + "/Tarvo.desktop", "[Desktop Entry]\n");
        WriteFile(StartMenuFolder() + "/Help/readme.txt", "help");
        WriteFile(ProgramFolder() + "/Tarvo.exe", "client");
        WriteFile(ProgramFolder() + "/libunlha32.so", "archiver");
        WriteFile(ProgramFolder() + "/docs/manual.txt", "manual");
        SetRegString(HKEY_LOCAL_MACHINE, UninstallEntry, "DisplayName", "Tarvo");
        SetRegString(HKEY_LOCAL_MACHINE, UninstallEntry + "\\Details", "Publisher", "Vostrand");
        SetRegString(HKEY_LOCAL_MACHINE, std::string(UninstallKey) + "\\Other", "DisplayName", "Other");
        SetRegDword(HKEY_CURRENT_USER, SettingsKey, "MaxTruncSize", 1000);
        SetRegString(HKEY_CURRENT_USER, SettingsKey + "\\Window", "Left", "10");
        SetRegString(HKEY_CURRENT_USER, "Software\\Vostrand\\Gorb", "Keep", "yes");
    }
};

TEST_F(UninstallTest, NothingInstalled) {
    EXPECT_TRUE(RunUninstall());
    // Both folders were made to be removed: the Start-menu folder goes, the program folder is emptied.
    EXPECT_FALSE(fs::exists(StartMenuFolder()));
    EXPECT_TRUE(fs::is_directory(fs::path(StartMenuFolder()).parent_path()));
    EXPECT_TRUE(fs::is_directory(ProgramFolder()));
    EXPECT_TRUE(fs::is_empty(ProgramFolder()));
    EXPECT_FALSE(RunOnce("Tarvo1"));  // there is no UnInstall.exe to delete
    EXPECT_EQ(RunOnce("Tarvo2"), "cmd.exe /c \"rmdir /S /Q \"" + ProgramFolder() + "\"\"");
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Vostrand"));  // never made just to delete from it
}

TEST_F(UninstallTest, RemovesTheInstallationAndKeepsWhatIsNotItsOwn) {
    ProvisionInstallation();
    WriteFile(ProgramFolder() + "/" + UninstallerFileName, "uninstaller");
    EXPECT_TRUE(RunUninstall());

    EXPECT_FALSE(fs::exists(StartMenuFolder()));
    EXPECT_FALSE(fs::exists(ProgramFolder() + "/Tarvo.exe"));
    EXPECT_FALSE(fs::exists(ProgramFolder() + "/libunlha32.so"));
    EXPECT_FALSE(fs::exists(ProgramFolder() + "/" + UninstallerFileName));  // a running program may go here
    EXPECT_EQ(ReadFile(ProgramFolder() + "/docs/manual.txt"), "manual");    // sub-folders stay for rmdir

    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, UninstallEntry));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, std::string(UninstallKey) + "\\Other"));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, SettingsKey));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Vostrand"));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Vostrand\\Gorb"));

    EXPECT_FALSE(RunOnce("Tarvo1"));
    EXPECT_TRUE(RunOnce("Tarvo2"));
}

TEST_F(UninstallTest, RunOnceCommandsForWhatStays) {
    // A folder of that name stands for an uninstaller the system would not delete while it runs.
    fs::create_directories(ProgramFolder() + "/" + UninstallerFileName);
    EXPECT_TRUE(RunUninstall());
    EXPECT_EQ(RunOnce("Tarvo1"), "cmd.exe /c \"del \"" + ProgramFolder() + "/UnInstall.exe\"\"");
    EXPECT_EQ(RunOnce("Tarvo2"), "cmd.exe /c \"rmdir /S /Q \"" + ProgramFolder() + "\"\"");
    // Recorded for the next logon, never run.
    EXPECT_TRUE(fs::is_directory(ProgramFolder() + "/" + UninstallerFileName));
    EXPECT_TRUE(win::ReadJournal().empty());
}

TEST_F(UninstallTest, CommandTexts) {
    EXPECT_EQ(DeleteFileCommand("C:\\PROGRA~1\\Tarvo\\UNINST~1.EXE"),
              "cmd.exe /c \"del C:\\PROGRA~1\\Tarvo\\UNINST~1.EXE\"");
    EXPECT_EQ(RemoveFolderCommand("C:\\PROGRA~1\\Tarvo"), "cmd.exe /c \"rmdir /S /Q C:\\PROGRA~1\\Tarvo\"");
    // A blank or a character the command interpreter acts on would cut the path or run a second command.
    EXPECT_EQ(RemoveFolderCommand("C:\\Program Files\\Tarvo"),
              "cmd.exe /c \"rmdir /S /Q \"C:\\Program Files\\Tarvo\"\"");
    EXPECT_EQ(DeleteFileCommand("D:\\a&b\\x.exe"), "cmd.exe /c \"del \"D:\\a&b\\x.exe\"\"");
}

TEST_F(UninstallTest, ASecondRunRepeatsEveryStep) {
    ProvisionInstallation();
    EXPECT_TRUE(RunUninstall());
    auto firstTarvo2 = RunOnce("Tarvo2");
    WriteFile(StartMenuFolder() + "/Tarvo.desktop", "again");
    WriteFile(ProgramFolder() + "/Tarvo.exe", "again");
    SetRegString(HKEY_LOCAL_MACHINE, UninstallEntry, "DisplayName", "Tarvo");
    EXPECT_TRUE(RunUninstall());
    EXPECT_FALSE(fs::exists(StartMenuFolder()));
    EXPECT_FALSE(fs::exists(ProgramFolder() + "/Tarvo.exe"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, UninstallEntry));
    EXPECT_EQ(RunOnce("Tarvo2"), firstTarvo2);
}

TEST_F(UninstallTest, RegistryHelpers) {
    // Empty keys: the uninstall key for HKEY_LOCAL_MACHINE, the vendor's "Gorb" key for HKEY_CURRENT_USER.
    EXPECT_TRUE(RegWriteStringHKLM("DisplayName", "Tarvo", ""));
    EXPECT_EQ(GetRegValue(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName")->data, "Tarvo\0"s);
    SetRegString(HKEY_LOCAL_MACHINE, UninstallEntry, "DisplayName", "Tarvo");
    EXPECT_TRUE(RegDeleteKeyHKLM("Tarvo", ""));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, UninstallEntry));
    EXPECT_TRUE(RegDeleteKeyHKLM("Tarvo", UninstallKey));  // already gone

    SetRegString(HKEY_CURRENT_USER, SettingsKey, "LastTime", "0");
    SetRegString(HKEY_CURRENT_USER, "Software\\Vostrand\\Gorb\\Tarvo", "Keep", "yes");
    EXPECT_TRUE(RegDeleteKeyHKCU("Tarvo", ""));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Vostrand\\Gorb\\Tarvo"));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, SettingsKey));
    EXPECT_TRUE(RegDeleteKeyHKCU("Tarvo", "\\Software\\Vostrand"));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, SettingsKey));

    // Without the parent nothing is made; an empty subkey never means the parent itself.
    EXPECT_FALSE(RegDeleteKeyHKCU("Tarvo", "\\Software\\Missing"));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Missing"));
    EXPECT_FALSE(RegDeleteKeyHKCU("", "\\Software\\Vostrand"));
    EXPECT_FALSE(RegDeleteKeyHKLM("", ""));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Vostrand\\Gorb"));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
}

TEST_F(UninstallTest, AnUnreadableHiveFailsTheHelpers) {
    WriteFile(sandbox().machine + "registry/HKEY_LOCAL_MACHINE.reg", "not a hive\n");
    EXPECT_FALSE(RegWriteStringHKLM("X", "y", ""));
    EXPECT_FALSE(RegDeleteKeyHKLM("Tarvo", ""));
    EXPECT_EQ(ReadFile(sandbox().machine + "registry/HKEY_LOCAL_MACHINE.reg"), "not a hive\n");
}

class RebootTest : public TarvoTest {};

TEST_F(RebootTest, RestartIsAskedForWithTheCommandsOfTheNextLogon) {
    fs::create_directories(sandbox().machine + "Program Files/Tarvo/UnInstall.exe");
    RunUninstall();
    ScopedScriptedUi ui;
    EXPECT_TRUE(RebootWindows());
    auto journal = win::ReadJournal();
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_EQ(journal[0], "restart flags=0x2");  // the running programs are asked, not forced
    EXPECT_EQ(journal[1].rfind("run-once HKEY_LOCAL_MACHINE \"Tarvo1\"=\"cmd.exe /c \\\"del ", 0), 0u) << journal[1];
    EXPECT_EQ(journal[2].rfind("run-once HKEY_LOCAL_MACHINE \"Tarvo2\"=\"cmd.exe /c \\\"rmdir /S /Q ", 0), 0u);
}

TEST_F(RebootTest, ARestartThatCannotBeAskedForIsReported) {
    WriteFile(sandbox().machine + "journal", "a file where the journal's folder belongs");
    ScopedScriptedUi ui;
    ui->ExpectMessageBox(win::IDOK, "コンピューターを再起動できませんでした。");
    EXPECT_FALSE(RebootWindows());
    EXPECT_EQ(ui->Shown().at(0).type, win::MB_OK | win::MB_ICONERROR);
}

}  // namespace
