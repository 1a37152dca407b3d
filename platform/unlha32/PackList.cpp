#include "platform/unlha32/PackList.h"

#include <dirent.h>

#include <algorithm>
#include <set>

#include "platform/rtl/FileSearch.h"
#include "platform/unlha32/EntryName.h"
#include "platform/unlha32/LhaError.h"

namespace lha {

namespace {

std::vector<std::string> Normalized(const std::string& path) {
    std::vector<std::string> out;
    for (auto& part : SplitPath(path)) {
        if (part == ".")
            continue;
        if (part == "..") {
            if (!out.empty())
                out.pop_back();
            continue;
        }
        out.push_back(std::move(part));
    }
    return out;
}

std::vector<std::string> SortedNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        throw ELhaError(kFileOpen, "cannot read folder " + folder);
    while (dirent* e = readdir(dir)) {
        std::string n = e->d_name;
        if (n != "." && n != "..")
            names.push_back(std::move(n));
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

class Collector {
public:
    Collector(const CommandLine& cmd, OutputLog& log)
        : log_(log),
          base_(cmd.baseDir),
          recursion_(cmd.switches.Int("r")),
          keepPaths_(cmd.switches.Int("x") != 0),
          hidden_(cmd.switches.Int("a") > 0),
          exclusions_(cmd.switches.All("jx")) {
        struct stat st;
        if (stat(cmd.archive.c_str(), &st) == 0)
            archive_ = {st.st_dev, st.st_ino};
    }

    void Name(const std::string& name) {
        size_t slash = name.rfind('/');
        std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
        std::string folder = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
        if (last.find_first_of("*?") != std::string::npos)
            return Walk(folder, last, recursion_ >= 1, false);
        std::string local = Local(name);
        struct stat st;
        if (stat(local.c_str(), &st) != 0)
            throw ELhaError(kFileOpen, "cannot find " + local);
        if (S_ISDIR(st.st_mode)) {
            Add(local, name, st, true);
            if (recursion_ >= 2)
                Walk(IncludeSlash(name), "*", true, true);
        } else if (S_ISREG(st.st_mode)) {
            Add(local, name, st, false);
        } else {
            log_.Line("skipped (not a file): " + local);
        }
    }

    std::vector<PackItem> Take() { return std::move(items_); }

private:
    static std::string IncludeSlash(const std::string& s) { return s.empty() || s.back() == '/' ? s : s + "/"; }
    std::string Local(const std::string& name) const { return !name.empty() && name[0] == '/' ? name : base_ + name; }

    // Files matching mask in folder (relative to the base); with recurse also below; with folders also
    // the folder entries (a whole tree is being stored).
    void Walk(const std::string& folder, const std::string& mask, bool recurse, bool folders) {
        for (const auto& n : SortedNames(Local(folder))) {
            if (n[0] == '.' && !hidden_)
                continue;
            std::string name = folder + n;
            std::string local = Local(name);
            struct stat lst, st;
            if (lstat(local.c_str(), &lst) != 0)
                continue;
            bool link = S_ISLNK(lst.st_mode);
            if (link && stat(local.c_str(), &st) != 0) {
                log_.Line("skipped (dangling link): " + local);
                continue;
            }
            if (!link)
                st = lst;
            if (S_ISDIR(st.st_mode)) {
                if (link) {
                    log_.Line("skipped (link to a folder): " + local);
                } else if (recurse) {
                    if (folders)
                        Add(local, name, st, true);
                    Walk(name + "/", mask, recurse, folders);
                }
            } else if (!S_ISREG(st.st_mode)) {
                log_.Line("skipped (not a file): " + local);
            } else if (MatchesMask(n, mask)) {
                Add(local, name, st, false);
            }
        }
    }

    void Add(const std::string& local, const std::string& name, const struct stat& st, bool directory) {
        if (!directory && st.st_dev == archive_.first && st.st_ino == archive_.second)
            return;
        std::string relative = name;
        if (name[0] == '/' && !base_.empty() && base_[0] == '/' && name.compare(0, base_.size(), base_) == 0)
            relative.erase(0, base_.size());
        std::vector<std::string> path = Normalized(relative);
        if (!keepPaths_ && !path.empty())
            path = {path.back()};
        if (path.empty() || (directory && !keepPaths_))
            return;
        std::string entryName = JoinEntryPath(path);
        for (const auto& x : exclusions_)
            if (!x.empty() && (MatchesMask(path.back(), x) || MatchesMask(entryName, x)))
                return;
        if (!seen_.insert(entryName).second)
            return;
        items_.push_back(PackItem{local, std::move(path), entryName, directory, st});
    }

    OutputLog& log_;
    std::string base_;
    int recursion_;
    bool keepPaths_;
    bool hidden_;
    std::vector<std::string> exclusions_;
    std::pair<dev_t, ino_t> archive_{0, 0};
    std::set<std::string> seen_;
    std::vector<PackItem> items_;
};

}  // namespace

std::vector<PackItem> CollectPackItems(const CommandLine& cmd, OutputLog& log) {
    Collector collector(cmd, log);
    if (cmd.names.empty() && !cmd.responseFile)
        collector.Name("*");
    for (const auto& name : cmd.names)
        collector.Name(name);
    return collector.Take();
}

}  // namespace lha
