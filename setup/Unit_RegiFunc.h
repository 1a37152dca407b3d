#pragma once
// The uninstaller's registry helpers. Each opens its own registry object and closes it again, and turns any
// exception into False. A key path with a leading "\" and one without are both taken from the root.

#include <string>

constexpr const char* UninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* RunOnceKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr const char* VendorKey = "\\Software\\Vostrand";
constexpr const char* DefaultUserParentKey = "\\Software\\Vostrand\\Gorb";

// HKEY_LOCAL_MACHINE: writes the text as REG_SZ into the key (empty: the Uninstall key), creating the key.
bool RegWriteStringHKLM(const std::string& valueName, const std::string& text, const std::string& key);
// HKEY_LOCAL_MACHINE: deletes the subkey with everything below it from the parent key (empty: the Uninstall
// key), which is created when missing. True when the subkey is gone, also when it was never there.
bool RegDeleteKeyHKLM(const std::string& subKey, const std::string& parentKey);
// HKEY_CURRENT_USER: when the parent key (empty: "\Software\Vostrand\Gorb") exists, deletes the
// subkey with everything below it. True when the parent opened and the subkey is gone.
bool RegDeleteKeyHKCU(const std::string& subKey, const std::string& parentKey);
