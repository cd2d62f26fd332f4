// The Win32 side of the text and path utilities: code-page facts, the
// version test, locale comparison, existence test, folder removal, processes.
#include "platform/text.h"
#include "platform/handles.h"
#include <shellapi.h>
#include <cstring>

void FillLeadByteTable(LeadBytes& table) {
    CPINFO info{};
    table.multiByte = GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
    for (int b = 0; b < 256; ++b) table.lead[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
}

namespace {
LONG cachedPlatformId = -1;
DWORD cachedMajorVersion = 0;
DWORD cachedMinorVersion = 0;

void CacheWindowsVersion() {
    if (cachedPlatformId != -1) return;
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);  // 148 bytes
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&info);
#pragma GCC diagnostic pop
    cachedPlatformId = static_cast<LONG>(info.dwPlatformId);
    cachedMajorVersion = info.dwMajorVersion;
    cachedMinorVersion = info.dwMinorVersion;
}
}

DWORD NtMajorVersion() {
    CacheWindowsVersion();
    return cachedPlatformId == VER_PLATFORM_WIN32_NT ? cachedMajorVersion : 0;
}

void WindowsVersion(DWORD& major, DWORD& minor) {
    CacheWindowsVersion();
    major = cachedMajorVersion;
    minor = cachedMinorVersion;
}

void OverrideWindowsVersionForTests(DWORD platformId, DWORD major, DWORD minor) {
    cachedPlatformId = platformId == 0 ? -1 : static_cast<LONG>(platformId);
    cachedMajorVersion = major;
    cachedMinorVersion = minor;
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

bool RemoveFolderTree(char* path, std::size_t capacity) {
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return false;
    std::size_t len = strnlen(path, capacity);
    if (len + 2 > capacity) return false;  // no room for the list terminator
    path[len + 1] = '\0';
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = path;
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
    return SHFileOperationA(&op) == 0;
}

bool RunProgram(const char* commandLine, const char* workingDir, DWORD waitMs) {
    char line[1024];
    CopyText(line, sizeof line, commandLine);  // CreateProcessA may write to it
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);  // 68 bytes on 32-bit Windows
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, workingDir, &startup, &info))
        return false;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    if (waitMs != 0) WaitForSingleObject(process.get(), waitMs);
    return true;
}
