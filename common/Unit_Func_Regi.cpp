#include "common/Unit_Func_Regi.h"

#include <algorithm>
#include <functional>

#include "platform/win/Registry.h"

namespace {

constexpr int BinaryShortStringMax = 100;

std::string KeyOrDefault(const std::string& keyPath) {
    return keyPath.empty() ? DefaultRegKey : keyPath;
}

// Opens the key (creating it when create, read-only otherwise) and runs step; False when the key does not
// open or anything raises.
bool InKey(const std::string& keyPath, bool create, const std::function<void(TRegistry&)>& step) {
    return InRegistryKey(win::HKEY_CURRENT_USER, KeyOrDefault(keyPath), create, [&](TRegistry& reg) {
        step(reg);
        return true;
    });
}

}  // namespace

void RegReadString(const std::string& valueName, const std::string& keyPath, std::string& text) {
    TRegistry reg;
    reg.SetRootKey(win::HKEY_CURRENT_USER);
    if (reg.OpenKeyReadOnly(KeyOrDefault(keyPath)))
        text = reg.ReadString(valueName);
}

bool RegWriteString(const std::string& valueName, const std::string& text, const std::string& keyPath) {
    return InKey(keyPath, true, [&](TRegistry& reg) { reg.WriteString(valueName, text); });
}

int32_t RegReadInteger(const std::string& valueName, const std::string& keyPath) {
    int32_t value = 0;
    InKey(keyPath, false, [&](TRegistry& reg) { value = reg.ReadInteger(valueName); });
    return value;
}

void RegReadBinaryString(const std::string& valueName, const std::string& keyPath, std::string& text) {
    text.clear();
    unsigned char buffer[1 + BinaryShortStringMax];
    int stored = 0;
    InKey(keyPath, false, [&](TRegistry& reg) { stored = reg.ReadBinaryData(valueName, buffer, sizeof buffer); });
    if (stored <= 0)
        return;
    // The count byte is trusted only as far as the bytes that are really there.
    int count = std::min({static_cast<int>(buffer[0]), stored - 1, BinaryShortStringMax});
    text.assign(reinterpret_cast<const char*>(buffer + 1), static_cast<size_t>(count));
}

bool RegWriteInteger(const std::string& valueName, int32_t value, const std::string& keyPath) {
    return InKey(keyPath, true, [&](TRegistry& reg) { reg.WriteInteger(valueName, value); });
}

bool RegWriteBinaryString(const std::string& valueName, const std::string& text, const std::string& keyPath) {
    std::string data = text.substr(0, BinaryShortStringMax);
    data.insert(data.begin(), static_cast<char>(data.size()));
    return InKey(keyPath, true,
                 [&](TRegistry& reg) { reg.WriteBinaryData(valueName, data.data(), static_cast<int>(data.size())); });
}
