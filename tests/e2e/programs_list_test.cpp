// The installed product as the system's own tools see it: where the uninstall
// entry and the application path land in the two registry views of 64-bit
// Windows, and Wine's "Programs and Features" program (uninstaller.exe),
// which nobody here wrote, listing the entry and removing the product by it.
#include "tests/e2e/uninstall_fixture.h"
#include <cstdio>

namespace {

using uninstall_e2e::Box;

const std::string& UninstallKey = test::UninstallEntryKey;
const std::string& AppPathKey = test::AppPathsKey;
const std::string& Wow6432Uninstall = test::Wow6432UninstallEntryKey;

bool KeyIn(REGSAM view, const std::string& key) {
    return static_cast<bool>(test::OpenKey(HKEY_LOCAL_MACHINE, key, KEY_READ | view));
}

std::string SystemProgram(const char* name) {
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\" + name;
}

// What uninstaller.exe --list prints.
std::string ProgramsListed() {
    std::string out;
    EXPECT_EQ(test::RunForOutput(SystemProgram("uninstaller.exe"), "--list", out), 0);
    return out;
}

class ProgramsList : public uninstall_e2e::Installation {
protected:
    void SetUp() override {
        Installation::SetUp();
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
            ASSERT_FALSE(KeyIn(view, UninstallKey)) << "the prefix already holds an installation";
        // The archiver with a version resource, and what the installer listed
        // (setup adds the two template files).
        Put("Qavrix.exe", test::ReadBytes(test::ResourceDll("versioned")));
        Put("license.txt", std::string(3000, 'l'));
        List("Qavrix.exe\r\nlicense.txt\r\nqavnew.dat\r\nzipnew.dat\r\n");
    }
    void TearDown() override {
        Installation::TearDown();
        // A failed test leaves no entry for the next one.
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
            for (const std::string& key : {UninstallKey, AppPathKey}) RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), view, 0);
    }
    void SilentSetup() {
        test::Process setup;
        ASSERT_TRUE(setup.Start(exe_, "/setup /S", dir_));
        ASSERT_EQ(setup.Wait(60000), 0);
        started_.push_back(setup.Stamp());
    }
    // Answers the program's boxes (Yes to its question) while `process` runs
    // and until no box came for two seconds after it ended: the tool may
    // return before the program it started has asked.
    std::vector<Box> AnswerBoxes(test::Process& process) {
        started_.push_back(process.Stamp());
        std::vector<Box> boxes;
        DWORD start = GetTickCount(), quietSince = GetTickCount();
        while (GetTickCount() - start < 60000) {
            bool running = process.Wait(100) == -1;
            for (HWND box : ui::DialogsOf(0)) {
                ui::Window w = ui::Describe(box);
                if (w.caption != "卸载 Qavrix") continue;
                boxes.push_back({w.caption, w.MessageText(), w.Find(IDYES) && w.Find(IDNO)});
                ui::Command(box, boxes.back().hasYesNo ? IDYES : IDOK);
                ui::WaitForClose(box, 10000);
                quietSince = GetTickCount();
            }
            if (running) quietSince = GetTickCount();
            else if (GetTickCount() - quietSince > 2000 && !boxes.empty()) break;
        }
        return boxes;
    }
    const bool x86_ = test::ProgramArch(program_) == test::Arch::X86;
};

TEST_F(ProgramsList, EntryAndAppPathLandInTheBuildsOwnRegistryViewAndTheUninstallEmptiesBoth) {
    SilentSetup();
    const REGSAM own = x86_ ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    const REGSAM other = x86_ ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    EXPECT_TRUE(KeyIn(own, UninstallKey));
    EXPECT_FALSE(KeyIn(other, UninstallKey));
    // 64-bit Windows keeps the 32-bit view under Wow6432Node: that is where
    // the x86 build's entry is, as the 32-bit program's always was.
    EXPECT_EQ(KeyIn(KEY_WOW64_64KEY, Wow6432Uninstall), x86_);
    // App Paths is one of the keys the two views share (Wine as Windows 7 and
    // later): found through either view.
    EXPECT_TRUE(KeyIn(own, AppPathKey));
    std::printf("[ FIGURES  ] %s build: the uninstall entry is HKLM\\%s; App Paths\\Qavrix.exe is in %s\n",
                test::ArchName(test::ProgramArch(program_)), (x86_ ? Wow6432Uninstall : UninstallKey).c_str(),
                KeyIn(other, AppPathKey) ? "both views (shared)" : "the program's own view only");

    EXPECT_TRUE(Run("/S").empty());
    ASSERT_TRUE(WaitForBatch());
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
        for (const std::string& key : {UninstallKey, AppPathKey, Wow6432Uninstall})
            EXPECT_FALSE(KeyIn(view, key)) << key << (view == KEY_WOW64_32KEY ? " (32-bit view)" : " (64-bit view)");
    EXPECT_FALSE(test::Exists(dir_));
}

TEST_F(ProgramsList, WinesProgramsAndFeaturesListsTheEntryAndRemovesTheProduct) {
    SilentSetup();
    // uninstaller --list prints "key|||display name" in the ANSI code page.
    std::string list = ProgramsListed();
    EXPECT_NE(list.find("Qavrix archiver|||" + test::Ansi("Qavrix 压缩文件管理器")), std::string::npos)
        << test::Utf8FromAnsi(list);

    test::Process remove;
    ASSERT_TRUE(remove.Start(SystemProgram("uninstaller.exe"), "--remove \"Qavrix archiver\"", root_.path()));
    std::vector<Box> boxes = AnswerBoxes(remove);
    EXPECT_EQ(remove.Wait(60000), 0);
    ASSERT_EQ(boxes.size(), 1u) << "the program's confirmation, asked once";
    EXPECT_EQ(boxes[0].text, "确实要卸载 Qavrix 吗?");
    ASSERT_TRUE(WaitForBatch());
    EXPECT_FALSE(test::Exists(dir_)) << "program folder";
    EXPECT_FALSE(test::Exists(uninstall_e2e::BatchPath()));
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) EXPECT_FALSE(KeyIn(view, UninstallKey));
    list = ProgramsListed();
    EXPECT_EQ(list.find("Qavrix archiver"), std::string::npos) << test::Utf8FromAnsi(list);
}

}  // namespace
