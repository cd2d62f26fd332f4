// Shared helpers of the Windows-side tests: where the built programs are,
// scratch folders and registry keys, files, processes, code-page text, and
// scope objects that put things back. The registry probe, the integration
// sandbox and the end-to-end helpers build on this (registry_probe.h,
// sandbox.h, program_run.h).
#pragma once
#include "platform/handles.h"
#include <windows.h>
#include <string>
#include <utility>
#include <vector>

namespace test {

// The base of the scope objects here: neither copied nor assigned.
struct Scope {
    Scope() = default;
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

// A Linux path of the build turned into its Wine name on drive Z:.
std::string WinePath(const std::string& unixPath);
// The two builds of the program, x86 (build/mingw-x86) and x64 (build/mingw).
// Each test program belongs to one build tree and tests that build's
// program unless it names the other.
enum class Arch { X86, X64 };
constexpr Arch BuildArch() { return sizeof(void*) == 4 ? Arch::X86 : Arch::X64; }
const char* ArchName(Arch arch);  // "x86" or "x64"

std::string BinDir(Arch arch = BuildArch());      // a build's bin folder (Windows path, no trailing backslash)
std::string ProductExe(Arch arch = BuildArch());  // BinDir(arch) + "\\uninstall.exe"
// The program the end-to-end tests copy and run: QAV_PROGRAM_UNDER_TEST when
// set (another build of it, such as ProductExe(Arch::X86)), else ProductExe().
std::string ProgramUnderTest();
std::string TestProgram(const std::string& name);   // bin\testprogs\NAME.exe
std::string ResourceDll(const std::string& name);   // bin\resdll\NAME.dll
std::string SourceDir();       // the source tree (Windows path)
std::string TempFolder();      // the temporary folder, with its trailing backslash
std::string WindowsFolder();   // without a trailing backslash
std::string SystemFolder();    // C:\windows\system32 or its like, where the system starts programs from

// A fresh folder under the temporary folder, removed with its contents at the end.
class ScratchDir : Scope {
public:
    explicit ScratchDir(const std::string& hint = "qavtest");
    ~ScratchDir();
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
private:
    std::string path_;
};

// Redirects HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE of
// this process into fresh scratch keys for the object's lifetime.
class ScratchRegistry : Scope {
public:
    ScratchRegistry();
    ~ScratchRegistry();
    const std::string& basePath() const { return base_; }  // under the real HKCU
private:
    std::string base_;
    UniqueRegKey keys_[3];
};

bool WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);   // "" when missing
bool Exists(const std::string& path);
bool MakeDir(const std::string& path);
bool CopyTo(const std::string& from, const std::string& to);   // overwrites
void RemoveTree(const std::string& path);          // best effort, recursive
// The names in a folder, sorted; folders end in a backslash.
std::vector<std::string> FilesIn(const std::string& folder);
// Every file and folder below `folder`, sorted: a folder as its path, a file
// as its path, a blank and its size. Folder links are listed, not entered.
std::vector<std::string> TreeListing(const std::string& folder);
// Polls until `path` no longer exists; false on time-out.
bool WaitUntilGone(const std::string& path, DWORD timeoutMs = 60000);

// Keeps a file's bytes (or its absence), deletes it, and puts it back at the end.
class SavedFile : Scope {
public:
    explicit SavedFile(std::string path) : path_(std::move(path)), existed_(Exists(path_)), bytes_(ReadBytes(path_)) {
        DeleteFileA(path_.c_str());
    }
    ~SavedFile() { existed_ ? (void)WriteBytes(path_, bytes_) : (void)DeleteFileA(path_.c_str()); }
private:
    std::string path_;
    bool existed_;
    std::string bytes_;
};

// The current directory changed for the object's lifetime.
class CurrentDirectoryScope : Scope {
public:
    explicit CurrentDirectoryScope(const std::string& folder) : saved_(CurrentDirectory()) {
        SetCurrentDirectoryA(folder.c_str());
    }
    ~CurrentDirectoryScope() { SetCurrentDirectoryA(saved_.c_str()); }
    static std::string CurrentDirectory();
private:
    std::string saved_;
};

// A test seam of the form `T Set...ForTests(T)` (returning the previous
// value) set for the object's lifetime and given its previous value back.
template <typename T> struct Same { using type = T; };
template <typename T>
class SeamScope : Scope {
public:
    SeamScope(T (*set)(T), typename Same<T>::type value) : set_(set), previous_(set(value)) {}
    ~SeamScope() { set_(previous_); }
private:
    T (*set_)(T);
    T previous_;
};

// Under Wine: a Unix symbolic link at `link` pointing at an existing `target`
// (Windows paths; made with the system's ln), and its removal (rm, the link
// only). Each waits until the link is there or gone. RemoveTree unlinks links.
bool MakeUnixLink(const std::string& link, const std::string& target);
bool RemoveUnixLink(const std::string& link);

// Under Wine: the file at `path` made immutable for the object's life
// (chattr +i, which even root cannot delete; the file system must support
// it, as ext4, xfs and btrfs do). Wine accepts its deletion and the file
// stays when the handle closes; it stands in for a file whose deletion
// Windows refuses (an ACL that denies it).
class UndeletableFile : Scope {
public:
    explicit UndeletableFile(std::string path);
    ~UndeletableFile();
    explicit operator bool() const { return set_; }
private:
    std::string path_;
    bool set_ = false;
};

// Wine runs every program as an administrator. A person's own run (before
// the elevation prompt) is stood in for by a token of this process whose
// Administrators group is for denying only: `NonAdministratorToken` gives a
// primary one, which a thread may also impersonate; in a
// `NonAdministratorScope`, every Process::Start of this process starts its
// program with such a token.
UniqueHandle NonAdministratorToken();
class NonAdministratorScope : Scope {
public:
    NonAdministratorScope();
    ~NonAdministratorScope();
};

// A started process; terminated at the end if still running.
// A started process as the tests remember it, also after it ended: its id,
// and its creation and exit times (0 while it runs). Wine gives ids out
// again, oldest freed first, so an id alone may name a later process, and the
// parent id a snapshot shows for a long-lived process (Wine's services, the
// desktop) may by now belong to a process of the test.
struct ProcessStamp {
    DWORD pid = 0;
    ULONGLONG created = 0;
    ULONGLONG ended = 0;
};
ProcessStamp StampOf(HANDLE process, DWORD pid);

class Process {
public:
    Process() = default;
    ~Process();
    Process(Process&& o) noexcept = default;
    Process& operator=(Process&&) = delete;
    Process(const Process&) = delete;
    // `stdOut` and `stdErr`, when given, receive the output streams (inheritable handles).
    bool Start(const std::string& exe, const std::string& args, const std::string& cwd = "",
               HANDLE stdOut = nullptr, HANDLE stdErr = nullptr);
    // The exit code, or -1 when it did not end within `timeoutMs`.
    long Wait(DWORD timeoutMs);
    bool Running() const;
    void Terminate();
    DWORD pid() const { return pid_; }
    HANDLE handle() const { return process_.get(); }
    ProcessStamp Stamp() const { return StampOf(process_.get(), pid_); }
private:
    UniqueHandle process_, thread_;
    DWORD pid_ = 0;
};

// The architecture a program file was built for, from its PE header (the
// build's own when the file cannot be read).
Arch ProgramArch(const std::string& exe);

// Windows 9x starts only x86 programs: tests (and table rows) of that family
// run for the x86 build alone. In-process tests test this test program's
// build; end-to-end tests name the program they run.
constexpr bool Windows9xRunsThisBuild() { return BuildArch() == Arch::X86; }
#define QAV_ONLY_ON_X86_AS_WINDOWS_9X() \
    if (!::test::Windows9xRunsThisBuild()) GTEST_SKIP() << "Windows 9x runs only the x86 build"
#define QAV_ONLY_FOR_X86_PROGRAM_AS_WINDOWS_9X(exe) \
    if (::test::ProgramArch(exe) != ::test::Arch::X86) GTEST_SKIP() << "Windows 9x runs only the x86 build"

// Runs `exe` with `args` (written after its quoted name as they stand) and
// returns its exit code, -1 when it did not end within `timeoutMs`; its
// standard output and error go through a file into `output`.
long RunForOutput(const std::string& exe, const std::string& args, std::string& output, DWORD timeoutMs = 60000);

// Sets the Windows version Wine reports to a program by its file name
// ("win98", "winxp", "win10"; empty removes the setting).
void SetWineVersion(const std::string& exeName, const std::string& version);

// Text in the ANSI code page from UTF-8 (the test sources are UTF-8).
std::string Ansi(const std::string& utf8);
std::string Utf8FromAnsi(const std::string& ansi);

}  // namespace test

// Most tests read and write the registry as well.
#include "tests/support/registry_probe.h"
