// Test helpers of the integration tests: the shell's special folders pointed
// at scratch folders, shell links read back, registry trees dumped as text,
// and scoped overrides of the Windows version and the program folder.
#pragma once
#include "tests/support/harness.h"
#include "integration/associations.h"
#include "platform/program_path.h"
#include "platform/text.h"
#include <windows.h>
#include <shlobj.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace itest {

constexpr char ShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

inline void SetRegText(HKEY root, const std::string& key, const std::string& name, const std::string& text) {
    HKEY k;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) != ERROR_SUCCESS) return;
    RegSetValueExA(k, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
    RegCloseKey(k);
}

inline bool HasValue(HKEY root, const std::string& key, const std::string& name) {
    bool found = false;
    test::ReadRegString(root, key, name, &found);
    return found;
}

// Desktop, Start menu, Programs and all users' Programs of this process, in
// fresh folders below `root`. Needs a ScratchRegistry: the shell reads the
// locations from HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
struct ShellFolders {
    explicit ShellFolders(const test::ScratchDir& root)
        : desktop(root / "Desktop"), startMenu(root / "StartMenu"),
          programs(root / "StartMenu\\Programs"), commonPrograms(root / "CommonPrograms") {
        for (const std::string* f : {&desktop, &startMenu, &programs, &commonPrograms}) test::MakeDir(*f);
        SetRegText(HKEY_CURRENT_USER, ShellFoldersKey, "Desktop", desktop);
        SetRegText(HKEY_CURRENT_USER, ShellFoldersKey, "Start Menu", startMenu);
        SetRegText(HKEY_CURRENT_USER, ShellFoldersKey, "Programs", programs);
        SetRegText(HKEY_LOCAL_MACHINE, ShellFoldersKey, "Common Programs", commonPrograms);
    }
    std::string desktop, startMenu, programs, commonPrograms;
};

struct ComScope {
    ComScope() { CoInitialize(nullptr); }
    ~ComScope() { CoUninitialize(); }
};

// The platform the program sees: VER_PLATFORM_WIN32_NT or VER_PLATFORM_WIN32_WINDOWS.
struct WindowsVersionScope {
    WindowsVersionScope(DWORD platform, DWORD major, DWORD minor) {
        SetWindowsVersionForTests({platform, major, minor});
    }
    ~WindowsVersionScope() { SetWindowsVersionForTests({0, 0, 0}); }
};
struct Nt { WindowsVersionScope scope{VER_PLATFORM_WIN32_NT, 6, 1}; };
struct Win98 { WindowsVersionScope scope{VER_PLATFORM_WIN32_WINDOWS, 4, 10}; };

struct ProgramFolderScope {
    explicit ProgramFolderScope(const std::string& folder) { SetProgramFolderForTests(folder.c_str()); }
    ~ProgramFolderScope() { SetProgramFolderForTests(nullptr); }
};

struct LinkInfo {
    bool loaded = false;
    std::string target, description;
};

// A shell link read back through the shell's own link object.
inline LinkInfo ReadLink(const std::string& path) {
    LinkInfo info;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return info;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t wide[1024];
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 1024);
        if (SUCCEEDED(file->Load(wide, STGM_READ))) {
            char text[1024] = "";
            info.loaded = true;
            if (SUCCEEDED(link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH))) info.target = text;
            text[0] = '\0';
            if (SUCCEEDED(link->GetDescription(text, sizeof text))) info.description = text;
        }
        file->Release();
    }
    link->Release();
    return info;
}

// The names in a folder, sorted; folders end in a backslash.
inline std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string n = fd.cFileName;
        if (n == "." || n == "..") continue;
        names.push_back(n + ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "\\" : ""));
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

inline void DumpKey(HKEY root, const std::string& path, std::vector<std::string>& lines) {
    HKEY k;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return;
    lines.push_back("[" + path + "]");
    for (DWORD i = 0;; ++i) {
        char name[512];
        BYTE data[4096];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(k, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        std::string line = "[" + path + "] \"" + name + "\" type " + std::to_string(type) + " =";
        for (DWORD b = 0; b < dataSize; ++b) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02x", data[b]);
            line += hex;
        }
        lines.push_back(line);
    }
    std::vector<std::string> children;
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(k, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        children.push_back(name);
    }
    RegCloseKey(k);
    for (const std::string& child : children) DumpKey(root, path.empty() ? child : path + "\\" + child, lines);
}

// Every key and value below a key, one sorted line each.
inline std::vector<std::string> DumpTree(HKEY root, const std::string& path) {
    std::vector<std::string> lines;
    DumpKey(root, path, lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The number of values of a key, -1 when it does not exist.
inline int ValueCount(HKEY root, const std::string& key) {
    HKEY k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return -1;
    DWORD values = 0;
    RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(k);
    return static_cast<int>(values);
}

}  // namespace itest
