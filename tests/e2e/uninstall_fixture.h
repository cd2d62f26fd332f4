// A throw-away installation for running the real uninstall.exe: a program
// folder inside a scratch folder (whose other contents play "the rest of the
// disk"), with the system's deletion schedule emptied and put back, and the
// self-removal batch waited for.
#pragma once
#include "platform/safe_file.h"
#include "tests/support/program_run.h"
#include <string>
#include <vector>

namespace uninstall_e2e {

using test::Box;

// The private folders (each ending in a backslash) the program made for its
// self-removal batch in the temporary folder and that are still there.
inline std::vector<std::string> BatchFolders() {
    std::vector<std::string> found;
    for (const std::string& name : test::FilesIn(test::TempFolder()))
        if (name.compare(0, sizeof PrivateFolderPrefix - 1, PrivateFolderPrefix) == 0 && name.back() == '\\')
            found.push_back(test::TempFolder() + name);
    return found;
}
// The batch in the first such folder; with none, where no batch is.
inline std::string BatchPath() {
    std::vector<std::string> folders = BatchFolders();
    return (folders.empty() ? test::TempFolder() : folders[0]) + "Uninstall_Qav.Bat";
}
inline std::string WininitPath() { return test::WindowsFolder() + "\\wininit.ini"; }

class Installation : public test::ProgramCopyTest {
protected:
    void TearDown() override {
        WaitForBatch(5000);
        EXPECT_EQ(test::EndProgramsUnder(root_.path()), 0) << "a program was left running";
        ProgramCopyTest::TearDown();
        for (HWND box : ui::DialogsOf(0))
            if (ui::Describe(box).caption == "卸载 Qavrix") ui::Command(box, IDOK);
        for (const std::string& folder : BatchFolders()) test::RemoveTree(folder);
    }
    // Waits until every batch has deleted itself; false on time-out. Wine's
    // cmd.exe holds the batch open until it ends, so the batch's last line
    // cannot remove its folder there (Windows' cmd.exe reads a batch line by
    // line): the empty folders are removed here.
    bool WaitForBatch(DWORD timeoutMs = 60000) {
        for (DWORD waited = 0;; waited += 100) {
            bool pending = false;
            for (const std::string& folder : BatchFolders())
                pending = pending || test::Exists(folder + "Uninstall_Qav.Bat");
            if (!pending) break;
            if (waited >= timeoutMs) return false;
            Sleep(100);
        }
        for (const std::string& folder : BatchFolders()) RemoveDirectoryA(folder.c_str());
        return true;
    }

    test::EmptySchedule schedule_;
};

}  // namespace uninstall_e2e
