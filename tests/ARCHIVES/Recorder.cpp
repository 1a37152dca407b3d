#include "tests/ARCHIVES/Recorder.h"

#include <algorithm>
#include <cstdlib>

#include "ARCHIVES/ARJ32.h"
#include "ARCHIVES/BGA32.h"
#include "ARCHIVES/CAB32.h"
#include "ARCHIVES/LHA32.h"
#include "ARCHIVES/RAR32.h"
#include "ARCHIVES/SZIP32.h"
#include "ARCHIVES/TAR32.h"
#include "ARCHIVES/YZ132.h"
#include "ARCHIVES/ZIP32.h"
#include "platform/win/Modules.h"

namespace tarvo::test {

const char* const RecordingLibraries[12] = {"UNLHA32.DLL", "UNZIP32.DLL",  "ZIP32J.DLL", "LMZIP32.DLL",
                                            "CAB32.DLL",   "UNARJ32J.DLL", "TAR32.DLL",  "UNRAR32.DLL",
                                            "BGA32.DLL",   "YYZ32.DLL",    "YZ1.DLL",    "7-zip32.dll"};

namespace {

template <typename Proc>
void Bind(win::HMODULE module, const char* name, Proc& proc) {
    proc = reinterpret_cast<Proc>(win::GetProcAddress(module, name));
    if (!proc)
        ADD_FAILURE() << "the recording library lacks " << name << ": is TARVO_LIBRARY_PATH its folder?";
}

}  // namespace

RecorderFolder::RecorderFolder() {
    if (const char* path = std::getenv("TARVO_LIBRARY_PATH")) {
        saved_ = path;
        wasSet_ = true;
    }
    setenv("TARVO_LIBRARY_PATH", TARVO_RECORDER_DIR, 1);
}

RecorderFolder::~RecorderFolder() {
    if (wasSet_)
        setenv("TARVO_LIBRARY_PATH", saved_.c_str(), 1);
    else
        unsetenv("TARVO_LIBRARY_PATH");
}

Recorder::Recorder(const std::string& moduleName) {
    module = win::LoadLibraryA(moduleName.c_str());
    if (!module) {
        ADD_FAILURE() << moduleName << " (the recording library) not found";
        return;
    }
    Bind(module, "RecorderReset", Reset);
    Bind(module, "RecorderLog", Log);
    Bind(module, "RecorderLastCommand", LastCommand);
    Bind(module, "RecorderSetCommandResult", SetCommandResult);
    Bind(module, "RecorderSetCommandRaises", SetCommandRaises);
    Bind(module, "RecorderSetArchiveAnswers", SetArchiveAnswers);
    Bind(module, "RecorderSetArchiveType", SetArchiveType);
    Bind(module, "RecorderSetListing", SetListing);
    Bind(module, "RecorderSetExAnswers", SetExAnswers);
    Bind(module, "RecorderSetProgressHook", SetProgressHook);
    Bind(module, "RecorderSetPassword", SetPassword);
    Bind(module, "RecorderSetDialogAnswers", SetDialogAnswers);
}

Recorder::~Recorder() {
    if (module)
        win::FreeLibrary(module);
}

void ReleaseArchiverLibraries() {
    ReleaseLhaLibrary();
    ReleaseZipLibrary();
    ReleaseCabLibrary();
    ReleaseArjLibrary();
    ReleaseTarLibrary();
    ReleaseRarLibrary();
    ReleaseBgaLibrary();
    ReleaseYz1Library();
    ReleaseSevenZipLibrary();
}

RecordingLibrariesTest::RecordingLibrariesTest() {
    for (const char* name : RecordingLibraries)
        recorders_.emplace(name, std::make_unique<Recorder>(name));
}

void RecordingLibrariesTest::SetUp() {
    TarvoTest::SetUp();
    win::ClearModuleHooks();
    ReleaseArchiverLibraries();
    for (auto& [name, recorder] : recorders_) {
        ASSERT_NE(recorder->Reset, nullptr) << name;
        recorder->Reset();
    }
}

void RecordingLibrariesTest::TearDown() {
    win::ClearModuleHooks();
    ReleaseArchiverLibraries();
    TarvoTest::TearDown();
}

void RecordingLibrariesTest::OnlyVisible(std::initializer_list<std::string> moduleNames) {
    for (const char* name : RecordingLibraries)
        if (std::find(moduleNames.begin(), moduleNames.end(), name) == moduleNames.end())
            win::HideModule(name);
}

void RecorderTest::SetUp() {
    RecordingLibrariesTest::SetUp();
    OnlyVisible({"UNLHA32.DLL"});
}

}  // namespace tarvo::test
