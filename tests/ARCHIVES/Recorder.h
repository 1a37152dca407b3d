#pragma once
// Tests of the component against the recording stand-in of UNLHA32.DLL: the fixture points
// TARVO_LIBRARY_PATH at the recorder's folder, loads it as the module loader finds it, and starts every test
// with a fresh recording and an unbound LHA library.

#include <gtest/gtest.h>

#include <string>

#include "tests/ARCHIVES/RecordingUnlha.h"
#include "tests/support/TestEnvironment.h"

namespace tarvo::test {

// The recorder's control entries, bound through the module loader as the component binds the library's.
struct Recorder {
    Recorder();
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    win::HMODULE module = 0;
    decltype(&RecorderReset) Reset = nullptr;
    decltype(&RecorderLog) Log = nullptr;
    decltype(&RecorderLastCommand) LastCommand = nullptr;
    decltype(&RecorderSetCommandResult) SetCommandResult = nullptr;
    decltype(&RecorderSetArchiveAnswers) SetArchiveAnswers = nullptr;
    decltype(&RecorderSetListing) SetListing = nullptr;
    decltype(&RecorderSetExAnswers) SetExAnswers = nullptr;
    decltype(&RecorderSetProgressHook) SetProgressHook = nullptr;
};

class RecorderTest : public TarvoTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The calls the library got since the test began.
    std::string Log() const { return recorder_.Log(); }
    std::string LastCommand() const { return recorder_.LastCommand(); }
    bool LibraryCommandRan() const { return Log().find("Unlha ") != std::string::npos; }

    Recorder recorder_;
};

}  // namespace tarvo::test
