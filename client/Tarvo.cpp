#include "client/Tarvo.h"

#include <cstdio>
#include <optional>

#include "client/MainForm.h"
#include "common/Unit_WaitForm.h"
#include "platform/qt/Forms.h"
#include "platform/qt/GuiApplication.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/EndingSignals.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Mutex.h"
#include "platform/win/UiServices.h"
#include "platform/win/WinReg.h"

bool IsAlreadyRunning(const std::string& mutexName) {
    // The handle stays open: the mutex is ours until the process ends.
    win::CreateMutexA(nullptr, win::TRUE, mutexName.c_str());
    return win::GetLastError() == win::ERROR_ALREADY_EXISTS;
}

std::unique_ptr<TMainFormWin> StartTarvo() {
    if (IsAlreadyRunning("Tarvo_Mutex")) {
        win::MessageBoxA(0, "Tarvoは二重起動できません", "Tarvo", win::MB_OK | win::MB_ICONWARNING);
        return nullptr;
    }
    // The settings would read as empty, and the client fail later for a reason the user cannot see.
    if (std::string problem = win::RegHiveProblem(win::HKEY_CURRENT_USER); !problem.empty())
        throw ERegistryException(problem);
    auto form = std::make_unique<TMainFormWin>();
    SetMainForm(form.get());
    CreateWaitForm();
    return form;
}

void ShowStartFailure(const std::exception& e) {
    std::fprintf(stderr, "Tarvo: %s\n", e.what());
    std::fflush(stderr);
    win::MessageBoxA(0, e.what(), "Tarvo", win::MB_OK | win::MB_ICONERROR);
}

void CloseOnSignal() {
    win::SetUi(nullptr);
    CancelModalDialogs();
    if (QWidget* form = MainForm())
        form->close();
}

namespace {

// The signals watched, StartTarvo and the loop; the exit code.
int RunStarted(TGuiApplication& application) {
    std::optional<win::EndingSignalWatch> endingSignals;
    std::unique_ptr<TMainFormWin> form;
    try {
        endingSignals.emplace(CloseOnSignal);
        form = StartTarvo();
    } catch (const std::exception& e) {
        ShowStartFailure(e);
        return 1;
    } catch (...) {
        win::Application::HandleException(std::current_exception());
        return 1;
    }
    if (!form)
        return 1;
    form->show();
    return application.Run();
}

}  // namespace

int RunTarvo(int argc, char** argv, std::shared_ptr<win::UiServices> ui) {
    int status = 1;
    {
        TGuiApplication application(argc, argv, "Tarvo");
        win::SetUi(ui);
        status = RunStarted(application);
    }
    if (int signal = win::EndingSignalWatch::Caught())
        win::DieOf(signal);
    return status;
}
