#pragma once
// The client's program block: it refuses a second instance on the same desktop, then builds the start-up windows.

#include <exception>
#include <memory>
#include <string>

class TMainFormWin;
namespace win {
class UiServices;
}

// Takes the named mutex for the rest of the process; True when another holder already had it.
bool IsAlreadyRunning(const std::string& mutexName);

// What the program does once its application object exists. A second instance shows "Tarvoは二重起動できません" and
// gets no window: the program ends at once. A settings hive that cannot be read raises ERegistryException naming
// the file and the bad line. Otherwise the main window is made (which loads the settings) as the application's
// main form, then the start-up wait window. Exceptions of the window's creation (an archiver library that cannot
// be loaded) reach the caller.
std::unique_ptr<TMainFormWin> StartTarvo();

// What Ctrl-C, a kill or a hang-up does to Tarvo (see win::EndingSignalWatch): it closes as a close of its main
// window does, a road under way unwinding first. The open dialogs are cancelled before, and whatever the close
// would still ask is answered as cancelled, its text on standard error: nobody may be left to answer.
void CloseOnSignal();

// Why the program could not start: an error box, and a line on standard error that outlives the box.
void ShowStartFailure(const std::exception& e);

// The program: the application, the dialogs ui shows (the headless ones when null), StartTarvo and the loop until
// the main window closes; the exit code, 1 when Tarvo could not start or was refused as a second instance. After
// an ending signal the program closes, then ends by that signal.
int RunTarvo(int argc, char** argv, std::shared_ptr<win::UiServices> ui);
