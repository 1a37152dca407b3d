// UnInstall: the window that removes the client's installation.
#include <memory>

#include "common/QtUiServices.h"
#include "platform/qt/Forms.h"
#include "platform/qt/GuiApplication.h"
#include "setup/Unit1.h"

int main(int argc, char** argv) {
    TGuiApplication application(argc, argv, "Tarvo アンインストーラー");
    win::SetUi(std::make_shared<QtUiServices>());
    TForm1 form;
    SetMainForm(&form);
    form.show();
    return application.Run();
}
