#pragma once
// The uninstaller's two commands: removing the installation, and restarting the machine so that the commands
// left for the next logon remove the uninstaller itself.

#include <string>

// The installation as the uninstaller finds it.
constexpr const char* ProductFolderName = "Tarvo";
constexpr const char* UninstallerFileName = "UnInstall.exe";

// Removes the Start-menu folder, the program folder's plain files, the uninstall entry and the settings key,
// then registers run-once commands so the next logon deletes the uninstaller and its folder. Every step is
// tried whatever the earlier ones did, so the result is always True once they have run.
bool RunUninstall();

// Asks for a restart (the running programs are asked to close, not forced). A restart that cannot be asked for
// is reported in an error box; the result says whether it was asked for.
bool RebootWindows();

// The run-once command texts for a path in its short form.
std::string DeleteFileCommand(const std::string& shortPath);
std::string RemoveFolderCommand(const std::string& shortPath);
