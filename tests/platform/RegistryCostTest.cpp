// How the cost of a registry query grows with the hive: every call reads the whole hive file, so its parser
// must stay linear in the file, whatever the shape of the values in it. No clock is read, since a shared machine
// makes any timing flaky: the values are long enough that a parser quadratic in a value's length needs hours for
// one query, far beyond the test's time limit, where a linear one reads them in about a second.
#include <gtest/gtest.h>

#include <string>

#include "platform/win/RegistryHive.h"
#include "platform/win/WinReg.h"
#include "tests/support/RegistryValues.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace win;
using namespace tarvo::test;

constexpr size_t kLongValue = 2 * 1024 * 1024;

std::string TextWithLineBreaks(size_t size) {
    std::string text;
    while (text.size() < size)
        text += "line " + std::to_string(text.size()) + "\r\n";
    return text;
}

class RegistryCostTest : public TarvoTest {};

// Two long values, binary and text that line breaks keep out of quotes: both are written as hex lists.
TEST_F(RegistryCostTest, LongValuesAreReadInOnePass) {
    const std::string binary = RandomBytes(kLongValue, 1);
    const std::string text = TextWithLineBreaks(kLongValue);
    reg::Key hive;
    hive.name = RootKeyName(HKEY_CURRENT_USER);
    reg::Key& key = hive.AddSubkey("Software").AddSubkey("Long");
    key.SetValue("Binary", REG_BINARY, binary);
    key.SetValue("Text", REG_SZ, text + '\0');
    WriteFile(sandbox().machine + "registry/" + hive.name + ".reg", reg::FormatHive(hive));

    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, "Software\\Long", "Binary")->data, binary);
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, "Software\\Long", "Text")->data, text + '\0');
}

}  // namespace
