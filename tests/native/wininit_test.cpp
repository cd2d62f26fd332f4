// wininit.ini, where Windows 9x finds the deletions it carries out at the
// restart, and the NT family's PendingFileRenameOperations: one more
// scheduled deletion, or one taken out again, keeps everything else as it was.
#include "platform/core/pending_renames.h"
#include "platform/core/wininit.h"
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(Wininit, EachDeletionIsOneMoreLineKeepingEverythingElse) {
    struct Case { const char* name; std::string before; std::string after; };
    const Case cases[] = {
        {"no file", "", "[Rename]\r\nNUL=C:\\X\\A.DLL\r\n"},
        {"earlier deletions stay", "[Rename]\r\nNUL=C:\\OLD.DLL\r\n",
         "[Rename]\r\nNUL=C:\\OLD.DLL\r\nNUL=C:\\X\\A.DLL\r\n"},
        {"section in the middle, any case", "[a]\r\nk=v\r\n[rename]\r\nC:\\N=C:\\O\r\n[b]\r\nx=y\r\n",
         "[a]\r\nk=v\r\n[rename]\r\nC:\\N=C:\\O\r\nNUL=C:\\X\\A.DLL\r\n[b]\r\nx=y\r\n"},
        {"other sections only", "[b]\r\nx=y", "[b]\r\nx=y\r\n[Rename]\r\nNUL=C:\\X\\A.DLL\r\n"},
        {"last line without line end", "[Rename]\r\nNUL=C:\\OLD", "[Rename]\r\nNUL=C:\\OLD\r\nNUL=C:\\X\\A.DLL\r\n"},
        {"LF lines kept as they are", "[Rename]\nNUL=C:\\OLD\n[z]\n", "[Rename]\nNUL=C:\\OLD\nNUL=C:\\X\\A.DLL\r\n[z]\n"},
        {"indented header", "  [Rename]\r\n", "  [Rename]\r\nNUL=C:\\X\\A.DLL\r\n"},
        {"first of two sections", "[Rename]\r\n[x]\r\n[Rename]\r\n", "[Rename]\r\nNUL=C:\\X\\A.DLL\r\n[x]\r\n[Rename]\r\n"},
        {"a key named like the section is no header", "Rename=1\r\n", "Rename=1\r\n[Rename]\r\nNUL=C:\\X\\A.DLL\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(AddWininitDeletion(c.before, "C:\\X\\A.DLL"), c.after) << c.name;
    // Four files in use give four lines.
    std::string text;
    for (const char* p : {"C:\\A", "C:\\B", "C:\\C", "C:\\D"}) text = AddWininitDeletion(text, p);
    EXPECT_EQ(text, "[Rename]\r\nNUL=C:\\A\r\nNUL=C:\\B\r\nNUL=C:\\C\r\nNUL=C:\\D\r\n");
}

// Setup takes the deletions of its files out again ("A" and "a" here).
TEST(Wininit, DeletionsTakenOutKeepEverythingElse) {
    auto drop = [](const std::string& path) { return path == "A" || path == "a"; };
    struct Case { const char* name; std::string before; std::string after; };
    const Case cases[] = {
        {"no file", "", ""},
        {"others stay", "[Rename]\r\nNUL=A\r\nNUL=B\r\n", "[Rename]\r\nNUL=B\r\n"},
        {"every section, any case, last line", "[rename]\r\nnul=a\r\n[x]\r\nNUL=A\r\n[Rename]\nNUL=A",
         "[rename]\r\n[x]\r\nNUL=A\r\n[Rename]\n"},
        {"renames stay", "[Rename]\r\nC:\\N=A\r\nNUL =A\r\n", "[Rename]\r\nC:\\N=A\r\nNUL =A\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(WithoutWininitDeletions(c.before, drop), c.after) << c.name;
}

TEST(Wininit, PendingDeletionsTakenOutKeepEveryOtherPair) {
    auto drop = [](const std::u16string& name) { return name == u"\\??\\C:\\Q\\a"; };
    const std::u16string a(u"\\??\\C:\\Q\\a\0", 11), b(u"\\??\\C:\\b\0", 9), none(u"\0", 1);
    struct Case { const char* name; std::u16string before; std::u16string after; };
    const Case cases[] = {
        {"deletion between others", b + none + a + none + b + a + none, b + none + b + a + none},
        {"only pair", a + none + none, none},
        {"rename of it stays", a + b + none, a + b + none},
        {"cut pair kept", b + none + a, b + none + a},
    };
    for (const Case& c : cases) {
        std::u16string after = WithoutPendingDeletions(c.before, drop);
        EXPECT_TRUE(after == c.after) << c.name;
        EXPECT_EQ(HoldsPendingRename(after), after.size() > 1) << c.name;
    }
}

}  // namespace
