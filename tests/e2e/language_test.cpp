// The real uninstall.exe with a language file beside it: its message boxes
// show the translated texts, and the language DLL's messages are used only
// when the file has no usable messages section.
#include "tests/support/lang_entries.h"
#include "tests/support/program_run.h"
#include <ostream>
#include <string>
#include <vector>

namespace {

// Entries for texts given in UTF-8 here, written in the program's code page.
std::string MessageEntry(const std::string& text, const std::string& replacement) {
    return test::MessageEntry(test::Ansi(text), test::Ansi(replacement));
}
std::string WindowEntry(const char* dialog, const std::string& text, const std::string& replacement) {
    return test::WindowEntry(dialog, test::Ansi(text), test::Ansi(replacement));
}

const std::string Header = "; test language\r\n" + std::string(test::MessagesHeader);

class LanguageE2e : public test::ProgramCopyTest {
protected:
    void SetUp() override {
        ProgramCopyTest::SetUp();
        Put("victim.txt", "keep me");
        List("victim.txt\r\n");
    }
    void WriteLanguageFile(const std::string& lines) { Put("uninstall.lng", lines); }
    void AddLanguageDll() { ASSERT_TRUE(test::CopyTo(test::ResourceDll("testlng"), In("qavlng.dll"))); }
};

// The warning box of a program with a language file beside it, and the test
// language DLL or not.
struct WarningCase {
    const char* name;
    bool languageDll;
    std::string file;
    std::string caption;
    std::string text;   // "@" stands for the program's path
};

std::vector<WarningCase> WarningCases() {
    return {
        {"TranslatedByTheFile", false,
         Header + MessageEntry("卸载 Qavrix", "Uninstall Qavrix") + MessageEntry("卸载已完成", "Uninstallation completed") +
             MessageEntry("你应该手动删除 %s", "Please delete \\\"%s\\\" by hand"),
         "Uninstall Qavrix", "Uninstallation completed\nPlease delete \"@\" by hand"},
        // Untranslated messages come from the program, not from the DLL.
        {"TranslationsOutrankTheLanguageDll", true, Header + MessageEntry("卸载 Qavrix", "Caption from the file"),
         "Caption from the file", "卸载已完成\n你应该手动删除 @"},
        {"HeaderOutOfReachLeavesTheDllsMessages", true,
         std::string(130817, ';') + test::MessagesHeader + MessageEntry("卸载 Qavrix", "Never"), "TEST Uninstall Qavrix",
         "TEST Uninstall complete\nTEST Delete @ by hand"},
        // A translation of message 5106 is never a format: the path goes where
        // the original has its "%s" (the translation's first), every other
        // percent sequence is shown as written, and the program ends normally.
        {"MoreConversionsThanTheOriginal", false, Header + MessageEntry("你应该手动删除 %s", "%s %s"), "卸载 Qavrix",
         "卸载已完成\n@ %s"},
        {"ThreePaths", false, Header + MessageEntry("你应该手动删除 %s", "A%sB%sC%sD"), "卸载 Qavrix",
         "卸载已完成\nA@B%sC%sD"},
        {"OtherConversions", false, Header + MessageEntry("你应该手动删除 %s", "%x.%x %s"), "卸载 Qavrix",
         "卸载已完成\n%x.%x @"},
        {"HugeWidth", false, Header + MessageEntry("你应该手动删除 %s", "%1000000s"), "卸载 Qavrix",
         "卸载已完成\n%1000000s"},
        {"WritingConversions", false, Header + MessageEntry("你应该手动删除 %s", "%n%n%p 100%%"), "卸载 Qavrix",
         "卸载已完成\n%n%n%p 100%"},
    };
}

void PrintTo(const WarningCase& c, std::ostream* os) { *os << c.name; }

class LanguageWarning : public LanguageE2e, public ::testing::WithParamInterface<WarningCase> {};

TEST_P(LanguageWarning, BoxShowsTheExpectedTexts) {
    const WarningCase& c = GetParam();
    if (c.languageDll) AddLanguageDll();
    WriteLanguageFile(c.file);
    ui::Window w = FirstBox("/warning");
    std::string text = c.text;
    std::size_t at = text.find('@');
    if (at != std::string::npos) text.replace(at, 1, test::Utf8FromAnsi(exe_));
    EXPECT_EQ(w.caption, c.caption);
    EXPECT_EQ(w.MessageText(), text);
}

INSTANTIATE_TEST_SUITE_P(LanguageE2e, LanguageWarning, ::testing::ValuesIn(WarningCases()),
                         [](const ::testing::TestParamInfo<WarningCase>& info) { return info.param.name; });

TEST_F(LanguageE2e, ConfirmationBoxIsTranslated) {
    WriteLanguageFile(Header + MessageEntry("卸载 Qavrix", "Uninstall Qavrix") +
                      MessageEntry("确实要卸载 Qavrix 吗?", "真的要删除 Qavrix 吗?\\n(translated)"));
    test::Process p;
    ASSERT_TRUE(p.Start(exe_, "", dir_));
    HWND box = ui::WaitForDialog(p.pid(), 20000, "", p.handle());
    if (!box) {
        // The uninstall run that asks the question is not in this build yet.
        EXPECT_EQ(p.Wait(20000), 0);
        GTEST_SKIP() << "uninstall.exe started without arguments shows no confirmation box yet";
    }
    ui::Window w = ui::Describe(box);
    EXPECT_EQ(w.caption, "Uninstall Qavrix");
    EXPECT_EQ(w.MessageText(), "真的要删除 Qavrix 吗?\n(translated)");
    ui::Command(box, IDNO);
    EXPECT_EQ(p.Wait(20000), test::ExitUserCancel);
    EXPECT_TRUE(Has("victim.txt"));
    EXPECT_TRUE(Has("Uninstall.lst"));
}

TEST_F(LanguageE2e, SetupDialogIsTranslatedScaledAndMirrored) {
    // Without a language file first, for the template's own size.
    SIZE plain{};
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1)
            WriteLanguageFile(Header + WindowEntry("SETUPDLG", "Qavrix 简体中文版安装", "Qavrix Setup") +
                              WindowEntry("SETUPDLG", "帮助", "Help") + WindowEntry("SETUPDLG", "", "150*100") +
                              WindowEntry("LTR", "LTR", "RTL"));
        test::Process p;
        ASSERT_TRUE(p.Start(exe_, "/setup", dir_));
        HWND dialog = ui::WaitForDialog(p.pid(), 20000, "", p.handle());
        if (!dialog) {
            EXPECT_EQ(p.Wait(20000), 0);
            GTEST_SKIP() << "uninstall.exe /setup shows no dialog yet";
        }
        ui::Window w = ui::Describe(dialog);
        RECT client{};
        GetClientRect(dialog, &client);
        LONG exStyle = GetWindowLongA(dialog, GWL_EXSTYLE);
        if (pass == 0) {
            plain = {client.right, client.bottom};
            EXPECT_EQ(w.caption, "Qavrix 简体中文版安装");
            EXPECT_EQ(exStyle & WS_EX_LAYOUTRTL, 0);
        } else {
            EXPECT_EQ(w.caption, "Qavrix Setup");
            ASSERT_NE(w.Find(9), nullptr);
            EXPECT_EQ(w.Find(9)->text, "Help");
            EXPECT_NE(exStyle & WS_EX_LAYOUTRTL, 0);
            // Client area one and a half times as wide (the frame is counted
            // one pixel larger than it is, so one more in each direction).
            EXPECT_EQ(client.right, plain.cx * 150 / 100 + 1);
            EXPECT_EQ(client.bottom, plain.cy + 1);
        }
        ui::Command(dialog, IDCANCEL);
        EXPECT_EQ(p.Wait(20000), test::ExitUserCancel);
    }
}

// The setup dialog's window rectangle with the language file `lines`, and
// the screen's work area; the dialog is cancelled.
struct SetupGeometry {
    RECT window{}, client{}, area{};
};

class SetupDialogLanguage : public LanguageE2e {
protected:
    SetupGeometry ShowSetup() {
        SetupGeometry g;
        test::Process p;
        EXPECT_TRUE(p.Start(exe_, "/setup", dir_));
        HWND dialog = ui::WaitForDialog(p.pid(), 20000, "", p.handle());
        EXPECT_NE(dialog, nullptr) << "no SETUPDLG";
        if (dialog) {
            GetWindowRect(dialog, &g.window);
            GetClientRect(dialog, &g.client);
            caption_ = ui::Describe(dialog).caption;
            ui::Command(dialog, IDCANCEL);
        }
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &g.area, 0);
        EXPECT_EQ(p.Wait(20000), dialog ? test::ExitUserCancel : test::ExitDone);
        return g;
    }
    std::string caption_;
};

// Scale entries outside the range lngtool accepts (1 to 1000 percent) leave
// the dialog as its template makes it; an entry in the range never makes it
// larger than the work area.
TEST_F(SetupDialogLanguage, ScaleEntriesOutsideTheRangeAreIgnoredAndNoneExceedsTheWorkArea) {
    SetupGeometry plain = ShowSetup();
    const struct {
        const char* entry;
        bool ignored;
    } cases[] = {
        {"-2147483648*-2147483648", true}, {"0*0", true},        {"99999*99999", true},
        {"1001*100", true},                {"100*-5", true},      {"1000*1000", false},
        {"1000*100", false},               {"120*110", false},
    };
    for (const auto& c : cases) {
        WriteLanguageFile(Header + WindowEntry("SETUPDLG", "", c.entry));
        SetupGeometry g = ShowSetup();
        if (c.ignored) {
            EXPECT_EQ(g.client.right, plain.client.right) << c.entry;
            EXPECT_EQ(g.client.bottom, plain.client.bottom) << c.entry;
        } else {
            EXPECT_GT(g.client.right, plain.client.right) << c.entry;
        }
        EXPECT_GE(g.window.left, g.area.left) << c.entry;
        EXPECT_GE(g.window.top, g.area.top) << c.entry;
        EXPECT_LE(g.window.right, g.area.right) << c.entry;
        EXPECT_LE(g.window.bottom, g.area.bottom) << c.entry;
    }
}

// A language DLL with texts only (an older edition, or one built for the
// other architecture without dialogs): the dialogs come from the program.
TEST_F(SetupDialogLanguage, DialogsMissingFromTheLanguageDllComeFromTheProgram) {
    AddLanguageDll();
    SetupGeometry g = ShowSetup();
    EXPECT_EQ(caption_, "Qavrix 简体中文版安装");
    EXPECT_GT(g.client.right, 0);
}

}  // namespace
