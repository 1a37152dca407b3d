#include "platform/unlha32/ArchiveUpdate.h"

#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include "platform/rtl/SysUtils.h"
#include "platform/unlha32/ArchiveIndex.h"
#include "platform/unlha32/ArchiveWriter.h"
#include "platform/unlha32/EntryEncoder.h"
#include "platform/unlha32/EntryName.h"
#include "platform/unlha32/LhaError.h"
#include "platform/unlha32/NameFilter.h"
#include "platform/unlha32/PackList.h"

namespace lha {

namespace {

struct Existing {
    ArchiveIndex index;
    mode_t mode = 0644;
    bool exists = false;
};

// The archive as it stands; a damaged one is not rewritten, since the rewrite would lose what follows.
Existing ReadExisting(const std::string& archive) {
    Existing e;
    struct stat st;
    if (stat(archive.c_str(), &st) != 0)
        return e;
    e.exists = true;
    e.mode = st.st_mode & 0777;
    e.index = ReadArchiveIndex(archive, true);
    e.index.RequireSound();
    return e;
}

std::string Describe(const LhaHeader& h, const std::string& name) {
    return name + (h.IsDirectory() ? "/" : "") + "  " + h.method + "  " + std::to_string(h.originalSize) + " -> " +
           std::to_string(h.packedSize);
}

// Rewrites the archive: old entries in their order, each either copied or replaced (replacements[i]),
// then the added items.
void Rewrite(const std::string& archive, const Existing& old, const std::map<size_t, const PackItem*>& replacements,
             const std::vector<const PackItem*>& added, OutputLog& log, Progress& progress) {
    ArchiveWriter out(archive, old.mode);
    LhEncoder encoder(kLh5);
    std::unique_ptr<TFileStream> source;
    if (old.exists && !old.index.entries.empty())
        source = std::make_unique<TFileStream>(archive, fmOpenRead);
    auto pack = [&](const PackItem& item) {
        log.Line(Describe(PackEntry(out, item, encoder, progress), item.entryName));
    };
    for (size_t i = 0; i < old.index.entries.size(); ++i) {
        const LhaHeader& h = old.index.entries[i].header;
        if (auto r = replacements.find(i); r != replacements.end()) {
            pack(*r->second);
        } else {
            progress.Report(ARCEXTRACT_COPY);
            out.CopyFrom(*source, h.headerOffset, h.headerSize + h.packedSize);
        }
    }
    for (const PackItem* item : added)
        pack(*item);
    out.Commit();
}

}  // namespace

void RunPack(const CommandLine& cmd, OutputLog& log, Progress& progress) {
    Existing old = ReadExisting(cmd.archive);
    std::vector<PackItem> items = CollectPackItems(cmd, log);
    std::map<std::string, size_t> byName;
    for (size_t i = 0; i < old.index.entries.size(); ++i)
        byName[old.index.entries[i].name] = i;

    const bool always = cmd.verb == "a" || cmd.switches.Int("c") > 0;
    std::map<size_t, const PackItem*> replacements;
    std::vector<const PackItem*> added;
    for (const PackItem& item : items) {
        auto found = byName.find(item.entryName);
        if (found == byName.end()) {
            if (cmd.verb != "f")
                added.push_back(&item);
        } else if (always || item.st.st_mtime > old.index.entries[found->second].header.writeTime) {
            replacements[found->second] = &item;
        } else {
            log.Line(item.entryName + "  kept (the archive's copy is not older)");
        }
    }
    if (replacements.empty() && added.empty())
        return;  // nothing to change: the archive stays as it is
    // Names are refused before anything is written.
    for (const PackItem& item : items) {
        EncodeEntryPath(item.entryPath);
        RequireListablePath(item.entryName, item.directory);
    }
    Rewrite(cmd.archive, old, replacements, added, log, progress);
}

void RunDelete(const CommandLine& cmd, OutputLog& log, Progress& progress) {
    ArchiveIndex index = ReadArchiveIndex(cmd.archive);
    index.RequireSound();
    if (cmd.names.empty())
        return;
    NameFilter filter(cmd.names, cmd.switches.All("jx"), index.entries, NameFilter::Purpose::Removing);
    std::vector<size_t> keep;
    for (size_t i = 0; i < index.entries.size(); ++i) {
        if (filter.Matches(index.entries[i])) {
            log.Line(index.entries[i].name + "  removed");
        } else {
            keep.push_back(i);
        }
    }
    if (keep.size() == index.entries.size())
        throw ELhaError(kNoMatch, "no entry matches the names given");
    if (keep.empty()) {
        if (::unlink(cmd.archive.c_str()) != 0)
            throw ELhaError(kArchiveWrite, "cannot delete " + cmd.archive + ": " + SysErrorMessage(errno));
        return;
    }
    struct stat st;
    ArchiveWriter out(cmd.archive, stat(cmd.archive.c_str(), &st) == 0 ? st.st_mode & 0777 : 0644);
    TFileStream source(cmd.archive, fmOpenRead);
    for (size_t i : keep) {
        const LhaHeader& h = index.entries[i].header;
        progress.Report(ARCEXTRACT_COPY);
        out.CopyFrom(source, h.headerOffset, h.headerSize + h.packedSize);
    }
    out.Commit();
}

}  // namespace lha
