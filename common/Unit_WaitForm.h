#pragma once
// The wait window: a small stay-on-top window with one line of text. It is busy while shown; once HideWait
// clears that, its 500 ms timer closes it at the next tick and it frees itself. A window being closed is never
// shown again: ShowWait makes a new one then.

#include <QPointer>
#include <QWidget>

#include "platform/win/ExtCtrls.h"

class QCloseEvent;
class QLabel;
class QShowEvent;

class Tfom_Wait : public QWidget {
    Q_OBJECT

public:
    explicit Tfom_Wait(QWidget* owner = nullptr);

    // Closed (or closing): freed at the next turn of the loop, never to be shown again.
    bool Closing() const { return closing_; }

    QLabel* mmMsg;
    TTimer Timer1;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void FormShow();
    void FormClose();
    void Timer1Timer();

    bool closing_ = false;
};

// The window ShowWait shows; the program entry makes the first one, which closes itself unseen.
extern QPointer<Tfom_Wait> fom_Wait;
// Set while a wait window is wanted on screen; HideWait clears it.
extern bool WaitBusy;

// A new wait window under the main form, kept in fom_Wait.
Tfom_Wait* CreateWaitForm();
