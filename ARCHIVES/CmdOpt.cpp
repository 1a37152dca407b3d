#include "ARCHIVES/CmdOpt.h"

#include "ARCHIVES/ArcErrors.h"
#include "ARCHIVES/ArchiverOptions.h"
#include "platform/rtl/Streams.h"

namespace {

void RefuseUnquotable(const std::string& text) {
    if (text.find_first_of("\"\r\n") != std::string::npos)
        throw EArchiver("\"%0:s\" には書庫のコマンドに渡せない文字 (\" または改行) が含まれています。", {text});
}

}  // namespace

void TFileArg::AppendTo(TStringList& list) const {
    auto add = [&list](const std::string& name) {
        if (!name.empty())
            list.Add(name);
    };
    if (auto* name = std::get_if<std::string>(&value_)) {
        add(*name);
    } else if (auto* lines = std::get_if<const TStringList*>(&value_)) {
        for (const auto& line : **lines)
            add(line);
    } else if (auto* names = std::get_if<const std::vector<std::string>*>(&value_)) {
        for (const auto& one : **names)
            add(one);
    } else if (auto* array = std::get_if<const char* const*>(&value_)) {
        for (const char* const* p = *array; p && *p; ++p)
            add(*p);
    }
}

std::unique_ptr<TStringList> ConstToStrings(TFileArgs files) {
    auto list = std::make_unique<TStringList>();
    for (const auto& file : files)
        file.AppendTo(*list);
    return list;
}

void TCmdOpt::Add(const std::string& s) {
    CmdLine += " " + s;
}

void TCmdOpt::AddInt(const std::string& name, int value) {
    if (value >= 0)
        Add("-" + name + std::to_string(value));
}

void TCmdOpt::AddFlag(const std::string& name, bool value) {
    if (value)
        Add("-" + name);
}

void TCmdOpt::AddString(const std::string& name, const std::string& value) {
    if (value == SwitchUnset)
        return;
    RefuseUnquotable(value);
    if (name.empty()) {
        Add("\"" + value + "\"");
        return;
    }
    std::string switchName = name[0] == ' ' ? name.substr(1) : "-" + name;
    Add(SeparateValue ? switchName + " \"" + value + "\"" : "\"" + switchName + value + "\"");
}

void TCmdOpt::AddDir(const std::string& name, const std::string& dir) {
    if (dir.empty() || dir == SwitchUnset)
        return;
    AddQuoted(name, dir.back() == '/' ? dir : dir + "/");
}

void TCmdOpt::ConvertName(const std::string& s, std::string& result) const {
    if (NameConverter)
        NameConverter(s, result);
    else
        result = s;
}

void TCmdOpt::AddFile(const std::string& name, const std::string& fileName) {
    std::string converted;
    ConvertName(fileName, converted);
    // On the line, a name starting with "@" would be read as a response file; inside one it is only a name.
    if (name.empty() && !converted.empty() && converted[0] == '@')
        throw EArchiver("\"%0:s\" は応答ファイルの指定と区別できないため、コマンドラインに書けません。", {converted});
    AddQuoted(name, converted);
}

int TCmdOpt::AddFiles(const std::string& name, TFileArgs files) {
    auto list = ConstToStrings(files);
    for (const auto& line : *list)
        AddFile(name, line);
    return list->Count();
}

int TCmdOpt::AddResponseFile(TFileArgs files, const std::string& resFileName) {
    auto list = ConstToStrings(files);
    std::string text;
    for (const auto& line : *list) {
        std::string converted;
        ConvertName(line, converted);
        RefuseUnquotable(converted);
        text += "\"" + converted + "\"\r\n";
    }
    std::string reference = "@" + resFileName;
    RefuseUnquotable(reference);
    TFileStream file(resFileName, fmCreate);
    file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    AddQuoted("", reference);
    return list->Count();
}
