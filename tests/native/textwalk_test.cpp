// Path walking in a single-byte and in the double-byte code page 936.
#include "platform/core/textwalk.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {

const LeadBytes kSingle{};
const LeadBytes kGbk = MakeCodePage936LeadBytes();

// "表" in GBK is B1 ED; "\x95\x5C" is a character whose second byte is a backslash.
const char kTrailBackslashChar[] = "\x95\x5c";

TEST(FileNamePart, SplitsAtTheLastSeparatorOrDrive) {
    struct { const char* path; const char* name; } cases[] = {
        {"C:\\dir\\file.txt", "file.txt"}, {"dir/file", "file"}, {"C:file", "file"},
        {"file", "file"}, {"dir\\", ""}, {"", ""}, {"a\\b/c", "c"}, {"\\\\server\\share", "share"},
    };
    for (auto& c : cases) EXPECT_STREQ(FileNamePart(kSingle, c.path), c.name) << c.path;
}

TEST(FileNamePart, NeverSplitsInsideADoubleByteCharacter) {
    std::string path = std::string("C:\\dir\\name") + kTrailBackslashChar;
    EXPECT_STREQ(FileNamePart(kGbk, path.c_str()), (std::string("name") + kTrailBackslashChar).c_str());
    // A single-byte walk would take the trail byte for a separator.
    EXPECT_STREQ(FileNamePart(kSingle, path.c_str()), "");
    // A lead byte followed by a colon is not a drive prefix.
    EXPECT_STREQ(FileNamePart(kGbk, "\x95:x"), "\x95:x");
}

TEST(AppendBackslash, AddsOneOnlyWhenNeeded) {
    struct { const char* in; const char* out; } cases[] = {
        {"C:\\", "C:\\"}, {"C:", "C:\\"}, {"", ""}, {"dir/", "dir/\\"}, {"a\\b", "a\\b\\"},
    };
    for (auto& c : cases) {
        char buf[32];
        std::strcpy(buf, c.in);
        AppendBackslash(kSingle, buf, sizeof buf);
        EXPECT_STREQ(buf, c.out) << c.in;
    }
}

TEST(AppendBackslash, SeesThroughATrailByteThatLooksLikeABackslash) {
    char buf[32] = "C:\\";
    std::strcat(buf, kTrailBackslashChar);
    AppendBackslash(kGbk, buf, sizeof buf);
    EXPECT_STREQ(buf, "C:\\\x95\x5c\\");
}

TEST(AppendBackslash, NeverWritesPastTheBuffer) {
    char buf[5] = "abcd";  // full: no room for a backslash and terminator
    AppendBackslash(kSingle, buf, sizeof buf);
    EXPECT_STREQ(buf, "abcd");
    char buf2[6] = "abcd";
    AppendBackslash(kSingle, buf2, sizeof buf2);
    EXPECT_STREQ(buf2, "abcd\\");
}

TEST(NextCharPos, StopsAtATerminatorAfterALeadByte) {
    const char s[] = "a\x95";
    const char* p = NextCharPos(kGbk, s);
    EXPECT_EQ(p, s + 1);
    p = NextCharPos(kGbk, p);
    EXPECT_EQ(p, s + 2);  // the terminator, not past it
    EXPECT_EQ(*p, '\0');
    EXPECT_EQ(LastCharPos(kGbk, s), s + 1);
    EXPECT_STREQ(FileNamePart(kGbk, "dir\\\x95"), "\x95");
}

TEST(LastCharPos, FindsTheStartOfTheLastCharacter) {
    const char s[] = "ab\xb1\xed";
    EXPECT_EQ(LastCharPos(kGbk, s), s + 2);
    EXPECT_EQ(LastCharPos(kSingle, s), s + 3);
    const char empty[] = "";
    EXPECT_EQ(LastCharPos(kGbk, empty), empty);
}

TEST(TrimTrailingBlanks, RemovesLineEndsBlanksAndTabsOnlyAtTheEnd) {
    struct { const char* in; const char* out; } cases[] = {
        {"name.txt \t\r\n", "name.txt"}, {"  lead", "  lead"}, {"   ", ""}, {"", ""},
        {"a b\r", "a b"}, {"\t\n", ""},
    };
    for (auto& c : cases) {
        char buf[32];
        std::strcpy(buf, c.in);
        EXPECT_STREQ(TrimTrailingBlanks(buf), c.out) << c.in;
    }
}

TEST(BoundedText, CopyAndAppendCutInsteadOfOverflowing) {
    char buf[8];
    EXPECT_TRUE(CopyText(buf, sizeof buf, "1234567"));
    EXPECT_STREQ(buf, "1234567");
    EXPECT_FALSE(CopyText(buf, sizeof buf, "123456789"));
    EXPECT_STREQ(buf, "1234567");
    CopyText(buf, sizeof buf, "abc");
    EXPECT_TRUE(AppendText(buf, sizeof buf, "defg"));
    EXPECT_FALSE(AppendText(buf, sizeof buf, "h"));
    EXPECT_STREQ(buf, "abcdefg");
}

}  // namespace
