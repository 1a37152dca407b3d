#pragma once
// The library's result codes and the exception that carries one up to the exported entry, which turns it into
// the entry's return value. 0 is success and ARCERROR_CANCELLED (ArchiverApi.h) a cancel by the owner.

#include <string>

#include "platform/rtl/SysUtils.h"

namespace lha {

enum ResultCode : int {
    kOk = 0,
    kBadCommand = 0x8101,        // unknown verb or switch, missing archive name
    kNotArchive = 0x8102,        // not an LZH archive, or a header is broken
    kArchiveOpen = 0x8103,       // the archive cannot be opened or read
    kArchiveWrite = 0x8104,      // the new archive cannot be written
    kFileOpen = 0x8105,          // a file to pack cannot be found or read
    kFileWrite = 0x8106,         // an extracted file or folder cannot be written
    kNameNotEncodable = 0x8107,  // a file name has no code page 932 form
    kUnsafeName = 0x8108,        // an entry would land outside the target folder
    kDataBroken = 0x8109,        // CRC or size mismatch, or undecodable data
    kMethod = 0x810A,            // a packing method this library does not read
    kNoMatch = 0x810B,           // no entry matched the names given
    kBadHandle = 0x810C,         // an archive handle that is not open
    kResponseFile = 0x810D,      // a response file cannot be read
    kNotSupported = 0x810E,      // a verb this library does not carry out
    kBufferTooSmall = 0x810F,    // the entry does not fit the caller's buffer
    kNameTooLong = 0x8110,       // an entry path longer than the listing record holds
    kInternal = 0x81FF,          // anything unexpected
};

class ELhaError : public Exception {
public:
    ELhaError(int code, std::string message) : Exception(std::move(message)), code_(code) {}
    int Code() const noexcept { return code_; }
    const char* ClassName() const noexcept override { return "ELhaError"; }

private:
    int code_;
};

}  // namespace lha
