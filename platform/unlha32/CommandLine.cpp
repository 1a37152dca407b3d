#include "platform/unlha32/CommandLine.h"

#include <fstream>
#include <set>
#include <sstream>

#include "platform/unlha32/LhaError.h"

namespace lha {

namespace {

// Every switch the archiver component can write, whether or not this library acts on it.
const std::set<std::string>& KnownSwitches() {
    static const std::set<std::string> known = {
        "+",   "a",   "c",   "e",   "f",   "h",   "i",   "l",   "m",   "n",   "o",   "p",  "r",  "s",   "t",   "u",
        "w",   "x",   "y",   "z",   "jc",  "jd",  "je",  "jf",  "jh",  "ji",  "jm",  "jn", "jo", "job", "jp",  "jr",
        "jsb", "jsc", "jsd", "jse", "jsf", "jsl", "jso", "jss", "jst", "jsv", "jsz", "jw", "jx", "jyc", "jyd", "jyk",
        "jyn", "jyo", "jz",  "ga",  "gd",  "ge",  "gf",  "gj",  "gm",  "gn",  "go",  "gp", "gr", "gs",  "gu",  "gw"};
    return known;
}

const std::set<std::string>& TextSwitches() {
    static const std::set<std::string> text = {"w", "jo", "job", "jx", "jz", "gr"};
    return text;
}

// Verbs that take a base or destination folder after the archive.
bool HasFolder(const std::string& verb) {
    return verb == "a" || verb == "u" || verb == "f" || verb == "m" || verb == "x" || verb == "e" || verb == "s";
}

std::vector<std::string> Tokenize(std::string_view line) {
    std::vector<std::string> tokens;
    size_t i = 0;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < line.size()) {
        while (i < line.size() && blank(line[i]))
            ++i;
        if (i >= line.size())
            break;
        std::string token;
        bool quoted = false;
        while (i < line.size() && (quoted || !blank(line[i]))) {
            if (line[i] == '"') {
                quoted = !quoted;
            } else {
                token += line[i];
            }
            ++i;
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

std::string SwitchName(std::string_view body) {
    if (body.empty())
        return std::string();
    if (body[0] == 'j' && body.size() >= 3 && (body[1] == 's' || body[1] == 'y'))
        return std::string(body.substr(0, 3));
    if (body.substr(0, 3) == "job")
        return "job";
    if ((body[0] == 'j' || body[0] == 'g') && body.size() >= 2)
        return std::string(body.substr(0, 2));
    return std::string(body.substr(0, 1));
}

void AddSwitch(Switches& switches, const std::string& token) {
    std::string_view body = std::string_view(token).substr(1);
    std::string name = SwitchName(body);
    if (!KnownSwitches().count(name))
        throw ELhaError(kBadCommand, "unknown switch " + token);
    std::string value(body.substr(name.size()));
    if (!TextSwitches().count(name) && value.find_first_not_of("0123456789") != std::string::npos)
        throw ELhaError(kBadCommand, "switch " + token + " needs a number");
    switches.Add(name, std::move(value));
}

void ReadResponseFile(const std::string& path, std::vector<std::string>& names) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ELhaError(kResponseFile, "cannot read response file " + path);
    std::stringstream text;
    text << in.rdbuf();
    std::string all = text.str();
    if (all.compare(0, 3, "\xEF\xBB\xBF") == 0)
        all.erase(0, 3);
    std::istringstream lines(all);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string name;
        for (char c : line)
            if (c != '"')
                name += c;
        if (!name.empty())
            names.push_back(std::move(name));
    }
}

}  // namespace

int Switches::Int(const std::string& name) const {
    auto it = values_.find(name);
    if (it == values_.end())
        return -1;
    const std::string& v = it->second.back();
    return v.empty() ? 1 : std::stoi(v.substr(0, 9));
}

std::string Switches::Text(const std::string& name, const std::string& fallback) const {
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second.back();
}

const std::vector<std::string>& Switches::All(const std::string& name) const {
    static const std::vector<std::string> none;
    auto it = values_.find(name);
    return it == values_.end() ? none : it->second;
}

CommandLine ParseCommandLine(std::string_view line, bool withVerb) {
    std::vector<std::string> tokens = Tokenize(line);
    CommandLine cmd;
    size_t i = 0;
    if (withVerb) {
        if (tokens.empty() || tokens[0].empty() || tokens[0][0] == '-')
            throw ELhaError(kBadCommand, "no command given");
        for (char c : tokens[i++])
            cmd.verb += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    for (; i < tokens.size() && !tokens[i].empty() && tokens[i][0] == '-'; ++i)
        AddSwitch(cmd.switches, tokens[i]);
    if (i >= tokens.size() || tokens[i].empty())
        throw ELhaError(kBadCommand, "no archive name given");
    cmd.archive = tokens[i++];
    if (HasFolder(cmd.verb) && i < tokens.size() && !tokens[i].empty() && tokens[i].back() == '/')
        cmd.baseDir = tokens[i++];
    for (; i < tokens.size(); ++i) {
        if (tokens[i].size() > 1 && tokens[i][0] == '@') {
            cmd.responseFile = true;
            ReadResponseFile(tokens[i].substr(1), cmd.names);
        } else if (!tokens[i].empty()) {
            cmd.names.push_back(tokens[i]);
        }
    }
    return cmd;
}

}  // namespace lha
