#pragma once
// A benchmark's own folder for its files, made fresh under $TMPDIR (or /tmp) so that runs never meet.

#include <cstdint>
#include <string>

// <TMPDIR>/<name>-XXXXXX, made fresh, which goes with all it holds when the object goes; throws when it cannot be
// made. A preferred parent (a memory-backed one, say) is used instead when it exists and has room for bytes, with
// a margin.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name, const std::string& preferredParent = "", uint64_t bytes = 0);
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();

    // Ends with "/".
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};
