#pragma once
// The password dialog: a key picture, the prompt, a masked edit, OK and Cancel. Enter in the edit is OK, Esc is
// Cancel. AskPassword (Users_Func) shows it through the UI services.

#include <QDialog>
#include <QPointer>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

class Tfom_PasswordDlg : public QDialog {
    Q_OBJECT

public:
    explicit Tfom_PasswordDlg(QWidget* owner = nullptr);

    QLabel* Image1;
    QLabel* lbl_Comment;
    QLineEdit* edPassword;
    QPushButton* btn_Cancel;
    QPushButton* btn_OK;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void edPasswordKeyDown(QKeyEvent* key);
};

// The dialog while AskPassword runs.
extern QPointer<Tfom_PasswordDlg> fom_PasswordDlg;
