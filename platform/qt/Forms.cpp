#include "platform/qt/Forms.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QMessageBox>
#include <QPalette>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace {
QPointer<QWidget> mainForm;
}  // namespace

QWidget* MainForm() {
    return mainForm;
}

void SetMainForm(QWidget* form) {
    mainForm = form;
}

void SetFormColor(QWidget* widget, const QColor& color) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
}

void CancelModalDialogs() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || !window->isModal())
            continue;
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->escapeButton())
            box->escapeButton()->click();
        else if (auto* dialog = qobject_cast<QDialog*>(window))
            dialog->reject();
        else
            window->close();
    }
}

void CenterOnMainForm(QWidget* window) {
    QRect area;
    if (mainForm && mainForm->isVisible())
        area = mainForm->frameGeometry();
    else if (QScreen* screen = window->screen())
        area = screen->availableGeometry();
    if (area.isValid())
        window->move(area.center() - window->rect().center());
}

void InstallFormFonts() {
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"),
                               {QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic")});
    QApplication::setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
}
