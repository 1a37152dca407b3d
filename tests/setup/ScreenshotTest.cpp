// Pictures of the uninstaller's window and of the restart prompt, written to $TARVO_SCREENSHOT_DIR (the build
// folder's screenshots/ under CTest). The prompt is drawn as its mask leaves it, over a grey backdrop, so the
// see-through corners show.
#include <QPainter>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

#include "setup/Unit1.h"
#include "setup/Unit_ResetForm.h"
#include "tests/support/Screenshots.h"
#include "tests/support/ScriptedUi.h"
#include "tests/support/TestEnvironment.h"

namespace {

using tarvo::test::Framed;
using tarvo::test::SaveScreenshot;

QImage Masked(QWidget& window) {
    QImage shot(window.size() + QSize(20, 20), QImage::Format_RGB32);
    shot.fill(QColor(0x80, 0x80, 0x80));
    QPainter p(&shot);
    p.translate(10, 10);
    p.setClipRegion(window.mask().isEmpty() ? QRegion(window.rect()) : window.mask());
    p.drawImage(0, 0, window.grab().toImage());
    return shot;
}

class Screenshots : public tarvo::test::TarvoTest {};

TEST_F(Screenshots, UninstallerAndRestartPrompt) {
    if (!std::getenv("TARVO_SCREENSHOT_DIR"))
        GTEST_SKIP() << "TARVO_SCREENSHOT_DIR names no folder";
    tarvo::test::ScopedScriptedUi ui;
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    SaveScreenshot(Framed(form), "uninstaller.png");

    TResetForm* prompt = new TResetForm();
    prompt->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(prompt));
    SaveScreenshot(Masked(*prompt), "restart_prompt.png");
    prompt->close();
}

}  // namespace
