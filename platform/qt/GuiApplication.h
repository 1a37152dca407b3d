#pragma once
// The application of the GUI programs: Qt's QApplication with the message core's Qt backend on this thread, Qt's
// own texts in Japanese, the form fonts, the title, and the class library's default exception handler, which shows
// the exception's text in an error box captioned with the title.

#include <QApplication>

#include <memory>
#include <string>

class QTranslator;

class TGuiApplication {
public:
    TGuiApplication(int& argc, char** argv, const std::string& title);
    ~TGuiApplication();  // the poll backend again before Qt goes
    TGuiApplication(const TGuiApplication&) = delete;
    TGuiApplication& operator=(const TGuiApplication&) = delete;

    // Qt's loop, until it is told to quit (a WM_QUIT off the queue does that); the exit code.
    int Run();

private:
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<QTranslator> qtTexts_;  // none when the translation is missing
};
