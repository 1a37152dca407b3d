#include "tests/support/Screenshots.h"

#include <QApplication>
#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>

namespace tarvo::test {

namespace {

constexpr int TitleHeight = 24;

}  // namespace

QImage Framed(QWidget& window) {
    const QImage client = window.grab().toImage();
    QImage shot(client.width() + 2, client.height() + TitleHeight + 1, QImage::Format_RGB32);
    QPainter p(&shot);
    p.fillRect(shot.rect(), QColor(0x1F, 0x3A, 0x68));
    p.setPen(Qt::white);
    p.setFont(QApplication::font());
    p.drawText(QRect(8, 0, shot.width() - 16, TitleHeight), Qt::AlignLeft | Qt::AlignVCenter, window.windowTitle());
    p.drawImage(1, TitleHeight, client);
    return shot;
}

void SaveScreenshot(const QImage& picture, const QString& name) {
    const QString dir = QString::fromLocal8Bit(std::getenv("TARVO_SCREENSHOT_DIR"));
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(picture.save(dir + "/" + name, "PNG")) << (dir + "/" + name).toStdString();
}

}  // namespace tarvo::test
