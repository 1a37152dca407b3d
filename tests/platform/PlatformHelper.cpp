// A second process for the platform tests: writes registry values, holds a named mutex, reports its
// arguments or exits with a code, as the first argument asks.
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "platform/win/Mutex.h"
#include "platform/win/WinReg.h"

namespace {

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

void Touch(const std::string& path) {
    std::ofstream(path).put('x');
}

// Waits (at most a minute) for the test to create the release file.
int WaitForRelease(const std::string& ready, const std::string& release) {
    Touch(ready);
    for (int i = 0; i < 6000 && !Exists(release); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return Exists(release) ? 0 : 3;
}

int WriteValues(const std::string& prefix, int count) {
    for (int i = 0; i < count; ++i) {
        win::HKEY key;
        if (win::RegCreateKeyExA(win::HKEY_CURRENT_USER, "Software\\Concurrency", 0, nullptr, 0, win::KEY_WRITE,
                                 nullptr, &key, nullptr) != win::ERROR_SUCCESS)
            return 1;
        win::DWORD v = static_cast<win::DWORD>(i);
        std::string name = prefix + std::to_string(i);
        bool ok = win::RegSetValueExA(key, name.c_str(), 0, win::REG_DWORD, reinterpret_cast<win::BYTE*>(&v),
                                      sizeof v) == win::ERROR_SUCCESS;
        win::RegCloseKey(key);
        if (!ok)
            return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "reg-write" && argc == 4)
        return WriteValues(argv[2], std::stoi(argv[3]));
    if (mode == "hold-mutex" && argc == 5) {
        win::CreateMutexA(nullptr, win::TRUE, argv[2]);
        if (win::GetLastError() != win::ERROR_SUCCESS)
            return 2;
        return WaitForRelease(argv[3], argv[4]);
    }
    if (mode == "wait" && argc == 4)
        return WaitForRelease(argv[2], argv[3]);
    if (mode == "args" && argc >= 3) {
        std::ofstream out(argv[2], std::ios::binary);
        for (int i = 3; i < argc; ++i)
            out << argv[i] << '\0';
        return out.good() ? 0 : 1;
    }
    if (mode == "exit" && argc == 3)
        return std::stoi(argv[2]);
    return 100;
}
