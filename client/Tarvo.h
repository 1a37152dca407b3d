#pragma once
// The client's program block: it refuses a second instance on the same desktop, then builds the start-up windows.

#include <exception>
#include <memory>
#include <string>

class TMainFormWin;

// Takes the named mutex for the rest of the process; True when another holder already had it.
bool IsAlreadyRunning(const std::string& mutexName);

// What the program does once its application object exists. A second instance shows "Tarvoは二重起動できません" and
// gets no window: the program ends at once. A settings hive that cannot be read raises ERegistryException naming
// the file and the bad line. Otherwise the main window is made (which loads the settings) as the application's
// main form, then the start-up wait window. Exceptions of the window's creation (an archiver library that cannot
// be loaded) reach the caller.
std::unique_ptr<TMainFormWin> StartTarvo();

// Why the program could not start: an error box, and a line on standard error that outlives the box.
void ShowStartFailure(const std::exception& e);

// The program: the application, the Qt dialogs, StartTarvo and the loop until the main window closes; the exit code.
int RunTarvo(int argc, char** argv);
