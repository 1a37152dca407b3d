#pragma once
// One registry hive in memory and its REGEDIT4 text form, the form of the hive files and of provisioning:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Vostrand\Tarvo]
//   "Name"="text"             REG_SZ; \\ and \" escaped, UTF-8
//   "Count"=dword:0000000a    REG_DWORD
//   "Data"=hex:01,02,03       REG_BINARY
//   "Path"=hex(2):25,00       REG_EXPAND_SZ; hex(N): for any other kind N (N in hex)
//   @="text"                  the key's default value
//
// Text that a quoted line cannot hold (line breaks, control characters, bytes that are not UTF-8, a missing
// or inner NUL) is written as hex(1): so every value comes back byte for byte. Long hex lines are continued
// with "\" at the end of a line. Blank lines and lines beginning with ";" are ignored when reading.

#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/win/WinTypes.h"

namespace win::reg {

struct Value {
    std::string name;
    DWORD type = 0;
    std::string data;
};

// Names compare without regard to ASCII case and keep the spelling of their creation.
struct Key {
    std::string name;
    std::vector<Value> values;  // in creation order
    std::vector<Key> subkeys;   // in name order

    Key* FindSubkey(std::string_view subName);
    Key& AddSubkey(std::string_view subName);  // the existing one when there is one
    bool RemoveSubkey(std::string_view subName);
    const Value* FindValue(std::string_view valueName) const;
    void SetValue(std::string_view valueName, DWORD type, std::string data);
    bool RemoveValue(std::string_view valueName);
};

// A hive text that is not in the form above, or whose keys lie outside its root: "line N: reason".
TARVO_DECLARE_EXCEPTION(EHiveFormat, Exception);

Key ParseHive(std::string_view text, std::string_view rootName);
std::string FormatHive(const Key& root);

// A name or text as a quoted REGEDIT4 string: "a\"b\\c".
std::string QuoteRegString(std::string_view text);
// Names a hive file can hold: UTF-8 without control characters (key names also without "\").
bool IsStorableName(std::string_view name);

}  // namespace win::reg
