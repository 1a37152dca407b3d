#pragma once
// The installer's steps: one yes/no question, then the product's setup program from the "Tarvo" folder next to
// the installer's own file, started and left running.

#include <string>

// What RunProgram tells.
constexpr int RunStarted = 0;
constexpr int RunNotStarted = 1;  // the file is there but could not be started
constexpr int RunFileMissing = 2;

constexpr const char* SetupProgramName = "Tarvo/SETUP.EXE";

// Asks "install?" (Yes/No); on Yes runs RunProductSetup.
void ConfirmAndInstall();
// Starts the setup program beside the installer; an error box names the path when it is missing or will not
// start.
void RunProductSetup();
// The setup program's path, found from the running program's own file rather than the current directory.
std::string ProductSetupPath();
// Starts the file at path as a program, the whole path as its name; waits for it to end when wait is True.
int RunProgram(const std::string& path, bool wait);
