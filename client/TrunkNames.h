#pragma once
// What makes a trunk name, and the small text helpers the trunk pages share: the size in kilobytes and the
// split of an archive entry's path.

#include <cstdint>
#include <string>
#include <string_view>

// The characters a trunk name may not hold, in the order the user is shown them (the last is the blank).
constexpr std::string_view BadNameChars = "\\/:,;*?\"<>| ";

// The longest name (UTF-8 bytes) whose comment copy "コメント_" + name + ".txt" still fits a file name.
constexpr size_t MaxTrunkNameBytes = 236;

enum class TTrunkNameFault {
    None,
    Empty,
    BadChar,   // one of BadNameChars
    Control,   // a character below 0x20 or DEL
    DotName,   // "." or "..", which name folders
    NotCp932,  // has no code page 932 form that reads back as the same name
    TooLong,
};

// The first rule the name breaks: a trunk name becomes local and server file names, so it must be usable as
// one plain file name everywhere.
TTrunkNameFault CheckTrunkName(std::string_view name);
// The message that tells the user why a name was refused.
std::string TrunkNameFaultMessage(TTrunkNameFault fault);

// Round(Bytes / 1024), halves to the even neighbour, followed by " KB".
std::string SizeToKB(int64_t Bytes);

// Splits an archive entry path at its last "/": "a/b/c.txt" gives "a/b/" and "c.txt".
void SplitArchivePath(const std::string& Path, std::string& Dir, std::string& Name);

// The name's bytes with every byte outside printable ASCII (and the backslash) written as \xNN, for telling
// the user about a name that is no text.
std::string EscapedName(std::string_view bytes);
