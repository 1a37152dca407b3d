#pragma once
// The dialogs of the GUI programs: Qt message boxes with the icon and buttons the type asks for, the password
// dialog, Qt's folder chooser, and the desktop's opener (xdg-open) for a folder. Dialogs are modal and centred on
// the main form.

#include "platform/win/UiServices.h"

class QtUiServices : public win::UiServices {
public:
    // The caption is the application's title when empty.
    int MessageBox(const std::string& text, const std::string& caption, win::UINT type) override;
    bool AskPassword(const std::string& prompt, std::string& password) override;
    // False when cancelled or when nothing was chosen.
    bool BrowseForFolder(const std::string& title, const std::string& initialFolder, std::string& folder) override;
    bool OpenFolder(const std::string& path) override;
};
