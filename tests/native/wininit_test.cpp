// wininit.ini, where Windows 9x finds the deletions it carries out at the
// restart: one more scheduled deletion keeps everything else as it was.
#include "uninstall/core/wininit.h"
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

}  // namespace
