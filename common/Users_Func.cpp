#include "common/Users_Func.h"

#include "platform/rtl/SysUtils.h"

std::string IntToStrZero(int value, int digits) {
    return Format("%." + std::to_string(digits) + "d", {value});
}

void UnscrambleText(const std::string& text, std::string& plain) {
    plain.clear();
    for (unsigned char b : text)
        plain += static_cast<char>((b >> 1) & 127);
}
