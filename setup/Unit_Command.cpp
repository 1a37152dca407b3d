#include "setup/Unit_Command.h"

#include <vector>

#include "common/Unit_FilesFunc.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Files.h"
#include "platform/win/Handles.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Shell.h"
#include "platform/win/Shutdown.h"
#include "platform/win/UiServices.h"
#include "setup/Unit_RegiFunc.h"

namespace {

constexpr const char* RestartFailedMessage = "コンピューターを再起動できませんでした。";

// The product's folder under a special folder; empty when the system has no such folder, so that nothing is
// ever made or deleted at "/Tarvo".
std::string ProductFolder(int csidl) {
    std::string path;
    GetSpecialFolderDir(csidl, path);
    if (path.empty())
        return path;
    AddTrailingBackslash(path);
    return path + ProductFolderName;
}

void RemoveStartMenuFolder() {
    std::string path = ProductFolder(win::CSIDL_COMMON_PROGRAMS);
    if (path.empty())
        return;
    if (!DirectoryExists(path))
        ForceDirectories(path);
    ShellDeleteFile(0, path, false);
}

void EmptyProgramFolder(const std::string& folder) {
    std::string path = folder;
    AddTrailingBackslash(path);
    if (!DirectoryExists(path))
        ForceDirectories(path);
    DeleteFilesInDir(0, path, false, "");
}

// The short form of an existing path, however long; empty when the path does not exist.
std::string ShortPathName(const std::string& path) {
    std::vector<char> buffer(win::MAX_PATH);
    for (int attempt = 0; attempt < 2; ++attempt) {
        win::DWORD n = win::GetShortPathNameA(path.c_str(), buffer.data(), static_cast<win::DWORD>(buffer.size()));
        if (n == 0)
            return std::string();
        if (n < buffer.size())
            return std::string(buffer.data(), n);
        buffer.resize(n);
    }
    return std::string();
}

// Where the short form still holds a blank (a volume without short names, or this system, where the short form
// is the path itself) or a character the command interpreter acts on, it would cut the path or start a second
// command: the path is quoted then.
std::string CommandPath(const std::string& path) {
    return path.find_first_of(" &()^|<>;,=") == std::string::npos ? path : "\"" + path + "\"";
}

void LeaveRunOnceCommand(const char* valueName, const std::string& command) {
    RegWriteStringHKLM(valueName, command, RunOnceKey);
}

}  // namespace

std::string DeleteFileCommand(const std::string& shortPath) {
    return "cmd.exe /c \"del " + CommandPath(shortPath) + "\"";
}

std::string RemoveFolderCommand(const std::string& shortPath) {
    return "cmd.exe /c \"rmdir /S /Q " + CommandPath(shortPath) + "\"";
}

bool RunUninstall() {
    RemoveStartMenuFolder();
    std::string programFolder = ProductFolder(win::CSIDL_PROGRAM_FILES);
    if (!programFolder.empty())
        EmptyProgramFolder(programFolder);
    RegDeleteKeyHKLM(ProductFolderName, UninstallKey);
    RegDeleteKeyHKCU(ProductFolderName, VendorKey);
    if (programFolder.empty())
        return true;
    std::string uninstaller = ShortPathName(IncludeTrailingPathDelimiter(programFolder) + UninstallerFileName);
    if (!uninstaller.empty())
        LeaveRunOnceCommand("Tarvo1", DeleteFileCommand(uninstaller));
    std::string folder = ShortPathName(programFolder);
    if (!folder.empty())
        LeaveRunOnceCommand("Tarvo2", RemoveFolderCommand(folder));
    return true;
}

namespace {

bool EnableShutdownPrivilege() {
    win::HANDLE token = 0;
    if (!win::OpenProcessToken(win::GetCurrentProcess(), win::TOKEN_ADJUST_PRIVILEGES | win::TOKEN_QUERY, &token))
        return false;
    win::TOKEN_PRIVILEGES privileges;
    bool enabled = win::LookupPrivilegeValueA(nullptr, win::SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
    if (enabled) {
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = win::SE_PRIVILEGE_ENABLED;
        win::AdjustTokenPrivileges(token, win::FALSE, &privileges, 0, nullptr, nullptr);
        enabled = win::GetLastError() == win::ERROR_SUCCESS;
    }
    win::CloseHandle(token);
    return enabled;
}

}  // namespace

bool RebootWindows() {
    if (EnableShutdownPrivilege() && win::ExitWindowsEx(win::EWX_REBOOT, 0))
        return true;
    win::MessageBoxA(0, RestartFailedMessage, win::Application::Title().c_str(), win::MB_OK | win::MB_ICONERROR);
    return false;
}
