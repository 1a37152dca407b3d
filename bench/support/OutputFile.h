#pragma once
// Files a benchmark makes for its runs. A write that fails or falls short throws, naming the file: a file cut
// short would otherwise surface later as a damaged transfer, or as a figure for less work than announced.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/rtl/Streams.h"

// A file created (or emptied) and written a piece at a time; throws EStreamError naming the file.
class OutputFile {
public:
    explicit OutputFile(const std::string& path);

    void Write(const void* data, size_t size);

private:
    TFileStream file_;
};

// Creates path holding just bytes; throws EStreamError naming the file.
void WriteFile(const std::string& path, std::string_view bytes);
