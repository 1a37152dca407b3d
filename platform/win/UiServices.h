#pragma once
// The dialogs a program puts in front of the user, behind one interface: message boxes, the password
// question, the folder browser and showing a folder in the file manager. The GUI programs install the Qt
// implementation (common/, beside the forms it shows); tests install a scripted one that answers from a
// queue and fails on any dialog it did not expect. Without one installed, the headless default writes each
// message to standard error and answers as if the user cancelled.

#include <memory>
#include <string>

#include "platform/win/WinTypes.h"

namespace win {

// Message box types and results, as user32 numbers them.
constexpr UINT MB_OK = 0x00;
constexpr UINT MB_OKCANCEL = 0x01;
constexpr UINT MB_YESNO = 0x04;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class UiServices {
public:
    virtual ~UiServices() = default;
    // Modal; the result is the button pressed (IDOK, IDCANCEL, IDYES, IDNO).
    virtual int MessageBox(const std::string& text, const std::string& caption, UINT type) = 0;
    // The password dialog with the prompt; False when cancelled. The password may be empty.
    virtual bool AskPassword(const std::string& prompt, std::string& password) = 0;
    // The folder browser starting at initialFolder; False when cancelled or nothing usable was chosen.
    virtual bool BrowseForFolder(const std::string& title, const std::string& initialFolder, std::string& folder) = 0;
    // Shows the folder in the desktop's file manager; False when that could not be started.
    virtual bool OpenFolder(const std::string& path) = 0;
};

UiServices& Ui();
// Installs the implementation for the whole process (nullptr: the headless default); returns the previous one.
std::shared_ptr<UiServices> SetUi(std::shared_ptr<UiServices> ui);

// user32's MessageBoxA over the current UiServices (the owner window is not used).
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

}  // namespace win
