// The list removal racing against changes to the folders on the entries'
// paths: a listed folder removed in one pass and replaced by a link to a
// folder outside before the next, on the ways that do not already see where
// each opened entry is (links told by their attributes, as on 2000 and XP,
// and Windows 98 as an NT system reports it). No file of the outside folder
// is deleted or changed.
#include "uninstall/entry_removal.h"
#include "platform/system_functions.h"
#include "tests/support/hostile_lines.h"
#include "tests/support/registry_probe.h"
#include "tests/support/sandbox.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Family {
    const char* name;
    WindowsVersionInfo version;
    unsigned absent;   // SetAbsentSystemFunctionsForTests
};
const Family VistaAndLater{"Vista and later", {VER_PLATFORM_WIN32_NT, 6, 1}, 0};
const Family Xp{"2000 and XP", {VER_PLATFORM_WIN32_NT, 5, 1}, NoVistaFunctions};
// Wine reports Windows 98 to any program it is told to, 64-bit ones too, and
// the system still follows links: this family runs on both builds.
const Family Win98OnNt{"Windows 98 as an NT system reports it", {VER_PLATFORM_WIN32_WINDOWS, 4, 10}, 0};

// A program folder `prog` whose `Docs` has `files` files, and beside it the
// outside folder with files of the same names.
struct Layout {
    explicit Layout(int files) : twins(docs, "Docs", outside, files) {}
    test::ScratchDir dir{"races"};
    std::string prog = dir / "prog", docs = prog + "\\Docs", outside = dir / "outside";
    bool progMade = test::MakeDir(prog);
    test::TwinFolders twins;
};

// The removal passes over `list` as `family` removes entries, from one
// RemovalScope; `visited(entry, outcome)` follows each visit.
template <typename Visited>
void RemoveAs(const Family& family, const Layout& layout, const std::string& list, Visited visited) {
    std::string listPath = layout.dir / "Uninstall.lst";
    ASSERT_TRUE(test::WriteBytes(listPath, list));
    test::WindowsVersionScope version(family.version.platformId, family.version.major, family.version.minor);
    test::SeamScope<unsigned> absent(SetAbsentSystemFunctionsForTests, family.absent);
    RemovalScope scope;
    ASSERT_TRUE(scope.Enter((layout.prog + "\\uninstall.exe").c_str()));
    UniqueStdioFile file(std::fopen(listPath.c_str(), "rb"));
    ASSERT_TRUE(file);
    RunRemovalPasses(file.get(), 1u << 20, [&](const char* entry) {
        EntryOutcome outcome = scope.Remove(entry);
        visited(std::string(entry), outcome);
        return outcome;
    });
}

// `Docs` emptied and removed in the first pass, then at once a link to the
// outside folder in its place; the entries below it that were not there yet
// are visited again in the next pass. (Where final paths are told, the open
// of each entry already shows where it is.)
TEST(RemovalRaces, AFolderReplacedByALinkBetweenPassesLetsNothingOutsideGo) {
    for (const Family& family : {Xp, Win98OnNt}) {
        SCOPED_TRACE(family.name);
        test::EmptySchedule schedule;
        test::SavedFile wininit(test::WindowsFolder() + "\\wininit.ini");
        Layout layout(1);
        ASSERT_TRUE(layout.progMade && layout.twins.made());
        ASSERT_TRUE(test::WriteBytes(layout.outside + "\\later.txt", "outside later"));
        ASSERT_TRUE(test::MakeDir(layout.outside + "\\Sub"));
        layout.twins.Remember();
        bool replaced = false;
        RemoveAs(family, layout, "Docs\\later.txt\r\nDocs\\Sub\r\n" + layout.twins.list(),
                 [&](const std::string& entry, EntryOutcome outcome) {
                     if (entry == "Docs" && outcome == EntryOutcome::Removed)
                         replaced = test::MakeUnixLink(layout.docs, layout.outside);
                 });
        EXPECT_TRUE(replaced) << "Docs was not removed in a pass and replaced";
        layout.twins.ExpectOutsideIntact();
        test::RemoveUnixLink(layout.docs);
    }
}

}  // namespace
