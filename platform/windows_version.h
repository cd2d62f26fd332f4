// The platform test: which Windows family and version the program runs on.
#pragma once
#include <windows.h>

// Non-zero (the major version) on the Windows NT family, 0 on Windows 9x.
DWORD NtMajorVersion();
// The major and minor version GetVersionExA reports (read once, like the above).
void WindowsVersion(DWORD& major, DWORD& minor);
// Tests only: the two functions above report this platform (VER_PLATFORM_WIN32_NT
// or VER_PLATFORM_WIN32_WINDOWS) and version; a platformId of 0 restores the
// real one. Returns the previous setting ({0, 0, 0} when the real one was reported).
struct WindowsVersionInfo {
    DWORD platformId;
    DWORD major;
    DWORD minor;
};
WindowsVersionInfo SetWindowsVersionForTests(WindowsVersionInfo version);
