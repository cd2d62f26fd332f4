// Temporary names for files in use and one-name message texts, bounded.
#include "platform/core/names.h"
#include "lang/core/messageformat.h"
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(UninstallNames, TemporaryNames) {
    char out[1024];
    ASSERT_TRUE(ComposeTemporaryName(out, sizeof out, "C:\\Q\\x.dll", 0));
    EXPECT_STREQ(out, "C:\\Q\\x.dll.0.tmp");
    ASSERT_TRUE(ComposeTemporaryName(out, sizeof out, "C:\\Q\\x.dll", LastTemporaryCounter));
    EXPECT_STREQ(out, "C:\\Q\\x.dll.999.tmp");
    std::string fits(1024 - 1 - 8, 'a');   // + ".999.tmp" is 1023 bytes
    EXPECT_TRUE(ComposeTemporaryName(out, sizeof out, fits.c_str(), 999));
    EXPECT_EQ(std::string(out).size(), 1023u);
    std::string tooLong = fits + "b";
    EXPECT_FALSE(ComposeTemporaryName(out, sizeof out, tooLong.c_str(), 999));
    EXPECT_STREQ(out, "");
    EXPECT_TRUE(ComposeTemporaryName(out, sizeof out, tooLong.c_str(), 99));
    ASSERT_TRUE(ComposeAsideName(out, sizeof out, "C:\\Q\\uninstall.exe", 3));
    EXPECT_STREQ(out, "C:\\Q\\uninstall.exe.3.exe");
    EXPECT_FALSE(ComposeAsideName(out, sizeof out, tooLong.c_str(), 999));
    for (const char* name : {"C:\\Q\\x.dll.0.tmp", "x.DLL.999.TMP", "C:\\Q\\uninstall.exe.3.exe"})
        EXPECT_TRUE(IsMovedAsideName(name)) << name;
    for (const char* name : {"C:\\Q\\license.txt", "x.dll.tmp", "x.1000.tmp", "x.01.tmp", ".0.tmp", "x.a0.tmp", "x.0.dll"})
        EXPECT_FALSE(IsMovedAsideName(name)) << name;
}

std::string Format(const std::string& format, const std::string& value, std::size_t capacity = 200) {
    std::string out(capacity, '#');
    FormatWithText(&out[0], capacity, format.c_str(), value.c_str());
    EXPECT_LT(std::string(out.c_str()).size(), capacity);
    return out.c_str();
}

TEST(UninstallNames, MessageWithOneName) {
    EXPECT_EQ(Format("\xce\xde\xb7\xa8\xb4\xf2\xbf\xaa\xc1\xd0\xb1\xed\xce\xc4\xbc\xfe %s", "Uninstall.lst"),
              "\xce\xde\xb7\xa8\xb4\xf2\xbf\xaa\xc1\xd0\xb1\xed\xce\xc4\xbc\xfe Uninstall.lst");
    EXPECT_EQ(Format("Cannot open %s.", "Uninstall.lst"), "Cannot open Uninstall.lst.");
    EXPECT_EQ(Format("100%% sure: %s", "x"), "100% sure: x");
    EXPECT_EQ(Format("no name", "x"), "no name");
    // A translated text with other or more conversions reads nothing else.
    EXPECT_EQ(Format("%s and %s, %d %n %p", "x"), "x and %s, %d %n %p");
    EXPECT_EQ(Format("end %", "x"), "end %");
}

TEST(UninstallNames, MessageIsCutToItsBuffer) {
    EXPECT_EQ(Format("open %s now", "Uninstall.lst", 10), "open Unin");
    EXPECT_EQ(Format(std::string(300, 'm'), "x"), std::string(199, 'm'));
    EXPECT_EQ(Format("%s", std::string(500, 'v')), std::string(199, 'v'));
    EXPECT_EQ(Format("ab%%", "x", 3), "ab");
    EXPECT_EQ(Format("abc", "x", 1), "");
}

}  // namespace
