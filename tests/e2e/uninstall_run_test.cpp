// The real uninstall.exe removing what Uninstall.lst names: the confirmation,
// the missing list, repeated passes, files in use on both platform families,
// and entries that try to reach outside the program folder. Runs that show
// boxes are interactive: under /S no window appears.
#include "tests/e2e/uninstall_fixture.h"
#include "tests/support/hostile_lines.h"
#include <algorithm>

namespace uninstall_e2e {
namespace {

const char Caption[] = "卸载 Qavrix";
const char Confirm[] = "确实要卸载 Qavrix 吗?";
const char RestartText[] = "你需要重新启动 Windows 来完全卸载 Qavrix。";
using test::HeldFile;
using test::Hold;
using test::IsScheduledForDeletion;
using test::ScheduledDeletions;

class UninstallRun : public Installation {};

TEST_F(UninstallRun, ListInAnyOrderIsRemovedCompletely) {
    Folder("sub");
    Folder("sub\\inner");
    Folder("empty");
    Put("sub\\inner\\c.txt");
    Put("sub\\b.txt");
    Put("a.txt");
    Put("ro.txt");
    SetFileAttributesA(In("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    Put("  lead.txt");
    Put(test::Ansi("说明.txt"));
    // "\x95\x5c" is one double-byte character whose trail byte is a backslash.
    Folder("d\x95\x5c");
    Put("d\x95\x5c\\f\x95\x5c.txt");
    Put("qavrix.gid");
    Put("qavrix.fts");
    // Folders before their contents, a missing entry, a duplicate, trailing
    // blanks and tabs, LF and CR LF line ends, blank lines, a leading-blank
    // name, the program itself and the list itself.
    List("sub\r\n"
         "sub\\inner\r\n"
         "empty\r\n"
         "sub\\inner\\c.txt \t\r\n"
         "missing.txt\r\n"
         "\r\n"
         "sub\\b.txt\n"
         "a.txt\r\n"
         "a.txt\r\n"
         "ro.txt\r\n"
         "  lead.txt\r\n"
         "   \r\n" +
         test::Ansi("说明.txt") + "\r\n"
         "d\x95\x5c\r\n"
         "d\x95\x5c\\f\x95\x5c.txt\r\n"
         "UNINSTALL.EXE\r\n"
         "Uninstall.lst\r\n");

    std::vector<Box> boxes = Run("/S");
    EXPECT_TRUE(boxes.empty()) << boxes.size() << " boxes, first: " << (boxes.empty() ? "" : boxes[0].text);
    for (const char* gone : {"sub", "empty", "a.txt", "ro.txt", "  lead.txt", "Uninstall.lst", "qavrix.gid",
                             "qavrix.fts", "uninstall.exe.0.tmp"})
        EXPECT_FALSE(Has(gone)) << gone;
    EXPECT_FALSE(Has(test::Ansi("说明.txt")));
    EXPECT_FALSE(Has("d\x95\x5c"));
    EXPECT_TRUE(ScheduledDeletions().empty());
    // The batch deletes the program and the emptied folder, then itself.
    ASSERT_TRUE(WaitForBatch());
    EXPECT_FALSE(test::Exists(dir_));
}

TEST_F(UninstallRun, UnlistedUserFileKeepsItsFolder) {
    Folder("docs");
    Put("docs\\manual.txt");
    Put("docs\\my notes.txt");
    Put("mine.txt");
    List("docs\\manual.txt\r\ndocs\r\n");
    EXPECT_TRUE(Run("/S").empty());
    ASSERT_TRUE(WaitForBatch());
    EXPECT_FALSE(Has("docs\\manual.txt"));
    EXPECT_TRUE(Has("docs\\my notes.txt"));
    EXPECT_TRUE(Has("mine.txt"));
    EXPECT_FALSE(Has("uninstall.exe"));
    EXPECT_FALSE(Has("Uninstall.lst"));
    EXPECT_TRUE(ui::DialogsOf(0).empty());   // no warning: the program itself went
}

TEST_F(UninstallRun, ConfirmationNoChangesNothingYesRemoves) {
    Put("a.txt");
    Put("qavrix.gid");
    List("a.txt\r\n");
    std::vector<Box> boxes = Run("", IDNO, test::ExitUserCancel);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, Caption);
    EXPECT_EQ(boxes[0].text, Confirm);
    EXPECT_TRUE(boxes[0].hasYesNo);
    for (const char* kept : {"a.txt", "qavrix.gid", "Uninstall.lst", "uninstall.exe"}) EXPECT_TRUE(Has(kept)) << kept;
    EXPECT_FALSE(test::Exists(BatchPath()));

    boxes = Run("", IDYES);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, Confirm);
    EXPECT_FALSE(Has("a.txt"));
    EXPECT_FALSE(Has("qavrix.gid"));
    ASSERT_TRUE(WaitForBatch());
    EXPECT_FALSE(test::Exists(dir_));
}

TEST_F(UninstallRun, MissingListIsReportedUnlessSilent) {
    Put("a.txt");
    Put("qavrix.gid");
    // Interactive: the confirmation, then the error box. Silent: neither.
    // Both end with 1603 and change nothing.
    for (const std::string& args : {std::string("/S"), std::string("")}) {
        std::vector<Box> boxes = Run(args, IDYES, test::ExitCannotStart);
        ASSERT_EQ(boxes.size(), args.empty() ? 2u : 0u) << args;
        if (!boxes.empty()) {
            EXPECT_EQ(boxes.back().caption, Caption);
            EXPECT_EQ(boxes.back().text, "无法打开列表文件 Uninstall.lst");
            EXPECT_FALSE(boxes.back().hasYesNo);
        }
        EXPECT_TRUE(Has("a.txt"));
        EXPECT_TRUE(Has("qavrix.gid"));
        EXPECT_TRUE(Has("uninstall.exe"));
        EXPECT_FALSE(test::Exists(BatchPath()));
    }
}

TEST_F(UninstallRun, EntriesClimbingOutOfTheFolderAreLeftAlone) {
    // Outside the program folder, beside it in the scratch folder.
    ASSERT_TRUE(test::WriteBytes(root_ / "victim.txt", "keep"));
    ASSERT_TRUE(test::WriteBytes(root_ / "held.txt", "keep"));
    ASSERT_TRUE(test::MakeDir(root_ / "outside"));
    Folder("sub");
    Put("sub\\x.txt");
    Put("inside.txt");
    // Held without delete sharing: were it processed, it would be deferred
    // and the restart notice shown.
    HeldFile held(root_ / "held.txt", Hold::NoDeleteSharing);
    ASSERT_TRUE(held);
    List("..\\victim.txt\r\n"
         "../victim.txt\r\n"
         "sub\\..\\..\\victim.txt\r\n"
         "sub/../../victim.txt\r\n"
         "\\..\\victim.txt\r\n"
         "..\\held.txt\r\n"
         "..\\outside\r\n"
         "..\r\n"
         "sub\\..\\inside.txt\r\n"
         "sub/x.txt\r\n"
         "sub\r\n");
    std::vector<Box> boxes = Run("/S");
    held.Release();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(test::ReadBytes(root_ / "victim.txt"), "keep");
    EXPECT_EQ(test::ReadBytes(root_ / "held.txt"), "keep");
    EXPECT_FALSE(test::Exists(root_ / "held.txt.0.tmp"));
    EXPECT_TRUE(test::Exists(root_ / "outside"));
    EXPECT_TRUE(ScheduledDeletions().empty());
    EXPECT_FALSE(Has("inside.txt"));   // ".." that stays inside works as before
    EXPECT_FALSE(Has("sub"));
    ASSERT_TRUE(WaitForBatch());
    EXPECT_FALSE(test::Exists(dir_));
    EXPECT_TRUE(test::Exists(root_.path()));
}

TEST_F(UninstallRun, LanguageDllIsReleasedAndDeletedAtOnce) {
    ASSERT_TRUE(test::CopyTo(test::ResourceDll("testlng"), In("qavlng.dll")));
    Put("a.txt");
    List("qavlng.dll\r\na.txt\r\n");
    std::vector<Box> boxes = Run("", IDYES);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "TEST Really uninstall?");   // the library was loaded
    // Released before the passes: deleted, neither moved aside nor scheduled.
    EXPECT_FALSE(Has("qavlng.dll"));
    EXPECT_FALSE(Has("qavlng.dll.0.tmp"));
    EXPECT_TRUE(ScheduledDeletions().empty());
    ASSERT_TRUE(WaitForBatch());
    EXPECT_FALSE(test::Exists(dir_));
}

// The program directly in the root folder of drive C: of the test prefix.
class RootFolderRun : public Installation {
protected:
    void SetUp() override {
        dir_ = test::WindowsFolder().substr(0, 2);   // "C:"; In() adds the backslash
        exe_ = dir_ + "\\uninstall.exe";
        ASSERT_TRUE(test::CopyTo(program_, exe_));
    }
    void TearDown() override {
        Installation::TearDown();
        for (const char* name : {"qav-root-test.txt", "qav-root-dir\\f.txt", "Uninstall.lst", "qavrix.gid"}) {
            SetFileAttributesA(In(name).c_str(), 0);
            DeleteFileA(In(name).c_str());
        }
        RemoveDirectoryA(In("qav-root-dir").c_str());
        if (Has("uninstall.exe")) DeleteFileA(exe_.c_str());
    }
};

TEST_F(RootFolderRun, EntriesAreTakenFromTheRoot) {
    Put("qav-root-test.txt");
    Folder("qav-root-dir");
    Put("qav-root-dir\\f.txt");
    Put("qavrix.gid");
    List("qav-root-dir\r\nqav-root-dir\\f.txt\r\nqav-root-test.txt\r\n");
    // Started from another folder: the list is found only if C:\ became the
    // current directory.
    std::vector<Box> boxes = Run("/S");
    EXPECT_TRUE(boxes.empty()) << boxes.size() << " boxes, first: " << (boxes.empty() ? "" : boxes[0].text);
    for (const char* gone : {"qav-root-test.txt", "qav-root-dir", "qavrix.gid", "Uninstall.lst"})
        EXPECT_FALSE(Has(gone)) << gone;
    // The batch deletes the program; its rd of the root fails harmlessly.
    ASSERT_TRUE(WaitForBatch());
    EXPECT_FALSE(Has("uninstall.exe"));
    EXPECT_TRUE(ui::DialogsOf(0).empty());
}

TEST_F(UninstallRun, OverLongEntriesAreSkipped) {
    Put("a.txt");
    // A 2995-byte line is read as a 2047-byte and a 948-byte entry, and a
    // 1020-byte entry does not fit an entry path with the folder in front:
    // all are passed over and the rest of the list is still done. Entries
    // the program cannot even look at may name something that stays: 1603.
    std::string longLine(2990, 'z');
    List(longLine + "a.txt\r\n" + std::string(1020, 'y') + "\r\na.txt\r\n");
    EXPECT_TRUE(Run("/S", IDOK, test::ExitEntriesLeft).empty());
    EXPECT_FALSE(Has("a.txt"));
    ASSERT_TRUE(WaitForBatch());
    EXPECT_FALSE(test::Exists(dir_));
}

TEST_F(UninstallRun, FilesInUseAreMovedAsideOrScheduledWithOneNotice) {
    ASSERT_TRUE(test::CopyTo(program_, In("ext.dll")));
    ASSERT_TRUE(test::CopyTo(program_, In("old.dll")));
    Put("old.dll.0.tmp", "leftover 0");
    Put("old.dll.1.tmp", "leftover 1");
    Put("locked1.dat", "l1");
    Put("locked2.dat", "l2");
    Put("shared.dat", "s");
    Folder("bin");
    Put("bin\\locked3.dat", "l3");
    std::vector<HeldFile> held;
    for (const char* dll : {"ext.dll", "old.dll"}) held.emplace_back(In(dll), Hold::AsLibrary);
    for (const char* locked : {"locked1.dat", "locked2.dat", "bin\\locked3.dat"})
        held.emplace_back(In(locked), Hold::NoDeleteSharing);
    held.emplace_back(In("shared.dat"), Hold::ShareDelete);
    for (const HeldFile& h : held) ASSERT_TRUE(h);
    List("ext.dll\r\nold.dll\r\nlocked1.dat\r\nlocked2.dat\r\nbin\\locked3.dat\r\nbin\r\nshared.dat\r\n");

    std::vector<Box> boxes = Run("", IDYES, test::ExitRestart);
    // One restart notice after the confirmation, however many files could not be moved.
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].caption, Caption);
    EXPECT_EQ(boxes[1].text, RestartText);

    EXPECT_FALSE(Has("ext.dll"));
    EXPECT_TRUE(Has("ext.dll.0.tmp"));
    EXPECT_FALSE(Has("old.dll"));
    EXPECT_EQ(test::ReadBytes(In("old.dll.0.tmp")), "leftover 0");
    EXPECT_EQ(test::ReadBytes(In("old.dll.1.tmp")), "leftover 1");
    EXPECT_TRUE(Has("old.dll.2.tmp"));
    for (const char* kept : {"locked1.dat", "locked2.dat", "bin\\locked3.dat"}) EXPECT_TRUE(Has(kept)) << kept;
    EXPECT_FALSE(Has("locked1.dat.0.tmp"));

    auto isScheduled = [&](const std::string& rel) { return IsScheduledForDeletion(In(rel)); };
    for (const char* s : {"ext.dll.0.tmp", "old.dll.2.tmp", "locked1.dat", "locked2.dat", "bin\\locked3.dat"})
        EXPECT_TRUE(isScheduled(s)) << s;
    EXPECT_FALSE(isScheduled("ext.dll"));
    EXPECT_FALSE(isScheduled("old.dll.0.tmp"));
    // Held with delete sharing: its deletion succeeds and takes effect when the
    // holder lets go; nothing is deferred and the passes still end.
    EXPECT_FALSE(isScheduled("shared.dat"));
    EXPECT_FALSE(Has("shared.dat.0.tmp"));

    held.clear();
    EXPECT_FALSE(Has("shared.dat"));
    ASSERT_TRUE(WaitForBatch());
    EXPECT_FALSE(Has("uninstall.exe"));
}

TEST_F(UninstallRun, FileHeldWithDeleteSharingGoesWhenClosedAndItsFoldersAtTheRestart) {
    Folder("bin");
    Put("bin\\shared.dat", "s");
    Put("a.txt");
    // Another program holds the file open with delete sharing: its deletion
    // succeeds but the name stays until the holder lets go. The passes must
    // still end; nothing is moved aside or shown, and only its folders are
    // scheduled for the restart.
    UniqueHandle ready(CreateEventA(nullptr, TRUE, FALSE, "QavHoldShared"));
    ASSERT_TRUE(ready);
    test::Process holder;
    ASSERT_TRUE(holder.Start(test::TestProgram("holdfile"), "share QavHoldShared \"" + In("bin\\shared.dat") + "\""));
    ASSERT_EQ(WaitForSingleObject(ready.get(), 30000), WAIT_OBJECT_0);
    List("bin\r\nbin\\shared.dat\r\na.txt\r\nbin\r\n");

    std::vector<Box> boxes = Run("/S", IDOK, test::ExitRestart);
    EXPECT_TRUE(boxes.empty()) << boxes.size() << " boxes, first: " << (boxes.empty() ? "" : boxes[0].text);
    EXPECT_FALSE(Has("a.txt"));
    EXPECT_FALSE(Has("bin\\shared.dat.0.tmp"));
    EXPECT_EQ(ScheduledDeletions().size(), 2u);
    EXPECT_TRUE(IsScheduledForDeletion(In("bin")));
    EXPECT_TRUE(IsScheduledForDeletion(dir_));
    ASSERT_TRUE(WaitForBatch());
    EXPECT_FALSE(Has("uninstall.exe"));
    holder.Terminate();
    holder.Wait(10000);
    EXPECT_FALSE(Has("bin\\shared.dat"));   // gone once the holder has ended
}

TEST_F(UninstallRun, Windows9xSchedulesInWininit) {
    QAV_ONLY_FOR_X86_PROGRAM_AS_WINDOWS_9X(program_);
    test::WineVersionScope win98("win98");
    test::SavedFile wininit(WininitPath());
    ASSERT_TRUE(test::CopyTo(program_, In("long extension name.dll")));
    HeldFile dll(In("long extension name.dll"), Hold::AsLibrary);
    ASSERT_TRUE(dll);
    List("long extension name.dll\r\n");
    EXPECT_TRUE(Run("/S").empty());
    std::string moved = In("long extension name.dll.0.tmp");
    ASSERT_TRUE(test::Exists(moved));
    char shortName[MAX_PATH] = "";
    ASSERT_GT(GetShortPathNameA(moved.c_str(), shortName, sizeof shortName), 0u);
    EXPECT_NE(std::string(shortName), moved);   // it has a short form, and that is written
    EXPECT_EQ(test::ReadBytes(WininitPath()), "[Rename]\r\nNUL=" + std::string(shortName) + "\r\n");
    EXPECT_TRUE(ScheduledDeletions().empty());
    dll.Release();
    WaitForBatch(30000);
}

TEST_F(UninstallRun, Windows9xFileThatCannotBeMovedGetsTheNotice) {
    QAV_ONLY_FOR_X86_PROGRAM_AS_WINDOWS_9X(program_);
    test::WineVersionScope win98("win98");
    test::SavedFile wininit(WininitPath());
    Put("locked.dat");
    HeldFile held(In("locked.dat"), Hold::NoDeleteSharing);
    ASSERT_TRUE(held);
    List("locked.dat\r\n");
    std::vector<Box> boxes = Run("", IDYES);
    held.Release();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, RestartText);
    char shortName[MAX_PATH] = "";
    ASSERT_GT(GetShortPathNameA(In("locked.dat").c_str(), shortName, sizeof shortName), 0u);
    EXPECT_EQ(test::ReadBytes(WininitPath()), "[Rename]\r\nNUL=" + std::string(shortName) + "\r\n");
    WaitForBatch(30000);
}

// Hostile lists, one run per row: the hostile lines (links inside the program
// folder to folders and files outside it, text that climbs out, device names)
// and files in use that cannot be renamed, each listed twice, in a list that
// needs a second pass; the list itself and the help indexes the run deletes
// are links too. Nothing outside is touched, the schedule holds each file in
// use once and nothing else (but the program folder after them on the NT
// family), the restart notice comes once, and only when something was
// scheduled under its own name, and a run that removed none of the entries it
// was asked to ends with 1603.
struct HostileRun {
    const char* name;
    const char* version;   // "" for the NT family
    int held;              // files in use that cannot be renamed
    bool plain;            // ordinary entries listed too; a run with neither them
                           // nor files in use removes nothing it was asked to
};

void PrintTo(const HostileRun& row, std::ostream* out) { *out << row.name; }

class HostileList : public Installation, public ::testing::WithParamInterface<HostileRun> {
protected:
    // The names scheduled for deletion at the restart, upper case and sorted.
    std::vector<std::string> Scheduled() const {
        std::vector<std::string> names;
        if (*GetParam().version) {
            std::string text = test::ReadBytes(WininitPath());
            for (std::size_t at = text.find("NUL="); at != std::string::npos; at = text.find("NUL=", at + 1))
                names.push_back(text.substr(at + 4, text.find("\r\n", at) - at - 4));
            EXPECT_TRUE(test::ScheduledDeletions().empty());
        } else {
            for (std::string name : test::ScheduledDeletions())
                names.push_back(name.compare(0, 4, "\\??\\") == 0 ? name.substr(4) : name);
        }
        return Sorted(names);
    }
    static std::vector<std::string> Sorted(std::vector<std::string> names) {
        for (std::string& n : names) CharUpperA(&n[0]);
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_P(HostileList, TouchesNothingOutsideAndSchedulesOnlyFilesInUse) {
    const HostileRun& row = GetParam();
    if (*row.version) {
        QAV_ONLY_FOR_X86_PROGRAM_AS_WINDOWS_9X(program_);
    }
    test::SavedFile wininit(WininitPath());
    test::WineVersionScope version(row.version);
    test::HostileLayout hostile(dir_, true);
    ASSERT_TRUE(hostile.planted());
    std::string bait = hostile.bait();
    // The help indexes the run deletes and the list itself, as links out.
    ASSERT_TRUE(test::WriteBytes(bait + "\\readonly.txt", "bait"));
    ASSERT_TRUE(SetFileAttributesA((bait + "\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(test::WriteBytes(bait + "\\gid.txt", "bait"));
    ASSERT_TRUE(test::MakeUnixLink(In("qavrix.gid"), bait + "\\gid.txt"));
    ASSERT_TRUE(test::MakeUnixLink(In("qavrix.fts"), bait + "\\readonly.txt"));
    Folder("sub");
    Put("sub\\x.txt");
    Put("a.txt");
    std::string list = (row.plain ? "sub\r\n" : "") + hostile.list() + (row.plain ? "sub\\x.txt\r\na.txt\r\n" : "");
    std::vector<test::HeldFile> held;
    std::vector<std::string> expected;
    for (int i = 0; i < row.held; ++i) {
        std::string name = "busy" + std::to_string(i) + ".dat";
        Put(name);
        held.emplace_back(In(name), test::Hold::NoDeleteSharing);
        ASSERT_TRUE(held.back());
        char shortName[MAX_PATH] = "";
        ASSERT_GT(GetShortPathNameA(In(name).c_str(), shortName, sizeof shortName), 0u);
        expected.push_back(*row.version ? shortName : In(name));
        list += name + "\r\n" + name + "\r\n";
    }
    // On the NT family the program folder goes at the restart after them.
    if (!*row.version && row.held > 0) expected.push_back(dir_);
    ASSERT_TRUE(test::WriteBytes(bait + "\\list.txt", list));
    ASSERT_TRUE(test::MakeUnixLink(In("Uninstall.lst"), bait + "\\list.txt"));

    bool removesSomething = row.plain || row.held > 0;
    long exit = row.held > 0 ? test::ExitRestart : removesSomething ? test::ExitDone : test::ExitCannotStart;
    std::vector<Box> boxes = Run("", IDYES, exit);
    // The schedule is read while the files are still held.
    EXPECT_EQ(Scheduled(), Sorted(expected));
    held.clear();

    hostile.ExpectLeftAlone();
    EXPECT_EQ(test::ReadBytes(bait + "\\list.txt"), list);
    EXPECT_EQ(test::ReadBytes(bait + "\\gid.txt"), "bait");
    EXPECT_TRUE(GetFileAttributesA((bait + "\\readonly.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(test::ReadBytes(bait + "\\readonly.txt"), "bait");
    EXPECT_EQ(Has("a.txt"), !row.plain);
    EXPECT_EQ(Has("sub"), !row.plain);
    ASSERT_EQ(boxes.size(), row.held > 0 ? 2u : 1u);
    EXPECT_EQ(boxes[0].text, Confirm);
    if (row.held > 0) {
        EXPECT_EQ(boxes[1].text, RestartText);
    }
    WaitForBatch();
    for (const char* link : {"qavrix.gid", "qavrix.fts", "Uninstall.lst"}) test::RemoveUnixLink(In(link));
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileList,
                         ::testing::Values(HostileRun{"nt", "", 4, true}, HostileRun{"win98", "win98", 4, true},
                                           HostileRun{"nothing_in_use_nothing_removed", "", 0, false}),
                         [](const ::testing::TestParamInfo<HostileRun>& info) { return info.param.name; });

}  // namespace
}  // namespace uninstall_e2e
