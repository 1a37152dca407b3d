#pragma once
// Pictures of windows for people to look at, written as PNG into $TARVO_SCREENSHOT_DIR.

#include <QImage>
#include <QString>
#include <QWidget>

namespace tarvo::test {

// The window as it paints itself under a plain title bar with its caption: offscreen and bare X servers draw
// no window frames.
QImage Framed(QWidget& window);

// Saves the picture under name in $TARVO_SCREENSHOT_DIR (made when missing); fails the test when it cannot.
void SaveScreenshot(const QImage& picture, const QString& name);

}  // namespace tarvo::test
