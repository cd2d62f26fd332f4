// The Win32 side of the text and path utilities: code-page facts, the
// version test, locale comparison, existence test, folder removal, processes.
#include "platform/text.h"
#include "platform/handles.h"
#include <climits>
#include <cstring>
#include <cwchar>
#include <vector>
#include <string>

void FillLeadByteTable(LeadBytes& table) {
    CPINFO info{};
    table.multiByte = GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
    for (int b = 0; b < 256; ++b) table.lead[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
}

namespace {
// The version the system reports, read once, and the one tests put in its place.
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

namespace {
UINT testCodePage = 0;
UINT AnsiCodePage() { return testCodePage != 0 ? testCodePage : GetACP(); }

// WC_NO_BEST_FIT_CHARS and the default-character report where the code page
// and the system take them (Windows 2000 on); elsewhere the text is converted
// back and compared, which refuses look-alikes and lost characters alike.
bool BestFitRefusable(UINT codePage) { return !ConversionTakesNoFlags(codePage) && NtMajorVersion() >= 5; }

bool RoundTrips(UINT codePage, const char* ansi, const wchar_t* wide) {
    std::vector<wchar_t> back(std::wcslen(wide) + 2, L'\0');
    int chars = MultiByteToWideChar(codePage, 0, ansi, -1, back.data(), static_cast<int>(back.size()));
    return chars > 0 && std::wcscmp(back.data(), wide) == 0;
}
}  // namespace

UINT SetAnsiCodePageForTests(UINT codePage) {
    UINT previous = testCodePage;
    testCodePage = codePage;
    return previous;
}

bool WideFromAnsi(const char* text, wchar_t* out, std::size_t capacity) {
    UINT codePage = AnsiCodePage();
    bool strict = !ConversionTakesNoFlags(codePage) || codePage == 65001 || codePage == 54936;
    int size = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
    if (size == 0 || MultiByteToWideChar(codePage, strict ? MB_ERR_INVALID_CHARS : 0, text, -1, out, size) == 0)
        return false;
    if (strict) return true;
    std::string back(std::strlen(text) + 2, '\0');
    return WideCharToMultiByte(codePage, 0, out, -1, &back[0], static_cast<int>(back.size()), nullptr, nullptr) >
               0 &&
           std::strcmp(back.c_str(), text) == 0;
}

bool AnsiFromWide(const wchar_t* text, char* out, std::size_t capacity) {
    UINT codePage = AnsiCodePage();
    int size = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
    if (size == 0) return false;
    if (BestFitRefusable(codePage)) {
        BOOL lossy = FALSE;
        return WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text, -1, out, size, nullptr, &lossy) > 0 &&
               !lossy;
    }
    return WideCharToMultiByte(codePage, 0, text, -1, out, size, nullptr, nullptr) > 0 &&
           RoundTrips(codePage, out, text);
}

int CompareTextNoCase(const char* a, const char* b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_STRINGSORT, a, -1, b, -1) - 2;
}

bool FileExistsAnyName(const char* name, const wchar_t* wideName) {
    DWORD attributes;
    if (NtMajorVersion() != 0 && wideName && wideName[0] != L'\0')
        attributes = GetFileAttributesW(wideName);
    else
        attributes = GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES;
}

// The start-up and version records of the x86 build are the sizes Windows 9x
// expects; the x64 build's start-up record is larger and sized by the compiler.
static_assert(sizeof(void*) != 4 || sizeof(STARTUPINFOA) == 68, "x86 start-up record");
static_assert(sizeof(OSVERSIONINFOA) == 148, "version record");

bool RunProgram(const char* commandLine, const char* workingDir, DWORD waitMs) {
    char line[PathSize];
    // CreateProcessA may write to the line. A cut line would start another
    // program or pass other arguments, so it is not started at all.
    if (!commandLine || !CopyText(line, sizeof line, commandLine)) return false;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);  // 68 bytes on 32-bit Windows
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, workingDir, &startup, &info))
        return false;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    if (waitMs != 0) WaitForSingleObject(process.get(), waitMs);
    return true;
}
