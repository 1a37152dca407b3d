#include "platform/win/Version.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace win {

namespace {

std::mutex queryLock;
VersionQuery installedQuery;

std::optional<VersionReport> Query() {
    VersionQuery query;
    {
        std::lock_guard<std::mutex> guard(queryLock);
        query = installedQuery;
    }
    if (!query)
        return MachineVersionReport();
    return query();
}

}  // namespace

VersionReport MachineVersionReport() {
    VersionReport report;
    report.majorVersion = 6;
    report.minorVersion = 1;
    report.platformId = VER_PLATFORM_WIN32_NT;
    report.productType = VER_NT_WORKSTATION;
    struct utsname system;
    if (uname(&system) == 0)
        report.csdVersion = std::string(system.sysname) + " " + system.release;
    return report;
}

VersionQuery SetVersionQuery(VersionQuery query) {
    std::lock_guard<std::mutex> guard(queryLock);
    std::swap(installedQuery, query);
    return query;
}

BOOL GetVersionExA(OSVERSIONINFOA* info) {
    if (!info || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) &&
                  info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXA))) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::optional<VersionReport> report = Query();
    if (!report) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    info->dwMajorVersion = report->majorVersion;
    info->dwMinorVersion = report->minorVersion;
    info->dwBuildNumber = report->buildNumber;
    info->dwPlatformId = report->platformId;
    size_t n = std::min(report->csdVersion.size(), sizeof info->szCSDVersion - 1);
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    std::memcpy(info->szCSDVersion, report->csdVersion.data(), n);
    if (info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXA)) {
        auto* ex = static_cast<OSVERSIONINFOEXA*>(info);
        ex->wServicePackMajor = report->servicePackMajor;
        ex->wServicePackMinor = report->servicePackMinor;
        ex->wSuiteMask = report->suiteMask;
        ex->wProductType = report->productType;
        ex->wReserved = 0;
    }
    return TRUE;
}

BOOL GetProductInfo(DWORD, DWORD, DWORD, DWORD, DWORD* productType) {
    if (!productType) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::optional<VersionReport> report = Query();
    *productType = report ? report->productValue : PRODUCT_UNDEFINED;
    if (!report) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    return TRUE;
}

}  // namespace win
