// The translators' kit against the real program: a template made by lngtool
// and filled with marked translations makes every dialog text and message
// of uninstall.exe appear translated, and a reading-order entry made with
// lngtool mirrors every dialog.
#include "integration/core/archive_types.h"
#include "tests/support/lngtool_runner.h"
#include "tests/support/program_run.h"
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string Mark = "[T]";

bool IsKeyDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

// Every entry line key="text" of a template becomes key="[T]text".
std::string MarkEntries(const std::string& file, int* marked) {
    std::istringstream in(file);
    std::string line, out;
    *marked = 0;
    while (std::getline(in, line)) {
        bool entry = line.size() > 10 && line[8] == '=' && line[9] == '"';
        for (int i = 0; entry && i < 8; ++i) entry = IsKeyDigit(line[i]);
        if (entry) {
            line.insert(10, Mark);
            ++*marked;
        }
        out += line + "\n";
    }
    return out;
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

class LngToolE2e : public test::ProgramCopyTest {
protected:
    void SetUp() override {
        ProgramCopyTest::SetUp();
        List("victim.txt\r\n");
        Put("victim.txt", "keep me");
        hadSettings_ = test::RegKeyPresent(HKEY_CURRENT_USER, test::ProductKey);
        for (const char* key : ProgramIdKeys)
            if (!test::RegKeyPresent(HKEY_CLASSES_ROOT, key)) newProgramIds_.push_back(key);
    }
    // Setup's OK registers the uninstaller and stores the choices; take
    // them away again when they are this test's.
    void TearDown() override {
        ProgramCopyTest::TearDown();
        const std::string& uninstallKey = test::UninstallEntryKey;
        const std::string& appPathKey = test::AppPathsKey;
        if (test::ReadRegString(HKEY_LOCAL_MACHINE, uninstallKey, "UninstallString") == "\"" + exe_ + "\"")
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, uninstallKey.c_str());
        if (test::ReadRegString(HKEY_LOCAL_MACHINE, appPathKey, "Path") == dir_)
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, appPathKey.c_str());
        if (!hadSettings_) RegDeleteTreeA(HKEY_CURRENT_USER, test::ProductKey.c_str());
        for (const std::string& key : newProgramIds_) RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
    }

    // Runs /setup and shows each dialog to `look` as it appears: SETUPDLG;
    // CONTEXTITEMS, opened with its button and cancelled; DONEDLG, after OK
    // with every choice cleared (so that setup changes as little as it can).
    void WalkSetupDialogs(const std::function<void(const char*, HWND)>& look) {
        test::Process p;
        ASSERT_TRUE(p.Start(exe_, "/setup", dir_));
        HWND setup = ui::WaitForDialog(p.pid(), 20000, "", p.handle());
        ASSERT_NE(setup, nullptr);
        look("SETUPDLG", setup);

        ui::Command(setup, IDC_CONTEXT_ITEMS);
        HWND items = WaitForOtherDialog(p, setup);
        ASSERT_NE(items, nullptr);
        look("CONTEXTITEMS", items);
        ui::Command(items, IDCANCEL);
        ASSERT_TRUE(ui::WaitForClose(items, 10000));

        for (const ArchiveType& type : ArchiveTypeTable)
            if (ui::IsChecked(setup, type.checkBox)) ui::Click(setup, type.checkBox);
        for (int id : {IDC_DESKTOP_LINK, IDC_STARTMENU_LINK, IDC_PROGRAM_GROUP, IDC_CASCADED_MENU, IDC_MENU_ICONS,
                       IDC_SHELL_EXT})
            if (ui::IsChecked(setup, id)) ui::Click(setup, id);
        ui::Command(setup, IDOK);
        ASSERT_TRUE(ui::WaitForClose(setup, 20000));
        HWND done = ui::WaitForDialog(p.pid(), 20000, "", p.handle());
        ASSERT_NE(done, nullptr);
        look("DONEDLG", done);
        ui::Command(done, IDOK);
        EXPECT_EQ(p.Wait(20000), 0);
    }
    HWND WaitForOtherDialog(test::Process& p, HWND known) {
        for (int i = 0; i < 400; ++i) {
            for (HWND h : ui::DialogsOf(p.pid()))
                if (h != known) return h;
            Sleep(50);
        }
        return nullptr;
    }
    std::string Template() {
        std::string path = In("template.lng");
        lngtest::ToolRun run = lngtest::RunLngTool("template " + lngtest::Quoted(exe_) + " --codepage " +
                                                   std::to_string(GetACP()) + " --output " + lngtest::Quoted(path));
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return test::ReadBytes(path);
    }

    // What setup registers even with every choice cleared.
    static constexpr const char* ProgramIdKeys[] = {"Qavrix", "Qavrix.ZIP", "Qavrix.REV", ".rev"};

    bool hadSettings_ = false;
    std::vector<std::string> newProgramIds_;
};

TEST_F(LngToolE2e, MarkedTemplateTranslatesEveryTextOfTheProgram) {
    int marked = 0;
    std::string file = MarkEntries(Template(), &marked);
    EXPECT_GT(marked, 60);
    Put("uninstall.lng", file);

    // The kit's own check agrees: every text has an entry, none is faulty.
    lngtest::ToolRun check = lngtest::RunLngTool("check " + lngtest::Quoted(In("uninstall.lng")) + " --program " +
                                                 lngtest::Quoted(exe_));
    EXPECT_EQ(check.exitCode, 0) << check.out;
    EXPECT_NE(check.out.find(std::to_string(marked) + " of " + std::to_string(marked) + " texts of the program"),
              std::string::npos)
        << check.out;
    EXPECT_NE(check.out.find("0 error(s)"), std::string::npos) << check.out;

    int dialogsSeen = 0, textsSeen = 0;
    WalkSetupDialogs([&](const char* name, HWND dialog) {
        ++dialogsSeen;
        ui::Window w = ui::Describe(dialog);
        EXPECT_TRUE(StartsWith(w.caption, Mark)) << name << " title: " << w.caption;
        for (const ui::Control& c : w.controls) {
            if (c.text.empty()) continue;
            if (std::string(name) == "DONEDLG" && c.id == IDC_DONE_FOLDER) continue;  // the folder, set by the program
            ++textsSeen;
            EXPECT_TRUE(StartsWith(c.text, Mark)) << name << " control " << c.id << ": " << c.text;
        }
    });
    EXPECT_EQ(dialogsSeen, 3);
    EXPECT_GT(textsSeen, 50);

    ui::Window warning = FirstBox("/warning", IDOK);
    EXPECT_EQ(warning.caption, Mark + "卸载 Qavrix");
    EXPECT_EQ(warning.MessageText(), Mark + "卸载已完成\n" + Mark + "你应该手动删除 " + test::Utf8FromAnsi(exe_));

    ui::Window question = FirstBox("", IDNO, test::ExitUserCancel);
    EXPECT_EQ(question.caption, Mark + "卸载 Qavrix");
    EXPECT_EQ(question.MessageText(), Mark + "确实要卸载 Qavrix 吗?");
    EXPECT_TRUE(Has("victim.txt"));
}

TEST_F(LngToolE2e, ReadingOrderEntryMirrorsAllThreeDialogs) {
    lngtest::ToolRun key = lngtest::RunLngTool("key --kind window --context LTR LTR");
    ASSERT_EQ(key.exitCode, 0) << key.err;
    ASSERT_GE(key.out.size(), 8u);
    std::string file = "; a right-to-left language\r\n***messages***\r\n" + key.out.substr(0, 8) + "=\"RTL\"\r\n";
    Put("uninstall.lng", file);

    int mirrored = 0;
    WalkSetupDialogs([&](const char* name, HWND dialog) {
        LONG exStyle = GetWindowLongA(dialog, GWL_EXSTYLE);
        EXPECT_NE(exStyle & WS_EX_LAYOUTRTL, 0) << name;
        if (exStyle & WS_EX_LAYOUTRTL) ++mirrored;
    });
    EXPECT_EQ(mirrored, 3);
}

// The English edition as shipped: the DLL gives English dialogs and
// messages; with the English language file as well, the file's messages win.
TEST_F(LngToolE2e, EnglishEditionShowsEnglish) {
    const std::string en = test::BinDir() + "\\en\\";
    ASSERT_TRUE(test::CopyTo(en + "qavlng.dll", In("qavlng.dll")));
    ui::Window warning = FirstBox("/warning", IDOK);
    EXPECT_EQ(warning.caption, "Uninstall Qavrix");
    EXPECT_EQ(warning.MessageText(), "Qavrix has been uninstalled.\nPlease delete " + test::Utf8FromAnsi(exe_) +
                                         " manually.");

    ASSERT_TRUE(test::CopyTo(en + "uninstall.lng", In("uninstall.lng")));
    ui::Window question = FirstBox("", IDNO, test::ExitUserCancel);
    EXPECT_EQ(question.caption, "Uninstall Qavrix");
    EXPECT_EQ(question.MessageText(), "Are you sure you want to uninstall Qavrix?");

    WalkSetupDialogs([&](const char* name, HWND dialog) {
        ui::Window w = ui::Describe(dialog);
        std::string expected = std::string(name) == "CONTEXTITEMS" ? "Context Menu Items" : "Qavrix Setup";
        EXPECT_EQ(w.caption, expected) << name;
    });
}

}  // namespace
