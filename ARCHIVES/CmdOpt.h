#pragma once
// The command-line builder of the format drivers, and the file arguments the operations take.

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/rtl/StringList.h"

// One element of a file argument list: a name or pattern, every line of a string list, every element of a
// vector, or every entry of a nullptr-terminated array of texts. Lists are referred to, not copied: the
// arguments live for the duration of the call they are given to.
class TFileArg {
public:
    TFileArg(const char* name) : value_(std::string(name ? name : "")) {}
    TFileArg(std::string name) : value_(std::move(name)) {}
    TFileArg(std::string_view name) : value_(std::string(name)) {}
    TFileArg(const TStringList& list) : value_(&list) {}
    TFileArg(const std::vector<std::string>& names) : value_(&names) {}
    TFileArg(const char* const* names) : value_(names) {}

    // Appends the element's non-empty names to list.
    void AppendTo(TStringList& list) const;

private:
    std::variant<std::string, const TStringList*, const std::vector<std::string>*, const char* const*> value_;
};
using TFileArgs = std::initializer_list<TFileArg>;

// Every non-empty name of the arguments, in order.
std::unique_ptr<TStringList> ConstToStrings(TFileArgs files);

// A command line growing by one blank-separated item per call; the line always starts with a blank.
// Names and values are quoted, not escaped: one that holds a double quote, CR or LF would split into other
// arguments, and a file name on the line that starts with "@" would name a response file, so these are
// refused with EArchiver before anything is written.
class TCmdOpt {
public:
    using TNameConverter = std::function<void(const std::string& name, std::string& result)>;

    bool SeparateValue = false;  // string switches as  -name "value"  instead of  "-namevalue"
    TNameConverter NameConverter;
    std::string CmdLine;

    void Add(const std::string& s);                   // also an empty one: the line then gets a blank
    void AddInt(const std::string& name, int value);  // "-<name><value>" when value >= 0
    void AddFlag(const std::string& name, bool value);
    void AddString(const std::string& name, const std::string& value);
    void AddQuoted(const std::string& name, const std::string& value) { AddString(name, value); }
    void AddDir(const std::string& name, const std::string& dir);  // with a final "/", nothing when empty
    void ConvertName(const std::string& s, std::string& result) const;
    void AddFile(const std::string& name, const std::string& fileName);
    int AddFiles(const std::string& name, TFileArgs files);
    // Writes the names, each quoted and ended by CR LF, into resFileName (replacing it) and appends the quoted
    // reference "@<resFileName>". Removing the file afterwards is the caller's job.
    int AddResponseFile(TFileArgs files, const std::string& resFileName);
};
