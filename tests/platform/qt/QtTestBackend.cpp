// The Qt half of the test backend switch (tests/support/TestBackend.h): the process's QApplication and the Qt
// backend of the message core on the main thread.
#include <QApplication>

#include "platform/qt/QtMessageBackend.h"

namespace {

int argc = 1;
char programName[] = "tarvo-test";
char* argv[] = {programName, nullptr};
QApplication* application = nullptr;

}  // namespace

extern "C" __attribute__((visibility("default"))) void TarvoTestQtBackendStart() {
    application = new QApplication(argc, argv);
    win::InstallQtMessageBackend();
}

extern "C" __attribute__((visibility("default"))) void TarvoTestQtBackendStop() {
    win::RemoveQtMessageBackend();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete application;
    application = nullptr;
}
