#pragma once
// kernel32's version query. What the layer reports is the Windows interface it provides: the NT family at
// version 6.1 (it offers what programs of that level look up: layered windows, GetProductInfo, the NT registry
// and token calls), a workstation with no service pack, no suite and no Windows edition (PRODUCT_UNDEFINED).
// It claims no Windows build: the build number is 0 and the service-pack text names the system underneath
// ("Linux 6.1.0-18-amd64"). Tests replace the query with a fake to reach any other answer.

#include <functional>
#include <optional>
#include <string>

#include "platform/win/WinTypes.h"

namespace win {

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

constexpr WORD VER_SUITE_ENTERPRISE = 0x0002;
constexpr WORD VER_SUITE_PERSONAL = 0x0200;
constexpr WORD VER_SUITE_BLADE = 0x0400;
constexpr BYTE VER_NT_WORKSTATION = 1;

constexpr DWORD PRODUCT_UNDEFINED = 0x00;
constexpr DWORD PRODUCT_ULTIMATE = 0x01;
constexpr DWORD PRODUCT_HOME_BASIC = 0x02;
constexpr DWORD PRODUCT_HOME_PREMIUM = 0x03;
constexpr DWORD PRODUCT_ENTERPRISE = 0x04;
constexpr DWORD PRODUCT_HOME_BASIC_N = 0x05;
constexpr DWORD PRODUCT_BUSINESS = 0x06;
constexpr DWORD PRODUCT_STARTER = 0x0B;
constexpr DWORD PRODUCT_BUSINESS_N = 0x10;

constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;

// The basic record (148 bytes).
struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    DWORD dwMajorVersion = 0;
    DWORD dwMinorVersion = 0;
    DWORD dwBuildNumber = 0;
    DWORD dwPlatformId = 0;
    char szCSDVersion[128] = {};
};
// The extended record (156 bytes); its size field says which one the caller passes.
struct OSVERSIONINFOEXA : OSVERSIONINFOA {
    OSVERSIONINFOEXA() { dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA); }
    WORD wServicePackMajor = 0;
    WORD wServicePackMinor = 0;
    WORD wSuiteMask = 0;
    BYTE wProductType = 0;
    BYTE wReserved = 0;
};
static_assert(sizeof(OSVERSIONINFOA) == 148 && sizeof(OSVERSIONINFOEXA) == 156);

// Fills the record its size field names (a 156-byte size means the pointer is to an OSVERSIONINFOEXA).
// FALSE with ERROR_INSUFFICIENT_BUFFER for any other size, ERROR_NOT_SUPPORTED when the query fails.
BOOL GetVersionExA(OSVERSIONINFOA* info);
// The product value of the running system (the version arguments are not needed to tell it).
BOOL GetProductInfo(DWORD osMajor, DWORD osMinor, DWORD spMajor, DWORD spMinor, DWORD* productType);

// Everything the two calls report.
struct VersionReport {
    DWORD majorVersion = 0;
    DWORD minorVersion = 0;
    DWORD buildNumber = 0;
    DWORD platformId = 0;
    std::string csdVersion;  // cut to 127 bytes in the record
    WORD servicePackMajor = 0;
    WORD servicePackMinor = 0;
    WORD suiteMask = 0;
    BYTE productType = 0;
    DWORD productValue = PRODUCT_UNDEFINED;
};
// A source of reports; nullopt makes both calls fail.
using VersionQuery = std::function<std::optional<VersionReport>()>;
// Replaces the query for the whole process (an empty one: this machine's again); returns the previous one.
VersionQuery SetVersionQuery(VersionQuery query);
// What this machine reports (see the top of this file).
VersionReport MachineVersionReport();

}  // namespace win
