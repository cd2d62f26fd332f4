// Test helpers of the setup-mode end-to-end tests: an installation whose
// program folder differs from the current directory, one setup run of the
// real program, a foreign owner of ".iso", the shell's folder windows, and a
// clean-up that gives the prefix back as it was.
#pragma once
#include "integration/apply.h"
#include "tests/support/program_run.h"
#include "tests/support/sandbox.h"
#include "uninstall/registry_cleanup.h"
#include "resource.h"
#include <shlobj.h>
#include <string>
#include <vector>

namespace setup_e2e {

const std::string ShellExtGuid = "{6F2A94C1-3D58-4E07-B2A9-71C5E08D3F46}";

// Visible top-level windows other than dialogs whose caption holds `name`:
// what the shell shows when it opens a folder.
inline std::vector<HWND> FolderWindows(const std::string& name) {
    std::vector<HWND> found;
    for (HWND window : ui::WindowsTitled(name))
        if (ui::Describe(window).className != "#32770") found.push_back(window);
    return found;
}

inline std::vector<HWND> WaitForFolderWindow(const std::string& name, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    std::vector<HWND> found;
    while ((found = FolderWindows(name)).empty() && GetTickCount() - start < timeoutMs) Sleep(100);
    return found;
}

inline void CloseFolderWindows(const std::string& name) {
    for (HWND window : FolderWindows(name)) PostMessageW(window, WM_CLOSE, 0, 0);
}

// HKEY_CLASSES_ROOT\.iso owned by another program for the object's lifetime.
class ForeignIso : test::Scope {
public:
    ForeignIso() {
        saved_ = test::ReadRegString(HKEY_CLASSES_ROOT, ".iso", "", &existed_);
        test::SetRegText(HKEY_CLASSES_ROOT, ".iso", "", "OtherIso.Image");
    }
    ~ForeignIso() {
        if (existed_) test::SetRegText(HKEY_CLASSES_ROOT, ".iso", "", saved_);
        else RegDeleteTreeA(HKEY_CLASSES_ROOT, ".iso");
    }

private:
    std::string saved_;
    bool existed_ = false;
};

// One run of the real program, ended by force if a test leaves it open.
class SetupRun {
public:
    SetupRun(const std::string& exe, const std::string& args, const std::string& cwd) {
        started_ = process_.Start(exe, args, cwd);
        EXPECT_TRUE(started_) << exe << " " << args;
    }
    SetupRun(SetupRun&& o) noexcept : process_(std::move(o.process_)), started_(o.started_) { o.started_ = false; }
    // Also ends what the run started and left behind: the folder window Wine
    // opens in a process of its own, which sits in the installation folder.
    ~SetupRun() {
        if (!started_ || process_.pid() == 0) return;
        process_.Terminate();
        WaitForSingleObject(process_.handle(), 5000);
        test::EndProcessesStartedBy({process_.Stamp()});
    }
    HWND WaitFor(const std::string& caption) {
        return started_ ? ui::WaitForDialog(process_.pid(), 20000, caption, process_.handle()) : nullptr;
    }
    // DONEDLG has SETUPDLG's caption: it is the dialog after SETUPDLG closed.
    HWND WaitForCompletion(HWND setup) {
        if (!ui::WaitForClose(setup, 30000)) return nullptr;
        return WaitFor("");
    }
    long Wait() { return process_.Wait(30000); }
    // The contents of a file another program is to write, once it appeared.
    std::string WaitForFile(const std::string& path) {
        for (int i = 0; i < 200 && !test::Exists(path); ++i) Sleep(50);
        Sleep(200);
        return test::ReadBytes(path);
    }

private:
    test::Process process_;
    bool started_ = false;
};

// The program in "<scratch>\prog" beside the stand-in Qavrix.exe and the
// documents, started from the system folder as "Change" in the programs list
// starts it.
class Installation : public test::ProgramCopyTest {
protected:
    void SetUp() override {
        ForgetIntegration();
        Install("prog");
        programFolder_ = dir_;
        programPath_ = exe_;
        installFolder_ = dir_;
        ASSERT_TRUE(test::CopyTo(test::TestProgram("fakeqavrix"), installFolder_ + "\\Qavrix.exe"));
        ASSERT_TRUE(test::WriteBytes(installFolder_ + "\\license.txt", "licence"));
    }
    void TearDown() override {
        ProgramCopyTest::TearDown();
        CloseFolderWindows("Qavrix");
        ForgetIntegration();
    }
    SetupRun Start(const std::string& args) { return SetupRun(programPath_, args, test::SystemFolder()); }
    static std::string UserGroupFolder() { return test::ShellFolderPath(CSIDL_PROGRAMS) + "\\Qavrix"; }
    static std::string DesktopFolder() { return test::ShellFolderPath(CSIDL_DESKTOPDIRECTORY); }

    // What any setup made, undone by the program's own clean-up, with the
    // program's texts for the shortcut names.
    static void ForgetIntegration() {
        OleInitialization com;
        {
            test::ProductResources product;
            RemoveIntegration();
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, test::ProductKey.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, test::ProductKey.c_str());
        // The clean-up deletes a desktop link only when it points at the
        // archiver beside the running program (this test program here), so
        // the one a test's setup made for its own folder goes by hand.
        DeleteFileA((DesktopFolder() + "\\Qavrix.lnk").c_str());
    }

    std::string programFolder_, installFolder_, programPath_;
};

}  // namespace setup_e2e
