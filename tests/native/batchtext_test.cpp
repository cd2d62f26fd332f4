// The self-removal batch text: exact lines for both platform families, every
// percent sign doubled, and nothing composed past its buffer.
#include "uninstall/core/batchtext.h"
#include <gtest/gtest.h>
#include <string>

namespace {

const LeadBytes cp936 = MakeCodePage936LeadBytes();

std::string Doubled(const std::string& value, std::size_t capacity = 2048) {
    std::string out(capacity, '#');
    if (!DoublePercents(cp936, value.c_str(), &out[0], capacity)) return "<cut:" + std::string(out.c_str()) + ">";
    return out.c_str();
}

TEST(BatchText, PercentSignsAreDoubled) {
    EXPECT_EQ(Doubled("C:\\Qavrix\\uninstall.exe"), "C:\\Qavrix\\uninstall.exe");
    EXPECT_EQ(Doubled("C:\\100%\\%PATH%\\u.exe"), "C:\\100%%\\%%PATH%%\\u.exe");
    EXPECT_EQ(Doubled("%%"), "%%%%");
    EXPECT_EQ(Doubled(""), "");
    // Characters cmd.exe treats specially outside quotes pass unchanged.
    EXPECT_EQ(Doubled("C:\\A&B ^(x)!\\u.exe"), "C:\\A&B ^(x)!\\u.exe");
    // Double-byte characters are copied whole.
    EXPECT_EQ(Doubled("\xd6\xd0%\xce\xc4"), "\xd6\xd0%%\xce\xc4");
}

TEST(BatchText, DoublingIsBounded) {
    EXPECT_EQ(Doubled("ab%", 5), "ab%%");
    EXPECT_EQ(Doubled("ab%", 4), "<cut:>");
    EXPECT_EQ(Doubled("abcd", 4), "<cut:>");
    // A double-byte character is never split at the end of the buffer.
    EXPECT_EQ(Doubled("ab\xd6\xd0", 4), "<cut:>");
    EXPECT_EQ(Doubled(std::string(1023, '%'), 2048), std::string(2046, '%'));
    EXPECT_EQ(Doubled(std::string(1024, '%'), 2048), "<cut:>");
    char none[1] = {'z'};
    EXPECT_FALSE(DoublePercents(cp936, "a", none, 0));
    EXPECT_EQ(none[0], 'z');
}

std::string Batch(PlatformFamily family, const char* p, const char* d, const char* b, bool silent = false) {
    char start[1024], attempt[1024], closing[1024];
    EXPECT_TRUE(ComposeBatchStart(family, p, start, sizeof start));
    EXPECT_TRUE(ComposeBatchAttempt(p, d, attempt, sizeof attempt));
    EXPECT_TRUE(ComposeBatchClosing(p, b, silent, closing, sizeof closing));
    std::string text = start;
    for (int i = 0; i < BatchAttempts; ++i) text += attempt;
    return text + closing;
}

TEST(BatchText, BothFamiliesLineByLine) {
    const char* p = "C:\\Q\\uninstall.exe";
    const char* d = "C:\\Q";
    const char* b = "C:\\T\\Uninstall_Qav.Bat";
    std::string block =
        "del \"C:\\Q\\uninstall.exe\"\r\n"
        "rd \"C:\\Q\"\r\n"
        "if not exist \"C:\\Q\\uninstall.exe\" goto done\r\n";
    std::string tail =
        ":done\r\n"
        "if exist \"C:\\Q\\uninstall.exe\" \"C:\\Q\\uninstall.exe\" /warning\r\n"
        "del \"C:\\T\\Uninstall_Qav.Bat\"";
    std::string five = block + block + block + block + block;
    EXPECT_EQ(Batch(PlatformFamily::Nt, p, d, b), "\"C:\\Q\\uninstall.exe\" /wait\r\n" + five + tail);
    EXPECT_EQ(Batch(PlatformFamily::Win9x, p, d, b),
              "start /wait \"C:\\Q\\uninstall.exe\" /wait\r\n" + five + tail);
    // A silent run's warning run is silent too.
    std::string silentTail = tail;
    silentTail.replace(silentTail.find("/warning"), 8, "/warning /S");
    EXPECT_EQ(Batch(PlatformFamily::Nt, p, d, b, true), "\"C:\\Q\\uninstall.exe\" /wait\r\n" + five + silentTail);
    // A batch in a private folder removes the folder on the same last line.
    char closing[1024];
    EXPECT_TRUE(ComposeBatchClosing(p, b, false, closing, sizeof closing, "C:\\T"));
    EXPECT_EQ(closing, tail + "&rd \"C:\\T\"");
}

TEST(BatchText, LinesThatDoNotFitAreDroppedWhole) {
    std::string p(400, 'p'), d(300, 'd');
    char line[1024];
    // 2 * 400 + 300 + 42 bytes of commands: too long for the line buffer.
    EXPECT_FALSE(ComposeBatchAttempt(p.c_str(), d.c_str(), line, sizeof line));
    EXPECT_STREQ(line, "");
    std::string p2(300, 'p'), d2(100, 'd');
    EXPECT_TRUE(ComposeBatchAttempt(p2.c_str(), d2.c_str(), line, sizeof line));
    EXPECT_EQ(std::string(line).size(), 2 * 300 + 100 + 42u);
    char small[20];
    EXPECT_FALSE(ComposeBatchStart(PlatformFamily::Nt, "C:\\abcdefg", small, sizeof small));
    EXPECT_TRUE(ComposeBatchStart(PlatformFamily::Nt, "C:\\abcdef", small, sizeof small));
    EXPECT_STREQ(small, "\"C:\\abcdef\" /wait\r\n");  // 19 bytes
    EXPECT_FALSE(ComposeBatchClosing(p.c_str(), p.c_str(), false, line, sizeof line));
}

TEST(BatchText, FirstLineFormFollowsTheInterpreter) {
    const LeadBytes cp936 = MakeCodePage936LeadBytes();
    const struct {
        PlatformFamily family;
        const char* interpreter;
        PlatformFamily form;
    } cases[] = {
        {PlatformFamily::Win9x, "C:\\WINDOWS\\COMMAND.COM", PlatformFamily::Win9x},
        {PlatformFamily::Win9x, "C:\\windows\\system32\\cmd.exe", PlatformFamily::Nt},
        {PlatformFamily::Win9x, "C:\\WINNT\\SYSTEM32\\CMD.EXE ", PlatformFamily::Nt},
        {PlatformFamily::Win9x, "cmd.exe", PlatformFamily::Nt},
        {PlatformFamily::Win9x, "C:\\tools\\mycmd.exe", PlatformFamily::Win9x},
        {PlatformFamily::Win9x, "C:\\cmd.exe\\command.com", PlatformFamily::Win9x},
        {PlatformFamily::Win9x, "C:\\\xb2\\cmd.exe", PlatformFamily::Win9x},  // a trail byte 0x5C: one name
        {PlatformFamily::Win9x, "", PlatformFamily::Win9x},
        {PlatformFamily::Win9x, nullptr, PlatformFamily::Win9x},
        {PlatformFamily::Nt, "C:\\WINDOWS\\COMMAND.COM", PlatformFamily::Nt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BatchStartForm(cp936, c.family, c.interpreter), c.form) << (c.interpreter ? c.interpreter : "null");
}

// cmd.exe with /d (no AutoRun) and the path in two pairs of quotes, which
// keeps & ( ) ^ and blanks inside; command.com as before.
TEST(BatchText, InterpreterCommand) {
    const struct {
        PlatformFamily form;
        const char* batch;
        const char* command;
    } cases[] = {
        {PlatformFamily::Nt, "C:\\T\\U.Bat", "\"C:\\W\\cmd.exe\" /d /c \"\"C:\\T\\U.Bat\"\""},
        {PlatformFamily::Nt, "C:\\R&D (1) ^x\\U.Bat", "\"C:\\W\\cmd.exe\" /d /c \"\"C:\\R&D (1) ^x\\U.Bat\"\""},
        {PlatformFamily::Win9x, "C:\\T\\U.Bat", "C:\\W\\COMMAND.COM /c \"C:\\T\\U.Bat\""},
    };
    char out[64];
    for (const auto& c : cases) {
        const char* interpreter = c.form == PlatformFamily::Nt ? "C:\\W\\cmd.exe" : "C:\\W\\COMMAND.COM";
        EXPECT_TRUE(ComposeInterpreterCommand(c.form, interpreter, c.batch, out, sizeof out));
        EXPECT_STREQ(out, c.command);
    }
    EXPECT_FALSE(ComposeInterpreterCommand(PlatformFamily::Nt, std::string(50, 'c').c_str(), "x", out, sizeof out));
}

// An administrators' run on the NT family uses the Windows temporary folder
// alone, never a person's own; other runs try every base.
TEST(BatchText, BaseFolderOrder) {
    using B = BatchBase;
    const struct {
        PlatformFamily family;
        bool administrators;
        BatchBaseOrder order;
    } cases[] = {
        {PlatformFamily::Nt, true, {{B::WindowsTemp}, 1}},
        {PlatformFamily::Nt, false, {{B::Temp, B::ShortTemp, B::WindowsTemp}, 3}},
        {PlatformFamily::Win9x, true, {{B::Temp, B::ShortTemp, B::WindowsTemp}, 3}},
        {PlatformFamily::Win9x, false, {{B::Temp, B::ShortTemp, B::WindowsTemp}, 3}},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(BatchBasesInOrder(c.family, c.administrators) == c.order) << c.administrators;
}

}  // namespace
