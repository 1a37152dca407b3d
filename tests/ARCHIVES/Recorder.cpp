#include "tests/ARCHIVES/Recorder.h"

#include <cstdlib>

#include "ARCHIVES/LHA32.h"
#include "platform/win/Modules.h"

namespace tarvo::test {

namespace {

template <typename Proc>
void Bind(win::HMODULE module, const char* name, Proc& proc) {
    proc = reinterpret_cast<Proc>(win::GetProcAddress(module, name));
    if (!proc)
        ADD_FAILURE() << "the recording library lacks " << name << ": is TARVO_LIBRARY_PATH its folder?";
}

}  // namespace

Recorder::Recorder() {
    setenv("TARVO_LIBRARY_PATH", TARVO_RECORDER_DIR, 1);  // in place of the real library's folder
    module = win::LoadLibraryA("UNLHA32.DLL");
    if (!module) {
        ADD_FAILURE() << "UNLHA32.DLL (the recording library) not found";
        return;
    }
    Bind(module, "RecorderReset", Reset);
    Bind(module, "RecorderLog", Log);
    Bind(module, "RecorderLastCommand", LastCommand);
    Bind(module, "RecorderSetCommandResult", SetCommandResult);
    Bind(module, "RecorderSetArchiveAnswers", SetArchiveAnswers);
    Bind(module, "RecorderSetListing", SetListing);
    Bind(module, "RecorderSetExAnswers", SetExAnswers);
    Bind(module, "RecorderSetProgressHook", SetProgressHook);
}

Recorder::~Recorder() {
    if (module)
        win::FreeLibrary(module);
}

void RecorderTest::SetUp() {
    TarvoTest::SetUp();
    ASSERT_NE(recorder_.Reset, nullptr);
    win::ClearModuleHooks();
    ReleaseLhaLibrary();
    recorder_.Reset();
}

void RecorderTest::TearDown() {
    win::ClearModuleHooks();
    ReleaseLhaLibrary();
    TarvoTest::TearDown();
}

}  // namespace tarvo::test
