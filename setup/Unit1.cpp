#include "setup/Unit1.h"

#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>

#include "artwork/Artwork.h"
#include "platform/qt/Forms.h"
#include "platform/qt/Graphics.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/UiServices.h"
#include "setup/Unit_Command.h"
#include "setup/Unit_RegiFunc.h"
#include "setup/Unit_ResetForm.h"
#include "setup/WindowsVersionInfo.h"

namespace {

constexpr QPoint HeadingAt(9, 8);

TSingleImage* PictureHolder(QObject* owner, const char* name, const char* picture) {
    auto* holder = new TSingleImage(owner);
    holder->setObjectName(name);
    holder->SetPicture(LoadPicture(ArtworkPath(picture)));
    return holder;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("Form1");
    setWindowTitle(QStringLiteral("Tarvoのアンインストール"));
    setFixedSize(398, 302);
    SetFormColor(this, Qt::white);

    Button1 = new QPushButton(QStringLiteral("Tarvoの削除を実行する"), this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(99, 58, 200, 30);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(9, 98, 380, 156);
    Memo1->setReadOnly(true);
    Memo1->hide();
    Label1 = new QLabel(QStringLiteral("Version 2.0.0.0"), this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(9, 260, 380, 18);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 282, 398, 20);
    SingleImage0 = PictureHolder(this, "SingleImage0", "uninstall0.jpg");
    SingleImage1 = PictureHolder(this, "SingleImage1", "uninstall1.jpg");
    SingleImage2 = PictureHolder(this, "SingleImage2", "uninstall2.jpg");
    ImageList1 = new TImageList(380, 40, this);
    ImageList1->setObjectName("ImageList1");

    connect(Button1, &QPushButton::clicked, this, [this] {
        // Nothing may leave through Qt's loop: an escaping exception goes to the application's error box.
        try {
            btn_UnInstallClick();
        } catch (...) {
            win::Application::HandleException(std::current_exception());
        }
    });
    if (QScreen* desktop = screen())
        move(desktop->availableGeometry().center() - rect().center());
    FormCreate();
}

void TForm1::FormCreate() {
    for (TSingleImage* holder : {SingleImage0, SingleImage1, SingleImage2})
        ImageList1->Add(holder->Picture());
    if (TWindowsVersionInfo().SystemCode() == osUnknown)
        win::MessageBoxA(0, "アプリケーションはこのOSには対応していません。", win::Application::Title().c_str(),
                         win::MB_OK | win::MB_ICONERROR);
}

void TForm1::btn_UnInstallClick() {
    Memo1->show();
    Memo1->appendPlainText(QStringLiteral("実行ファイルの削除中..."));
    RunUninstall();
    Memo1->appendPlainText(QStringLiteral("実行ファイルの削除が完了しました。"));
    RegDeleteKeyHKLM(ProductFolderName, UninstallKey);
    // The uninstaller and its folder go at the next logon: offer the restart that gets there.
    Memo1->appendPlainText(QStringLiteral("Tarvoのアンインストールが完了しました。"));
    (new TResetForm())->exec();
}

void TForm1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    ImageList1->Draw(painter, HeadingAt.x(), HeadingAt.y(), 0);
}
