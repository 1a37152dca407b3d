#pragma once
// The uninstaller's window: one button that removes the installation, a log of what was done, a heading picture.

#include <QWidget>

#include "controls/ImageList.h"
#include "setup/SingleImage.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

class TForm1 : public QWidget {
public:
    explicit TForm1(QWidget* parent = nullptr);

    QPushButton* Button1;
    QPlainTextEdit* Memo1;
    QStatusBar* StatusBar1;
    QLabel* Label1;
    TSingleImage* SingleImage0;
    TSingleImage* SingleImage1;
    TSingleImage* SingleImage2;
    TImageList* ImageList1;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void FormCreate();
    void btn_UnInstallClick();
};
