// The Win32 text and path utilities in the Chinese code page: the lead-byte
// table, locale comparison, existence test, folder removal and processes.
#include "platform/safe_file.h"
#include "platform/text.h"
#include "platform/file.h"
#include "platform/process.h"
#include "platform/windows_version.h"
#include "platform/system_functions.h"
#include "tests/support/harness.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

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

// A tree goes whole, read-only and hidden entries too, each opened below its
// held folder; a link inside is removed itself or, where the system follows
// it whatever it is asked (Wine), left alone with the folder that holds it,
// never entered; nothing at the path is nothing left.
TEST(RemoveTreeItself, RemovesATreeButNeverEntersALink) {
    test::ScratchDir dir;
    const std::string root = dir / "tree", bait = dir / "bait";
    for (const std::string& folder : {root, root + "\\sub", root + "\\sub\\deeper", bait})
        ASSERT_TRUE(test::MakeDir(folder));
    for (const char* name : {"\\sub\\a.txt", "\\sub\\deeper\\ro.txt", "\\b.txt"})
        ASSERT_TRUE(test::WriteBytes(root + name, "ours"));
    ASSERT_TRUE(SetFileAttributesA((root + "\\sub\\deeper\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA((root + "\\sub").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(test::WriteBytes(bait + "\\v.txt", "victim"));
    ASSERT_TRUE(test::MakeUnixLink(root + "\\sub\\link", bait));
    const bool removed = RemoveTreeItself(root.c_str());
    EXPECT_EQ(removed, !test::Exists(root));   // true only when nothing is left
    EXPECT_EQ(test::ReadBytes(bait + "\\v.txt"), "victim");
    EXPECT_FALSE(test::Exists(root + "\\b.txt"));
    EXPECT_FALSE(test::Exists(root + "\\sub\\deeper"));
    test::RemoveUnixLink(root + "\\sub\\link");
    EXPECT_TRUE(RemoveTreeItself(root.c_str()));
    EXPECT_FALSE(test::Exists(root));
    EXPECT_TRUE(RemoveTreeItself(root.c_str()));
    EXPECT_EQ(test::FilesIn(bait), std::vector<std::string>{"v.txt"});
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

// A library of the same name on the search path, ahead of the system folder
// (as one beside the program would be), is not the one loaded.
TEST(LoadSystemLibrary, TakesTheSystemFoldersFileAndNotOneOnTheSearchPath) {
    test::ScratchDir dir;
    ASSERT_TRUE(CopyFileA(test::ResourceDll("testlng").c_str(), (dir / "riched32.dll").c_str(), FALSE));
    ASSERT_TRUE(SetDllDirectoryA(dir.path().c_str()));
    HMODULE library = LoadSystemLibrary("riched32.dll");
    SetDllDirectoryA(nullptr);
    ASSERT_NE(library, nullptr);
    char loaded[MAX_PATH] = "", system[MAX_PATH] = "";
    GetModuleFileNameA(library, loaded, sizeof loaded);
    GetSystemDirectoryA(system, sizeof system);
    EXPECT_EQ(CompareTextNoCase(loaded, (std::string(system) + "\\riched32.dll").c_str()), 0) << loaded;
    FreeLibrary(library);
}

}  // namespace
