#pragma once
// Control entries of the recording stand-in for UNLHA32.DLL that the component's tests load in its place:
// it answers as told and records every call it gets.

#include "platform/ArchiverApi.h"

extern "C" {

void RecorderReset();
// One line per call: the entry's name and its arguments, blank-separated (the Ex entries are not logged).
const char* RecorderLog();
// The command line of the last "Unlha" or "UnlhaExtractMem" call, as received.
const char* RecorderLastCommand();
// What "Unlha" answers and writes into the output buffer it gets.
void RecorderSetCommandResult(int result, const char* outputText);
// What the content check gets: "UnlhaCheckArchive" and the handle "UnlhaOpenArchive" answers (0 = failure).
void RecorderSetArchiveAnswers(win::BOOL checkResult, HARC openHandle);
// The entries a listing yields, in order.
void RecorderSetListing(const ArcEntryRecord* entries, int count);
// What the Ex entries answer (result 0: they fail, as if absent).
void RecorderSetExAnswers(win::BOOL result, win::FILETIME write, win::FILETIME access, win::FILETIME create,
                          uint64_t originalSize, uint64_t compressedSize);
// Called during "Unlha" while an owner window is set; a non-zero answer cancels the command (0x8020).
typedef int (*RecorderProgressHook)(win::HWND owner);
void RecorderSetProgressHook(RecorderProgressHook hook);
}
