// The removal passes in-process on a real folder: read-only files and
// folders, folders listed before their contents, and the same outcome when
// the list is held and when it is read again for every pass; then the same
// entries on each family of Windows, with the optional system functions
// missing as on the older ones.
#include "uninstall/uninstall_run.h"
#include "uninstall/entry_removal.h"
#include "platform/entry_open.h"
#include "platform/system_functions.h"
#include "tests/support/windows_rules.h"
#include "tests/support/hostile_lines.h"
#include "tests/support/program_run.h"
#include "tests/support/registry_probe.h"
#include "tests/support/sandbox.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Item {
    const char* path;   // a trailing backslash makes a folder
    DWORD attributes = 0;   // set after creation
};

struct Case {
    const char* name;
    std::vector<Item> items;
    std::string list;
    std::vector<const char*> left;
    int passes;         // with the list held
};

void Make(const std::string& folder, const Item& item) {
    std::string rel = item.path;
    bool isFolder = rel.back() == '\\';
    std::string path = folder + "\\" + (isFolder ? rel.substr(0, rel.size() - 1) : rel);
    ASSERT_TRUE(isFolder ? test::MakeDir(path) : test::WriteBytes(path, "data")) << path;
    if (item.attributes) {
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), item.attributes)) << path;
    }
}

TEST(RemovalPasses, HeldOrReReadTheListLeavesTheSameFolder) {
    const DWORD RHS = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const Case cases[] = {
        {"read-only, hidden and system files and a read-only folder",
         {{"ro\\", FILE_ATTRIBUTE_READONLY}, {"ro\\a.txt", RHS}, {"h.txt", FILE_ATTRIBUTE_HIDDEN}},
         "ro\r\nro\\a.txt\r\nh.txt\r\n", {}, 2},
        {"folders before their contents, three levels deep",
         {{"a\\"}, {"a\\b\\"}, {"a\\b\\c\\"}, {"a\\b\\c\\f.txt"}},
         "a\r\na\\b\r\na\\b\\c\r\na\\b\\c\\f.txt\r\n", {}, 4},
        {"a folder with an unlisted file stays, and so does the file",
         {{"d\\"}, {"d\\mine.txt"}, {"d\\ours.txt"}}, "d\r\nd\\ours.txt\r\nmissing.txt\r\n",
         {"d", "d\\mine.txt"}, 2},
    };
    for (bool held : {true, false}) {
        std::size_t previous = SetListHoldingLimitForTests(held ? 1u << 20 : 1);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (held ? " (held)" : " (read again)"));
            test::ScratchDir dir("passes");
            for (const Item& item : c.items) Make(dir.path(), item);
            std::string listPath = dir / "Uninstall.lst";
            ASSERT_TRUE(test::WriteBytes(listPath, c.list));
            std::FILE* list = std::fopen(listPath.c_str(), "rb");
            ASSERT_NE(list, nullptr);
            int passes = RemoveListedEntries(list, (dir / "uninstall.exe").c_str());
            std::fclose(list);
            if (held) {
                EXPECT_EQ(passes, c.passes);
            }
            for (const Item& item : c.items) {
                std::string rel = item.path;
                if (rel.back() == '\\') rel.pop_back();
                bool expectLeft = false;
                for (const char* l : c.left) expectLeft = expectLeft || rel == l;
                EXPECT_EQ(test::Exists(dir / rel), expectLeft) << rel;
            }
        }
        SetListHoldingLimitForTests(previous);
    }
}

struct Open {
    std::string path;
    DWORD access, share, flags;
};
std::vector<Open> Opens;
void RecordOpen(const wchar_t* name, std::size_t length, ACCESS_MASK access, ULONG share, ULONG options) {
    Opens.push_back({std::string(name, name + length), access, share, options});
}

// Plain, read-only, nested and in-use entries and the hostile lines,
// removed by each family's method, from the folder itself and from a link to
// it. Wine accepts every call whatever version it reports, so what each family
// may not ask for is checked on the recorded opens; and every open is taken to
// grant exactly the rights it asks for (test::ExactRights), as the NT calls
// opening below held folders grant them.
TEST(RemovalPasses, EachFamilyRemovesWhatIsInsideAndNothingElse) {
    using R = RemovalScope::Method;
    const DWORD NT = VER_PLATFORM_WIN32_NT;
    struct System {
        const char* name;
        WindowsVersionInfo version;
        unsigned absent;
        R method;
    } const systems[] = {
        {"Vista and later", {NT, 6, 1}, 0, R::ByFinalPath},
        {"Vista, no final paths", {NT, 6, 1}, NoFinalPathByHandle, R::ByAttributes},
        {"2000 and XP", {NT, 5, 1}, NoVistaFunctions, R::ByAttributes},
        {"XP, nothing but the file calls of ntdll", {NT, 5, 1}, NoSystemFunctions & ~(NoNtSetInformationFile | NoNtCreateFile),
         R::ByAttributes},
        {"NT 4.0", {NT, 4, 0}, NoVistaFunctions, R::ByAttributes},
        {"Windows 98", {VER_PLATFORM_WIN32_WINDOWS, 4, 10}, NoSystemFunctions, R::ByName},
        {"Windows 98 reported by an NT system", {VER_PLATFORM_WIN32_WINDOWS, 4, 10}, 0, R::ByFinalPath},
    };
    test::SeamScope<EntryOpenObserver> recorder(SetEntryOpenObserverForTests, RecordOpen);
    test::ExactRights exact;
    for (const System& system : systems) {
        bool win9x = system.method == R::ByName;
        bool reports9x = system.version.platformId != NT;
        if (reports9x && !test::Windows9xRunsThisBuild()) continue;
        for (bool throughLink : {false, true}) {
            SCOPED_TRACE(std::string(system.name) + (throughLink ? ", program folder behind a link" : ""));
            test::EmptySchedule schedule;
            test::SavedFile wininit(test::WindowsFolder() + "\\wininit.ini");
            test::ScratchDir dir("family");
            std::string real = dir / "prog";
            for (const std::string& folder : {real, real + "\\d", real + "\\d\\e"})
                ASSERT_TRUE(test::MakeDir(folder));
            for (const char* name : {"a.txt", "ro.txt", "d\\e\\f.txt", "busy.dat"})
                ASSERT_TRUE(test::WriteBytes(real + "\\" + name, name));
            ASSERT_TRUE(SetFileAttributesA((real + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
            bool fileLinks = (system.absent & NoFinalPathByHandle) == 0;
            test::HostileLayout hostile(real, fileLinks);
            ASSERT_TRUE(hostile.planted());
            std::string folder = real;
            if (throughLink) {
                folder = dir / "linked";
                ASSERT_TRUE(test::MakeUnixLink(folder, real));
            }
            test::HeldFile busy(real + "\\busy.dat", test::Hold::NoDeleteSharing);
            ASSERT_TRUE(busy);
            std::string listPath = dir / "Uninstall.lst";
            ASSERT_TRUE(test::WriteBytes(listPath, "d\r\nd\\e\r\nd\\e\\f.txt\r\na.txt\r\nro.txt\r\nbusy.dat\r\n" +
                                                   hostile.list()));

            test::WindowsVersionScope version(system.version.platformId, system.version.major,
                                              system.version.minor);
            test::SeamScope<unsigned> absent(SetAbsentSystemFunctionsForTests, system.absent);
            Opens.clear();
            RemovalScope scope;
            ASSERT_TRUE(scope.Enter((folder + "\\uninstall.exe").c_str()));
            EXPECT_EQ(scope.method(), system.method);
            UniqueStdioFile list(std::fopen(listPath.c_str(), "rb"));
            ASSERT_TRUE(list);
            RunRemovalPasses(list.get(), 1u << 20, [&scope](const char* entry) { return scope.Remove(entry); });
            std::string scheduledBusy = test::ReadBytes(test::WindowsFolder() + "\\wininit.ini");
            bool busyScheduled = test::IsScheduledForDeletion(real + "\\busy.dat");
            busy.Release();

            for (const char* gone : {"a.txt", "ro.txt", "d"}) EXPECT_FALSE(test::Exists(real + "\\" + gone)) << gone;
            EXPECT_TRUE(test::Exists(real + "\\busy.dat"));
            hostile.ExpectLeftAlone();
            EXPECT_EQ(scope.refused(), hostile.lines());
            if (reports9x) {
                char shortName[MAX_PATH] = "";
                ASSERT_GT(GetShortPathNameA((folder + "\\busy.dat").c_str(), shortName, sizeof shortName), 0u);
                EXPECT_EQ(scheduledBusy, "[Rename]\r\nNUL=" + std::string(shortName) + "\r\n");
            }
            if (win9x) {
                EXPECT_TRUE(Opens.empty()) << "Windows 9x opens no entries";
            } else {
                if (!reports9x) {
                    EXPECT_TRUE(busyScheduled || test::IsScheduledForDeletion(folder + "\\busy.dat"));
                }
                bool deleteAsked = false;
                for (const Open& open : Opens) {
                    deleteAsked = deleteAsked || (open.access & DELETE) != 0;
                    if (!reports9x && system.version.major < 5) {
                        EXPECT_EQ(open.flags & FILE_FLAG_OPEN_REPARSE_POINT, 0u) << open.path;
                    }
                }
                EXPECT_TRUE(deleteAsked);
            }
            if (throughLink) test::RemoveUnixLink(folder);
        }
    }
}

// Under Wine a deleted file's going is confirmed by its name on disk below
// the program folder's Unix name: a name missing below the folder's handle
// makes Wine read the whole folder, so that a folder of many files would cost
// in proportion to its size for each of them. Listed in another letter case
// than it has on disk.
TEST(RemovalPasses, UnderWineAGoneFileIsConfirmedByItsUnixNameOnDisk) {
    if (!OpensFollowFileLinks()) GTEST_SKIP() << "Wine only";
    test::ScratchDir dir("unixname");
    ASSERT_TRUE(test::MakeDir(dir / "sub"));
    ASSERT_TRUE(test::WriteBytes(dir / "sub\\Read.Me", "x"));
    test::SeamScope<EntryOpenObserver> recorder(SetEntryOpenObserverForTests, RecordOpen);
    Opens.clear();
    RemovalScope scope;
    ASSERT_TRUE(scope.Enter((dir / "uninstall.exe").c_str()));
    EXPECT_EQ(scope.Remove("SUB\\read.me"), EntryOutcome::Removed);
    EXPECT_FALSE(test::Exists(dir / "sub\\Read.Me"));
    ASSERT_FALSE(Opens.empty());
    const std::string& confirm = Opens.back().path;
    EXPECT_EQ(confirm.rfind("\\??\\unix\\", 0), 0u) << confirm;
    EXPECT_EQ(confirm.substr(confirm.size() - 12), "\\sub\\Read.Me") << confirm;
}

unsigned long long CallsSeen = 0;
void CountCall(FileCall) { ++CallsSeen; }

// The calls a removal makes, by family, against what a deletion by name costs
// there: on Windows an entry opened below its held folder as itself, its
// deletion set and the handle closed (what DeleteFileW does); under Wine one
// query more, for where the entry really is, and the confirmation that it is
// gone; and at most two per folder for holding and checking it (a folder
// listed after its files is deleted through the handle that held it). The families
// are those Wine can be made to look like: without wine_get_version it is
// taken for Windows, whose opens of an entry as itself are the check.
TEST(RemovalPasses, CallsPerEntryStayWithinEachFamilysBudget) {
    const DWORD NT = VER_PLATFORM_WIN32_NT;
    const struct {
        const char* name;
        WindowsVersionInfo version;
        unsigned absent;
        unsigned perEntry;
    } rows[] = {
        {"Windows, reparse-point opens", {NT, 10, 0}, NoWineVersion, 3},
        {"Wine", {NT, 10, 0}, 0, 5},
        {"attribute method (2000 and XP)", {NT, 5, 1}, NoVistaFunctions | NoWineVersion, 3},
        {"Windows 98 mode of an NT system", {VER_PLATFORM_WIN32_WINDOWS, 4, 10}, 0, 5},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::ScratchDir dir("budget");
        std::string list;
        for (const char* folder : {"a", "b"}) {
            ASSERT_TRUE(test::MakeDir(dir / folder));
            for (int i = 0; i < 10; ++i) {
                std::string entry = std::string(folder) + "\\f" + std::to_string(i) + ".dat";
                ASSERT_TRUE(test::WriteBytes(dir / entry, entry));
                list += entry + "\r\n";
            }
            list += std::string(folder) + "\r\n";   // held for its files: deleted through that handle
        }
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(test::WriteBytes(dir / ("r" + std::to_string(i)), "r"));
            list += "r" + std::to_string(i) + "\r\n";
        }
        const unsigned entries = 27, folders = 3;   // the program folder too
        ASSERT_TRUE(test::WriteBytes(dir / "Uninstall.lst", list));

        test::WindowsVersionScope version(row.version.platformId, row.version.major, row.version.minor);
        test::SeamScope<unsigned> absent(SetAbsentSystemFunctionsForTests, row.absent);
        CallsSeen = 0;
        int passes = 0;
        {
            test::SeamScope<FileCallObserver> observer(SetFileCallObserver, CountCall);
            UniqueStdioFile file(std::fopen((dir / "Uninstall.lst").c_str(), "rb"));
            ASSERT_TRUE(file);
            passes = RemoveListedEntries(file.get(), (dir / "uninstall.exe").c_str());
        }
        EXPECT_EQ(passes, 1);
        for (const char* gone : {"a", "b", "r0", "r4"}) EXPECT_FALSE(test::Exists(dir / gone)) << gone;
        std::printf("%-36s %llu calls for %u entries in %u folders: %.2f an entry\n", row.name, CallsSeen, entries,
                    folders, static_cast<double>(CallsSeen) / entries);
        // The first deletion of the process asks once whether the system
        // takes the POSIX disposition.
        EXPECT_LE(CallsSeen, row.perEntry * entries + 2 * folders + 1);
    }
}

}  // namespace
