// The version the system reports, read once, and the one tests put in its place.
#include "platform/windows_version.h"

// The version record of the x86 build is the size Windows 9x expects.
static_assert(sizeof(OSVERSIONINFOA) == 148, "version record");

namespace {
WindowsVersionInfo systemVersion{};
WindowsVersionInfo testVersion{};

const WindowsVersionInfo& ReportedVersion() {
    if (testVersion.platformId != 0) return testVersion;
    if (systemVersion.platformId == 0) {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof(info);  // 148 bytes
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        GetVersionExA(&info);
#pragma GCC diagnostic pop
        systemVersion = {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
    }
    return systemVersion;
}
}  // namespace

DWORD NtMajorVersion() {
    const WindowsVersionInfo& version = ReportedVersion();
    return version.platformId == VER_PLATFORM_WIN32_NT ? version.major : 0;
}

void WindowsVersion(DWORD& major, DWORD& minor) {
    const WindowsVersionInfo& version = ReportedVersion();
    major = version.major;
    minor = version.minor;
}

WindowsVersionInfo SetWindowsVersionForTests(WindowsVersionInfo version) {
    WindowsVersionInfo previous = testVersion;
    testVersion = version.platformId == 0 ? WindowsVersionInfo{} : version;
    return previous;
}
