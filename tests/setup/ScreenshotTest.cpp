// Pictures of the uninstaller's window and of the restart prompt, written to $TARVO_SCREENSHOT_DIR (the build
// folder's screenshots/ under CTest). The prompt is drawn as its mask leaves it, over a grey backdrop, so the
// see-through corners show.
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

#include "setup/Unit1.h"
#include "setup/Unit_ResetForm.h"
#include "tests/support/ScriptedUi.h"
#include "tests/support/TestEnvironment.h"

namespace {

constexpr int TitleHeight = 24;

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

QImage Masked(QWidget& window) {
    QImage shot(window.size() + QSize(20, 20), QImage::Format_RGB32);
    shot.fill(QColor(0x80, 0x80, 0x80));
    QPainter p(&shot);
    p.translate(10, 10);
    p.setClipRegion(window.mask().isEmpty() ? QRegion(window.rect()) : window.mask());
    p.drawImage(0, 0, window.grab().toImage());
    return shot;
}

void Save(const QImage& picture, const QString& name) {
    const QString dir = QString::fromLocal8Bit(std::getenv("TARVO_SCREENSHOT_DIR"));
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(picture.save(dir + "/" + name, "PNG")) << (dir + "/" + name).toStdString();
}

class Screenshots : public tarvo::test::TarvoTest {};

TEST_F(Screenshots, UninstallerAndRestartPrompt) {
    if (!std::getenv("TARVO_SCREENSHOT_DIR"))
        GTEST_SKIP() << "TARVO_SCREENSHOT_DIR names no folder";
    tarvo::test::ScopedScriptedUi ui;
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    Save(Framed(form), "uninstaller.png");

    TResetForm* prompt = new TResetForm();
    prompt->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(prompt));
    Save(Masked(*prompt), "restart_prompt.png");
    prompt->close();
}

}  // namespace
