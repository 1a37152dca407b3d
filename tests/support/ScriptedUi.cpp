#include "tests/support/ScriptedUi.h"

#include <gtest/gtest.h>

namespace tarvo::test {

namespace {

const char* KindName(DialogKind kind) {
    switch (kind) {
        case DialogKind::MessageBox:
            return "message box";
        case DialogKind::Password:
            return "password dialog";
        case DialogKind::BrowseForFolder:
            return "folder browser";
        case DialogKind::OpenFolder:
            return "open folder";
    }
    return "dialog";
}

}  // namespace

void ScriptedUi::ExpectMessageBox(int button, std::optional<std::string> text) {
    expected_.push_back({DialogKind::MessageBox, button, std::move(text)});
}

void ScriptedUi::ExpectPassword(std::optional<std::string> password) {
    expected_.push_back({DialogKind::Password, 0, std::move(password)});
}

void ScriptedUi::ExpectBrowseForFolder(std::optional<std::string> folder) {
    expected_.push_back({DialogKind::BrowseForFolder, 0, std::move(folder)});
}

void ScriptedUi::ExpectOpenFolder(bool succeeds) {
    expected_.push_back({DialogKind::OpenFolder, 0, {}, succeeds});
}

std::optional<ScriptedUi::Expected> ScriptedUi::Take(ShownDialog dialog) {
    shown_.push_back(dialog);
    if (expected_.empty() || expected_.front().kind != dialog.kind) {
        ADD_FAILURE() << "unexpected " << KindName(dialog.kind) << ": \"" << dialog.text << "\""
                      << (expected_.empty() ? std::string(" (none expected)")
                                            : std::string(" (expected a ") + KindName(expected_.front().kind) + ")");
        return std::nullopt;
    }
    Expected e = expected_.front();
    expected_.pop_front();
    return e;
}

int ScriptedUi::MessageBox(const std::string& text, const std::string& caption, win::UINT type) {
    auto e = Take({DialogKind::MessageBox, text, caption, type});
    if (!e)
        return win::IDCANCEL;
    if (e->text) {
        EXPECT_EQ(text, *e->text) << "message box text";
    }
    return e->button;
}

bool ScriptedUi::AskPassword(const std::string& prompt, std::string& password) {
    auto e = Take({DialogKind::Password, prompt, "", 0});
    if (!e || !e->text)
        return false;
    password = *e->text;
    return true;
}

bool ScriptedUi::BrowseForFolder(const std::string& title, const std::string& initialFolder, std::string& folder) {
    auto e = Take({DialogKind::BrowseForFolder, title, initialFolder, 0});
    if (!e || !e->text)
        return false;
    folder = *e->text;
    return true;
}

bool ScriptedUi::OpenFolder(const std::string& path) {
    auto e = Take({DialogKind::OpenFolder, path, "", 0});
    return e && e->succeeds;
}

ScopedScriptedUi::ScopedScriptedUi() : ui_(std::make_shared<ScriptedUi>()), previous_(win::SetUi(ui_)) {}

ScopedScriptedUi::~ScopedScriptedUi() {
    win::SetUi(previous_);
    EXPECT_EQ(ui_->Pending(), 0u) << "expected dialogs that were never shown";
}

}  // namespace tarvo::test
