#include "platform/win/UiServices.h"

#include <iostream>
#include <mutex>

namespace win {

namespace {

class HeadlessUi : public UiServices {
public:
    int MessageBox(const std::string& text, const std::string& caption, UINT) override {
        std::cerr << caption << ": " << text << std::endl;
        return IDCANCEL;
    }
    bool AskPassword(const std::string& prompt, std::string&) override {
        std::cerr << prompt << " (no dialog available)" << std::endl;
        return false;
    }
    bool BrowseForFolder(const std::string&, const std::string&, std::string&) override { return false; }
    bool OpenFolder(const std::string&) override { return false; }
};

std::mutex uiLock;
std::shared_ptr<UiServices>& Current() {
    static std::shared_ptr<UiServices> current = std::make_shared<HeadlessUi>();
    return current;
}

}  // namespace

UiServices& Ui() {
    std::lock_guard<std::mutex> guard(uiLock);
    return *Current();
}

std::shared_ptr<UiServices> SetUi(std::shared_ptr<UiServices> ui) {
    std::lock_guard<std::mutex> guard(uiLock);
    auto previous = Current();
    Current() = ui ? std::move(ui) : std::make_shared<HeadlessUi>();
    return previous;
}

int MessageBoxA(HWND, const char* text, const char* caption, UINT type) {
    return Ui().MessageBox(text ? text : "", caption ? caption : "", type);
}

}  // namespace win
