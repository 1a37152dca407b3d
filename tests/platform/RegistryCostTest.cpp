// How the cost of a registry query grows with the hive: every call reads the whole hive file, so its parser
// must stay linear in the file, whatever the shape of the values in it.
#include <gtest/gtest.h>
#include <time.h>

#include <algorithm>
#include <string>

#include "platform/win/RegistryHive.h"
#include "platform/win/WinReg.h"
#include "tests/support/RegistryValues.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace win;
using namespace tarvo::test;

constexpr size_t kHalfMiB = 512 * 1024;

// CPU time of this thread: what other processes on a shared machine do changes it far less than wall time.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The cheapest of a few queries of one small value beside the hive's other values.
double QueryCost(HKEY root) {
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyExA(root, "Software\\Probe", 0, KEY_READ, &key), ERROR_SUCCESS);
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        char data[4];
        DWORD size = sizeof data;
        double start = ThreadSeconds();
        LONG result = RegQueryValueExA(key, "Small", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
        best = std::min(best, ThreadSeconds() - start);
        EXPECT_EQ(result, ERROR_SUCCESS);
    }
    RegCloseKey(key);
    return best;
}

std::string TextWithLineBreaks(size_t size) {
    std::string text;
    while (text.size() < size)
        text += "line " + std::to_string(text.size()) + "\r\n";
    return text;
}

class RegistryCostTest : public TarvoTest {
protected:
    // Writes the hive file at once: storing value by value would parse the growing hive each time.
    void WriteHive(HKEY root, reg::Key& data) {
        reg::Key hive;
        hive.name = RootKeyName(root);
        hive.AddSubkey("Software").AddSubkey("Probe").SetValue("Small", REG_SZ, std::string("x", 2));
        hive.FindSubkey("Software")->subkeys.push_back(std::move(data));
        WriteFile(sandbox().machine + "registry/" + hive.name + ".reg", reg::FormatHive(hive));
    }
};

// Both hives hold 1 MiB of data: the first in two values (binary, and text that line breaks keep out of
// quotes), the second in a thousand small ones. A linear parser reads them at about the same cost; one that
// is quadratic in a value's length cannot stay within even a generous factor of it (at 1 MiB it needs hours).
TEST_F(RegistryCostTest, LargeValuesCostNoMoreThanManySmallOnes) {
    const std::string binary = RandomBytes(kHalfMiB, 1);
    const std::string text = TextWithLineBreaks(kHalfMiB);
    reg::Key large{"Large", {}, {}};
    large.SetValue("Binary", REG_BINARY, binary);
    large.SetValue("Text", REG_SZ, text + '\0');
    WriteHive(HKEY_CURRENT_USER, large);
    reg::Key small{"Small", {}, {}};
    for (int i = 0; i < 1024; ++i)
        small.SetValue("v" + std::to_string(i), REG_BINARY, RandomBytes(1024, i));
    WriteHive(HKEY_LOCAL_MACHINE, small);

    double largeCost = QueryCost(HKEY_CURRENT_USER);
    double smallCost = QueryCost(HKEY_LOCAL_MACHINE);
    EXPECT_LT(largeCost, 10 * smallCost) << "large values " << largeCost << " s, small ones " << smallCost << " s";
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, "Software\\Large", "Binary")->data, binary);
    EXPECT_EQ(GetRegValue(HKEY_CURRENT_USER, "Software\\Large", "Text")->data, text + '\0');
}

}  // namespace
