// Pictures of the password dialog and the wait window, written to $TARVO_SCREENSHOT_DIR (the build folder's
// screenshots/ under CTest; tools/screenshots.sh takes them on an X server under Xvfb). Offscreen and bare X
// servers draw no window frames, so each picture gets a plain title bar of our own with the window's caption,
// drawn in the application's font, above what the window itself paints.
#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

#include "common/Unit_PasswordDlg.h"
#include "common/Unit_WaitForm.h"
#include "common/Users_Func.h"

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

void Save(QWidget& window, const QString& name) {
    const QString dir = QString::fromLocal8Bit(std::getenv("TARVO_SCREENSHOT_DIR"));
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(Framed(window).save(dir + "/" + name, "PNG")) << (dir + "/" + name).toStdString();
}

TEST(Screenshots, PasswordDialogAndWaitWindow) {
    if (!std::getenv("TARVO_SCREENSHOT_DIR"))
        GTEST_SKIP() << "TARVO_SCREENSHOT_DIR names no folder";
    // The captions are Japanese: the forms' font must hold their characters itself, not borrow them by chance.
    const QFontMetrics metrics(QApplication::font());
    for (QChar c : QStringLiteral("処理中パスワード入力ｷｬﾝｾﾙ"))
        EXPECT_TRUE(metrics.inFont(c)) << int(c.unicode());

    Tfom_PasswordDlg dialog;
    dialog.lbl_Comment->setText(QStringLiteral("暗号化するパスワードを入力してください。"));
    dialog.edPassword->setText("secret");
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.edPassword->deselect();
    Save(dialog, "password_dialog.png");

    ShowWait("ただいま、トランクリストを取得中です．．．");
    ASSERT_TRUE(fom_Wait);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fom_Wait.data()));
    Save(*fom_Wait, "wait_window.png");
    HideWait();
    delete fom_Wait.data();
}

}  // namespace
