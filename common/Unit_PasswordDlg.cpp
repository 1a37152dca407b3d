#include "common/Unit_PasswordDlg.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "artwork/Artwork.h"
#include "platform/qt/Forms.h"
#include "platform/qt/Graphics.h"

QPointer<Tfom_PasswordDlg> fom_PasswordDlg;

Tfom_PasswordDlg::Tfom_PasswordDlg(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("fom_PasswordDlg");
    setWindowTitle(QStringLiteral("パスワード入力"));
    setFixedSize(299, 122);
    SetFormColor(this, Qt::white);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(16, 16, 40, 40);
    try {
        Image1->setPixmap(QPixmap::fromImage(LoadPicture(ArtworkPath("key.jpg"))));
    } catch (const EInvalidGraphic&) {
        // the dialog works without its picture
    }

    lbl_Comment = new QLabel(QStringLiteral("***"), this);
    lbl_Comment->setObjectName("lbl_Comment");
    lbl_Comment->setGeometry(68, 12, 224, 34);
    lbl_Comment->setWordWrap(true);

    edPassword = new QLineEdit(this);
    edPassword->setObjectName("edPassword");
    edPassword->setGeometry(68, 50, 216, 22);
    edPassword->setEchoMode(QLineEdit::Password);
    edPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
    edPassword->installEventFilter(this);

    btn_OK = new QPushButton(QStringLiteral("OK"), this);
    btn_OK->setObjectName("btn_OK");
    btn_OK->setGeometry(128, 86, 75, 25);
    btn_OK->setAutoDefault(false);
    connect(btn_OK, &QPushButton::clicked, this, &QDialog::accept);

    btn_Cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    btn_Cancel->setObjectName("btn_Cancel");
    btn_Cancel->setGeometry(209, 86, 75, 25);
    btn_Cancel->setAutoDefault(false);
    connect(btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    edPassword->setFocus();
}

bool Tfom_PasswordDlg::eventFilter(QObject* watched, QEvent* e) {
    if (watched == edPassword && e->type() == QEvent::KeyPress)
        edPasswordKeyDown(static_cast<QKeyEvent*>(e));
    return QDialog::eventFilter(watched, e);
}

void Tfom_PasswordDlg::edPasswordKeyDown(QKeyEvent* key) {
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        accept();
}
