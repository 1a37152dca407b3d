#include "platform/unlha32/ArchiveIndex.h"

#include <sys/stat.h>

#include "platform/unlha32/EntryName.h"

namespace lha {

void ArchiveIndex::RequireSound() const {
    if (damage)
        throw *damage;
}

namespace {

// What a writer may leave after the end mark: zeros or the old end-of-file mark. We write nothing there, so
// anything else is damage, most likely a zero where the next header should have started.
void RequireOnlyPadding(TStream& archive) {
    uint8_t chunk[16 * 1024];
    for (int64_t got; (got = archive.Read(chunk, sizeof chunk)) > 0;)
        for (int64_t i = 0; i < got; ++i)
            if (chunk[i] != 0x00 && chunk[i] != 0x1A)
                throw ELhaError(kNotArchive, "the archive goes on after its end mark, where a header was expected");
}

}  // namespace

ArchiveIndex ReadArchiveIndex(TStream& archive, bool allowEmpty) {
    ArchiveIndex index;
    index.fileSize = static_cast<uint64_t>(archive.Size());
    archive.SetPosition(0);
    if (allowEmpty && index.fileSize == 0)
        return index;
    try {
        while (true) {
            // With no length field, only the end mark tells a whole archive from one cut between two entries.
            if (static_cast<uint64_t>(archive.Position()) >= index.fileSize)
                throw ELhaError(kNotArchive,
                                "the archive is cut short: it ends after a whole entry, without its end mark");
            auto h = ReadHeader(archive);
            if (!h) {
                RequireOnlyPadding(archive);
                break;
            }
            if (h->packedSize > index.fileSize - std::min(index.fileSize, h->dataOffset()))
                throw ELhaError(kDataBroken, "the archive ends inside the data of an entry");
            ArchiveEntry e;
            e.path = DecodeEntryPath(h->path);
            e.name = JoinEntryPath(e.path);
            e.header = std::move(*h);
            archive.SetPosition(static_cast<int64_t>(e.header.dataOffset() + e.header.packedSize));
            index.entries.push_back(std::move(e));
        }
    } catch (const ELhaError& error) {
        if (index.entries.empty())
            throw ELhaError(kNotArchive, "not an LZH archive (" + error.Message() + ")");
        index.damage = error;
    }
    if (index.entries.empty())
        throw ELhaError(kNotArchive, "not an LZH archive");
    return index;
}

ArchiveIndex ReadArchiveIndex(const std::string& path, bool allowEmpty) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        throw ELhaError(kArchiveOpen, "cannot open archive " + path);
    try {
        TFileStream file(path, fmOpenRead);
        return ReadArchiveIndex(file, allowEmpty);
    } catch (const EStreamError& e) {
        throw ELhaError(kArchiveOpen, "cannot read archive " + path + ": " + e.Message());
    }
}

}  // namespace lha
