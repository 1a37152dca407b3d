#pragma once
// Tests of the component against the recording stand-ins of the archiver libraries: the fixture points
// TARVO_LIBRARY_PATH at the recorders' folder, loads each recorder as the module loader finds it, and starts
// every test with fresh recordings and no format library bound.

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <string>

#include "tests/ARCHIVES/RecordingLibrary.h"
#include "tests/support/Raised.h"
#include "tests/support/TestEnvironment.h"

namespace tarvo::test {

// The library names there is a recorder for.
extern const char* const RecordingLibraries[12];

// TARVO_LIBRARY_PATH is the recorders' folder (in place of the real libraries' one) while it lives.
class RecorderFolder {
public:
    RecorderFolder();
    ~RecorderFolder();
    RecorderFolder(const RecorderFolder&) = delete;
    RecorderFolder& operator=(const RecorderFolder&) = delete;

private:
    std::string saved_;
    bool wasSet_ = false;
};

// One recorder's control entries, bound through the module loader as the component binds the library's.
struct Recorder {
    explicit Recorder(const std::string& moduleName);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    win::HMODULE module = 0;
    decltype(&RecorderReset) Reset = nullptr;
    decltype(&RecorderLog) Log = nullptr;
    decltype(&RecorderLastCommand) LastCommand = nullptr;
    decltype(&RecorderSetCommandResult) SetCommandResult = nullptr;
    decltype(&RecorderSetCommandRaises) SetCommandRaises = nullptr;
    decltype(&RecorderSetArchiveAnswers) SetArchiveAnswers = nullptr;
    decltype(&RecorderSetArchiveType) SetArchiveType = nullptr;
    decltype(&RecorderSetListing) SetListing = nullptr;
    decltype(&RecorderSetExAnswers) SetExAnswers = nullptr;
    decltype(&RecorderSetProgressHook) SetProgressHook = nullptr;
    decltype(&RecorderSetPassword) SetPassword = nullptr;
    decltype(&RecorderSetDialogAnswers) SetDialogAnswers = nullptr;
};

// Frees every format's process-wide library object.
void ReleaseArchiverLibraries();

// Every recorder loaded and reset, every one visible to the component until a test hides some.
class RecordingLibrariesTest : public TarvoTest {
protected:
    RecordingLibrariesTest();
    void SetUp() override;
    void TearDown() override;

    Recorder& Library(const std::string& moduleName) { return *recorders_.at(moduleName); }
    // The calls a library got since the test began, and the line of its last command.
    std::string LogOf(const std::string& moduleName) { return Library(moduleName).Log(); }
    std::string Last(const std::string& moduleName) { return Library(moduleName).LastCommand(); }
    // Makes every recording library but these fail to load.
    void OnlyVisible(std::initializer_list<std::string> moduleNames);

private:
    RecorderFolder folder_;
    std::map<std::string, std::unique_ptr<Recorder>> recorders_;
};

// The LHA driver's tests: only UNLHA32.DLL is there.
class RecorderTest : public RecordingLibrariesTest {
protected:
    void SetUp() override;

    // The calls the library got since the test began.
    std::string Log() const { return recorder_.Log(); }
    std::string LastCommand() const { return recorder_.LastCommand(); }
    bool LibraryCommandRan() const { return Log().find("Unlha ") != std::string::npos; }

    Recorder& recorder_ = Library("UNLHA32.DLL");
};

}  // namespace tarvo::test
