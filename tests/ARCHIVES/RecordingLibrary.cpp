// The recording stand-in for UNLHA32.DLL (built as libunlha32.so in a folder of its own).
#include "tests/ARCHIVES/RecordingUnlha.h"

#include <cstring>
#include <string>
#include <vector>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct State {
    std::string log;
    std::string lastCommand;
    int commandResult = 0;
    std::string outputText;
    win::BOOL checkResult = 1;
    HARC openHandle = 0x51;
    std::vector<ArcEntryRecord> listing;
    size_t cursor = 0;
    win::BOOL exResult = 0;
    win::FILETIME write, access, create;
    uint64_t originalSize = 0, compressedSize = 0;
    win::HWND owner = 0;
    RecorderProgressHook hook = nullptr;
};

State& state() {
    static State s;
    return s;
}

void Log(const std::string& line) {
    state().log += line + "\n";
}

std::string Num(uint64_t v) {
    return std::to_string(v);
}

int NextEntry(ArcEntryRecord* info) {
    State& s = state();
    if (s.cursor >= s.listing.size())
        return -1;
    *info = s.listing[s.cursor++];
    return 0;
}

}  // namespace

EXPORT void RecorderReset() {
    state() = State();
}
EXPORT const char* RecorderLog() {
    return state().log.c_str();
}
EXPORT const char* RecorderLastCommand() {
    return state().lastCommand.c_str();
}

EXPORT void RecorderSetCommandResult(int result, const char* outputText) {
    state().commandResult = result;
    state().outputText = outputText ? outputText : "";
}

EXPORT void RecorderSetArchiveAnswers(win::BOOL checkResult, HARC openHandle) {
    state().checkResult = checkResult;
    state().openHandle = openHandle;
}

EXPORT void RecorderSetListing(const ArcEntryRecord* entries, int count) {
    state().listing.assign(entries, entries + count);
}

EXPORT void RecorderSetExAnswers(win::BOOL result, win::FILETIME write, win::FILETIME access, win::FILETIME create,
                                 uint64_t originalSize, uint64_t compressedSize) {
    State& s = state();
    s.exResult = result;
    s.write = write;
    s.access = access;
    s.create = create;
    s.originalSize = originalSize;
    s.compressedSize = compressedSize;
}

EXPORT void RecorderSetProgressHook(RecorderProgressHook hook) {
    state().hook = hook;
}

EXPORT int Unlha(win::HWND parent, const char* cmdLine, char* output, win::DWORD size) {
    State& s = state();
    s.lastCommand = cmdLine;
    Log("Unlha " + Num(parent) + " " + (output ? "buffer" : "null") + " " + Num(size));
    if (s.owner && s.hook && s.hook(s.owner) != 0)
        return ARCERROR_CANCELLED;
    if (output && size > 0) {
        size_t n = std::min<size_t>(s.outputText.size(), size - 1);
        std::memcpy(output, s.outputText.data(), n);
        output[n] = '\0';
    }
    return s.commandResult;
}

EXPORT win::BOOL UnlhaCheckArchive(const char* fileName, int mode) {
    Log("UnlhaCheckArchive " + std::string(fileName) + " " + Num(mode));
    return state().checkResult;
}

EXPORT int UnlhaGetArchiveType(const char* fileName) {
    Log("UnlhaGetArchiveType " + std::string(fileName));
    return 1;
}

EXPORT HARC UnlhaOpenArchive(win::HWND parent, const char* fileName, win::DWORD mode) {
    Log("UnlhaOpenArchive " + Num(parent) + " " + fileName + " " + Num(mode));
    state().cursor = 0;
    return state().openHandle;
}

EXPORT int UnlhaCloseArchive(HARC arc) {
    Log("UnlhaCloseArchive " + Num(arc));
    return 0;
}

EXPORT int UnlhaFindFirst(HARC arc, const char* wildName, ArcEntryRecord* info) {
    Log("UnlhaFindFirst " + Num(arc) + " " + wildName);
    state().cursor = 0;
    return NextEntry(info);
}

EXPORT int UnlhaFindNext(HARC arc, ArcEntryRecord* info) {
    Log("UnlhaFindNext " + Num(arc));
    return NextEntry(info);
}

EXPORT int UnlhaExtractMem(win::HWND parent, const char* cmdLine, uint8_t* buffer, win::DWORD size, int64_t* unixTime,
                           win::WORD* attributes, win::DWORD* writtenSize) {
    state().lastCommand = cmdLine;
    Log("UnlhaExtractMem " + Num(parent) + " " + Num(size) + " " + (unixTime ? "time" : "null") + " " +
        (attributes ? "attr" : "null"));
    if (buffer && size > 0)
        buffer[0] = 'M';
    if (writtenSize)
        *writtenSize = 1;
    return 0;
}

EXPORT win::BOOL UnlhaSetOwnerWindowEx(win::HWND wnd, ARCHIVERPROC callback) {
    Log("UnlhaSetOwnerWindowEx " + Num(wnd) + " " + (callback ? "callback" : "null"));
    state().owner = wnd;
    return 1;
}

EXPORT win::BOOL UnlhaKillOwnerWindowEx(win::HWND wnd) {
    Log("UnlhaKillOwnerWindowEx " + Num(wnd));
    state().owner = 0;
    return 1;
}

EXPORT win::BOOL UnlhaGetWriteTimeEx(HARC, win::FILETIME* time) {
    if (state().exResult)
        *time = state().write;
    return state().exResult;
}

EXPORT win::BOOL UnlhaGetAccessTimeEx(HARC, win::FILETIME* time) {
    if (state().exResult)
        *time = state().access;
    return state().exResult;
}

EXPORT win::BOOL UnlhaGetCreateTimeEx(HARC, win::FILETIME* time) {
    if (state().exResult)
        *time = state().create;
    return state().exResult;
}

EXPORT win::BOOL UnlhaGetOriginalSizeEx(HARC, uint64_t* size) {
    if (state().exResult)
        *size = state().originalSize;
    return state().exResult;
}

EXPORT win::BOOL UnlhaGetCompressedSizeEx(HARC, uint64_t* size) {
    if (state().exResult)
        *size = state().compressedSize;
    return state().exResult;
}
