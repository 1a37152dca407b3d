#pragma once
// What the class library's Application and Screen know of forms, for the Qt programs: the main form (the window
// dialogs are centred on and stay above) and the fonts the window definitions name.

class QColor;
class QWidget;

// Null until a program sets it; forgotten when the form is destroyed.
QWidget* MainForm();
void SetMainForm(QWidget* form);

// Paints the widget's background in the colour, as a form's or panel's Color does.
void SetFormColor(QWidget* widget, const QColor& color);

// Ends every open modal dialog as the user's Esc would: a message box by its escape button, another dialog
// rejected. Each returns from its wait once the loop gets back to it.
void CancelModalDialogs();

// Moves the window so that it is centred on the main form, or on its screen when there is none.
void CenterOnMainForm(QWidget* window);

// The window definitions name "ＭＳ Ｐゴシック" and "ＭＳ ゴシック"; here they are the IPA Gothic fonts, and the first
// at 9 points is the application's font. Called once the QApplication exists.
void InstallFormFonts();
