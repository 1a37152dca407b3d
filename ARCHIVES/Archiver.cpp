#include "ARCHIVES/Archiver.h"

#include "ARCHIVES/ArcErrors.h"

HARC TArchiver::OpenArchive(win::HWND, const std::string&, int) {
    return 0;
}

int TArchiver::FindFirst(HARC, const std::string&, TArchiveEntryInfo&) {
    return -1;
}

int TArchiver::FindNext(HARC, TArchiveEntryInfo&) {
    return -1;
}

int TArchiver::CloseArchive(HARC) {
    return 0;
}

int TArchiver::Pack(win::HWND, const std::string&, const TArchiverOptions&, const std::string&, TFileArgs, bool,
                    std::string&) {
    throw EArchiver("この形式では書庫ファイルの作成をサポートしておりません。");
}

int TArchiver::RemoveItem(win::HWND, const std::string&, const TArchiverOptions&, const std::string&, TFileArgs, bool,
                          std::string&) {
    throw EArchiver("この形式の書庫ではファイルの削除をサポートしておりません。");
}

int TArchiver::Update(win::HWND, const std::string&, const TArchiverOptions&, const std::string&, TFileArgs, bool,
                      std::string&) {
    throw EArchiver("この形式の書庫では書庫の更新をサポートしておりません。");
}

int TArchiver::MakeSfx(win::HWND, const std::string&, const TArchiverOptions&, const std::string&, std::string&) {
    throw EArchiver("この形式では自己解凍書庫の作成をサポートしておりません。");
}

int TArchiver::ExtractMem(win::HWND, const std::string&, const TArchiverOptions&, const std::string&, void*, win::DWORD,
                          win::DWORD*) {
    throw EArchiver("この形式ではメモリへの展開をサポートしておりません。");
}

int TArchiver::CheckArchive(const std::string&, int, int) {
    throw EArchiver("この形式では書庫チェック機能をサポートしておりません。");
}

bool TArchiver::SetOwnerWindow(win::HWND wnd, ARCHIVERPROC) {
    ownerWindow_ = wnd;
    return false;
}

bool TArchiver::KillOwnerWindow(win::HWND) {
    ownerWindow_ = 0;
    return false;
}

void TArchiver::AddArchiveAndDir(TCmdOpt& cmdOpt, const std::string& arcFileName, const std::string& baseDir) {
    if (arcFileName == SwitchUnset)
        throw EArchiver("書庫ファイル名が指定されていません。");
    cmdOpt.AddQuoted("", arcFileName);
    cmdOpt.AddDir("", baseDir);
}

int TArchiver::AddFileList(TCmdOpt& cmdOpt, const TArchiverOptions& options, bool useResFile, TFileArgs files) {
    int count = useResFile && options.ResFileName != SwitchUnset && !options.ResFileName.empty()
                    ? cmdOpt.AddResponseFile(files, options.ResFileName)
                    : cmdOpt.AddFiles("", files);
    cmdOpt.Add(options.UserFileList);
    return count;
}

std::string TArchiver::CommandLine(const std::string& verb, TCmdOpt& cmdOpt, const std::string& arcFileName,
                                   const TArchiverOptions& options, const std::string& baseDir, TFileArgs files,
                                   bool useResFile) {
    cmdOpt.Add(options.UserOptions);
    AddArchiveAndDir(cmdOpt, arcFileName, baseDir);
    AddFileList(cmdOpt, options, useResFile, files);
    return verb + cmdOpt.CmdLine;
}
