// Install: one question, then the product's setup program beside this one is started; no main window.
#include <memory>

#include "common/QtUiServices.h"
#include "platform/qt/GuiApplication.h"
#include "setup/Unit_IntallMain.h"

int main(int argc, char** argv) {
    TGuiApplication application(argc, argv, "Tarvoのセットアップ");
    win::SetUi(std::make_shared<QtUiServices>());
    ConfirmAndInstall();
    return 0;
}
