// The Win32 text and path utilities in the Chinese code page: the lead-byte
// table, locale comparison, existence test, folder removal and processes.
#include "platform/text.h"
#include "tests/support/harness.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {

TEST(LeadByteTable, IsFilledFromTheAnsiCodePage) {
    ASSERT_EQ(GetACP(), 936u) << "the tests run with LC_ALL=zh_CN.UTF-8";
    EXPECT_TRUE(LeadByteTable.multiByte);
    EXPECT_TRUE(LeadByteTable.lead[0x81]);
    EXPECT_TRUE(LeadByteTable.lead[0xFE]);
    EXPECT_FALSE(LeadByteTable.lead[0x80]);
    EXPECT_FALSE(LeadByteTable.lead['\\']);
}

TEST(PathWalk, ATrailByteOfBackslashIsNotASeparator) {
    // 0x95 0x5C is one character whose second byte equals the backslash code.
    char path[1024] = "C:\\data\\\x95\x5c";
    wchar_t wide[8];
    ASSERT_EQ(MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, "\x95\x5c", 2, wide, 8), 1)
        << "0x95 0x5C is one character in code page 936";
    EXPECT_STREQ(FileNamePart(path), "\x95\x5c");
    AppendBackslash(path);
    EXPECT_STREQ(path, "C:\\data\\\x95\x5c\\");
}

TEST(CompareTextNoCase, IgnoresCaseAndReportsOrder) {
    EXPECT_EQ(CompareTextNoCase("Qavrix.ZIP", "qavrix.zip"), 0);
    EXPECT_EQ(CompareTextNoCase("UNINSTALL.EXE", "uninstall.exe"), 0);
    EXPECT_EQ(CompareTextNoCase("a", "b"), -1);
    EXPECT_EQ(CompareTextNoCase("b", "a"), 1);
    std::string chinese = test::Ansi("卸载.exe");
    EXPECT_EQ(CompareTextNoCase(chinese.c_str(), test::Ansi("卸载.EXE").c_str()), 0);
}

TEST(FileExistsAnyName, UsesTheNarrowNameWithoutAWideOne) {
    test::ScratchDir dir;
    std::string file = dir / test::Ansi("文件.txt");
    EXPECT_FALSE(FileExistsAnyName(file.c_str()));
    ASSERT_TRUE(test::WriteBytes(file, "x"));
    EXPECT_TRUE(FileExistsAnyName(file.c_str()));
    EXPECT_TRUE(FileExistsAnyName(file.c_str(), L""));
    EXPECT_TRUE(FileExistsAnyName(dir.path().c_str()));
}

TEST(RemoveFolderTree, DeletesATreeAndRefusesAMissingOne) {
    test::ScratchDir dir;
    std::string root = dir / "tree";
    ASSERT_TRUE(test::MakeDir(root));
    ASSERT_TRUE(test::MakeDir(root + "\\sub"));
    ASSERT_TRUE(test::WriteBytes(root + "\\sub\\a.txt", "a"));
    ASSERT_TRUE(test::WriteBytes(root + "\\b.txt", "b"));
    char buffer[1024];
    std::strcpy(buffer, root.c_str());
    std::memset(buffer + root.size() + 1, 'x', 10);  // garbage after the terminator
    EXPECT_TRUE(RemoveFolderTree(buffer));
    EXPECT_FALSE(test::Exists(root));
    std::strcpy(buffer, root.c_str());
    EXPECT_FALSE(RemoveFolderTree(buffer));
}

TEST(RemoveFolderTree, NeverWritesPastTheCallersBuffer) {
    test::ScratchDir dir;
    std::string root = dir / "t";
    ASSERT_TRUE(test::MakeDir(root));
    // A buffer exactly as long as the path and its terminator is used as it
    // is; one without a terminator is refused.
    std::string buf = root + '\0';
    EXPECT_FALSE(RemoveFolderTree(&buf[0], root.size()));
    EXPECT_TRUE(test::Exists(root));
    EXPECT_TRUE(RemoveFolderTree(&buf[0], buf.size()));
    EXPECT_EQ(buf, root + '\0');
    EXPECT_FALSE(test::Exists(root));
}

TEST(RunProgram, StartsWaitsAndReportsFailure) {
    test::ScratchDir dir;
    std::string marker = dir / "ran.txt";
    std::string line = "cmd.exe /c echo x > \"" + marker + "\"";
    EXPECT_TRUE(RunProgram(line.c_str(), dir.path().c_str(), 20000));
    EXPECT_TRUE(test::Exists(marker));
    EXPECT_FALSE(RunProgram("Z:\\no\\such\\program.exe", nullptr, 1000));
    // A line longer than the 1024-byte buffer is refused, not cut and started.
    std::string cut = line + " " + std::string(1100, 'x');
    DeleteFileA(marker.c_str());
    EXPECT_FALSE(RunProgram(cut.c_str(), dir.path().c_str(), 20000));
    EXPECT_FALSE(test::Exists(marker));
}

TEST(NtMajorVersion, ReportsTheNtFamilyUnderDefaultWine) {
    EXPECT_GE(NtMajorVersion(), 5u);
    EXPECT_EQ(NtMajorVersion(), NtMajorVersion());
}

}  // namespace
