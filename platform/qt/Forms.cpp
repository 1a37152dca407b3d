#include "platform/qt/Forms.h"

#include <QApplication>
#include <QFont>
#include <QPointer>
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

void InstallFormFonts() {
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"),
                               {QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic")});
    QApplication::setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
}
