// The removal passes in-process on a real folder: read-only files and
// folders, folders listed before their contents, and the same outcome when
// the list is held and when it is read again for every pass.
#include "uninstall/uninstall_run.h"
#include "tests/support/harness.h"
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

}  // namespace
