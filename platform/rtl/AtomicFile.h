#pragma once
// A file written under a temporary name beside its final name and renamed over it by Commit: readers see
// the old file or the whole new one, never a partial one. Without Commit the temporary file is removed.

#include <string>

#include "platform/rtl/Streams.h"
#include "platform/rtl/TemporaryFile.h"

class AtomicFile : public TFileStream {
public:
    // The file gets `permissions` less the umask. Raises EFCreateError when the temporary file cannot be made
    // (missing folder, no permission).
    explicit AtomicFile(const std::string& finalName, mode_t permissions = 0644);
    ~AtomicFile() override;

    // Flushes, closes and renames onto the final name; raises EWriteError on failure (the temporary is removed).
    // Durable false leaves out the flush to disk: readers still see the old file or the whole new one, but a
    // power cut soon after may lose the new content (for files that can be fetched again).
    void Commit(bool durable = true);
    const std::string& FinalName() const { return finalName_; }

private:
    AtomicFile(const std::string& finalName, TemporaryFile temporary);

    std::string finalName_;
    bool committed_ = false;
};
