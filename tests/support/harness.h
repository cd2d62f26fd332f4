// Shared helpers of the Windows-side tests: where the built programs are,
// scratch folders and registry keys, files, and starting processes.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace test {

// A Linux path of the build turned into its Wine name on drive Z:.
std::string WinePath(const std::string& unixPath);
std::string BinDir();          // the build's bin folder (Windows path, no trailing backslash)
std::string ProductExe();      // BinDir() + "\\uninstall.exe"
std::string TestProgram(const std::string& name);   // bin\testprogs\NAME.exe
std::string ResourceDll(const std::string& name);   // bin\resdll\NAME.dll
std::string SourceDir();       // the source tree (Windows path)

// A fresh folder under the temporary folder, removed with its contents at the end.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& hint = "qavtest");
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
private:
    std::string path_;
};

// Redirects HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE of
// this process into fresh scratch keys for the object's lifetime.
class ScratchRegistry {
public:
    ScratchRegistry();
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;
    const std::string& basePath() const { return base_; }  // under the real HKCU
private:
    std::string base_;
    HKEY keys_[3] = {};
};

bool WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);   // "" when missing
bool Exists(const std::string& path);
bool MakeDir(const std::string& path);
void RemoveTree(const std::string& path);          // best effort, recursive

// A started process; terminated at the end if still running.
class Process {
public:
    Process() = default;
    ~Process();
    Process(Process&& o) noexcept;
    Process& operator=(Process&&) = delete;
    Process(const Process&) = delete;
    bool Start(const std::string& exe, const std::string& args, const std::string& cwd = "");
    // The exit code, or -1 when it did not end within `timeoutMs`.
    long Wait(DWORD timeoutMs);
    bool Running() const;
    DWORD pid() const { return info_.dwProcessId; }
    HANDLE handle() const { return info_.hProcess; }
private:
    PROCESS_INFORMATION info_{};
};

// Sets the Windows version Wine reports to a program by its file name
// ("win98", "winxp", "win10"; empty removes the setting).
void SetWineVersion(const std::string& exeName, const std::string& version);

// Reads a REG_SZ/REG_EXPAND_SZ value of the real registry ("" when missing).
std::string ReadRegString(HKEY root, const std::string& key, const std::string& value, bool* found = nullptr);
bool RegKeyPresent(HKEY root, const std::string& key);

// Text in the ANSI code page from UTF-8 (the test sources are UTF-8).
std::string Ansi(const std::string& utf8);
std::string Utf8FromAnsi(const std::string& ansi);

}  // namespace test
