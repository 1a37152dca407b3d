#include "client/Tarvo.h"

#include <memory>

#include "client/Unit_Setting.h"
#include "common/QtUiServices.h"
#include "common/Unit_WaitForm.h"
#include "platform/qt/GuiApplication.h"
#include "platform/win/Mutex.h"
#include "platform/win/UiServices.h"

bool IsAlreadyRunning(const std::string& mutexName) {
    // The handle stays open: the mutex is ours until the process ends.
    win::CreateMutexA(nullptr, win::TRUE, mutexName.c_str());
    return win::GetLastError() == win::ERROR_ALREADY_EXISTS;
}

bool StartTarvo() {
    if (IsAlreadyRunning("Tarvo_Mutex")) {
        win::MessageBoxA(0, "Tarvoは二重起動できません", "Tarvo", win::MB_OK | win::MB_ICONWARNING);
        return false;
    }
    // The main window, whose creation loads the settings, comes with its own unit; until then they load here.
    LoadSettings();
    CreateWaitForm();
    return true;
}

int RunTarvo(int argc, char** argv) {
    TGuiApplication application(argc, argv, "Tarvo");
    win::SetUi(std::make_shared<QtUiServices>());
    StartTarvo();
    // Without a main window there is no loop to run yet.
    return 0;
}
