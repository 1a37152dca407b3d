#pragma once
// The program block of the client: only one client runs at a time on the desktop, then the start-up windows.

#include <string>

// Takes the named mutex for the rest of the process; True when another holder already had it.
bool IsAlreadyRunning(const std::string& mutexName);

// What the program does once its application object exists. A second instance shows "Tarvoは二重起動できません" and
// gets False: the program ends at once. Otherwise the settings are loaded and the start-up wait window made.
bool StartTarvo();

// The program: the application, the Qt dialogs, StartTarvo; the exit code.
int RunTarvo(int argc, char** argv);
