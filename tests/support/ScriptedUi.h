#pragma once
// UiServices for tests: each dialog is answered from a queue of expected dialogs, in order, and recorded.
// A dialog that was not expected (or not of the kind expected next) fails the test and is answered as if
// the user cancelled. ScopedScriptedUi installs one for a scope and fails the test when an expected dialog
// never came.

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/UiServices.h"

namespace tarvo::test {

enum class DialogKind { MessageBox, Password, BrowseForFolder, OpenFolder };

// One dialog as the program showed it.
struct ShownDialog {
    DialogKind kind;
    std::string text;     // message text, password prompt, browser title, or the folder opened
    std::string caption;  // message box caption; the browser's initial folder
    win::UINT type = 0;   // message box type
};

class ScriptedUi : public win::UiServices {
public:
    // The next message box gets the button; with text, its text must be exactly that.
    void ExpectMessageBox(int button, std::optional<std::string> text = std::nullopt);
    // The next password question: the answer, or nullopt for Cancel.
    void ExpectPassword(std::optional<std::string> password);
    // The next folder browser: the folder chosen, or nullopt for Cancel.
    void ExpectBrowseForFolder(std::optional<std::string> folder);
    // The next request to open a folder, and whether it succeeds.
    void ExpectOpenFolder(bool succeeds = true);

    const std::vector<ShownDialog>& Shown() const { return shown_; }
    size_t Pending() const { return expected_.size(); }

    int MessageBox(const std::string& text, const std::string& caption, win::UINT type) override;
    bool AskPassword(const std::string& prompt, std::string& password) override;
    bool BrowseForFolder(const std::string& title, const std::string& initialFolder, std::string& folder) override;
    bool OpenFolder(const std::string& path) override;

private:
    struct Expected {
        DialogKind kind;
        int button = 0;
        std::optional<std::string> text;  // message text to check, or the answer
        bool succeeds = true;
    };
    // Records the dialog and takes its expectation; nullopt (and a test failure) when it was not expected.
    std::optional<Expected> Take(ShownDialog dialog);

    std::deque<Expected> expected_;
    std::vector<ShownDialog> shown_;
};

class ScopedScriptedUi {
public:
    ScopedScriptedUi();
    ~ScopedScriptedUi();  // restores the previous UiServices; fails the test when expectations are left
    ScopedScriptedUi(const ScopedScriptedUi&) = delete;
    ScopedScriptedUi& operator=(const ScopedScriptedUi&) = delete;

    ScriptedUi* operator->() { return ui_.get(); }
    ScriptedUi& operator*() { return *ui_; }

private:
    std::shared_ptr<ScriptedUi> ui_;
    std::shared_ptr<win::UiServices> previous_;
};

}  // namespace tarvo::test
