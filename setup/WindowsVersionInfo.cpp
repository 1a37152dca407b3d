#include "setup/WindowsVersionInfo.h"

#include "platform/win/Modules.h"
#include "platform/win/Version.h"

namespace {

using GetProductInfoProc = win::BOOL (*)(win::DWORD, win::DWORD, win::DWORD, win::DWORD, win::DWORD*);

// GetProductInfo exists only from Vista on: bound by name, product value 0 without it.
win::DWORD ProductValue(win::DWORD major, win::DWORD minor) {
    win::HMODULE kernel = win::LoadLibraryA("kernel32");
    if (!kernel)
        return 0;
    win::DWORD product = 0;
    if (auto getProductInfo = reinterpret_cast<GetProductInfoProc>(win::GetProcAddress(kernel, "GetProductInfo")))
        getProductInfo(major, minor, 0, 0, &product);
    win::FreeLibrary(kernel);
    return product;
}

uint8_t NineXCode(uint32_t major, uint32_t minor) {
    if (major < 4)
        return osWin32sOrOlder;
    if (major > 4)
        return osUnknown;
    if (minor < 10)
        return osWin95;
    if (minor >= 19 && minor <= 89)
        return osWin9xOther;
    return osWin98Me;
}

uint8_t NtCode(uint32_t major, uint32_t minor) {
    switch (major) {
        case 0:
        case 1:
        case 2:
        case 3:
            return osWin32sOrOlder;
        case 4:
            return osWinNT4;
        case 5:
            return minor == 0 ? osWin2000 : minor == 1 ? osWinXP : minor == 2 ? osWinServer2003 : osUnknown;
        case 6:
            return minor == 0 ? osWinVista : minor == 1 ? osWin7 : osWinNewer;
        default:
            return osUnknown;
    }
}

}  // namespace

TWindowsVersionInfo::TWindowsVersionInfo() {
    win::OSVERSIONINFOA basic;
    if (!win::GetVersionExA(&basic))
        return;
    majorVersion_ = basic.dwMajorVersion;
    minorVersion_ = basic.dwMinorVersion;
    buildNumber_ = basic.dwBuildNumber;
    platformId_ = basic.dwPlatformId;
    ComputeSystemCode();
    if (platformId_ != win::VER_PLATFORM_WIN32_NT || majorVersion_ < 4)
        return;
    win::OSVERSIONINFOEXA extended;
    if (!win::GetVersionExA(&extended))
        return;
    suiteMask_ = extended.wSuiteMask;
    productType_ = extended.wProductType;
    servicePackMajor_ = extended.wServicePackMajor;
    servicePackMinor_ = extended.wServicePackMinor;
    ComputeEditionCode();
}

void TWindowsVersionInfo::ComputeSystemCode() {
    switch (platformId_) {
        case win::VER_PLATFORM_WIN32s:
            systemCode_ = osWin32sOrOlder;
            break;
        case win::VER_PLATFORM_WIN32_WINDOWS:
            systemCode_ = NineXCode(majorVersion_, minorVersion_);
            break;
        case win::VER_PLATFORM_WIN32_NT:
            systemCode_ = NtCode(majorVersion_, minorVersion_);
            break;
        default:
            systemCode_ = osUnknown;
    }
}

void TWindowsVersionInfo::ComputeEditionCode() {
    const bool workstation = productType_ == win::VER_NT_WORKSTATION;
    const bool enterprise = suiteMask_ & win::VER_SUITE_ENTERPRISE;
    switch (systemCode_) {
        case osWinNT4:
            editionCode_ = workstation ? 1 : 4;
            break;
        case osWin2000:
            editionCode_ = workstation ? 3 : enterprise ? 5 : 4;
            break;
        case osWinXP:
            editionCode_ = (suiteMask_ & win::VER_SUITE_PERSONAL) ? 2 : 3;
            break;
        case osWinServer2003:
            editionCode_ = enterprise ? 6 : (suiteMask_ & win::VER_SUITE_BLADE) ? 7 : 4;
            break;
        case osWinVista:
            editionCode_ = VistaEdition();
            break;
        case osWinNewer:
            editionCode_ = 4;
            break;
        default:
            editionCode_ = 0;
    }
}

uint8_t TWindowsVersionInfo::VistaEdition() const {
    switch (ProductValue(majorVersion_, minorVersion_)) {
        case win::PRODUCT_ULTIMATE:
            return 8;
        case win::PRODUCT_HOME_BASIC:
            return 9;
        case win::PRODUCT_HOME_PREMIUM:
            return 10;
        case win::PRODUCT_ENTERPRISE:
            return 12;
        case win::PRODUCT_HOME_BASIC_N:
            return 15;
        case win::PRODUCT_BUSINESS:
            return 11;
        case win::PRODUCT_STARTER:
            return 13;
        case win::PRODUCT_BUSINESS_N:
            return 14;
        default:
            return 0;
    }
}
