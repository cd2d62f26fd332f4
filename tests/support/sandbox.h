// The integration sandbox: what an in-process test of setup or clean-up
// needs around the code under test - the scratch registry, a scratch folder
// holding the shell's special folders and the program folder the code takes
// as its own, COM, and the reported Windows version - plus shell links read
// back through the shell's own link object.
#pragma once
#include "integration/settings.h"
#include "platform/program_path.h"
#include "lang/messages.h"
#include "platform/windows_version.h"
#include "tests/support/harness.h"
#include <windows.h>
#include <initializer_list>
#include <string>

namespace test {

// The row of the archive type whose first extension is `primary` (".iso");
// a failed test, and row 0, when there is none.
int ArchiveTypeRow(const char* primary);
// A record that associates only the types named by their first extension.
IntegrationSettings Associating(std::initializer_list<const char*> primaries, bool shellExt = false);

constexpr char ShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// Desktop, Start menu, Programs and all users' Programs of this process, in
// fresh folders below `root`. Needs a ScratchRegistry: the shell reads the
// locations from HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
struct ShellFolders {
    explicit ShellFolders(const ScratchDir& root);
    std::string desktop, startMenu, programs, commonPrograms;
};

// The platform the program sees: VER_PLATFORM_WIN32_NT or VER_PLATFORM_WIN32_WINDOWS.
struct WindowsVersionScope : SeamScope<WindowsVersionInfo> {
    WindowsVersionScope(DWORD platform, DWORD major, DWORD minor)
        : SeamScope(SetWindowsVersionForTests, {platform, major, minor}) {}
};
struct Nt : WindowsVersionScope { Nt() : WindowsVersionScope(VER_PLATFORM_WIN32_NT, 6, 1) {} };
struct Win98 : WindowsVersionScope { Win98() : WindowsVersionScope(VER_PLATFORM_WIN32_WINDOWS, 4, 10) {} };

// Another folder taken as the program's own for the object's lifetime.
class ProgramFolderScope : Scope {
public:
    explicit ProgramFolderScope(const std::string& folder) : previous_(SetProgramFolderForTests(folder.c_str())) {}
    ~ProgramFolderScope() { SetProgramFolderForTests(previous_.empty() ? nullptr : previous_.c_str()); }
private:
    std::string previous_;
};

// The built program's resources (string table, dialogs) as the messages'
// and dialogs' module for the object's lifetime, loaded as data.
class ProductResources : Scope {
public:
    ProductResources();
    ~ProductResources() { CurrentResourceModule = saved_; }
    HMODULE module() const { return product_.get(); }
private:
    UniqueLibrary product_;
    HMODULE saved_;
};

// Drops whatever language file a test loaded: no translations, left to right.
void ForgetLanguageFile();

// Everything above at once, members in the order they are made: the scratch
// registry, the scratch folder `root` with the shell folders, the program
// folder `install` (root\Install, made empty), and COM.
struct IntegrationSandbox {
    explicit IntegrationSandbox(const std::string& hint);
    std::string In(const std::string& file) const { return install + "\\" + file; }
    ScratchRegistry registry;
    ScratchDir root;
    ShellFolders folders;
    std::string install;
    ProgramFolderScope programFolder;
    OleInitialization com;
};

// Where the shell puts a special folder (CSIDL_...) for this process.
std::string ShellFolderPath(int csidl);

struct LinkInfo {
    bool loaded = false;
    std::string target, description;
};
// A shell link read back through the shell's own link object (needs COM).
LinkInfo ReadLink(const std::string& path);

// The product's shortcuts: a link to `target` with the product's description,
// and a program group holding the three links to the files in `folder`.
void ExpectProductLink(const std::string& link, const std::string& target);
void ExpectProductGroup(const std::string& group, const std::string& folder);

}  // namespace test
