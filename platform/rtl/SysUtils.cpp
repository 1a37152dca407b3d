#include "platform/rtl/SysUtils.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

Exception::Exception(std::string_view fmt, std::initializer_list<TVarRec> args) : message_(Format(fmt, args)) {}

EAssertionFailed::EAssertionFailed(const std::string& text, const std::string& source, int line)
    : Exception(text + " (" + source + ", line " + std::to_string(line) + ")") {}

namespace {

[[noreturn]] void FormatError(std::string_view fmt) {
    throw EConvertError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

struct Directive {
    bool leftAlign = false;
    int width = -1;
    int precision = -1;
    char type = 0;
};

std::string Pad(std::string text, const Directive& d) {
    if (d.width < 0 || static_cast<int>(text.size()) >= d.width)
        return text;
    std::string fill(d.width - text.size(), ' ');
    return d.leftAlign ? text + fill : fill + text;
}

std::string ZeroExtend(std::string digits, int precision) {
    bool negative = !digits.empty() && digits[0] == '-';
    std::string body = negative ? digits.substr(1) : digits;
    if (precision > static_cast<int>(body.size()))
        body.insert(0, precision - body.size(), '0');
    return negative ? "-" + body : body;
}

std::string FormatFloat(char type, double v, int precision) {
    char buf[512];
    switch (type) {
        case 'f':
            std::snprintf(buf, sizeof buf, "%.*f", precision < 0 ? 2 : precision, v);
            return buf;
        case 'e':
            std::snprintf(buf, sizeof buf, "%.*E", precision < 0 ? 14 : std::max(precision - 1, 0), v);
            return buf;
        case 'n': {
            std::snprintf(buf, sizeof buf, "%.*f", precision < 0 ? 2 : precision, v);
            std::string_view s = buf;
            size_t sign = s[0] == '-' ? 1 : 0;
            size_t intEnd = std::min(s.find('.'), s.size());
            std::string out(s.substr(0, sign));
            for (size_t i = sign; i < intEnd; ++i) {
                out += s[i];
                size_t left = intEnd - i - 1;
                if (left > 0 && left % 3 == 0)
                    out += ',';
            }
            out += s.substr(intEnd);
            return out;
        }
        default:  // 'g'
            std::snprintf(buf, sizeof buf, "%.*G", precision < 0 ? 15 : std::max(precision, 1), v);
            return buf;
    }
}

std::string FormatArg(std::string_view fmt, const Directive& d, const TVarRec& arg) {
    const auto& v = arg.value();
    switch (d.type) {
        case 'd':
            if (auto* i = std::get_if<int64_t>(&v))
                return ZeroExtend(std::to_string(*i), d.precision);
            if (auto* u = std::get_if<uint64_t>(&v))
                return ZeroExtend(std::to_string(*u), d.precision);
            break;
        case 'u':
            if (auto* i = std::get_if<int64_t>(&v))
                return ZeroExtend(std::to_string(static_cast<uint32_t>(*i)), d.precision);
            if (auto* u = std::get_if<uint64_t>(&v))
                return ZeroExtend(std::to_string(*u), d.precision);
            break;
        case 'x': {
            uint64_t n;
            if (auto* i = std::get_if<int64_t>(&v))
                n = *i < 0 && *i >= std::numeric_limits<int32_t>::min() ? static_cast<uint32_t>(*i)
                                                                        : static_cast<uint64_t>(*i);
            else if (auto* u = std::get_if<uint64_t>(&v))
                n = *u;
            else
                break;
            return IntToHex(n, d.precision < 0 ? 0 : d.precision);
        }
        case 's':
            if (auto* s = std::get_if<std::string>(&v))
                return d.precision >= 0 && d.precision < static_cast<int>(s->size()) ? s->substr(0, d.precision) : *s;
            if (auto* c = std::get_if<char>(&v))
                return std::string(1, *c);
            break;
        case 'f':
        case 'e':
        case 'g':
        case 'n':
            if (auto* f = std::get_if<double>(&v))
                return FormatFloat(d.type, *f, d.precision);
            break;
        case 'p':
            if (auto* p = std::get_if<const void*>(&v))
                return IntToHex(reinterpret_cast<uintptr_t>(*p), 8);
            break;
    }
    FormatError(fmt);
}

int ReadNumber(std::string_view fmt, size_t& i, std::initializer_list<TVarRec> args, size_t& argIndex) {
    if (i < fmt.size() && fmt[i] == '*') {
        ++i;
        if (argIndex >= args.size())
            FormatError(fmt);
        const auto* n = std::get_if<int64_t>(&(args.begin() + argIndex++)->value());
        if (!n)
            FormatError(fmt);
        return static_cast<int>(*n);
    }
    int value = 0;
    bool any = false;
    while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
        value = std::min(value * 10 + (fmt[i++] - '0'), 1 << 20);
        any = true;
    }
    return any ? value : -1;
}

}  // namespace

std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args) {
    std::string out;
    size_t argIndex = 0;
    for (size_t i = 0; i < fmt.size();) {
        char c = fmt[i++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i < fmt.size() && fmt[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        Directive d;
        size_t digitsEnd = i;
        while (digitsEnd < fmt.size() && fmt[digitsEnd] >= '0' && fmt[digitsEnd] <= '9')
            ++digitsEnd;
        if (digitsEnd > i && digitsEnd < fmt.size() && fmt[digitsEnd] == ':') {
            argIndex = ReadNumber(fmt, i, args, argIndex);
            ++i;
        }
        if (i < fmt.size() && fmt[i] == '-') {
            d.leftAlign = true;
            ++i;
        }
        d.width = ReadNumber(fmt, i, args, argIndex);
        if (i < fmt.size() && fmt[i] == '.') {
            ++i;
            d.precision = ReadNumber(fmt, i, args, argIndex);
        }
        if (i >= fmt.size())
            FormatError(fmt);
        d.type = static_cast<char>(std::tolower(static_cast<unsigned char>(fmt[i++])));
        if (argIndex >= args.size())
            FormatError(fmt);
        out += Pad(FormatArg(fmt, d, *(args.begin() + argIndex++)), d);
    }
    return out;
}

std::string IntToStr(int64_t value) {
    return std::to_string(value);
}

std::string IntToHex(uint64_t value, int digits) {
    static const char hex[] = "0123456789ABCDEF";
    std::string s;
    do {
        s.insert(s.begin(), hex[value & 15]);
        value >>= 4;
    } while (value);
    if (static_cast<int>(s.size()) < digits)
        s.insert(0, digits - s.size(), '0');
    return s;
}

namespace {

bool ParseInteger(std::string_view text, int64_t& value) {
    std::string_view t = text;
    while (!t.empty() && t.front() == ' ')
        t.remove_prefix(1);
    bool negative = false;
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (!t.empty() && t.front() == '$') {
        base = 16;
        t.remove_prefix(1);
    } else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.remove_prefix(2);
    }
    if (t.empty())
        return false;
    uint64_t magnitude = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), magnitude, base);
    if (ec != std::errc() || end != t.data() + t.size())
        return false;
    if (negative) {
        if (magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1)
            return false;
        value = static_cast<int64_t>(0 - magnitude);
    } else {
        if (magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
            return false;
        value = static_cast<int64_t>(magnitude);
    }
    return true;
}

[[noreturn]] void NotAnInteger(std::string_view text) {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace

int64_t StrToInt64(std::string_view text) {
    int64_t v;
    if (!ParseInteger(text, v))
        NotAnInteger(text);
    return v;
}

int StrToInt(std::string_view text) {
    int v;
    if (!TryStrToInt(text, v))
        NotAnInteger(text);
    return v;
}

bool TryStrToInt(std::string_view text, int& value) {
    int64_t v;
    if (!ParseInteger(text, v) || v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        return false;
    value = static_cast<int>(v);
    return true;
}

int StrToIntDef(std::string_view text, int fallback) {
    int v;
    return TryStrToInt(text, v) ? v : fallback;
}

std::string UpperCase(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c -= 32;
    return s;
}

std::string LowerCase(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c += 32;
    return s;
}

int CompareText(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x -= 32;
        if (y >= 'a' && y <= 'z')
            y -= 32;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) {
    return CompareText(a, b) == 0;
}

std::string TrimLeft(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ')
        ++i;
    return std::string(text.substr(i));
}

std::string TrimRight(std::string_view text) {
    size_t n = text.size();
    while (n > 0 && static_cast<unsigned char>(text[n - 1]) <= ' ')
        --n;
    return std::string(text.substr(0, n));
}

std::string Trim(std::string_view text) {
    return TrimRight(TrimLeft(text));
}

size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead >> 5) == 0x6)
        return 2;
    if ((lead >> 4) == 0xE)
        return 3;
    if ((lead >> 3) == 0x1E)
        return 4;
    return 0;
}

bool IsUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        size_t n = Utf8SequenceLength(static_cast<unsigned char>(text[i]));
        if (n == 0 || i + n > text.size())
            return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
    std::string s(path);
    if (s.empty() || s.back() != PathDelim)
        s += PathDelim;
    return s;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
    std::string s(path);
    if (s.size() > 1 && s.back() == PathDelim)
        s.pop_back();
    return s;
}

std::string ExtractFilePath(std::string_view path) {
    size_t p = path.rfind(PathDelim);
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

std::string ExtractFileName(std::string_view path) {
    size_t p = path.rfind(PathDelim);
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string ExtractFileExt(std::string_view path) {
    std::string name = ExtractFileName(path);
    size_t p = name.rfind('.');
    return p == std::string::npos ? std::string() : name.substr(p);
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
    std::string dir = ExtractFilePath(path);
    std::string name = ExtractFileName(path);
    size_t p = name.rfind('.');
    if (p != std::string::npos)
        name.resize(p);
    return dir + name + std::string(ext);
}

std::string GetCurrentDir() {
    std::vector<char> buf(4096);
    while (!getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE)
            return std::string();
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

std::string ExpandFileName(std::string_view path) {
    std::string full = !path.empty() && path.front() == PathDelim
                           ? std::string(path)
                           : IncludeTrailingPathDelimiter(GetCurrentDir()) + std::string(path);
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= full.size()) {
        size_t j = full.find(PathDelim, i);
        if (j == std::string::npos)
            j = full.size();
        std::string part = full.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (const auto& p : parts)
        out += PathDelim + p;
    if (out.empty() || (full.size() > 1 && full.back() == PathDelim))
        out += PathDelim;
    return out;
}

bool FileExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& path) {
    std::string dir = ExcludeTrailingPathDelimiter(path);
    if (dir.empty())
        return false;
    if (DirectoryExists(dir))
        return true;
    std::string parent = ExcludeTrailingPathDelimiter(ExtractFilePath(dir));
    if (!parent.empty() && parent != dir && !ForceDirectories(parent))
        return false;
    return mkdir(dir.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(dir));
}

bool DeleteFile(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return unlink(path.c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
    struct stat st;
    if (lstat(to.c_str(), &st) == 0)
        return false;  // as the class library: never replaces an existing file
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::string SysErrorMessage(int error) {
    char buf[256];
    return strerror_r(error, buf, sizeof buf);
}
