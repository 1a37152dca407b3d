#pragma once
// An INI file read as the profile-string calls read it, byte for byte: "[section]" headers, "key=value" lines,
// ";" comments; section and key names compared without regard to ASCII case, the first of equal names
// winning; names and values trimmed, a value enclosed in a matching pair of quotes taken without them. The
// bytes are code page 932: a "]" following a lead byte belongs to that character and does not close the header.
// Names and values come back as raw bytes for the caller to decode, since a scrambled value is not text.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/StringList.h"

// One line of an INI file as the reader takes it, on its own.
struct TIniLine {
    // ikBlank: empty or a ";" note. ikStray: none of the others (no "="), which the reader passes over.
    enum TKind { ikBlank, ikSection, ikValue, ikStray };
    TKind Kind = ikBlank;
    std::string Name;   // the section's name, or the key
    std::string Value;  // the key's value
};
TIniLine ReadIniLine(const std::string& line);

class TIniFile {
public:
    // A missing or unreadable file reads as an empty one.
    explicit TIniFile(const std::string& fileName);

    // The section names in file order, each name once.
    void ReadSections(TStringList& sections) const;
    std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback) const;
    // Decimal, or hexadecimal after "0x", "0X" or "$"; a missing value or one that is no 32-bit integer gives
    // the fallback.
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t fallback) const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> values;
    };

    void Parse(const std::string& bytes);
    int IndexOfSection(const std::string& name) const;  // -1 when there is none

    std::vector<Section> sections_;
};
