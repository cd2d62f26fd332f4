// A throw-away installation for running the real uninstall.exe: a program
// folder inside a scratch folder (whose other contents play "the rest of the
// disk"), with the system's deletion schedule emptied and put back, and the
// self-removal batch waited for.
#pragma once
#include "tests/support/program_run.h"
#include <string>
#include <vector>

namespace uninstall_e2e {

using test::Box;

using test::BatchFolders;
// The batch in the first private folder still there; with none, where no batch is.
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
    // Waits until the batch has deleted itself; false on time-out.
    bool WaitForBatch(DWORD timeoutMs = 60000) { return test::WaitForBatches(timeoutMs); }

    test::EmptySchedule schedule_;
};

}  // namespace uninstall_e2e
