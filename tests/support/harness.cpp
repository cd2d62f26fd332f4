// Implementation of the shared test helpers.
#include "tests/support/harness.h"
#include <shellapi.h>
#include <cstdio>

namespace test {

std::string WinePath(const std::string& unixPath) {
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

std::string BinDir() { return WinePath(QAV_BIN_DIR); }
std::string ProductExe() { return BinDir() + "\\uninstall.exe"; }
std::string TestProgram(const std::string& name) { return BinDir() + "\\testprogs\\" + name + ".exe"; }
std::string ResourceDll(const std::string& name) { return BinDir() + "\\resdll\\" + name + ".dll"; }
std::string SourceDir() { return WinePath(QAV_SOURCE_DIR); }

ScratchDir::ScratchDir(const std::string& hint) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    static unsigned counter = 0;
    for (;;) {
        char name[MAX_PATH + 64];
        std::snprintf(name, sizeof name, "%s%s-%lu-%u", temp, hint.c_str(), GetCurrentProcessId(), ++counter);
        if (CreateDirectoryA(name, nullptr)) { path_ = name; break; }
        if (GetLastError() != ERROR_ALREADY_EXISTS) { path_ = name; break; }
    }
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

ScratchRegistry::ScratchRegistry() {
    static unsigned counter = 0;
    char name[128];
    std::snprintf(name, sizeof name, "Software\\QavTests\\%lu-%u-%lu", GetCurrentProcessId(), ++counter, GetTickCount());
    base_ = name;
    const char* parts[3] = {"HKCR", "HKCU", "HKLM"};
    for (int i = 0; i < 3; ++i) {
        std::string path = base_ + "\\" + parts[i];
        RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &keys_[i], nullptr);
    }
    RegOverridePredefKey(HKEY_CLASSES_ROOT, keys_[0]);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, keys_[2]);
    RegOverridePredefKey(HKEY_CURRENT_USER, keys_[1]);
}

ScratchRegistry::~ScratchRegistry() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    for (HKEY k : keys_)
        if (k) RegCloseKey(k);
    RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

std::string ReadBytes(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    CloseHandle(h);
    return out;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool MakeDir(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != FALSE; }

void RemoveTree(const std::string& path) {
    DWORD attr = GetFileAttributesA(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) { DeleteFileA(path.c_str()); return; }
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string n = fd.cFileName;
            if (n != "." && n != "..") RemoveTree(path + "\\" + n);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
}

Process::~Process() {
    if (info_.hProcess) {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
}

Process::Process(Process&& o) noexcept : info_(o.info_) { o.info_ = PROCESS_INFORMATION{}; }

bool Process::Start(const std::string& exe, const std::string& args, const std::string& cwd) {
    std::string line = "\"" + exe + "\"";
    if (!args.empty()) line += " " + args;
    std::vector<char> buf(line.begin(), line.end());
    buf.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    return CreateProcessA(exe.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          cwd.empty() ? nullptr : cwd.c_str(), &si, &info_) != FALSE;
}

long Process::Wait(DWORD timeoutMs) {
    if (!info_.hProcess) return -1;
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<long>(code);
}

bool Process::Running() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

void SetWineVersion(const std::string& exeName, const std::string& version) {
    std::string key = "Software\\Wine\\AppDefaults\\" + exeName;
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) != ERROR_SUCCESS)
        return;
    if (version.empty())
        RegDeleteValueA(k, "Version");
    else
        RegSetValueExA(k, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                       static_cast<DWORD>(version.size() + 1));
    RegCloseKey(k);
}

std::string ReadRegString(HKEY root, const std::string& key, const std::string& value, bool* found) {
    if (found) *found = false;
    HKEY k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return {};
    char buf[4096];
    DWORD size = sizeof buf - 1, type = 0;
    LONG rc = RegQueryValueExA(k, value.empty() ? nullptr : value.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS) return {};
    if (found) *found = true;
    buf[size] = '\0';
    return std::string(buf);
}

bool RegKeyPresent(HKEY root, const std::string& key) {
    HKEY k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

std::string Ansi(const std::string& utf8) {
    std::wstring w(utf8.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &w[0], static_cast<int>(w.size()));
    std::string out(static_cast<size_t>(n) * 2 + 1, '\0');
    int m = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, &out[0], static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(m > 0 ? static_cast<size_t>(m - 1) : 0);
    return out;
}

std::string Utf8FromAnsi(const std::string& ansi) {
    std::wstring w(ansi.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &w[0], static_cast<int>(w.size()));
    std::string out(static_cast<size_t>(n) * 4 + 1, '\0');
    int m = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &out[0], static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(m > 0 ? static_cast<size_t>(m - 1) : 0);
    return out;
}

}  // namespace test
