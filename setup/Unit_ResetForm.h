#pragma once
// The restart prompt: a borderless window that should look like its rounded panel alone (the clLime corners turn
// see-through where the system has layered windows). Two picture buttons answer it: restart now, or cancel.
// It frees itself when closed.

#include <QDialog>

#include "controls/ImageList.h"
#include "controls/PicBtnGroup.h"
#include "platform/win/WinTypes.h"
#include "setup/ShapePanel.h"

class QLabel;

class TResetForm : public QDialog {
public:
    explicit TResetForm(QWidget* owner = nullptr);
    ~TResetForm() override;

    TShapePanel* ShapePanel1;
    QWidget* Shape1;
    QWidget* Shape2;
    QWidget* Shape3;
    QWidget* Shape4;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    TPicBtnGroup* PicBtnGroup1;
    TPicBtnGroup* PicBtnGroup2;
    TImageList* ImageList1;

private:
    void FormCreate();
    void PicBtnGroup1Click(TPicBtnGroup* Sender);
    void PicBtnGroup2Click(TPicBtnGroup* Sender);

    win::HMODULE user32_ = 0;  // held while the window is layered
};
