// The real uninstall.exe under Wine: the warning box, the wait switch, and
// argument strings that must end without an uninstall run, with code 0.
#include "tests/support/program_run.h"
#include <string>

namespace {

// A program folder with a copy of the program and a list file that would be
// deleted by an uninstall run: it must survive every case here.
class StartupTest : public test::ProgramCopyTest {
protected:
    void SetUp() override {
        ProgramCopyTest::SetUp();
        Put("victim.txt", "keep me");
        List("victim.txt\r\n");
    }
    void ExpectNothingRemoved() {
        for (const char* kept : {"victim.txt", "Uninstall.lst", "uninstall.exe"}) EXPECT_TRUE(Has(kept)) << kept;
    }
};

TEST_F(StartupTest, WarningShowsTheProgramsOwnPath) {
    ui::Window w = FirstBox("/warning");
    EXPECT_EQ(w.caption, "卸载 Qavrix");
    EXPECT_EQ(w.MessageText(), "卸载已完成\n你应该手动删除 " + test::Utf8FromAnsi(exe_));
    EXPECT_NE(w.Find(IDOK), nullptr);
    ExpectNothingRemoved();
}

TEST_F(StartupTest, WarningTextsComeFromALanguageDllBesideTheProgram) {
    // The test DLL rewords 5104-5106; its 5106 has its own "%s".
    ASSERT_TRUE(test::CopyTo(test::ResourceDll("testlng"), In("qavlng.dll")));
    ui::Window w = FirstBox("-warning");
    EXPECT_EQ(w.caption, "TEST Uninstall Qavrix");
    EXPECT_EQ(w.MessageText(), "TEST Uninstall complete\nTEST Delete " + test::Utf8FromAnsi(exe_) + " by hand");
}

TEST_F(StartupTest, WaitSleepsTwoSecondsPerSwitch) {
    for (int n : {1, 2}) {
        std::string args = n == 1 ? "/wait" : "/wait -wait";
        test::Process p;
        DWORD start = GetTickCount();
        ASSERT_TRUE(p.Start(exe_, args, dir_));
        EXPECT_EQ(p.Wait(30000), 0);
        DWORD elapsed = GetTickCount() - start;
        EXPECT_GE(elapsed, 2000u * n - 50) << args;
        EXPECT_LT(elapsed, 2000u * n + 8000) << args;
        EXPECT_TRUE(ui::DialogsOf(p.pid()).empty());
    }
    ExpectNothingRemoved();
}

TEST_F(StartupTest, CountedSwitchesEndWithoutAnUninstallRun) {
    // A switch the program does not know ends with 1639, so that deployment
    // tools do not take a mistyped uninstall for one that ran; a log name
    // with a blank that was not quoted is one too, and makes no file.
    const std::string unquoted = root_ / "my logs\\x.log";
    const struct {
        std::string args;
        long exit;
    } cases[] = {
        {"/S /wait", test::ExitDone}, {"/silent", test::ExitUnknownSwitch}, {"/Sx", test::ExitUnknownSwitch},
        {"/set", test::ExitUnknownSwitch}, {"/", test::ExitUnknownSwitch},
        {"C:\\my-folder\\x", test::ExitUnknownSwitch}, {"-", test::ExitUnknownSwitch},
        {"///---", test::ExitUnknownSwitch}, {std::string(3000, '/'), test::ExitUnknownSwitch},
        {std::string(2000, '-') + "\xb0\xa1\xff", test::ExitUnknownSwitch},
        {"\xd6\xd0\xce\xc4-\xff\xfe/", test::ExitUnknownSwitch},
        {std::string(30000, 'a') + "/x", test::ExitUnknownSwitch}, {"/S /silent", test::ExitUnknownSwitch},
        {"/quiet", test::ExitUnknownSwitch}, {"/S /LOG:un.log", test::ExitUnknownSwitch},
        {"/S /LOG=" + unquoted, test::ExitUnknownSwitch}, {"/setup /S /x", test::ExitUnknownSwitch},
    };
    for (const auto& c : cases) {
        test::Process p;
        ASSERT_TRUE(p.Start(exe_, c.args, dir_)) << c.args.substr(0, 40);
        EXPECT_EQ(p.Wait(20000), c.exit) << c.args.substr(0, 40);
        EXPECT_TRUE(ui::DialogsOf(p.pid()).empty());
    }
    ExpectNothingRemoved();
    EXPECT_FALSE(test::Exists(root_ / "my")) << "a log cut at the blank";
    EXPECT_FALSE(test::Exists(root_ / "un.log"));
}

TEST_F(StartupTest, ArgumentsWithoutSwitchesAskAndNoEndsWithUserCancel) {
    // No "/" or "-": no switch at all, so these reach the uninstall run; "No"
    // to its confirmation changes nothing and ends with 1602.
    for (const std::string& args : {std::string("\xb0\xa1\xb0\xa1"), std::string(" \t ")}) {
        test::Process p;
        ASSERT_TRUE(p.Start(exe_, args, dir_));
        HWND box = ui::WaitForDialog(p.pid(), 20000, "", p.handle());
        EXPECT_NE(box, nullptr);
        if (box) ui::Command(box, IDNO);
        EXPECT_EQ(p.Wait(20000), test::ExitUserCancel);
    }
    ExpectNothingRemoved();
}

}  // namespace
