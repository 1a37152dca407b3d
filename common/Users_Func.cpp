#include "common/Users_Func.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include "common/Unit_WaitForm.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/FileTimes.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/UiServices.h"

std::string IntToStrZero(int value, int digits) {
    if (digits <= 0)
        return IntToStr(value);
    return Format("%." + IntToStr(digits) + "d", {value});
}

bool AskPassword(std::string& password, const std::string& prompt) {
    std::string typed;
    const bool ok = win::Ui().AskPassword(prompt, typed);
    password = ok ? typed : std::string();
    return ok;
}

TDateTime FileTimeToDateTime(const win::FILETIME& fileTime) {
    if (fileTime.dwLowDateTime == 0 && fileTime.dwHighDateTime == 0)
        return 0;
    win::FILETIME local;
    win::SYSTEMTIME system;
    if (!win::FileTimeToLocalFileTime(&fileTime, &local) || !win::FileTimeToSystemTime(&local, &system))
        return 0;
    try {
        return SystemTimeToDateTime(system);
    } catch (const EConvertError&) {
        return 0;
    }
}

void UnscrambleText(const std::string& text, std::string& plain) {
    std::string result(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i)
        result[i] = static_cast<char>((static_cast<unsigned char>(text[i]) >> 1) & 127);
    plain = std::move(result);
}

void ShowWait(const std::string& message) {
    // A window found by name that is already closing is on its way out: it is never shown again.
    Tfom_Wait* form = FormExists("fom_Wait") && fom_Wait && !fom_Wait->Closing() ? fom_Wait.data() : CreateWaitForm();
    form->mmMsg->setText(QString::fromStdString(message));
    // Already on screen, the window gets no show event to mark it busy; it must not close during the work.
    WaitBusy = true;
    if (form->isVisible())
        form->raise();
    else
        form->show();
    win::Application::ProcessMessages();
}

void HideWait() {
    WaitBusy = false;
}

bool FormExists(const std::string& formName) {
    const QString name = QString::fromStdString(formName);
    for (QWidget* form : QApplication::topLevelWidgets())
        if (form->objectName() == name)
            return true;
    return false;
}
