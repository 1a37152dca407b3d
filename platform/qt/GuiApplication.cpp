#include "platform/qt/GuiApplication.h"

#include "platform/qt/Forms.h"
#include "platform/qt/QtMessageBackend.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/UiServices.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace {

// Qt's own texts (the folder chooser, the edit menus) in Japanese like the programs' own, whatever the system's
// locale. Without the translation on the machine they stay English rather than keep the program from starting.
std::unique_ptr<QTranslator> InstallQtJapanese() {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

}  // namespace

TGuiApplication::TGuiApplication(int& argc, char** argv, const std::string& title)
    : app_(std::make_unique<QApplication>(argc, argv)), qtTexts_(InstallQtJapanese()) {
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
