#pragma once
// The headers of an archive file, read in one pass. Reading stops at the first broken header, at an entry
// whose data runs past the end of the file, at the end of a file that lacks the end mark (cut between two
// entries), or at an end mark followed by more than padding; what was read before stays usable and the damage
// is kept.

#include <optional>
#include <string>
#include <vector>

#include "platform/rtl/Streams.h"
#include "platform/unlha32/LhaError.h"
#include "platform/unlha32/LhaHeader.h"

namespace lha {

struct ArchiveEntry {
    LhaHeader header;
    std::vector<std::string> path;  // decoded UTF-8 components
    std::string name;               // path joined with "/"
};

struct ArchiveIndex {
    std::vector<ArchiveEntry> entries;
    std::optional<ELhaError> damage;
    uint64_t fileSize = 0;

    // Raises the damage, if any.
    void RequireSound() const;
};

// Opens and indexes an archive. ELhaError(kArchiveOpen) when the file cannot be read or is not a regular
// file; ELhaError(kNotArchive) when it holds no entry (a file of 0 bytes passes as an empty archive when
// allowEmpty, for a pack that is about to fill it).
ArchiveIndex ReadArchiveIndex(const std::string& path, bool allowEmpty = false);
ArchiveIndex ReadArchiveIndex(TStream& archive, bool allowEmpty);

}  // namespace lha
