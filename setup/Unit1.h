#pragma once
// The uninstaller's window: one button that removes the installation, a log of what was done, and a heading
// picture for each stage (not started, removing, done).

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

    // The ImageList1 picture shown as the heading.
    int HeadingIndex() const { return heading_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void FormCreate();
    void btn_UnInstallClick();
    void ShowHeading(int index);

    int heading_ = 0;
};
