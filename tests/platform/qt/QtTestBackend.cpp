// The Qt half of the test backend switch (tests/support/TestBackend.h): the GUI programs' application, with the
// Qt backend of the message core on the main thread.
#include "platform/qt/GuiApplication.h"

namespace {

int argc = 1;
char programName[] = "tarvo-test";
char* argv[] = {programName, nullptr};
TGuiApplication* application = nullptr;

}  // namespace

extern "C" __attribute__((visibility("default"))) void TarvoTestQtBackendStart() {
    application = new TGuiApplication(argc, argv, "Tarvo");
}

extern "C" __attribute__((visibility("default"))) void TarvoTestQtBackendStop() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete application;
    application = nullptr;
}
