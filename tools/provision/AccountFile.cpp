#include "tools/provision/AccountFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <string_view>

#include "cipher/Cast128.h"
#include "client/CipherFiles.h"
#include "client/IniFiles.h"
#include "common/Users_Func.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TemporaryFile.h"
#include "platform/win/CodePage.h"
#include "platform/win/TempFolder.h"

namespace {

// The plain account file while it is sealed. It holds the folders' passwords, so it lives in the user's private
// temporary folder, never beside the output, and is removed however the sealing ends.
class TPlainAccountFile {
public:
    explicit TPlainAccountFile(const std::string& bytes) {
        TemporaryFile file = CreateTemporaryFile(AT_FDCWD, win::PrivateTempDir(), 0600);
        if (file.fd < 0)
            throw EProvisionError("Cannot make a temporary file: " + SysErrorMessage(file.error));
        ::close(file.fd);
        fName = file.name;
        try {
            TFileStream out(fName, fmOpenWrite);
            out.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        } catch (const EStreamError& e) {
            ::unlink(fName.c_str());
            throw EProvisionError("Cannot write the temporary file " + fName + ": " + e.Message());
        }
    }
    ~TPlainAccountFile() { ::unlink(fName.c_str()); }
    TPlainAccountFile(const TPlainAccountFile&) = delete;
    TPlainAccountFile& operator=(const TPlainAccountFile&) = delete;

    const std::string& Name() const { return fName; }

private:
    std::string fName;
};

// The lines of the plain file, split as the client splits the sealed one (at CR LF, LF or CR, which no encoded
// line holds). Editors may put a byte order mark in front of the text: it is none of it.
void PlainLines(const std::string& plainIni, TStringList& lines) {
    constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
    std::string_view text = plainIni;
    if (text.substr(0, ByteOrderMark.size()) == ByteOrderMark)
        text.remove_prefix(ByteOrderMark.size());
    lines.SetText(text);
}

// One line of the plain file as the client gets it: code page 932, a password scrambled. Control characters in
// a password would be trimmed off its ends or even split the line once scrambled (LF is 5 doubled).
std::string AccountFileLine(const std::string& plain) {
    if (TIniLine line = ReadIniLine(plain); line.Kind == TIniLine::ikValue && SameText(line.Name, "Password")) {
        for (unsigned char c : line.Value)
            if (c < ' ' || c > '~')
                throw EProvisionError("A password holds printable 7-bit characters only (blank to ~)");
        // The scrambled value is no text: it goes behind the key as it is.
        return "Password=" + ScrambleText(line.Value);
    }
    std::optional<std::string> text = win::Utf8ToCp932(plain);
    if (!text)
        throw EProvisionError("The line cannot be written in code page 932: " + plain);
    return *text;
}

// How the client reads a key of a folder. AccountType leads the buttons' sort key, followed by four digits of
// OrderNum, and that key is a 32-bit integer: 214747 followed by 9999 is the largest that fits.
struct TKeyRule {
    const char* Name;
    bool LogIn;    // the folder cannot log in without it
    bool Integer;  // then read as one within Min..Max
    int64_t Min;
    int64_t Max;
};
constexpr int64_t Int32Max = std::numeric_limits<int32_t>::max();
const TKeyRule KeyRules[] = {
    {"AccountType", false, true, 0, 214747},
    {"Account", true, false, 0, 0},
    {"Password", true, false, 0, 0},
    {"ServerName", true, false, 0, 0},
    {"OrderNum", false, true, 0, 9999},
    {"DefaultDir", false, false, 0, 0},
    {"LimitTruncCount", false, true, 0, Int32Max},
    {"DataTypeID", false, true, std::numeric_limits<int32_t>::min(), Int32Max},
};

// A value of the account file holds at most 2047 bytes: a buffer of 2048 with its terminator.
constexpr size_t MaxValueBytes = 2047;

const TKeyRule* KeyRule(const std::string& key) {
    for (const TKeyRule& rule : KeyRules)
        if (SameText(rule.Name, key))
            return &rule;
    return nullptr;
}

// Code page 932 bytes as text for a message.
std::string Shown(const std::string& bytes) {
    return win::Cp932ToUtf8(bytes).value_or(bytes);
}

// Blanks and then ";" start a note in other formats; here they are part of the value.
const char NoNote[] = "what follows is part of it, not a note (notes go on lines of their own)";
bool HoldsNote(const std::string& value) {
    for (size_t i = 1; i < value.size(); ++i)
        if (value[i] == ';' && (value[i - 1] == ' ' || value[i - 1] == '\t'))
            return true;
    return false;
}

// Follows the encoded lines as the client's reader does: equal section names (in any case) make one folder,
// and the first of equal keys in it wins.
class TAccountFileCheck {
public:
    // A line as the client reads it sealed.
    void Line(int number, const TIniLine& line) {
        if (line.Kind == TIniLine::ikSection)
            Section(number, line.Name, Shown(line.Name));
        else if (line.Kind == TIniLine::ikValue)
            Value(number, line, Shown(line.Name), true);
        else if (line.Kind == TIniLine::ikStray)
            Refuse(number, "The line is no [section], key=value or ; note: the client passes over it");
    }
    // A line that cannot be sealed, read in plain text: it still opens its folder, or gives its key, so that
    // what follows is read in the right place.
    void Unwritable(int number, const TIniLine& plain, const std::string& problem) {
        Refuse(number, problem);
        if (plain.Kind == TIniLine::ikSection)
            Section(number, plain.Name, plain.Name);
        else if (plain.Kind == TIniLine::ikValue)
            Value(number, plain, plain.Name, false);
    }
    std::vector<TAccountFileFinding> Findings() {
        for (const Folder& folder : folders_)
            for (const TKeyRule& rule : KeyRules)
                if (rule.LogIn && folder.Filled.count(rule.Name) == 0)
                    Refuse(folder.Line, "[" + folder.Shown + "] has no " + rule.Name + ": the folder cannot log in");
        std::stable_sort(findings_.begin(), findings_.end(),
                         [](const TAccountFileFinding& a, const TAccountFileFinding& b) { return a.Line < b.Line; });
        return std::move(findings_);
    }

private:
    struct Folder {
        std::string Name;   // as the client compares it: code page 932 bytes
        std::string Shown;  // as written
        int Line;
        std::map<std::string, int> Keys;  // the line of each key's first value
        std::set<std::string> Filled;     // keys whose first value is not empty
    };

    // Names whose bytes differ only in ASCII case are equal to the client, even where such a byte is the second
    // of a double-byte character: [ア] and [ヂ] are one folder.
    void Section(int number, const std::string& name, const std::string& shown) {
        auto same =
            std::find_if(folders_.begin(), folders_.end(), [&name](const Folder& f) { return SameText(f.Name, name); });
        if (same != folders_.end())
            Refuse(number, "[" + shown + "] again, as [" + same->Shown + "] on line " + std::to_string(same->Line) +
                               ": the client makes one folder of both");
        else
            same = folders_.insert(folders_.end(), Folder{name, shown, number, {}, {}});
        current_ = static_cast<size_t>(same - folders_.begin());
    }

    void Value(int number, const TIniLine& line, const std::string& key, bool sealed) {
        if (current_ == NoFolder)
            return Refuse(number, key + "=... stands before the first [section]: the client passes over it");
        const TKeyRule* rule = KeyRule(line.Name);
        if (!rule)
            return Warn(number, "\"" + key + "\" is no key the client reads: it is passed over");
        Folder& folder = folders_[current_];
        auto [first, isFirst] = folder.Keys.emplace(rule->Name, number);
        if (!isFirst)
            return Refuse(number, std::string(rule->Name) + " again, as on line " + std::to_string(first->second) +
                                      ": the client reads only the first");
        if (!line.Value.empty())
            folder.Filled.insert(rule->Name);
        if (sealed)
            CheckValue(number, *rule, line.Value);
    }

    void CheckValue(int number, const TKeyRule& rule, const std::string& bytes) {
        std::string value = bytes;
        if (rule.Name == std::string_view("Password"))
            UnscrambleText(bytes, value);
        if (bytes.size() > MaxValueBytes)
            Refuse(number, std::string("The value of ") + rule.Name + " is " + std::to_string(bytes.size()) +
                               " bytes in code page 932; a value holds at most " + std::to_string(MaxValueBytes));
        int integer = 0;
        if (rule.Integer && (!TryStrToInt(value, integer) || integer < rule.Min || integer > rule.Max))
            Refuse(number, std::string(rule.Name) + " \"" + Shown(value) + "\" is no whole number from " +
                               std::to_string(rule.Min) + " to " + std::to_string(rule.Max));
        if (HoldsNote(value))
            Warn(number, std::string("The value of ") + rule.Name + " holds blanks and \";\": " + NoNote);
    }

    void Refuse(int number, const std::string& text) { findings_.push_back({number, true, text}); }
    void Warn(int number, const std::string& text) { findings_.push_back({number, false, text}); }

    std::vector<Folder> folders_;
    static constexpr size_t NoFolder = SIZE_MAX;
    size_t current_ = NoFolder;  // the folder the lines read now belong to
    std::vector<TAccountFileFinding> findings_;
};

}  // namespace

std::string AccountFileBytes(const std::string& plainIni) {
    TStringList lines;
    PlainLines(plainIni, lines);
    std::string bytes;
    for (int i = 0; i < lines.Count(); ++i) {
        try {
            bytes += AccountFileLine(lines[i]) + "\r\n";
        } catch (const EProvisionError& e) {
            throw EProvisionError("Line " + std::to_string(i + 1) + ": " + e.Message());
        }
    }
    return bytes;
}

std::vector<TAccountFileFinding> CheckAccountFile(const std::string& plainIni) {
    TAccountFileCheck check;
    TStringList lines;
    PlainLines(plainIni, lines);
    for (int i = 0; i < lines.Count(); ++i) {
        try {
            check.Line(i + 1, ReadIniLine(AccountFileLine(lines[i])));
        } catch (const EProvisionError& e) {
            check.Unwritable(i + 1, ReadIniLine(lines[i]), e.Message());
        }
    }
    return check.Findings();
}

void SealAccountFile(const std::string& plainIni, const std::string& aceName) {
    TPlainAccountFile plain(AccountFileBytes(plainIni));
    std::string problem;
    TCiph_cast128 cipher;
    TCipherFiles files(
        cipher, [&problem](const std::string& text) { problem = text; }, TOutputDurability::Durable);
    if (!files.EncryptTrunk(plain.Name(), aceName, BuiltInPassword))
        throw EProvisionError("Cannot seal the account file " + aceName + ": " + problem);
}
