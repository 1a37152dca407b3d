#include "common/QtUiServices.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "common/Unit_PasswordDlg.h"
#include "platform/qt/Forms.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Processes.h"

namespace {

QMessageBox::Icon IconOf(win::UINT type) {
    switch (type & 0xF0) {
        case win::MB_ICONERROR:
            return QMessageBox::Critical;
        case win::MB_ICONQUESTION:
            return QMessageBox::Question;
        case win::MB_ICONWARNING:
            return QMessageBox::Warning;
        case win::MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// The buttons of the type, captioned as the Japanese desktop captions them.
void AddButtons(QMessageBox& box, win::UINT type) {
    switch (type & 0x0F) {
        case win::MB_OKCANCEL:
            box.addButton(QMessageBox::Ok)->setText(QStringLiteral("OK"));
            box.addButton(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case win::MB_YESNO:
            box.addButton(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
            box.addButton(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
            box.setEscapeButton(QMessageBox::No);
            break;
        default:
            box.addButton(QMessageBox::Ok)->setText(QStringLiteral("OK"));
            box.setEscapeButton(QMessageBox::Ok);
            break;
    }
}

int ResultOf(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Yes:
            return win::IDYES;
        case QMessageBox::No:
            return win::IDNO;
        case QMessageBox::Cancel:
            return win::IDCANCEL;
        default:
            return win::IDOK;
    }
}

// Where the folder chooser opens: the start folder, or the user's home when none is given or it is not a folder
// (left alone, Qt would open wherever the program happens to run).
QString StartFolder(const std::string& initialFolder) {
    const QString start = QString::fromStdString(initialFolder);
    return QFileInfo(start).isDir() ? start : QDir::homePath();
}

}  // namespace

int QtUiServices::MessageBox(const std::string& text, const std::string& caption, win::UINT type) {
    const std::string& title = caption.empty() ? win::Application::Title() : caption;
    QMessageBox box(IconOf(type), QString::fromStdString(title), QString::fromStdString(text), QMessageBox::NoButton,
                    MainForm());
    AddButtons(box, type);
    box.exec();
    return ResultOf(box.standardButton(box.clickedButton()));
}

bool QtUiServices::AskPassword(const std::string& prompt, std::string& password) {
    fom_PasswordDlg = new Tfom_PasswordDlg(MainForm());
    fom_PasswordDlg->lbl_Comment->setText(QString::fromStdString(prompt));
    const bool accepted = fom_PasswordDlg->exec() == QDialog::Accepted;
    // The dialog goes with its owner when that closes meanwhile: then nothing was entered.
    const bool ok = accepted && fom_PasswordDlg;
    password = ok ? fom_PasswordDlg->edPassword->text().toStdString() : std::string();
    delete fom_PasswordDlg;
    return ok;
}

bool QtUiServices::BrowseForFolder(const std::string& title, const std::string& initialFolder, std::string& folder) {
    const QString chosen = QFileDialog::getExistingDirectory(MainForm(), QString::fromStdString(title),
                                                             StartFolder(initialFolder), QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return false;
    folder = chosen.toStdString();
    return true;
}

bool QtUiServices::OpenFolder(const std::string& path) {
    return win::StartXdgOpen(path) != win::FALSE;
}
