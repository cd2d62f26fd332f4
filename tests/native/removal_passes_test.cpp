// The removal passes' pure parts: the held list and its pass bookkeeping
// against the re-reading fallback.
#include "uninstall/core/removal_list.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

using V = std::vector<std::string>;

std::FILE* ListOf(const std::string& bytes) {
    std::FILE* f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return f;
}

// A folder tree as the passes see it: entries that exist, with the folders'
// contents, removable once empty; `inUse` names are settled (deferred).
struct World {
    std::set<std::string> files, folders, inUse;
    std::string appearsAfter = {}, appearing = {};   // visiting the first makes the second file appear, once
    V visits = {};
    bool Empty(const std::string& folder) const {
        for (const auto& set : {files, folders})
            for (const std::string& f : set)
                if (f.compare(0, folder.size() + 1, folder + "\\") == 0) return false;
        return true;
    }
    EntryOutcome Visit(const std::string& entry) {
        visits.push_back(entry);
        if (entry == appearsAfter) {
            files.insert(appearing);
            appearsAfter.clear();   // once
        }
        if (inUse.count(entry)) return EntryOutcome::Settled;
        if (files.erase(entry)) return EntryOutcome::Removed;
        if (folders.count(entry) && Empty(entry)) {
            folders.erase(entry);
            return EntryOutcome::Removed;
        }
        return EntryOutcome::Stays;
    }
};

struct Result {
    int passes;
    V visits;
    std::set<std::string> left;
};

Result RunPasses(World world, const std::string& list, std::size_t limit) {
    std::FILE* f = ListOf(list);
    int passes = RunRemovalPasses(f, limit, [&](const char* entry) {
        return world.Visit(entry);
    });
    std::fclose(f);
    Result r{passes, world.visits, {}};
    for (const auto& set : {world.files, world.folders}) r.left.insert(set.begin(), set.end());
    return r;
}

TEST(RemovalPasses, HeldListVisitsOnlyWhatStaysAndEndsLikeTheRereadingPasses) {
    struct Case {
        const char* name;
        World world;
        std::string list;
        int passes;
        std::size_t visits;   // held list
        std::set<std::string> left;
    };
    const Case cases[] = {
        {"contents before folders: one pass and a last one over the missing entry", {{"d\\a", "d\\b"}, {"d"}, {}},
         "d\\a\r\nd\\b\r\nd\r\nmissing\r\n", 2, 5, {}},
        {"folder first: removed in the second pass", {{"d\\a"}, {"d", "d\\e"}, {}}, "d\r\nd\\e\r\nd\\a\r\n", 2, 4, {}},
        {"nested folders listed outermost first take one pass per level", {{"a\\b\\c\\f"}, {"a", "a\\b", "a\\b\\c"}, {}},
         "a\r\na\\b\r\na\\b\\c\r\na\\b\\c\\f\r\n", 4, 4 + 3 + 2 + 1, {}},
        {"a folder with unlisted contents stays; the passes end", {{"d\\mine"}, {"d"}, {}}, "d\r\n", 1, 1,
         {"d", "d\\mine"}},
        {"a file in use is visited once and never again", {{"x", "d\\used"}, {"d"}, {"d\\used"}},
         "d\\used\r\nx\r\nd\r\n", 2, 3 + 1, {"d", "d\\used"}},
        {"the same name twice: the second is missing", {{"a"}, {}, {}}, "a\r\na\r\n", 2, 3, {}},
        {"a missing entry that appears later goes in the next pass", {{"z"}, {}, {}, "z", "a"}, "a\r\nz\r\n", 2, 3,
         {}},
        {"empty list: one pass over nothing", {{}, {}, {}}, "\r\n  \r\n", 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Result held = RunPasses(c.world, c.list, 1 << 20);
        Result reread = RunPasses(c.world, c.list, 0);
        EXPECT_EQ(held.left, c.left) << c.name;
        EXPECT_EQ(reread.left, c.left) << c.name;
        EXPECT_EQ(held.passes, c.passes) << c.name;
        EXPECT_EQ(held.visits.size(), c.visits) << c.name;
        // Re-reading visits every entry in every pass, the held list never more.
        EXPECT_LE(held.visits.size(), reread.visits.size()) << c.name;
    }
    // A removed entry that is made again is not visited again: it is no
    // longer pending. Re-reading the list would remove it a second time.
    World world{{"a", "z"}, {}, {}, "z", "a"};
    EXPECT_EQ(RunPasses(world, "a\r\nz\r\n", 100).left, (std::set<std::string>{"a"}));
    EXPECT_EQ(RunPasses(world, "a\r\nz\r\n", 0).left, (std::set<std::string>{}));
}

TEST(RemovalPasses, HeldListShrinksAndKeepsListOrder) {
    std::FILE* f = ListOf("a\r\nb\r\nc\r\nd\r\ne\r\n");
    HeldList list;
    ASSERT_TRUE(list.Load(f, 100));
    std::fclose(f);
    // Pass 1 removes a and d, settles b; pass 2 removes e; c stays.
    V seen;
    EXPECT_EQ(list.Pass([&](const char* e) {
        seen.push_back(e);
        std::string s = e;
        return s == "a" || s == "d" ? EntryOutcome::Removed : s == "b" ? EntryOutcome::Settled : EntryOutcome::Stays;
    }), 2);
    EXPECT_EQ(list.Remaining(), 2u);
    EXPECT_EQ(list.Pass([&](const char* e) {
        seen.push_back(e);
        return std::string(e) == "e" ? EntryOutcome::Removed : EntryOutcome::Stays;
    }), 1);
    EXPECT_EQ(seen, (V{"a", "b", "c", "d", "e", "c", "e"}));
    EXPECT_EQ(list.Remaining(), 1u);
}

TEST(RemovalPasses, ListIsHeldWithTheLineSemanticsOrNotAtAll) {
    std::string longLine(3000, 'z');
    std::string bytes = "  lead.txt \t\r\n\r\n" + longLine + "\nlast";
    std::FILE* f = ListOf(bytes);
    HeldList list;
    ASSERT_TRUE(list.Load(f, bytes.size()));
    V held;
    list.Pass([&](const char* e) { held.push_back(e); return EntryOutcome::Stays; });
    EXPECT_EQ(held, (V{"  lead.txt", std::string(2047, 'z'), std::string(953, 'z'), "last"}));
    // One byte over the limit: nothing is held and the caller re-reads.
    std::rewind(f);
    EXPECT_FALSE(list.Load(f, bytes.size() - 1));
    EXPECT_EQ(list.Remaining(), 0u);
    std::fclose(f);
}

TEST(RemovalPasses, HundredThousandLinesAreHeldInLittleMoreThanTheirSize) {
    std::string bytes;
    for (int i = 0; i < 100000; ++i) bytes += "d" + std::to_string(i / 100) + "\\file" + std::to_string(i) + ".dat\r\n";
    std::FILE* f = ListOf(bytes);
    HeldList list;
    ASSERT_TRUE(list.Load(f, bytes.size()));
    std::fclose(f);
    EXPECT_EQ(list.Remaining(), 100000u);
    int n = 0;
    EXPECT_EQ(list.Pass([&](const char*) { return ++n % 2 ? EntryOutcome::Removed : EntryOutcome::Stays; }), 50000);
    EXPECT_EQ(list.Remaining(), 50000u);
}

}  // namespace
