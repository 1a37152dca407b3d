#include "setup/Unit_RegiFunc.h"

#include <exception>

#include "platform/win/Registry.h"

namespace {

std::string OrDefault(const std::string& key, const char* fallback) {
    return key.empty() ? fallback : key;
}

// An empty subkey would name the parent itself, with everything below it.
bool DeleteSubKey(TRegistry& registry, const std::string& subKey) {
    if (subKey.empty())
        return false;
    registry.DeleteKey(subKey);
    return !registry.KeyExists(subKey);
}

}  // namespace

bool RegWriteStringHKLM(const std::string& valueName, const std::string& text, const std::string& key) {
    try {
        TRegistry registry;
        registry.SetRootKey(win::HKEY_LOCAL_MACHINE);
        if (!registry.OpenKey(OrDefault(key, UninstallKey), true))
            return false;
        registry.WriteString(valueName, text);
        registry.CloseKey();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool RegDeleteKeyHKLM(const std::string& subKey, const std::string& parentKey) {
    try {
        TRegistry registry;
        registry.SetRootKey(win::HKEY_LOCAL_MACHINE);
        if (!registry.OpenKey(OrDefault(parentKey, UninstallKey), true))
            return false;
        bool gone = DeleteSubKey(registry, subKey);
        registry.CloseKey();
        return gone;
    } catch (const std::exception&) {
        return false;
    }
}

bool RegDeleteKeyHKCU(const std::string& subKey, const std::string& parentKey) {
    try {
        TRegistry registry;
        registry.SetRootKey(win::HKEY_CURRENT_USER);
        if (!registry.OpenKeyReadOnly(OrDefault(parentKey, VendorKey)))
            return false;
        bool gone = DeleteSubKey(registry, subKey);
        registry.CloseKey();
        return gone;
    } catch (const std::exception&) {
        return false;
    }
}
