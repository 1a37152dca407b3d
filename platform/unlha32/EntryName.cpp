#include "platform/unlha32/EntryName.h"

#include <cstdio>

#include "platform/ArchiverApi.h"
#include "platform/unlha32/LhaError.h"
#include "platform/win/CodePage.h"

namespace lha {

namespace {

std::string Escaped(uint8_t c) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%%%02X", c);
    return buf;
}

// Character by character, so one bad byte costs only itself.
std::string DecodeComponent(const std::string& raw) {
    bool plain = true;
    for (char c : raw)
        plain = plain && static_cast<uint8_t>(c) >= 0x20;
    if (plain)
        if (auto whole = win::Cp932ToUtf8(raw))
            return *whole;
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        auto c = static_cast<uint8_t>(raw[i]);
        size_t n = win::IsCp932LeadByte(c) && i + 1 < raw.size() ? 2 : 1;
        auto one = c >= 0x20 ? win::Cp932ToUtf8(raw.substr(i, n)) : std::nullopt;
        if (one && !one->empty()) {
            out += *one;
            i += n - 1;
        } else {
            out += Escaped(c);
        }
    }
    return out;
}

bool IsDrive(const std::string& s) {
    return s.size() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

}  // namespace

std::vector<std::string> DecodeEntryPath(const std::vector<std::string>& raw) {
    std::vector<std::string> out;
    out.reserve(raw.size());
    for (const auto& r : raw)
        out.push_back(DecodeComponent(r));
    return out;
}

std::string JoinEntryPath(const std::vector<std::string>& components) {
    std::string path;
    for (size_t i = 0; i < components.size(); ++i) {
        if (i > 0)
            path += '/';
        path += components[i];
    }
    return components.size() == 1 && components[0].empty() ? "/" : path;
}

std::optional<std::vector<std::string>> SafeComponents(const std::vector<std::string>& decoded) {
    if (decoded.empty() || decoded.front().empty() || IsDrive(decoded.front()))
        return std::nullopt;
    std::vector<std::string> out;
    for (const auto& c : decoded) {
        if (c == "..")
            return std::nullopt;
        if (!c.empty() && c != ".")
            out.push_back(c);
    }
    if (out.empty())
        return std::nullopt;
    return out;
}

std::vector<std::string> EncodeEntryPath(const std::vector<std::string>& utf8) {
    std::vector<std::string> out;
    out.reserve(utf8.size());
    for (const auto& c : utf8) {
        // Code page 932 gives some characters the bytes of others ("〜" and "～") or of the folder separator
        // ("¥"): a name is stored only when it reads back as itself, never as another file's name. It is read
        // back as listings read it, so a control character (listed escaped) is refused too.
        auto raw = c.find('\\') == std::string::npos ? win::Utf8ToCp932(c) : std::nullopt;
        if (!raw || DecodeComponent(*raw) != c)
            throw ELhaError(kNameNotEncodable,
                            "the name cannot be stored as it is in code page 932: " + JoinEntryPath(utf8));
        out.push_back(std::move(*raw));
    }
    return out;
}

void RequireListablePath(const std::string& entryName, bool directory) {
    if (entryName.size() + (directory ? 1 : 0) >= sizeof(ArcEntryRecord{}.EntryPath))
        throw ELhaError(kNameTooLong, "the path is longer than an archive listing can show: " + entryName);
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find('/', i);
        if (j == std::string::npos)
            j = path.size();
        if (j > i)
            parts.push_back(path.substr(i, j - i));
        i = j + 1;
    }
    return parts;
}

}  // namespace lha
