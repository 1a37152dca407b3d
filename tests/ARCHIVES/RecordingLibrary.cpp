// A recording stand-in for an archiver library, built once per library name: RECORDER_PREFIX is the entry
// prefix (the command entry is the prefix alone), RECORDER_SECOND_COMMAND an optional second command entry.
#include "tests/ARCHIVES/RecordingLibrary.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#define EXPORT extern "C" __attribute__((visibility("default")))
#define RECORDER_CAT2(a, b) a##b
#define RECORDER_CAT(a, b) RECORDER_CAT2(a, b)
#define ENTRY(suffix) RECORDER_CAT(RECORDER_PREFIX, suffix)
#define RECORDER_STR2(x) #x
#define RECORDER_STR(x) RECORDER_STR2(x)
#define PREFIX RECORDER_STR(RECORDER_PREFIX)

namespace {

constexpr int PasswordRequired = 32778;

struct State {
    std::string log;
    std::string lastCommand;
    int commandResult = 0;
    std::string outputText;
    std::optional<std::string> commandRaises;
    win::BOOL checkResult = 1;
    HARC openHandle = 0x51;
    int archiveType = 0;
    std::vector<ArcEntryRecord> listing;
    size_t cursor = 0;
    win::BOOL exResult = 0;
    win::FILETIME write, access, create;
    uint64_t originalSize = 0, compressedSize = 0;
    win::HWND owner = 0;
    RecorderProgressHook hook = nullptr;
    bool passwordSet = false;
    std::string password, given;
    std::vector<std::string> dialogAnswers;
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

int Command(const char* entry, win::HWND parent, const char* cmdLine, char* output, win::DWORD size) {
    State& s = state();
    s.lastCommand = cmdLine;
    Log(std::string(entry) + " " + Num(parent) + " " + (output ? "buffer" : "null") + " " + Num(size));
    if (s.owner && s.hook && s.hook(s.owner) != 0)
        return ARCERROR_CANCELLED;
    if (s.commandRaises)
        throw std::runtime_error(*s.commandRaises);
    if (output && size > 0) {
        size_t n = std::min<size_t>(s.outputText.size(), size - 1);
        std::memcpy(output, s.outputText.data(), n);
        output[n] = '\0';
    }
    return s.commandResult;
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

EXPORT void RecorderSetCommandRaises(const char* what) {
    state().commandRaises = what ? std::optional<std::string>(what) : std::nullopt;
}

EXPORT void RecorderSetArchiveAnswers(win::BOOL checkResult, HARC openHandle) {
    state().checkResult = checkResult;
    state().openHandle = openHandle;
}

EXPORT void RecorderSetArchiveType(int type) {
    state().archiveType = type;
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

EXPORT void RecorderSetPassword(const char* required) {
    state().passwordSet = required != nullptr;
    state().password = required ? required : "";
}

EXPORT void RecorderSetDialogAnswers(const char* const* answers, int count) {
    state().dialogAnswers.assign(answers, answers + count);
}

EXPORT int RECORDER_PREFIX(win::HWND parent, const char* cmdLine, char* output, win::DWORD size) {
    return Command(PREFIX, parent, cmdLine, output, size);
}

#ifdef RECORDER_SECOND_COMMAND
EXPORT int RECORDER_SECOND_COMMAND(win::HWND parent, const char* cmdLine, char* output, win::DWORD size) {
    return Command(RECORDER_STR(RECORDER_SECOND_COMMAND), parent, cmdLine, output, size);
}
#endif

EXPORT win::BOOL ENTRY(CheckArchive)(const char* fileName, int mode) {
    Log(PREFIX "CheckArchive " + std::string(fileName) + " " + Num(mode));
    return state().checkResult;
}

EXPORT int ENTRY(GetArchiveType)(const char* fileName) {
    Log(PREFIX "GetArchiveType " + std::string(fileName));
    return state().archiveType;
}

EXPORT HARC ENTRY(OpenArchive)(win::HWND parent, const char* fileName, win::DWORD mode) {
    Log(PREFIX "OpenArchive " + Num(parent) + " " + fileName + " " + Num(mode));
    state().cursor = 0;
    return state().openHandle;
}

EXPORT int ENTRY(CloseArchive)(HARC arc) {
    Log(PREFIX "CloseArchive " + Num(arc));
    return 0;
}

EXPORT int ENTRY(FindFirst)(HARC arc, const char* wildName, ArcEntryRecord* info) {
    Log(PREFIX "FindFirst " + Num(arc) + " " + wildName);
    State& s = state();
    if (s.passwordSet && s.given != s.password)
        return PasswordRequired;
    s.cursor = 0;
    return NextEntry(info);
}

EXPORT int ENTRY(FindNext)(HARC arc, ArcEntryRecord* info) {
    Log(PREFIX "FindNext " + Num(arc));
    return NextEntry(info);
}

EXPORT int ENTRY(ExtractMem)(win::HWND parent, const char* cmdLine, uint8_t* buffer, win::DWORD size, int64_t* unixTime,
                             win::WORD* attributes, win::DWORD* writtenSize) {
    state().lastCommand = cmdLine;
    Log(PREFIX "ExtractMem " + Num(parent) + " " + Num(size) + " " + (unixTime ? "time" : "null") + " " +
        (attributes ? "attr" : "null"));
    if (buffer && size > 0)
        buffer[0] = 'M';
    if (writtenSize)
        *writtenSize = 1;
    return 0;
}

EXPORT win::BOOL ENTRY(SetOwnerWindowEx)(win::HWND wnd, ARCHIVERPROC callback) {
    Log(PREFIX "SetOwnerWindowEx " + Num(wnd) + " " + (callback ? "callback" : "null"));
    state().owner = wnd;
    return 1;
}

EXPORT win::BOOL ENTRY(KillOwnerWindowEx)(win::HWND wnd) {
    Log(PREFIX "KillOwnerWindowEx " + Num(wnd));
    state().owner = 0;
    return 1;
}

EXPORT win::BOOL ENTRY(GetWriteTimeEx)(HARC, win::FILETIME* time) {
    if (state().exResult)
        *time = state().write;
    return state().exResult;
}

EXPORT win::BOOL ENTRY(GetAccessTimeEx)(HARC, win::FILETIME* time) {
    if (state().exResult)
        *time = state().access;
    return state().exResult;
}

EXPORT win::BOOL ENTRY(GetCreateTimeEx)(HARC, win::FILETIME* time) {
    if (state().exResult)
        *time = state().create;
    return state().exResult;
}

EXPORT win::BOOL ENTRY(GetOriginalSizeEx)(HARC, uint64_t* size) {
    if (state().exResult)
        *size = state().originalSize;
    return state().exResult;
}

EXPORT win::BOOL ENTRY(GetCompressedSizeEx)(HARC, uint64_t* size) {
    if (state().exResult)
        *size = state().compressedSize;
    return state().exResult;
}

EXPORT int ENTRY(SetDefaultPassword)(HARC arc, const char* password) {
    Log(PREFIX "SetDefaultPassword " + Num(arc) + " " + password);
    state().given = password;
    return 0;
}

EXPORT int ENTRY(PasswordDialog)(win::HWND wnd, char* buffer, win::DWORD size) {
    Log(PREFIX "PasswordDialog " + Num(wnd) + " " + Num(size));
    State& s = state();
    if (s.dialogAnswers.empty())
        return -1;
    std::string answer = s.dialogAnswers.front();
    s.dialogAnswers.erase(s.dialogAnswers.begin());
    size_t n = std::min<size_t>(answer.size() + 1, size);  // the NUL only when it fits
    std::memcpy(buffer, answer.c_str(), n);
    return 0;
}
