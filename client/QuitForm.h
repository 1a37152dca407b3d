#pragma once
// The notice shown while the client closes: "終了しています．．．" in a small stay-on-top window that stays until
// the program ends.

#include <QWidget>

class QLabel;

class Tfom_Quit : public QWidget {
public:
    explicit Tfom_Quit(QWidget* owner);

    QLabel* Label1;
};
