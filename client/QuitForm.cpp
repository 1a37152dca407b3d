#include "client/QuitForm.h"

#include <QLabel>

#include "platform/qt/Forms.h"

Tfom_Quit::Tfom_Quit(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName("fom_Quit");
    setWindowTitle("メッセージ");
    setFixedSize(390, 43);
    SetFormColor(this, Qt::white);
    setAttribute(Qt::WA_ShowWithoutActivating);
    Label1 = new QLabel("終了しています．．．", this);
    Label1->setObjectName("Label1");
    QFont font = Label1->font();
    font.setPixelSize(15);
    Label1->setFont(font);
    Label1->setGeometry(0, 0, 390, 43);
    Label1->setAlignment(Qt::AlignCenter);
}
