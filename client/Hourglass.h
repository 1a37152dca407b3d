#pragma once
// The screen's hourglass while a piece of work runs; back to the default when it ends however it ends, or
// earlier (Release) before the user is asked or told something.

#include <QApplication>

class THourglass {
public:
    THourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~THourglass() { Release(); }
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;

    void Release() {
        if (held_)
            QApplication::restoreOverrideCursor();
        held_ = false;
    }

private:
    bool held_ = true;
};
