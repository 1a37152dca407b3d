#pragma once
// A snapshot, taken in the constructor, of the Windows version the program is running on: the version numbers
// name the system, and on NT the suite and product data add the edition. All fields stay 0 if the version is
// unreadable.

#include <cstdint>

// System codes.
enum : uint8_t {
    osWin32sOrOlder = 0,
    osWin95 = 1,
    osWin9xOther = 2,
    osWin98Me = 3,
    osWinNT4 = 4,
    osWin2000 = 5,
    osWinXP = 6,
    osWinServer2003 = 7,
    osWinVista = 8,
    osWin7 = 9,
    osWinNewer = 10,
    osUnknown = 11
};

class TWindowsVersionInfo {
public:
    TWindowsVersionInfo();

    uint8_t SystemCode() const { return systemCode_; }
    uint32_t MajorVersion() const { return majorVersion_; }
    uint32_t MinorVersion() const { return minorVersion_; }
    uint32_t BuildNumber() const { return buildNumber_; }
    uint32_t PlatformId() const { return platformId_; }
    uint16_t SuiteMask() const { return suiteMask_; }
    uint8_t ProductType() const { return productType_; }
    uint8_t EditionCode() const { return editionCode_; }
    uint16_t ServicePackMajor() const { return servicePackMajor_; }
    uint16_t ServicePackMinor() const { return servicePackMinor_; }

private:
    void ComputeSystemCode();
    void ComputeEditionCode();
    uint8_t VistaEdition() const;

    uint8_t systemCode_ = 0;
    uint32_t majorVersion_ = 0;
    uint32_t minorVersion_ = 0;
    uint32_t buildNumber_ = 0;
    uint32_t platformId_ = 0;
    uint16_t suiteMask_ = 0;
    uint8_t productType_ = 0;
    uint8_t editionCode_ = 0;
    uint16_t servicePackMajor_ = 0;
    uint16_t servicePackMinor_ = 0;
};
