#include "setup/Unit_RegiFunc.h"

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
    return InRegistryKey(win::HKEY_LOCAL_MACHINE, OrDefault(key, UninstallKey), true, [&](TRegistry& registry) {
        registry.WriteString(valueName, text);
        return true;
    });
}

bool RegDeleteKeyHKLM(const std::string& subKey, const std::string& parentKey) {
    return InRegistryKey(win::HKEY_LOCAL_MACHINE, OrDefault(parentKey, UninstallKey), true,
                         [&](TRegistry& registry) { return DeleteSubKey(registry, subKey); });
}

bool RegDeleteKeyHKCU(const std::string& subKey, const std::string& parentKey) {
    return InRegistryKey(win::HKEY_CURRENT_USER, OrDefault(parentKey, DefaultUserParentKey), false,
                         [&](TRegistry& registry) { return DeleteSubKey(registry, subKey); });
}
