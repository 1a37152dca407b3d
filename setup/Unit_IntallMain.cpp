#include "setup/Unit_IntallMain.h"

#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Handles.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Modules.h"
#include "platform/win/Processes.h"
#include "platform/win/UiServices.h"

namespace {

constexpr const char* ConfirmMessage = "Tarvo アプリケーションをインストールしますか？";
constexpr const char* MissingMessage = "指定されたファイル名がありません。";
constexpr const char* NotStartedMessage = "指定されたファイルを起動できませんでした。";

void ShowError(const std::string& text, const std::string& path) {
    win::MessageBoxA(0, (text + "\n\n" + path).c_str(), win::Application::Title().c_str(),
                     win::MB_OK | win::MB_ICONERROR);
}

}  // namespace

void ConfirmAndInstall() {
    if (win::MessageBoxA(0, ConfirmMessage, win::Application::Title().c_str(),
                         win::MB_YESNO | win::MB_ICONINFORMATION) == win::IDYES)
        RunProductSetup();
}

std::string ProductSetupPath() {
    std::vector<char> file(4096);
    win::DWORD n = win::GetModuleFileNameA(0, file.data(), static_cast<win::DWORD>(file.size()));
    return ExtractFilePath(std::string(file.data(), n)) + SetupProgramName;
}

void RunProductSetup() {
    std::string path = ProductSetupPath();
    switch (RunProgram(path, false)) {
        case RunFileMissing:
            ShowError(MissingMessage, path);
            break;
        case RunNotStarted:
            ShowError(NotStartedMessage, path);
            break;
        default:
            break;
    }
}

int RunProgram(const std::string& path, bool wait) {
    if (!FileExists(path))
        return RunFileMissing;
    win::PROCESS_INFORMATION process;
    if (!win::CreateProcessA({path}, nullptr, &process))
        return RunNotStarted;
    win::Application::ProcessMessages();
    if (wait)
        win::WaitForSingleObject(process.hProcess, win::INFINITE);
    win::CloseHandle(process.hProcess);
    return RunStarted;
}
