#pragma once
// The exceptions of the archiver component. Library result codes are returned, never raised; these report
// what stops an operation before or around the library call.

#include <string>

#include "platform/rtl/SysUtils.h"

TARVO_DECLARE_EXCEPTION(EArchiver, Exception);
TARVO_DECLARE_EXCEPTION(ENoArchiverDLL, EArchiver);
TARVO_DECLARE_EXCEPTION(EEntryNotFound, EArchiver);

// A file that a self-extracting archive needs is missing.
class ESfxNoRequiredFile : public EArchiver {
public:
    ESfxNoRequiredFile(const std::string& archiveKind, const std::string& sfxKind, const std::string& requiredFile);
    const char* ClassName() const noexcept override { return "ESfxNoRequiredFile"; }

    std::string ArchiveKind;
    std::string SfxKind;
    std::string RequiredFile;
};

// The format's library could not be loaded: "<display name> を扱うには <library> が 必要です。".
[[noreturn]] void RaiseNoArchiverDLL(const std::string& displayName, const std::string& dllName);
