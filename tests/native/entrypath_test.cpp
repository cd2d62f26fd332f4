// The program folder of the uninstall run, the entry paths formed from it,
// the check that no entry reaches outside the program folder, device names,
// and the inside-the-folder test of final paths.
#include "platform/core/entrypath.h"
#include <gtest/gtest.h>
#include <string>

namespace {

const LeadBytes cp936 = MakeCodePage936LeadBytes();
const LeadBytes singleByte{};

std::string FolderOf(const std::string& program, const LeadBytes& table = cp936) {
    char folder[1024] = "unchanged";
    if (!ProgramFolderOf(table, program.c_str(), folder, sizeof folder)) return "<none>";
    return folder;
}

TEST(UninstallPaths, ProgramFolder) {
    EXPECT_EQ(FolderOf("C:\\Program Files\\Qavrix\\uninstall.exe"), "C:\\Program Files\\Qavrix");
    EXPECT_EQ(FolderOf("C:\\uninstall.exe"), "C:\\");
    EXPECT_EQ(FolderOf("\\\\server\\share\\uninstall.exe"), "\\\\server\\share");
    EXPECT_EQ(FolderOf("\\uninstall.exe"), "");
    EXPECT_EQ(FolderOf("uninstall.exe"), "<none>");
    EXPECT_EQ(FolderOf("C:uninstall.exe"), "<none>");
    EXPECT_EQ(FolderOf("C:/dir/uninstall.exe"), "<none>");  // only a backslash cuts
    // A trail byte 0x5C inside a double-byte character is not a backslash.
    EXPECT_EQ(FolderOf("C:\\\x95\x5c\\x\x95\x5cuninstall.exe"), "C:\\\x95\x5c");
    EXPECT_EQ(FolderOf("C:\\a\\b\x95\x5c", singleByte), "C:\\a\\b\x95");
    char tiny[4];
    EXPECT_FALSE(ProgramFolderOf(cp936, "C:\\abcd\\x.exe", tiny, sizeof tiny));
    EXPECT_TRUE(ProgramFolderOf(cp936, "C:\\x.exe", tiny, sizeof tiny));
    EXPECT_STREQ(tiny, "C:\\");
}

TEST(UninstallPaths, EntriesThatClimbOutAreRefused) {
    struct Case { const char* entry; bool inside; };
    const Case cases[] = {
        {"a.txt", true},
        {"sub\\b.txt", true},
        {"sub\\..\\a.txt", true},
        {"sub/../a.txt", true},
        {"sub\\deeper\\..\\..\\a.txt", true},
        {".\\a.txt", true},
        {"sub\\.", true},
        {"sub\\..", true},            // the program folder itself
        {"\\a.txt", true},            // appended to the folder text it stays inside
        {"C:\\Windows\\win.ini", true},
        {"C:..\\x", true},            // "C:.." is an ordinary name here
        {"..a\\b..", true},
        {"..", false},
        {"..\\victim.txt", false},
        {"../victim.txt", false},
        {"sub\\..\\..\\victim.txt", false},
        {"sub/..\\../victim.txt", false},
        {"\\..\\victim.txt", false},
        {"sub\\\\..\\..\\x", false},
        {"...\\x", false},            // trimmed by the system to ".."
        {".. \\x", false},
        {"sub\\..\\..", false},
        {"a\\b\\c\\..\\..\\..\\..\\x", false},
        {".\\..\\x", false},
    };
    for (const Case& c : cases) EXPECT_EQ(EntryStaysInside(cp936, c.entry), c.inside) << c.entry;
}

TEST(UninstallPaths, DoubleByteNamesAreSteppedOver) {
    // "\x95\x5c" is one character: its 0x5C is not a separator, so the
    // name "\x95\x5c.." is one ordinary component and nothing climbs out.
    EXPECT_TRUE(EntryStaysInside(cp936, "\x95\x5c..\\x"));
    EXPECT_TRUE(EntryStaysInside(cp936, "d\x95\x5c..\\..\\x"));
    // Read one byte at a time, the same text holds a real ".." component.
    EXPECT_FALSE(EntryStaysInside(singleByte, "\x95\x5c..\\..\\x"));
    // A lead byte right before the terminator does not run past it.
    EXPECT_TRUE(EntryStaysInside(cp936, "a\\\x95"));
    EXPECT_FALSE(EntryStaysInside(cp936, "..\\\x95"));
}

TEST(UninstallPaths, EntryPathIsBoundedByItsBuffer) {
    char out[16];
    EXPECT_TRUE(ComposeEntryPath(out, sizeof out, "C:\\q\\", "a.txt"));
    EXPECT_STREQ(out, "C:\\q\\a.txt");
    EXPECT_TRUE(ComposeEntryPath(out, sizeof out, "C:\\q\\", "0123456789"));   // 15 bytes
    EXPECT_STREQ(out, "C:\\q\\0123456789");
    EXPECT_FALSE(ComposeEntryPath(out, sizeof out, "C:\\q\\", "0123456789A"));  // 16: no room
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(ComposeEntryPath(out, sizeof out, "C:\\a-very-long-folder\\", "x"));
    EXPECT_STREQ(out, "");
    std::string entry(2047, 'e');
    char path[1024];
    EXPECT_FALSE(ComposeEntryPath(path, sizeof path, "C:\\q\\", entry.c_str()));
}

TEST(EntryPath, DeviceNamesAreRecognisedInTheLastComponent) {
    struct Case { const char* entry; bool device; };
    const Case cases[] = {
        {"CON", true}, {"nul", true}, {"Aux", true}, {"PRN", true}, {"COM1", true}, {"lpt9", true},
        {"CONIN$", true}, {"conout$", true}, {"aux.txt", true}, {"NUL .x", true}, {"com1:", true},
        {"sub\\con", true}, {"sub/LPT1.log", true}, {"con.tar.gz", true},
        {"COM0", false}, {"COM10", false}, {"LPT", false}, {"console", false}, {"CON\\file.txt", false},
        {"xcon", false}, {"nul_", false}, {"a.con", false}, {"", false}, {"sub\\", false},
        // A double-byte name whose trail byte is a backslash is one component.
        {"d\x95\x5c" "con", false},
    };
    for (const Case& c : cases) EXPECT_EQ(NamesDevice(cp936, c.entry), c.device) << c.entry;
}

TEST(EntryPath, FinalPathsInsideTheProgramFolder) {
    struct Case { const char* folder; const char* path; bool inside; };
    const Case cases[] = {
        {"\\\\?\\C:\\Qavrix", "\\\\?\\C:\\Qavrix\\a.txt", true},
        {"\\\\?\\C:\\Qavrix", "\\\\?\\c:\\QAVRIX\\sub\\b", true},
        {"\\\\?\\C:\\Qavrix", "\\\\?\\C:\\Qavrix", false},
        {"\\\\?\\C:\\Qavrix", "\\\\?\\C:\\Qavrix\\", false},
        {"\\\\?\\C:\\Qavrix", "\\\\?\\C:\\Qavrix2\\a.txt", false},
        {"\\\\?\\C:\\Qavrix", "\\\\?\\C:\\bait\\f.txt", false},
        {"\\\\?\\C:\\Qavrix", "\\\\?\\D:\\Qavrix\\a.txt", false},
        {"\\\\?\\C:\\", "\\\\?\\C:\\a.txt", true},
        {"\\\\?\\C:\\", "\\\\?\\D:\\a.txt", false},
        // Double-byte folder names compare byte for byte: 0x95 0x5C is not
        // a separator, and its trail byte is never case-folded.
        {"\\\\?\\C:\\d\x95\x5c", "\\\\?\\C:\\d\x95\x5c\\f", true},
        {"\\\\?\\C:\\d\x95\x5c", "\\\\?\\C:\\d\x95\x5c" "x", false},
        {"\\\\?\\C:\\\x95\x61", "\\\\?\\C:\\\x95\x41\\f", false},
    };
    for (const Case& c : cases) EXPECT_EQ(PathLiesInside(cp936, c.folder, c.path), c.inside) << c.path;
}

}  // namespace
