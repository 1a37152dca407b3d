#include "common/Unit_WaitForm.h"

#include <QCloseEvent>
#include <QLabel>

#include "platform/qt/Forms.h"

QPointer<Tfom_Wait> fom_Wait;
bool WaitBusy = false;

Tfom_Wait::Tfom_Wait(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName("fom_Wait");
    setWindowTitle(QStringLiteral("処理中．．．"));
    setFixedSize(317, 51);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);

    mmMsg = new QLabel(this);
    mmMsg->setObjectName("mmMsg");
    mmMsg->setGeometry(12, 8, 293, 35);
    mmMsg->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    Timer1.SetInterval(500);
    Timer1.SetOnTimer([this](TTimer*) { Timer1Timer(); });
}

void Tfom_Wait::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (e->spontaneous())
        return;
    CenterOnMainForm(this);
    FormShow();
}

void Tfom_Wait::closeEvent(QCloseEvent* e) {
    FormClose();
    QWidget::closeEvent(e);
}

void Tfom_Wait::FormShow() {
    WaitBusy = true;
    Timer1.SetEnabled(true);
}

void Tfom_Wait::FormClose() {
    WaitBusy = false;
    closing_ = true;
}

void Tfom_Wait::Timer1Timer() {
    if (WaitBusy)
        return;
    Timer1.SetEnabled(false);
    close();
}

Tfom_Wait* CreateWaitForm() {
    fom_Wait = new Tfom_Wait(MainForm());
    return fom_Wait;
}
