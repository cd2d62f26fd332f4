// The real uninstall.exe with a language file beside it: its message boxes
// show the translated texts, and the language DLL's messages are used only
// when the file has no usable messages section.
#include "lang/core/translation.h"
#include "tests/support/harness.h"
#include "uidriver/uidriver.h"
#include <gtest/gtest.h>
#include <string>

namespace {

// An entry translating a message of the program's own string table (UTF-8
// here, keyed by its code-page-936 bytes) into `replacement` (UTF-8).
std::string MessageEntry(const std::string& text, const std::string& replacement) {
    char key[9];
    FormatTranslationKey(TranslationKeyValue(TextKind::MessageText, nullptr, test::Ansi(text).c_str()), key);
    return std::string(key) + "=\"" + test::Ansi(replacement) + "\"\r\n";
}

const std::string Header = "; test language\r\n***messages***\r\n";

class LanguageE2e : public ::testing::Test {
protected:
    void SetUp() override {
        exe_ = dir_ / "uninstall.exe";
        ASSERT_TRUE(CopyFileA(test::ProductExe().c_str(), exe_.c_str(), FALSE));
        ASSERT_TRUE(test::WriteBytes(dir_ / "victim.txt", "keep me"));
        ASSERT_TRUE(test::WriteBytes(dir_ / "Uninstall.lst", "victim.txt\r\n"));
    }
    void WriteLanguageFile(const std::string& lines) {
        ASSERT_TRUE(test::WriteBytes(dir_ / "uninstall.lng", lines));
    }
    void AddLanguageDll() {
        ASSERT_TRUE(CopyFileA(test::ResourceDll("testlng").c_str(), (dir_ / "qavlng.dll").c_str(), FALSE));
    }
    // Runs the program with /warning and returns its box, answered with OK.
    ui::Window WarningBox() {
        test::Process p;
        EXPECT_TRUE(p.Start(exe_, "/warning", dir_.path()));
        HWND box = ui::WaitForDialog(p.pid(), 20000, "", p.handle());
        EXPECT_NE(box, nullptr);
        if (!box) return {};
        ui::Window w = ui::Describe(box);
        ui::Command(box, IDOK);
        EXPECT_EQ(p.Wait(20000), 0);
        return w;
    }

    test::ScratchDir dir_{"lnge2e"};
    std::string exe_;
};

TEST_F(LanguageE2e, WarningBoxIsTranslated) {
    WriteLanguageFile(Header + MessageEntry("卸载 Qavrix", "Uninstall Qavrix") +
                      MessageEntry("卸载已完成", "Uninstallation completed") +
                      MessageEntry("你应该手动删除 %s", "Please delete \\\"%s\\\" by hand"));
    ui::Window w = WarningBox();
    EXPECT_EQ(w.caption, "Uninstall Qavrix");
    EXPECT_EQ(w.MessageText(),
              "Uninstallation completed\nPlease delete \"" + test::Utf8FromAnsi(exe_) + "\" by hand");
}

TEST_F(LanguageE2e, TranslationsOutrankTheLanguageDll) {
    AddLanguageDll();
    WriteLanguageFile(Header + MessageEntry("卸载 Qavrix", "Caption from the file"));
    ui::Window w = WarningBox();
    EXPECT_EQ(w.caption, "Caption from the file");
    // Untranslated messages come from the program, not from the DLL.
    EXPECT_EQ(w.MessageText(), "卸载已完成\n你应该手动删除 " + test::Utf8FromAnsi(exe_));
}

TEST_F(LanguageE2e, HeaderOutOfReachLeavesTheDllsMessages) {
    AddLanguageDll();
    WriteLanguageFile(std::string(130817, ';') + Header.substr(17) + MessageEntry("卸载 Qavrix", "Never"));
    ui::Window w = WarningBox();
    EXPECT_EQ(w.caption, "TEST Uninstall Qavrix");
    EXPECT_EQ(w.MessageText(), "TEST Uninstall complete\nTEST Delete " + test::Utf8FromAnsi(exe_) + " by hand");
}

TEST_F(LanguageE2e, ConfirmationBoxIsTranslated) {
    WriteLanguageFile(Header + MessageEntry("卸载 Qavrix", "Uninstall Qavrix") +
                      MessageEntry("确实要卸载 Qavrix 吗?", "真的要删除 Qavrix 吗?\\n(translated)"));
    test::Process p;
    ASSERT_TRUE(p.Start(exe_, "", dir_.path()));
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
    EXPECT_EQ(p.Wait(20000), 0);
    EXPECT_TRUE(test::Exists(dir_ / "victim.txt"));
    EXPECT_TRUE(test::Exists(dir_ / "Uninstall.lst"));
}

std::string WindowEntry(const char* dialog, const std::string& text, const std::string& replacement) {
    char key[9];
    FormatTranslationKey(TranslationKeyValue(TextKind::WindowText, dialog, test::Ansi(text).c_str()), key);
    return std::string(key) + "=\"" + test::Ansi(replacement) + "\"\r\n";
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
        ASSERT_TRUE(p.Start(exe_, "/setup", dir_.path()));
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
        EXPECT_EQ(p.Wait(20000), 0);
    }
}

}  // namespace
