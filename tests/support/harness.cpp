// Implementation of the shared test helpers.
#include "tests/support/harness.h"
#include "platform/program_path.h"
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace test {

std::string WinePath(const std::string& unixPath) {
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

const char* ArchName(Arch arch) { return arch == Arch::X86 ? "x86" : "x64"; }
std::string BinDir(Arch arch) {
    if (arch == BuildArch()) return WinePath(QAV_BIN_DIR);
    return WinePath(arch == Arch::X86 ? QAV_X86_BIN_DIR : QAV_X64_BIN_DIR);
}
std::string ProductExe(Arch arch) { return BinDir(arch) + "\\uninstall.exe"; }
Arch ProgramArch(const std::string& exe) {
    const std::string bytes = ReadBytes(exe);
    DWORD pe = 0;
    if (bytes.size() >= 0x40) std::memcpy(&pe, bytes.data() + 0x3C, sizeof pe);
    if (bytes.size() < 0x40 || pe + 6 > bytes.size() || bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
        return BuildArch();
    WORD machine = 0;
    std::memcpy(&machine, bytes.data() + pe + 4, sizeof machine);
    return machine == IMAGE_FILE_MACHINE_I386 ? Arch::X86 : Arch::X64;
}

std::string ProgramUnderTest() {
    const char* other = std::getenv("QAV_PROGRAM_UNDER_TEST");
    return other && *other ? std::string(other) : ProductExe();
}
std::string TestProgram(const std::string& name) { return BinDir() + "\\testprogs\\" + name + ".exe"; }
std::string ResourceDll(const std::string& name) { return BinDir() + "\\resdll\\" + name + ".dll"; }
std::string SourceDir() { return WinePath(QAV_SOURCE_DIR); }


std::string TempFolder() {
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    return temp;
}

std::string WindowsFolder() {
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    return windows;
}

std::string SystemFolder() {
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, sizeof system);
    return system;
}

ScratchDir::ScratchDir(const std::string& hint) {
    static unsigned counter = 0;
    const std::string temp = TempFolder();
    for (;;) {
        char name[MAX_PATH + 64];
        std::snprintf(name, sizeof name, "%s%s-%lu-%u", temp.c_str(), hint.c_str(), GetCurrentProcessId(), ++counter);
        if (CreateDirectoryA(name, nullptr) || GetLastError() != ERROR_ALREADY_EXISTS) { path_ = name; break; }
    }
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

ScratchRegistry::ScratchRegistry() {
    static unsigned counter = 0;
    char name[128];
    std::snprintf(name, sizeof name, "Software\\QavTests\\%lu-%u-%lu", GetCurrentProcessId(), ++counter, GetTickCount());
    base_ = name;
    const char* parts[3] = {"HKCR", "HKCU", "HKLM"};
    for (int i = 0; i < 3; ++i) keys_[i] = CreateKey(HKEY_CURRENT_USER, base_ + "\\" + parts[i]);
    RegOverridePredefKey(HKEY_CLASSES_ROOT, keys_[0].get());
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, keys_[2].get());
    RegOverridePredefKey(HKEY_CURRENT_USER, keys_[1].get());
}

ScratchRegistry::~ScratchRegistry() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    for (UniqueRegKey& k : keys_) k.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    UniqueFileHandle h(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return h && WriteFile(h.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string ReadBytes(const std::string& path) {
    UniqueFileHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (h && ReadFile(h.get(), buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    return out;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool MakeDir(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != FALSE; }
bool CopyTo(const std::string& from, const std::string& to) { return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE; }

// Calls `visit` with each entry of a folder but "." and "..".
template <typename Visit>
void ForEachEntry(const std::string& folder, Visit visit) {
    WIN32_FIND_DATAA fd;
    UniqueFindHandle h(FindFirstFileA((folder + "\\*").c_str(), &fd));
    if (!h) return;
    do {
        std::string n = fd.cFileName;
        if (n != "." && n != "..") visit(n, fd);
    } while (FindNextFileA(h.get(), &fd));
}

static bool IsFolder(const WIN32_FIND_DATAA& fd) { return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

static void ListTree(const std::string& folder, std::vector<std::string>& out) {
    ForEachEntry(folder, [&](const std::string& name, const WIN32_FIND_DATAA& fd) {
        std::string path = folder + "\\" + name;
        if (!IsFolder(fd)) {
            out.push_back(path + " " + std::to_string((static_cast<unsigned long long>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow));
            return;
        }
        out.push_back(path);
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) ListTree(path, out);
    });
}

void RemoveTree(const std::string& path) {
    DWORD attr = GetFileAttributesA(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) return;
    if (attr & FILE_ATTRIBUTE_REPARSE_POINT) {   // a link: never its target's contents
        RemoveUnixLink(path);
        return;
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) { DeleteFileA(path.c_str()); return; }
    ForEachEntry(path, [&](const std::string& name, const WIN32_FIND_DATAA&) { RemoveTree(path + "\\" + name); });
    RemoveDirectoryA(path.c_str());
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    ForEachEntry(folder, [&](const std::string& name, const WIN32_FIND_DATAA& fd) {
        names.push_back(name + (IsFolder(fd) ? "\\" : ""));
    });
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> TreeListing(const std::string& folder) {
    std::vector<std::string> lines;
    ListTree(folder, lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}

bool WaitUntilGone(const std::string& path, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (Exists(path)) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(100);
    }
    return true;
}

std::string CurrentDirectoryScope::CurrentDirectory() {
    char folder[MAX_PATH * 2] = "";
    GetCurrentDirectoryA(sizeof folder, folder);
    return folder;
}

ProcessStamp StampOf(HANDLE process, DWORD pid) {
    ProcessStamp stamp;
    stamp.pid = pid;
    FILETIME created{}, ended{}, kernel{}, user{};
    if (!process || !GetProcessTimes(process, &created, &ended, &kernel, &user)) return stamp;
    auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    stamp.created = ticks(created);
    if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) stamp.ended = ticks(ended);
    return stamp;
}

Process::~Process() { Terminate(); }

void Process::Terminate() {
    if (Running()) TerminateProcess(process_.get(), 99);
}

UniqueHandle NonAdministratorToken() {
    UniqueHandle own, limited;
    HANDLE h = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &h)) return limited;
    own.reset(h);
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size)) return limited;
    SID_AND_ATTRIBUTES denyOnly{administrators, 0};
    h = nullptr;
    if (CreateRestrictedToken(own.get(), 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &h)) limited.reset(h);
    return limited;
}

namespace {
int NonAdministratorScopes = 0;
}

NonAdministratorScope::NonAdministratorScope() { ++NonAdministratorScopes; }
NonAdministratorScope::~NonAdministratorScope() { --NonAdministratorScopes; }

bool Process::Start(const std::string& exe, const std::string& args, const std::string& cwd, HANDLE stdOut,
                    HANDLE stdErr) {
    std::string line = "\"" + exe + "\"";
    if (!args.empty()) line += " " + args;
    std::vector<char> buf(line.begin(), line.end());
    buf.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    const bool redirect = stdOut || stdErr;
    if (redirect) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = stdOut;
        si.hStdError = stdErr;
    }
    PROCESS_INFORMATION info{};
    UniqueHandle token;
    if (NonAdministratorScopes > 0) {
        token = NonAdministratorToken();
        if (!token) return false;
    }
    const char* folder = cwd.empty() ? nullptr : cwd.c_str();
    if (token ? !CreateProcessAsUserA(token.get(), exe.c_str(), buf.data(), nullptr, nullptr, redirect, 0, nullptr,
                                      folder, &si, &info)
              : !CreateProcessA(exe.c_str(), buf.data(), nullptr, nullptr, redirect, 0, nullptr, folder, &si, &info)) {
        // Why, for the test's log: the error, the command line, and whether
        // the program and the folder were there.
        DWORD error = GetLastError();
        std::fprintf(stderr, "CreateProcess failed with error %lu: %s (in %s); program %s, folder %s\n", error,
                     line.c_str(), folder ? folder : "the current directory",
                     GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES ? "missing" : "there",
                     !folder ? "-" : GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES ? "missing" : "there");
        return false;
    }
    process_.reset(info.hProcess);
    thread_.reset(info.hThread);
    pid_ = info.dwProcessId;
    return true;
}

long Process::Wait(DWORD timeoutMs) {
    if (!process_ || WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return static_cast<long>(code);
}

bool Process::Running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

long RunForOutput(const std::string& exe, const std::string& args, std::string& output, DWORD timeoutMs) {
    ScratchDir dir("output");
    const std::string file = dir / "output.txt";
    long code = -1;
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        UniqueFileHandle out(CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
        Process p;
        if (p.Start(exe, args, "", out.get(), out.get())) code = p.Wait(timeoutMs);
    }
    output = ReadBytes(file);
    return code;
}

void SetWineVersion(const std::string& exeName, const std::string& version) {
    const std::string key = "Software\\Wine\\AppDefaults\\" + exeName;
    if (version.empty()) RemoveRegValue(HKEY_CURRENT_USER, key, "Version");
    else SetRegText(HKEY_CURRENT_USER, key, "Version", version);
}

// Text from one code page to another through UTF-16.
static std::string Convert(const std::string& text, UINT from, UINT to) {
    std::wstring w(text.size() + 1, L'\0');
    int n = MultiByteToWideChar(from, 0, text.c_str(), -1, &w[0], static_cast<int>(w.size()));
    std::string out(static_cast<size_t>(n) * 4 + 1, '\0');
    int m = WideCharToMultiByte(to, 0, w.c_str(), -1, &out[0], static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(m > 0 ? static_cast<size_t>(m - 1) : 0);
    return out;
}

std::string Ansi(const std::string& utf8) { return Convert(utf8, CP_UTF8, CP_ACP); }
std::string Utf8FromAnsi(const std::string& ansi) { return Convert(ansi, CP_ACP, CP_UTF8); }

}  // namespace test

namespace test {
namespace {

// The Unix path of a Windows path under Wine ("" elsewhere).
std::string UnixPathOf(const std::string& path) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH * 2];
    if (!toUnix || !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH * 2)) return {};
    char* unix = toUnix(wide);
    if (!unix) return {};
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Runs a Unix program (Wine starts ELF programs too, by a command line
// without a module name) and waits until `done` holds: the handle Wine
// returns for a Unix process cannot be waited for.
bool RunUnix(const std::string& program, const std::vector<std::string>& args, bool (*done)(const std::string&),
             const std::string& path, DWORD timeoutMs = 20000) {
    std::string line = program;
    for (const std::string& a : args) line += " \"" + a + "\"";
    std::vector<char> buf(line.begin(), line.end());
    buf.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info)) return false;
    UniqueHandle thread(info.hThread), process(info.hProcess);
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(20))
        if (done(path)) return true;
    return false;
}

bool Missing(const std::string& path) { return !Exists(path); }

}  // namespace

bool MakeUnixLink(const std::string& link, const std::string& target) {
    std::string from = UnixPathOf(link), to = UnixPathOf(target);
    return !from.empty() && !to.empty() && RunUnix("Z:\\bin\\ln", {"-s", to, from}, Exists, link);
}

bool RemoveUnixLink(const std::string& link) {
    std::string path = UnixPathOf(link);
    return !path.empty() && RunUnix("Z:\\bin\\rm", {"-f", path}, Missing, link);
}

// chattr reports nothing Wine can wait for: it leaves a mark beside the file
// when it succeeded.
UndeletableFile::UndeletableFile(std::string path) : path_(std::move(path)) {
    std::string unix = UnixPathOf(path_), mark = path_ + ".immutable";
    set_ = !unix.empty() &&
           RunUnix("Z:\\bin\\sh", {"-c", "chattr +i '" + unix + "' && : > '" + unix + ".immutable'"}, Exists, mark);
    DeleteFileA(mark.c_str());
}

UndeletableFile::~UndeletableFile() {
    std::string unix = UnixPathOf(path_), mark = path_ + ".immutable";
    if (set_) RunUnix("Z:\\bin\\sh", {"-c", "chattr -i '" + unix + "' && : > '" + unix + ".immutable'"}, Exists, mark);
    DeleteFileA(mark.c_str());
}

}  // namespace test
