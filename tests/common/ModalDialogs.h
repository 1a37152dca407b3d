#pragma once
// Driving modal dialogs in tests: the action runs on the dialog once it is the active modal window. The wait
// for it is bounded in count; a dialog that never comes fails the test.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tarvo::test {

template <class Dialog>
void WhenModal(std::function<void(Dialog*)> action, int looksLeft = 2000) {
    QTimer::singleShot(5, [action, looksLeft] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            action(dialog);
        } else if (looksLeft > 0) {
            WhenModal<Dialog>(action, looksLeft - 1);
        } else {
            ADD_FAILURE() << "no modal dialog came";
        }
    });
}

}  // namespace tarvo::test
