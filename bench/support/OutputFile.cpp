#include "bench/support/OutputFile.h"

#include "platform/rtl/SysUtils.h"

OutputFile::OutputFile(const std::string& path) : file_(path, fmCreate, 0644) {}

void OutputFile::Write(const void* data, size_t size) {
    try {
        file_.WriteBuffer(data, static_cast<int64_t>(size));
    } catch (const EStreamError& e) {
        throw EWriteError("Cannot write file \"" + file_.FileName() + "\". " + e.Message());
    }
}

void WriteFile(const std::string& path, std::string_view bytes) {
    OutputFile(path).Write(bytes.data(), bytes.size());
}
