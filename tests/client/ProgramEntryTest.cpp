#include <sys/wait.h>

#include <QApplication>

#include <gtest/gtest.h>

#include "client/MainForm.h"
#include "client/Tarvo.h"
#include "client/Unit_Setting.h"
#include "common/Unit_WaitForm.h"
#include "platform/qt/Forms.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/PeerProcess.h"
#include "tests/support/Raised.h"
#include "tests/support/RegistryValues.h"
#include "tests/support/ScriptedUi.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace tarvo::test;

std::string TestsFolder() {
    return std::string(std::getenv("TARVO_LIBRARY_PATH")) + "/../tests";
}

// Runs the instance probe of the build with the test's environment and these arguments, for at most two minutes;
// its exit code (-1 when it did not end by itself), what it wrote going to output.
int RunProbe(const std::vector<std::string>& arguments, const std::string& output) {
    std::vector<std::string> argv{TestsFolder() + "/tarvo_instance_probe"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    PeerProcess probe;
    EXPECT_TRUE(probe.Start(argv, output)) << argv[0];
    std::optional<int> status = probe.WaitForEnd(120000);
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
}

int WaitWindows() {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += w->objectName() == "fom_Wait";
    return count;
}

class ProgramEntryTest : public TarvoTest {};

TEST_F(ProgramEntryTest, OnlyOneClientRunsAtATime) {
    const std::string output = sandbox().work + "probe.out";
    EXPECT_EQ(RunProbe({}, output), 0) << "nothing runs yet";
    ASSERT_FALSE(IsAlreadyRunning("Tarvo_Mutex"));
    EXPECT_EQ(RunProbe({}, output), 1) << "another process sees us running";

    ScopedScriptedUi ui;
    ui->ExpectMessageBox(win::IDOK, "Tarvoは二重起動できません");
    EXPECT_FALSE(StartTarvo());
    ASSERT_EQ(ui->Shown().size(), 1u);
    EXPECT_EQ(ui->Shown()[0].type, win::MB_OK | win::MB_ICONWARNING);
    EXPECT_EQ(WaitWindows(), 0) << "a second instance makes no window";
    EXPECT_FALSE(GetRegValue(win::HKEY_CURRENT_USER, "Software\\Vostrand\\Tarvo", "LastTime"))
        << "nor does it read the settings";

    // The whole program, refused: its warning (on standard error, where the headless dialogs put it), then a
    // status that tells whoever started it that it did not run.
    const std::string refused = sandbox().work + "refused.out";
    EXPECT_GT(RunProbe({"--run"}, refused), 0);
    EXPECT_NE(ReadFile(refused).find("Tarvoは二重起動できません"), std::string::npos) << ReadFile(refused);
}

TEST_F(ProgramEntryTest, TheFirstInstanceLoadsTheSettingsAndMakesTheStartUpWaitWindow) {
    SetRegDword(win::HKEY_CURRENT_USER, "Software\\Vostrand\\Tarvo", "MaxTruncSize", 1234);
    ScopedScriptedUi ui;
    std::unique_ptr<TMainFormWin> form = StartTarvo();
    ASSERT_TRUE(form);
    EXPECT_EQ(MainForm(), form.get());
    EXPECT_EQ(AppSetData.MaxTruncSize, 1234);
    ASSERT_TRUE(fom_Wait);
    EXPECT_FALSE(fom_Wait->isVisible());
}

// A settings hive with a slip of the hand is still refused, but the user learns which file and line to mend,
// instead of a client that starts without settings and fails later at the log-in.
TEST_F(ProgramEntryTest, DamagedSettingsStopTheStartAndSayWhere) {
    const std::string hive = sandbox().machine + "registry/HKEY_CURRENT_USER.reg";
    const std::string text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Vostrand\\Tarvo]\n"
                             "\"MaxTruncSize\"=dword:00001000\n\"ServerName\" =hex:03,c2,c4,c6\n";
    WriteFile(hive, text);
    ScopedScriptedUi ui;
    std::string raised = RaisedBy<ERegistryException>([] { StartTarvo(); });
    EXPECT_NE(raised.find(hive), std::string::npos) << raised;
    EXPECT_NE(raised.find("line 5"), std::string::npos) << raised;
    EXPECT_EQ(WaitWindows(), 0);
    EXPECT_EQ(ReadFile(hive), text) << "LastTime is not repaired into a damaged hive";

    ui->ExpectMessageBox(win::IDOK, raised);
    testing::internal::CaptureStderr();
    ShowStartFailure(ERegistryException(raised));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Tarvo: " + raised + "\n");
    ASSERT_EQ(ui->Shown().size(), 1u);
    EXPECT_EQ(ui->Shown()[0].type, win::MB_OK | win::MB_ICONERROR);
}

}  // namespace
