// Entries opened below a held folder and changed through their handles:
// deletion (a read-only file once its attributes are cleared, never a folder
// with entries), renames beside it, what a failed open says, and which
// systems have the engine at all.
#include "platform/entry_open.h"
#include "platform/system_functions.h"
#include "tests/support/harness.h"
#include "tests/support/windows_rules.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <iterator>
#include <string>

namespace {

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

UniqueFileHandle At(HANDLE parent, const std::wstring& name, ACCESS_MASK access, EntryOpen kind, long* status = nullptr) {
    return OpenEntryAt(parent, name.data(), name.size(), access, 0, kind, status);
}

unsigned Seen[8];
void Count(FileCall call) { ++Seen[static_cast<int>(call)]; }

TEST(EntryOpen, ChangesGoThroughHandlesBelowTheHeldFolder) {
    test::ExactRights exact;
    test::ScratchDir dir("entryopen");
    for (const char* name : {"a.txt", "ro.txt", "r.txt", "r2.txt", "s.txt"}) ASSERT_TRUE(test::WriteBytes(dir / name, name));
    ASSERT_TRUE(test::MakeDir(dir / "sub"));
    ASSERT_TRUE(test::WriteBytes(dir / "sub\\in.txt", "in"));
    ASSERT_TRUE(SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    const std::wstring full = L"\\??\\" + Wide(dir.path());
    UniqueFileHandle held = OpenEntryAt(nullptr, full.data(), full.size(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, EntryOpen::Folder);
    ASSERT_TRUE(held);
    const ACCESS_MASK erase = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

    std::fill(std::begin(Seen), std::end(Seen), 0u);
    test::SeamScope<FileCallObserver> observer(SetFileCallObserver, Count);
    {
        UniqueFileHandle a = At(held.get(), L"a.txt", DELETE, EntryOpen::File);
        ASSERT_TRUE(a);
        EXPECT_EQ(MarkForDeletion(a.get()), Marked::Yes);
    }
    EXPECT_FALSE(test::Exists(dir / "a.txt"));
    EXPECT_EQ(Seen[static_cast<int>(FileCall::Open)], 1u);
    EXPECT_EQ(Seen[static_cast<int>(FileCall::Close)], 1u);
    EXPECT_GE(Seen[static_cast<int>(FileCall::Disposition)], 1u);

    {   // Read-only: gone once its attributes are cleared through the handle,
        // or at once where the system ignores them for a deletion.
        UniqueFileHandle ro = At(held.get(), L"ro.txt", erase, EntryOpen::File);
        ASSERT_TRUE(ro);
        if (MarkForDeletion(ro.get()) != Marked::Yes) {
            DWORD attributes = 0;
            ASSERT_TRUE(ReadEntryAttributes(ro.get(), attributes));
            EXPECT_NE(attributes & FILE_ATTRIBUTE_READONLY, 0u);
            ASSERT_TRUE(WriteEntryAttributes(ro.get(), 0));
            ASSERT_TRUE(ReadEntryAttributes(ro.get(), attributes));
            EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
            EXPECT_EQ(MarkForDeletion(ro.get()), Marked::Yes);
        }
    }
    EXPECT_FALSE(test::Exists(dir / "ro.txt"));

    {
        UniqueFileHandle sub = At(held.get(), L"sub", DELETE, EntryOpen::Folder);
        ASSERT_TRUE(sub);
        EXPECT_EQ(MarkForDeletion(sub.get()), Marked::NotEmpty);
        EXPECT_FALSE(At(held.get(), L"sub", DELETE, EntryOpen::File)) << "a folder is no file";
    }
    EXPECT_TRUE(test::Exists(dir / "sub\\in.txt"));

    {   // Renamed beside itself; an existing name gives way only when asked.
        UniqueFileHandle r = At(held.get(), L"r.txt", DELETE, EntryOpen::File);
        ASSERT_TRUE(r);
        EXPECT_FALSE(RenameEntryAt(r.get(), held.get(), L"s.txt", 5, false));
        EXPECT_TRUE(RenameEntryAt(r.get(), held.get(), L"t.txt", 5, false));
        UniqueFileHandle r2 = At(held.get(), L"r2.txt", DELETE, EntryOpen::File);
        ASSERT_TRUE(r2);
        EXPECT_TRUE(RenameEntryAt(r2.get(), held.get(), L"s.txt", 5, true));
    }
    EXPECT_EQ(test::ReadBytes(dir / "t.txt"), "r.txt");
    EXPECT_EQ(test::ReadBytes(dir / "s.txt"), "r2.txt");
    EXPECT_FALSE(test::Exists(dir / "r.txt") || test::Exists(dir / "r2.txt"));

    long status = 0;
    EXPECT_FALSE(At(held.get(), L"none.txt", FILE_READ_ATTRIBUTES, EntryOpen::Any, &status));
    EXPECT_EQ(ErrorOfStatus(status), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(At(held.get(), L"", FILE_READ_ATTRIBUTES, EntryOpen::Any, &status));
}

// The NT family has the engine whatever version it reports; Windows 9x (no
// ntdll functions) has none. Wine is told by its own export.
TEST(EntryOpen, WhichSystemsHaveIt) {
    EXPECT_TRUE(HandleEngineAvailable());
    EXPECT_TRUE(OpensFollowFileLinks()) << "these tests run under Wine";
    {
        test::SeamScope<unsigned> absent(SetAbsentSystemFunctionsForTests, NoNtCreateFile);
        EXPECT_FALSE(HandleEngineAvailable());
        EXPECT_FALSE(OpenEntryAt(nullptr, L"\\??\\C:\\", 7, FILE_READ_ATTRIBUTES, 7, EntryOpen::Folder));
    }
    {
        test::SeamScope<unsigned> absent(SetAbsentSystemFunctionsForTests, NoNtSetInformationFile);
        EXPECT_FALSE(HandleEngineAvailable());
    }
    test::SeamScope<unsigned> absent(SetAbsentSystemFunctionsForTests, NoWineVersion);
    EXPECT_TRUE(HandleEngineAvailable());
    EXPECT_FALSE(OpensFollowFileLinks());
}

}  // namespace
