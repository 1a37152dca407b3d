#include "platform/qt/GuiApplication.h"

#include "platform/qt/Forms.h"
#include "platform/qt/QtMessageBackend.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/UiServices.h"

TGuiApplication::TGuiApplication(int& argc, char** argv, const std::string& title)
    : app_(std::make_unique<QApplication>(argc, argv)) {
    QApplication::setApplicationName(QString::fromStdString(title));
    win::Application::SetTitle(title);
    InstallFormFonts();
    win::InstallQtMessageBackend();
    win::Application::SetExceptionHandler([](const std::exception& e) {
        win::Ui().MessageBox(e.what(), win::Application::Title(), win::MB_OK | win::MB_ICONERROR);
    });
}

TGuiApplication::~TGuiApplication() {
    win::Application::SetExceptionHandler(nullptr);
    win::RemoveQtMessageBackend();
}

int TGuiApplication::Run() {
    return QApplication::exec();
}
