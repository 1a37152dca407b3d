#pragma once
// A new archive written beside the old one under a temporary name and renamed over it by Commit, so a
// failure at any point leaves the old archive as it was. Writes are buffered; a header written before its
// data can be patched once the data is known.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/AtomicFile.h"

namespace lha {

class ArchiveWriter {
public:
    // ELhaError(kArchiveWrite) when the temporary file cannot be made.
    ArchiveWriter(const std::string& archive, mode_t permissions);

    void Append(const uint8_t* data, size_t size);
    uint64_t Position() const { return flushed_ + buffer_.size(); }
    // Overwrites bytes written before (the caller keeps within what was written).
    void Patch(uint64_t offset, const std::vector<uint8_t>& bytes);
    // Drops everything from offset on.
    void Truncate(uint64_t offset);
    // Copies size bytes of source from offset.
    void CopyFrom(TStream& source, uint64_t offset, uint64_t size);
    // Ends the archive and renames it into place.
    void Commit();

private:
    void Flush();

    std::unique_ptr<AtomicFile> file_;
    std::vector<uint8_t> buffer_;
    uint64_t flushed_ = 0;
};

}  // namespace lha
