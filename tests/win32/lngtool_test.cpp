// lngtool, the translators' kit, as a translator runs it: its keys agree with
// the program's own key function, its check finds every kind of fault in a
// bad file, the English edition passes the check, and its errors name the
// problem with a non-zero exit status.
#include "lang/core/translation.h"
#include "tests/support/harness.h"
#include "tests/support/lang_entries.h"
#include "tests/support/lngtool_runner.h"
#include <gtest/gtest.h>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using lngtest::Quoted;
using lngtest::RunLngTool;
using lngtest::ToolRun;

constexpr auto KeyOf = &test::TranslationKey;

// A dialog procedure's calling convention differs from a lambda's on x86.
INT_PTR CALLBACK DoNothingDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

std::string Program() { return Quoted(test::ProductExe()); }

TEST(LngTool, KeysAgreeWithTheProgramsKeyFunction) {
    struct Case {
        std::string args;      // after "key"
        std::string expected;  // the key the program computes
    };
    const std::vector<Case> cases = {
        {"--kind window --context LTR LTR", "50a17ae8"},
        {"--kind window --context SETUPDLG \"\"", "9b889d24"},
        {"--kind message --codepage 936 " + test::Ansi("卸载已完成"), "9432898b"},
        {"--kind message " + test::Ansi("\"你应该手动删除 %s\""),
         KeyOf(TextKind::MessageText, nullptr, test::Ansi("你应该手动删除 %s"))},
        {"--kind window --context DONEDLG " + test::Ansi("\"运行 Qavrix(&R)\""),
         KeyOf(TextKind::WindowText, "DONEDLG", test::Ansi("运行 Qavrix(&R)"))},
        // The language file's escapes: a line break and a backslash.
        {"--kind window --context SETUPDLG \"one\\ntwo \\\\x\"",
         KeyOf(TextKind::WindowText, "SETUPDLG", "one\ntwo \\x")},
        // Another code page: the same text gives other bytes, so another key.
        {"--kind message --codepage 1252 " + test::Ansi("Café"), KeyOf(TextKind::MessageText, nullptr, "Caf\xE9")},
    };
    for (const Case& c : cases) {
        ToolRun run = RunLngTool("key " + c.args);
        EXPECT_EQ(run.exitCode, 0) << c.args << "\n" << run.err;
        EXPECT_EQ(run.out, c.expected + "\r\n") << c.args;
    }
}

TEST(LngTool, TemplateCoversEveryMessageAndDialogText) {
    test::ScratchDir dir("lngtpl");
    ToolRun run = RunLngTool("template " + Program() + " --output " + Quoted(dir / "t.lng"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::string file = test::ReadBytes(dir / "t.lng");
    EXPECT_NE(file.find("\r\n***messages***\r\n"), std::string::npos);
    for (int number = 5101; number <= 5116; ++number)
        EXPECT_NE(file.find("; message " + std::to_string(number) + " in UTF-8: "), std::string::npos) << number;
    // An entry in the code page, its source in UTF-8 on the comment above.
    const std::string confirm = test::Ansi("确实要卸载 Qavrix 吗?");
    EXPECT_NE(file.find("确实要卸载 Qavrix 吗?\r\n" + KeyOf(TextKind::MessageText, nullptr, confirm) + "=\"" +
                        confirm + "\"\r\n"),
              std::string::npos);
    const std::string help = test::Ansi("帮助");
    for (const char* dialog : {"SETUPDLG", "CONTEXTITEMS"})
        EXPECT_NE(file.find(KeyOf(TextKind::WindowText, dialog, help) + "=\"" + help + "\""), std::string::npos);
    // The reading-order and scale entries, commented out.
    EXPECT_NE(file.find(";50a17ae8=\"LTR\""), std::string::npos);
    for (const char* dialog : {"SETUPDLG", "CONTEXTITEMS", "DONEDLG"})
        EXPECT_NE(file.find(";" + KeyOf(TextKind::WindowText, dialog, "") + "=\"100*100\""), std::string::npos);
    // The rich-edit text's line break and the backslash of a menu item as escapes.
    EXPECT_NE(file.find(test::Ansi("必要。\\n    点击")), std::string::npos);
    EXPECT_NE(file.find(test::Ansi("解压到<文件夹\\\\>(&E)\"")), std::string::npos);

    // Written to standard output, the same bytes.
    ToolRun toOut = RunLngTool("template " + Program());
    EXPECT_EQ(toOut.exitCode, 0);
    EXPECT_EQ(toOut.out, file);

    // A fresh template is a valid file with every text still in the source.
    ToolRun check = RunLngTool("check " + Quoted(dir / "t.lng") + " --program " + Program());
    EXPECT_EQ(check.exitCode, 0) << check.out;
    EXPECT_NE(check.out.find("0 error(s)"), std::string::npos) << check.out;
}

// With a language DLL beside the program, its dialogs are what the program
// shows and keys; the messages stay the program's own.
TEST(LngTool, TemplateTakesDialogsFromTheLanguageDll) {
    ToolRun run = RunLngTool("template " + Program() + " --dialogs " + Quoted(test::BinDir() + "\\en\\qavlng.dll"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(KeyOf(TextKind::WindowText, "SETUPDLG", "Help") + "=\"Help\""), std::string::npos);
    EXPECT_NE(run.out.find(KeyOf(TextKind::WindowText, "CONTEXTITEMS", "Context Menu Items") + "=\""),
              std::string::npos);
    EXPECT_EQ(run.out.find(KeyOf(TextKind::WindowText, "SETUPDLG", test::Ansi("帮助"))), std::string::npos);
    const std::string caption = test::Ansi("卸载 Qavrix");
    EXPECT_NE(run.out.find(KeyOf(TextKind::MessageText, nullptr, caption) + "=\"" + caption + "\""), std::string::npos);
    EXPECT_EQ(run.out.find("Uninstall Qavrix"), std::string::npos) << "the DLL's messages are never keys";
}

// One small file with each fault the check knows, and where it must be found.
TEST(LngTool, CheckFindsEachFaultClass) {
    const std::string confirm = KeyOf(TextKind::MessageText, nullptr, test::Ansi("确实要卸载 Qavrix 吗?"));
    const std::string caption = KeyOf(TextKind::MessageText, nullptr, test::Ansi("卸载 Qavrix"));
    const std::string restart =
        KeyOf(TextKind::MessageText, nullptr, test::Ansi("你需要重新启动 Windows 来完全卸载 Qavrix。"));
    const std::string help = KeyOf(TextKind::WindowText, "SETUPDLG", test::Ansi("帮助"));
    const std::string finish = KeyOf(TextKind::WindowText, "DONEDLG", test::Ansi("完成"));
    const std::string deleteManually = KeyOf(TextKind::MessageText, nullptr, test::Ansi("你应该手动删除 %s"));
    const std::string listMissing = KeyOf(TextKind::MessageText, nullptr, test::Ansi("无法打开列表文件 %s"));
    const std::string setupScale = KeyOf(TextKind::WindowText, "SETUPDLG", "");
    const std::string contextScale = KeyOf(TextKind::WindowText, "CONTEXTITEMS", "");
    const std::string doneScale = KeyOf(TextKind::WindowText, "DONEDLG", "");
    std::string upper = caption;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_NE(upper, caption) << "the key needs a letter to be written in capitals";

    struct Line {
        std::string text;
        const char* finding;  // expected on this line, or null
    };
    const std::vector<Line> lines = {
        {"; a bad language file", nullptr},
        {"***messages***", nullptr},
        {confirm + "=\"Really?\"", nullptr},
        {upper + "=\"Caption\"", "is written in capital letters"},
        {confirm + "=\"Really, really?\"", "duplicate key"},
        {"this is no entry", "neither an entry nor a comment"},
        {help + " = \"Help\"", "malformed entry"},
        {finish + "=\"Finish", "no closing double quote"},
        {"0badc0de=\"Nothing\"", "matches no text of the program"},
        {restart + "=\"" + std::string(512, 'x') + "\"", "buffer holds 511"},
        {KeyOf(TextKind::WindowText, "SETUPDLG", test::Ansi("界面")) + "=\"" +
             std::string(1024, 'y') + "\"",
         "buffer holds 1023"},
        {setupScale + "=\"120\"", "two percentages"},
        {doneScale + "=\"wide*tall\"", "two percentages"},
        {contextScale + "=\"1001*100\"", "two percentages from 1 to 1000"},
        {deleteManually + "=\"%s %s\"", "has the conversions %s %s, the original %s"},
        {listMissing + "=\"%x.%x %1000000s\"", "has the conversions %x %x %1000000s, the original %s"},
        {"50a17ae8=\"rtl\"", "must be RTL or LTR"},
        {"", nullptr},
    };
    std::string file;
    for (const Line& l : lines) file += l.text + "\r\n";
    test::ScratchDir dir("lngchk");
    ASSERT_TRUE(test::WriteBytes(dir / "bad.lng", file));
    ToolRun run = RunLngTool("check " + Quoted(dir / "bad.lng") + " --program " + Program());
    EXPECT_EQ(run.exitCode, 1) << run.out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].finding) continue;
        std::string place = dir / "bad.lng:" + std::to_string(i + 1) + ": error: ";
        std::size_t at = run.out.find(place);
        ASSERT_NE(at, std::string::npos) << "line " << i + 1 << " (" << lines[i].finding << ")\n" << run.out;
        std::string finding = run.out.substr(at, run.out.find('\n', at) - at);
        EXPECT_NE(finding.find(lines[i].finding), std::string::npos) << finding;
    }
    // The good lines count as translated in the summary.
    EXPECT_NE(run.out.find(" texts of the program have an entry"), std::string::npos);
    EXPECT_NE(run.out.find("reading order: left to right"), std::string::npos);
}

TEST(LngTool, CheckFindsHeaderAndSectionFaults) {
    const std::string caption = KeyOf(TextKind::MessageText, nullptr, test::Ansi("卸载 Qavrix"));
    const std::string entry = caption + "=\"Uninstall\"\r\n";
    struct Case {
        const char* name;
        std::string file;
        std::string finding;
    };
    std::string longSection = "***messages***\r\n" + entry;
    while (longSection.size() < 70000) longSection += "; padding padding padding padding padding padding\r\n";
    longSection += entry;
    const std::vector<Case> cases = {
        {"no header", "; nothing\r\n" + entry, "error: no header line ***messages***"},
        {"header too far", std::string(130817, ';') + "\r\n***messages***\r\n" + entry,
         ":2: error: the header ***messages*** starts at byte 130819, beyond the first 130816 bytes"},
        {"header at the very end", "; short\r\n***messages***", ":2: error: the header ***messages*** lies in the last 16 bytes"},
        {"section too long", longSection, "error: the section is longer than the 65536 bytes the program loads"},
        {"NUL byte", "***messages***\r\n" + entry + std::string(1, '\0') + entry, ":3: error: a NUL byte ends the section"},
    };
    test::ScratchDir dir("lnghdr");
    for (const Case& c : cases) {
        ASSERT_TRUE(test::WriteBytes(dir / "f.lng", c.file));
        ToolRun run = RunLngTool("check " + Quoted(dir / "f.lng") + " --program " + Program());
        EXPECT_EQ(run.exitCode, 1) << c.name << "\n" << run.out;
        EXPECT_NE(run.out.find(c.finding), std::string::npos) << c.name << "\n" << run.out;
    }
}

// The shipped English language file passes the check with every text
// translated, and the English DLL has every number and name of the program.
TEST(LngTool, EnglishEditionIsCompleteAndClean) {
    ToolRun run = RunLngTool("check " + Quoted(test::SourceDir() + "\\lang\\en\\uninstall.lng") + " --program " +
                             Program() + " --codepage 936");
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("0 error(s), 0 warning(s)"), std::string::npos) << run.out;
    std::size_t of = run.out.find(" of ");
    ASSERT_NE(of, std::string::npos);
    std::string have = run.out.substr(0, of);
    std::string all = run.out.substr(of + 4, run.out.find(' ', of + 4) - of - 4);
    EXPECT_EQ(have, all) << run.out;
    // Only the home-page address and the archive type names stay as they are.
    for (const char* group : {"\n  CONTEXTITEMS: ", "\n  DONEDLG: "}) {
        std::size_t at = run.out.find(group);
        ASSERT_NE(at, std::string::npos) << group;
        std::string line = run.out.substr(at + 1, run.out.find('\n', at + 1) - at - 1);
        EXPECT_EQ(line.find("still"), std::string::npos) << line;
    }

    const std::string dll = test::BinDir() + "\\en\\qavlng.dll";
    UniqueLibrary englishDll(LoadLibraryExA(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(englishDll);
    HMODULE english = englishDll.get();
    HMODULE own = GetModuleHandleA(nullptr);  // this test program carries the product's resources
    for (int number = 5101; number <= 5116; ++number) {
        char text[512] = "";
        EXPECT_GT(LoadStringA(english, number, text, sizeof text), 0) << number;
        for (const unsigned char c : std::string(text)) EXPECT_LT(c, 0x80) << number << ": " << text;
    }
    for (const char* name : {"SETUPDLG", "CONTEXTITEMS", "DONEDLG"})
        EXPECT_NE(FindResourceA(english, name, MAKEINTRESOURCEA(5)), nullptr) << name;
    EXPECT_NE(FindResourceA(english, "QAVICON", MAKEINTRESOURCEA(14)), nullptr) << "the dialogs' icon";
    EXPECT_EQ(FindResourceA(english, "RTL", MAKEINTRESOURCEA(5)), nullptr) << "English reads left to right";

    // Each dialog has the program's control IDs, and no accelerator twice.
    LoadLibraryA("riched32.dll");
    auto controls = [](HMODULE module, const char* name) {
        HRSRC r = FindResourceA(module, name, MAKEINTRESOURCEA(5));
        auto* t = static_cast<LPCDLGTEMPLATEA>(LockResource(LoadResource(module, r)));
        HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t, nullptr,
                                                 DoNothingDialog, 0);
        std::multiset<int> ids;
        std::set<char> keys;
        bool twice = false;
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            ids.insert(GetDlgCtrlID(c));
            char text[1024] = "";
            GetWindowTextA(c, text, sizeof text);
            const char* amp = std::strchr(text, '&');
            if (amp && amp[1]) twice |= !keys.insert(static_cast<char>(std::toupper(amp[1]))).second;
        }
        DestroyWindow(dialog);
        return std::make_pair(ids, twice);
    };
    for (const char* name : {"SETUPDLG", "CONTEXTITEMS", "DONEDLG"}) {
        auto mine = controls(english, name);
        EXPECT_EQ(mine.first, controls(own, name).first) << name;
        EXPECT_FALSE(mine.second) << name << " uses an accelerator twice";
    }
}

TEST(LngTool, ErrorsNameTheProblemAndFail) {
    test::ScratchDir dir("lngerr");
    ASSERT_TRUE(test::WriteBytes(dir / "plain.txt", "not a program"));
    struct Case {
        std::string args;
        long exitCode;
        std::string message;  // in the error output
    };
    const std::vector<Case> cases = {
        {"", 2, "lngtool key"},
        {"frobnicate", 2, "unknown command \"frobnicate\""},
        {"key LTR", 2, "--kind message or --kind window"},
        {"key --kind label LTR", 2, "--kind must be message or window"},
        {"key --kind message --context SETUPDLG x", 2, "messages have no context"},
        {"key --kind message --codepage 99999 x", 2, "unknown code page 99999"},
        {"key --kind message --codepage abc x", 2, "code page \"abc\" is not a number"},
        {"key --kind message", 2, "exactly one TEXT"},
        {"key --kind message --bogus 1 x", 2, "unknown option --bogus"},
        {"key --kind", 2, "option --kind needs a value"},
        {"template " + Quoted(dir / "missing.exe"), 1, "missing.exe: cannot read its resources"},
        {"template " + Quoted(dir / "plain.txt"), 1, "plain.txt: cannot read its resources"},
        {"template " + Quoted(test::BinDir() + "\\uidriver.exe"), 1, "holds neither messages nor the dialogs"},
        {"template " + Program() + " --output " + Quoted(dir / "no\\such\\folder\\t.lng"), 1, "cannot create"},
        {"template", 2, "exactly one PROGRAM"},
        {"check " + Quoted(dir / "missing.lng") + " --program " + Program(), 1, "missing.lng: cannot open"},
        {"check " + Quoted(dir / "plain.txt"), 2, "check needs --program"},
        {"check " + Quoted(dir / "plain.txt") + " --program " + Quoted(dir / "missing.exe"), 1,
         "cannot read its resources"},
    };
    for (const Case& c : cases) {
        ToolRun run = RunLngTool(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args << "\n" << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << "\n" << run.err;
    }
    ToolRun help = RunLngTool("--help");
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command : {"lngtool key", "lngtool template", "lngtool check"})
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
}

}  // namespace
