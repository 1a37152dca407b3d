#include "client/TrunkNames.h"

#include <cmath>

#include "platform/rtl/SysUtils.h"
#include "platform/win/CodePage.h"

TTrunkNameFault CheckTrunkName(std::string_view name) {
    if (name.empty())
        return TTrunkNameFault::Empty;
    for (char c : BadNameChars)
        if (name.find(c) != std::string_view::npos)
            return TTrunkNameFault::BadChar;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F)
            return TTrunkNameFault::Control;
    if (name == "." || name == "..")
        return TTrunkNameFault::DotName;
    if (!win::RoundTripsCp932(name))
        return TTrunkNameFault::NotCp932;
    if (name.size() > MaxTrunkNameBytes)
        return TTrunkNameFault::TooLong;
    return TTrunkNameFault::None;
}

std::string TrunkNameFaultMessage(TTrunkNameFault fault) {
    switch (fault) {
        case TTrunkNameFault::None:
            return "";
        case TTrunkNameFault::Empty:
            return "トランク名を指定してください。";
        case TTrunkNameFault::BadChar:
            return "以下の文字はトランク名に使用できません。\r\n\r\n" + std::string(BadNameChars);
        case TTrunkNameFault::Control:
        case TTrunkNameFault::NotCp932:
            return "トランク名に使用できない文字が含まれています。";
        case TTrunkNameFault::DotName:
            return "このトランク名は使用できません。";
        case TTrunkNameFault::TooLong:
            return "トランク名が長すぎます。";
    }
    return "";
}

std::string SizeToKB(int64_t Bytes) {
    // The default rounding mode rounds halves to even, as the class library's Round does.
    auto kb = static_cast<int64_t>(std::nearbyint(static_cast<long double>(Bytes) / 1024));
    return std::to_string(kb) + " KB";
}

void SplitArchivePath(const std::string& Path, std::string& Dir, std::string& Name) {
    Dir = ExtractFilePath(Path);
    Name = ExtractFileName(Path);
}

std::string EscapedName(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\')
            out += static_cast<char>(c);
        else
            out += Format("\\x%.2x", {static_cast<int>(c)});
    }
    return out;
}
