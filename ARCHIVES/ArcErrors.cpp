#include "ARCHIVES/ArcErrors.h"

ESfxNoRequiredFile::ESfxNoRequiredFile(const std::string& archiveKind, const std::string& sfxKind,
                                       const std::string& requiredFile)
    : EArchiver(archiveKind + " 書庫からの" + sfxKind + "自己解凍書庫の作成には '" + requiredFile +
                "' ファイルが必要です。"),
      ArchiveKind(archiveKind),
      SfxKind(sfxKind),
      RequiredFile(requiredFile) {}

void RaiseNoArchiverDLL(const std::string& displayName, const std::string& dllName) {
    throw ENoArchiverDLL("%0:s を扱うには %1:s が 必要です。", {displayName, dllName});
}
