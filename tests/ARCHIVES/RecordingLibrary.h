#pragma once
// Control entries of the recording stand-ins that the component's tests load in place of the archiver
// libraries (one shared object per library name, each exporting its entries under its prefix): each answers
// as told and records every call it gets.

#include "platform/ArchiverApi.h"

extern "C" {

void RecorderReset();
// One line per call: the entry's name and its arguments, blank-separated (the Ex entries are not logged).
const char* RecorderLog();
// The command line of the last command or ExtractMem call, as received.
const char* RecorderLastCommand();
// What the command entries answer and write into the output buffer they get.
void RecorderSetCommandResult(int result, const char* outputText);
// The command entries raise std::runtime_error with this text instead of answering (null: they answer).
void RecorderSetCommandRaises(const char* what);
// What the content checks get: CheckArchive's answer and the handle OpenArchive answers (0 = failure).
void RecorderSetArchiveAnswers(win::BOOL checkResult, HARC openHandle);
// What GetArchiveType answers (0 after a reset: not an archive).
void RecorderSetArchiveType(int type);
// The entries a listing yields, in order.
void RecorderSetListing(const ArcEntryRecord* entries, int count);
// What the Ex entries answer (result 0: they fail, as if absent).
void RecorderSetExAnswers(win::BOOL result, win::FILETIME write, win::FILETIME access, win::FILETIME create,
                          uint64_t originalSize, uint64_t compressedSize);
// Called during a command while an owner window is set; a non-zero answer cancels the command (0x8020).
typedef int (*RecorderProgressHook)(win::HWND owner);
void RecorderSetProgressHook(RecorderProgressHook hook);
// An encrypted archive: FindFirst answers 32778 until SetDefaultPassword got this password (null: none).
void RecorderSetPassword(const char* required);
// What the password dialog answers, one text per call, then it is cancelled (-1). Each answer is copied into
// the caller's buffer up to its size, without an ending NUL when it fills the buffer.
void RecorderSetDialogAnswers(const char* const* answers, int count);
}
