#include "platform/win/RegistryHive.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "platform/win/WinReg.h"

namespace win::reg {

namespace {

bool HasControlCharacters(std::string_view s, bool allowTab) {
    return std::any_of(s.begin(), s.end(), [allowTab](char ch) {
        unsigned char c = static_cast<unsigned char>(ch);
        return (c < 0x20 && !(allowTab && c == '\t')) || c == 0x7F;
    });
}

// REG_SZ data that a quoted line holds exactly: UTF-8 text with one NUL, at its end.
bool IsQuotable(std::string_view data) {
    if (data.empty() || data.back() != '\0')
        return false;
    std::string_view text = data.substr(0, data.size() - 1);
    return text.find('\0') == std::string_view::npos && IsUtf8(text) && !HasControlCharacters(text, true);
}

std::string HexLine(std::string prefix, std::string_view data) {
    static const char digits[] = "0123456789abcdef";
    std::string out = std::move(prefix);
    size_t lineLength = out.size();
    for (size_t i = 0; i < data.size(); ++i) {
        unsigned char b = data[i];
        std::string item{digits[b >> 4], digits[b & 15]};
        if (i + 1 < data.size())
            item += ',';
        if (i > 0 && lineLength + item.size() > 76) {
            out += "\\\n  ";
            lineLength = 2;
        }
        out += item;
        lineLength += item.size();
    }
    return out;
}

std::string ValueLine(const Value& v) {
    std::string name = v.name.empty() ? "@" : QuoteRegString(v.name);
    if (v.type == REG_SZ && IsQuotable(v.data))
        return name + "=" + QuoteRegString(v.data.substr(0, v.data.size() - 1));
    if (v.type == REG_DWORD && v.data.size() == 4) {
        uint32_t n = 0;
        for (int i = 3; i >= 0; --i)
            n = (n << 8) | static_cast<unsigned char>(v.data[i]);
        char buf[32];
        std::snprintf(buf, sizeof buf, "=dword:%08x", n);
        return name + buf;
    }
    if (v.type == REG_BINARY)
        return HexLine(name + "=hex:", v.data);
    char kind[32];
    std::snprintf(kind, sizeof kind, "=hex(%x):", v.type);
    return HexLine(name + kind, v.data);
}

void FormatKey(const Key& key, const std::string& path, bool writeHeader, std::string& out) {
    if (writeHeader) {
        out += "\n[" + path + "]\n";
        for (const auto& v : key.values)
            out += ValueLine(v) + "\n";
    }
    for (const auto& sub : key.subkeys)
        FormatKey(sub, path + "\\" + sub.name, true, out);
}

// Reads a hive text line by line, keeping the line number for messages.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool Next(std::string& line) {
        if (pos_ >= text_.size())
            return false;
        size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos)
            end = text_.size();
        line.assign(text_.substr(pos_, end - pos_));
        pos_ = end + 1;
        ++number_;
        if (number_ == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3);
        line = TrimRight(line);
        // Line ends of CR alone would otherwise show up as a puzzling fault in the first line.
        if (line.find('\r') != std::string::npos)
            Fail("a carriage return without a line feed");
        return true;
    }

    [[noreturn]] void Fail(const std::string& reason) const {
        throw EHiveFormat("line " + std::to_string(number_) + ": " + reason);
    }

private:
    std::string_view text_;
    size_t pos_ = 0;
    int number_ = 0;
};

// Each byte's value as a hex digit, or -1: a table, since a hive's binary values are read digit by digit.
constexpr std::array<int8_t, 256> MakeHexDigits() {
    std::array<int8_t, 256> digits{};
    for (int c = 0; c < 256; ++c)
        digits[c] = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
    return digits;
}
constexpr std::array<int8_t, 256> HexDigits = MakeHexDigits();

int HexDigit(char c) {
    return HexDigits[static_cast<unsigned char>(c)];
}

bool ParseHexNumber(std::string_view s, uint32_t& value) {
    if (s.empty() || s.size() > 8)
        return false;
    value = 0;
    for (char c : s) {
        int d = HexDigit(c);
        if (d < 0)
            return false;
        value = (value << 4) | static_cast<uint32_t>(d);
    }
    return true;
}

// A quoted string from text[pos] (which is '"'); pos ends after the closing quote.
std::string ParseQuoted(const Reader& r, std::string_view text, size_t& pos) {
    std::string out;
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\') {
            if (++pos >= text.size() || (text[pos] != '\\' && text[pos] != '"'))
                r.Fail("\"\\\" in a string must be written \"\\\\\"");
            c = text[pos];
        }
        out += c;
    }
    r.Fail("unterminated string");
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// "01, 02,ff": one pass over the list, so a value of any length costs time in proportion to it. The loop
// works on pointers, which keeps unoptimised and sanitised builds fast on values of megabytes too.
std::string ParseHexBytes(const Reader& r, std::string_view list) {
    std::string out((list.size() + 1) / 2, '\0');  // every byte takes a digit and a comma, the last no comma
    char* written = out.data();
    const char* p = list.data();
    const char* const end = p + list.size();
    while (p < end && IsBlank(*p))
        ++p;
    while (p < end) {
        const char* item = p;
        while (p < end && *p != ',')
            ++p;
        const char* itemEnd = p;
        while (itemEnd > item && IsBlank(itemEnd[-1]))
            --itemEnd;
        const int high = itemEnd - item == 2 ? HexDigit(item[0]) : 0;
        const int low = itemEnd > item ? HexDigit(itemEnd[-1]) : -1;
        if (itemEnd - item > 2 || high < 0 || low < 0)
            r.Fail("bad hex byte \"" + std::string(item, itemEnd) + "\"");
        *written++ = static_cast<char>(high << 4 | low);
        if (p == end)
            break;
        ++p;
        while (p < end && IsBlank(*p))
            ++p;
        if (p == end)
            r.Fail("hex list ends with a comma");
    }
    out.resize(static_cast<size_t>(written - out.data()));
    return out;
}

Value ParseData(Reader& r, std::string name, std::string data) {
    Value v{std::move(name), REG_SZ, {}};
    if (!data.empty() && data[0] == '"') {
        size_t pos = 0;
        v.data = ParseQuoted(r, data, pos) + '\0';
        if (pos != data.size())
            r.Fail("text after a string");
        return v;
    }
    if (data.compare(0, 6, "dword:") == 0) {
        uint32_t n;
        if (!ParseHexNumber(data.substr(6), n))
            r.Fail("bad dword");
        v.type = REG_DWORD;
        for (int i = 0; i < 4; ++i)
            v.data += static_cast<char>((n >> (8 * i)) & 0xFF);
        return v;
    }
    size_t colon = data.find(':');
    std::string kind = data.substr(0, colon);
    if (kind == "hex") {
        v.type = REG_BINARY;
    } else if (kind.size() > 5 && kind.compare(0, 4, "hex(") == 0 && kind.back() == ')') {
        if (!ParseHexNumber(std::string_view(kind).substr(4, kind.size() - 5), v.type))
            r.Fail("bad value kind");
    } else {
        r.Fail("unknown value data");
    }
    std::string list = data.substr(colon + 1);
    std::string next;
    while (!list.empty() && list.back() == '\\') {
        list.pop_back();
        if (!r.Next(next))
            r.Fail("continued line at the end");
        list += TrimLeft(next);
    }
    v.data = ParseHexBytes(r, list);
    return v;
}

Key* OpenPath(Reader& r, Key& root, std::string_view path) {
    size_t slash = path.find('\\');
    if (!SameText(path.substr(0, slash), root.name))
        r.Fail("key outside " + root.name);
    Key* key = &root;
    while (slash != std::string_view::npos) {
        path.remove_prefix(slash + 1);
        slash = path.find('\\');
        std::string_view name = path.substr(0, slash);
        if (name.empty() || !IsStorableName(name))
            r.Fail("bad key name");
        key = &key->AddSubkey(name);
    }
    return key;
}

// The subkey or value of that name, case ignored.
template <class Items>
auto FindNamed(Items& items, std::string_view name) {
    return std::find_if(items.begin(), items.end(), [&](const auto& item) { return SameText(item.name, name); });
}

template <class Items>
bool RemoveNamed(Items& items, std::string_view name) {
    auto it = FindNamed(items, name);
    if (it == items.end())
        return false;
    items.erase(it);
    return true;
}

void ParseValueLine(Reader& r, Key& key, const std::string& line) {
    size_t pos = 0;
    std::string name;
    if (line[0] == '@')
        pos = 1;
    else if (line[0] == '"')
        name = ParseQuoted(r, line, pos);
    else
        r.Fail("not a key or value line");
    if (pos >= line.size() || line[pos] != '=')
        r.Fail("\"=\" expected");
    Value v = ParseData(r, std::move(name), Trim(std::string_view(line).substr(pos + 1)));
    key.SetValue(v.name, v.type, std::move(v.data));
}

}  // namespace

Key* Key::FindSubkey(std::string_view subName) {
    auto it = FindNamed(subkeys, subName);
    return it == subkeys.end() ? nullptr : &*it;
}

Key& Key::AddSubkey(std::string_view subName) {
    if (Key* existing = FindSubkey(subName))
        return *existing;
    auto at = std::lower_bound(subkeys.begin(), subkeys.end(), subName,
                               [](const Key& k, std::string_view n) { return CompareText(k.name, n) < 0; });
    Key k;
    k.name = std::string(subName);
    return *subkeys.insert(at, std::move(k));
}

bool Key::RemoveSubkey(std::string_view subName) {
    return RemoveNamed(subkeys, subName);
}

const Value* Key::FindValue(std::string_view valueName) const {
    auto it = FindNamed(values, valueName);
    return it == values.end() ? nullptr : &*it;
}

void Key::SetValue(std::string_view valueName, DWORD type, std::string data) {
    auto it = FindNamed(values, valueName);
    if (it == values.end()) {
        values.push_back({std::string(valueName), type, std::move(data)});
    } else {
        it->type = type;
        it->data = std::move(data);
    }
}

bool Key::RemoveValue(std::string_view valueName) {
    return RemoveNamed(values, valueName);
}

Key ParseHive(std::string_view text, std::string_view rootName) {
    Key root;
    root.name = std::string(rootName);
    Reader r(text);
    Key* current = nullptr;
    bool header = false;
    for (std::string line; r.Next(line);) {
        line = TrimLeft(line);
        if (line.empty() || line[0] == ';')
            continue;
        if (!header) {
            if (line != "REGEDIT4")
                r.Fail("REGEDIT4 expected");
            header = true;
        } else if (line[0] == '[') {
            if (line.size() < 3 || line.back() != ']')
                r.Fail("bad key line");
            current = OpenPath(r, root, std::string_view(line).substr(1, line.size() - 2));
        } else {
            if (!current)
                r.Fail("value outside a key");
            ParseValueLine(r, *current, line);
        }
    }
    return root;
}

std::string FormatHive(const Key& root) {
    std::string out = "REGEDIT4\n";
    FormatKey(root, root.name, !root.values.empty(), out);
    return out;
}

std::string QuoteRegString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

bool IsStorableName(std::string_view name) {
    return IsUtf8(name) && !HasControlCharacters(name, false);
}

}  // namespace win::reg
