#include "client/IniFiles.h"

#include <fstream>
#include <iterator>

#include "platform/rtl/SysUtils.h"
#include "platform/win/CodePage.h"

namespace {

// The position of the single-byte character c, skipping the second bytes of double-byte characters.
size_t FindSingleByte(const std::string& bytes, char c) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == c)
            return i;
        if (win::IsCp932LeadByte(static_cast<unsigned char>(bytes[i])))
            ++i;
    }
    return std::string::npos;
}

std::string Unquoted(std::string value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Splits at CR LF, LF or CR (code page 932 never uses either as a trail byte).
std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.push_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.push_back(bytes.substr(start));
    return lines;
}

}  // namespace

TIniLine ReadIniLine(const std::string& raw) {
    std::string line = Trim(raw);
    if (line.empty() || line[0] == ';')
        return {};
    if (line[0] == '[') {
        std::string name = line.substr(1);
        return {TIniLine::ikSection, Trim(name.substr(0, FindSingleByte(name, ']'))), ""};
    }
    // "=" cannot be a trail byte in code page 932, so a plain search is safe.
    size_t eq = line.find('=');
    if (eq == std::string::npos)
        return {TIniLine::ikStray, "", ""};
    return {TIniLine::ikValue, Trim(line.substr(0, eq)), Unquoted(Trim(line.substr(eq + 1)))};
}

TIniFile::TIniFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (in)
        Parse(std::string(std::istreambuf_iterator<char>(in), {}));
}

void TIniFile::Parse(const std::string& bytes) {
    Section* current = nullptr;
    for (const std::string& raw : SplitLines(bytes)) {
        TIniLine line = ReadIniLine(raw);
        if (line.Kind == TIniLine::ikSection) {
            int index = IndexOfSection(line.Name);
            current = index >= 0 ? &sections_[index] : &sections_.emplace_back(Section{line.Name, {}});
        } else if (line.Kind == TIniLine::ikValue && current) {
            current->values.emplace_back(std::move(line.Name), std::move(line.Value));
        }
    }
}

int TIniFile::IndexOfSection(const std::string& name) const {
    for (size_t i = 0; i < sections_.size(); ++i)
        if (SameText(sections_[i].name, name))
            return static_cast<int>(i);
    return -1;
}

void TIniFile::ReadSections(TStringList& sections) const {
    sections.Clear();
    for (const Section& s : sections_)
        sections.Add(s.name);
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
    int index = IndexOfSection(section);
    if (index >= 0)
        for (const auto& [name, value] : sections_[index].values)
            if (SameText(name, key))
                return value;
    return fallback;
}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key, int32_t fallback) const {
    return StrToIntDef(ReadString(section, key, ""), fallback);
}
