// Windows' rules that Wine does not enforce: every test of this program runs
// under the layer of tests/support/windows_rules.h (handle rights and
// code-page flags), put in place before the first test. Here the layer
// itself is checked on real handles, and the code-page conversions, the
// final-path comparison and list-entry paths run in five ANSI code pages.
#include "platform/core/entrypath.h"
#include "platform/handles.h"
#include "platform/safe_file.h"
#include "platform/system_functions.h"
#include "platform/text.h"
#include "tests/support/harness.h"
#include "tests/support/windows_rules.h"
#include <gtest/gtest.h>
#include <functional>
#include <string>

namespace {

const bool RulesInPlace = test::EnforceWindowsRules();

TEST(WindowsRules, AreInPlace) { EXPECT_TRUE(RulesInPlace); }

// Each row opens a real file or key with some rights and makes one call on
// it; Wine answers every one of them, Windows refuses the breaches.
TEST(WindowsRules, HandleRightsAreThoseWindowsGrants) {
    test::ScratchDir dir("rules");
    std::string file = dir / "f.txt";
    ASSERT_TRUE(test::WriteBytes(file, "x"));
    auto open = [&file](DWORD access) {
        return UniqueFileHandle(CreateFileA(file.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    };
    // NtOpenFile grants what it is asked for, nothing more: as a removal
    // opening below held folders will open.
    auto ntOpen = [&file](ACCESS_MASK access) {
        auto ntOpenFile = reinterpret_cast<decltype(&::NtOpenFile)>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtOpenFile")));
        std::wstring name = L"\\??\\" + std::wstring(file.begin(), file.end());
        UNICODE_STRING unicode{USHORT(name.size() * 2), USHORT(name.size() * 2), &name[0]};
        OBJECT_ATTRIBUTES object;
        InitializeObjectAttributes(&object, &unicode, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
        IO_STATUS_BLOCK io{};
        HANDLE h = INVALID_HANDLE_VALUE;
        ntOpenFile(&h, access | SYNCHRONIZE, &object, &io, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0x20);
        return UniqueFileHandle(h);
    };
    auto attributes = [](HANDLE h) {
        BY_HANDLE_FILE_INFORMATION info;
        return GetFileInformationByHandle(h, &info) != FALSE;
    };
    auto basic = [](HANDLE h) {
        FILE_BASIC_INFO info{};
        info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        return System().setFileInformationByHandle(h, FileBasicInfo, &info, sizeof info) != FALSE;
    };
    auto ntDisposition = [](HANDLE h) {
        IO_STATUS_BLOCK io{};
        BOOLEAN keep = FALSE;   // asks for the right, deletes nothing
        return System().ntSetInformationFile(h, &io, &keep, sizeof keep, FileDispositionInformation) == 0;
    };
    auto key = [](REGSAM access) {
        UniqueRegKey k;
        RegCreateKeyExA(HKEY_CURRENT_USER, "RulesTest", 0, nullptr, 0, access, nullptr, k.put(), nullptr);
        return k;
    };
    auto query = [](HKEY k) { return RegQueryValueExA(k, "", nullptr, nullptr, nullptr, nullptr) != ERROR_ACCESS_DENIED; };
    auto set = [](HKEY k) { return RegSetValueExA(k, "v", 0, REG_SZ, (const BYTE*)"", 1) == ERROR_SUCCESS; };
    auto enumerate = [](HKEY k) {
        char name[64];
        DWORD size = sizeof name;
        return RegEnumKeyExA(k, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_ACCESS_DENIED;
    };
    auto makeBelow = [](HKEY k) {
        UniqueRegKey child;
        return RegCreateKeyExA(k, "child", 0, nullptr, 0, KEY_READ, nullptr, child.put(), nullptr) == ERROR_SUCCESS;
    };
    struct Row {
        const char* what;
        std::function<bool()> call;
        bool breach;
    } const rows[] = {
        {"CreateFile with DELETE alone: attributes (CreateFile adds FILE_READ_ATTRIBUTES)",
         [&] { return attributes(open(DELETE).get()); }, false},
        {"CreateFile with no access: attributes", [&] { return attributes(open(0).get()); }, false},
        {"NtOpenFile with DELETE: attributes", [&] { return attributes(ntOpen(DELETE).get()); }, true},
        {"NtOpenFile with DELETE and FILE_READ_ATTRIBUTES: attributes",
         [&] { return attributes(ntOpen(DELETE | FILE_READ_ATTRIBUTES).get()); }, false},
        {"CreateFile with DELETE alone, exact rights: attributes",
         [&] { test::ExactRights exact; return attributes(open(DELETE).get()); }, true},
        {"GENERIC_WRITE: basic information (FILE_WRITE_ATTRIBUTES)", [&] { return basic(open(GENERIC_WRITE).get()); }, false},
        {"GENERIC_READ: basic information", [&] { return basic(open(GENERIC_READ).get()); }, true},
        {"FILE_READ_ATTRIBUTES: disposition", [&] { return ntDisposition(open(FILE_READ_ATTRIBUTES).get()); }, true},
        {"DELETE: disposition", [&] { return ntDisposition(open(DELETE).get()); }, false},
        {"MAXIMUM_ALLOWED: disposition", [&] { return ntDisposition(open(MAXIMUM_ALLOWED).get()); }, false},
        {"no access: final path", [&] {
             wchar_t path[MAX_PATH];
             return System().getFinalPathNameByHandleW(open(0).get(), path, MAX_PATH, 0) > 0;
         }, false},
        {"FILE_WRITE_DATA: read", [&] {
             char byte;
             DWORD got;
             return ReadFile(open(FILE_WRITE_DATA).get(), &byte, 1, &got, nullptr) != FALSE;
         }, true},
        {"KEY_ENUMERATE_SUB_KEYS: value query", [&] { return query(key(KEY_ENUMERATE_SUB_KEYS).get()); }, true},
        {"KEY_READ: value query and subkeys", [&] { return query(key(KEY_READ).get()) && enumerate(key(KEY_READ).get()); }, false},
        {"KEY_QUERY_VALUE: subkeys", [&] { return enumerate(key(KEY_QUERY_VALUE).get()); }, true},
        {"KEY_QUERY_VALUE: value written", [&] { return set(key(KEY_QUERY_VALUE).get()); }, true},
        {"KEY_WRITE: value written", [&] { return set(key(KEY_WRITE).get()); }, false},
        {"GENERIC_WRITE: value written", [&] { return set(key(GENERIC_WRITE).get()); }, false},
        {"KEY_READ: key made below", [&] { return makeBelow(key(KEY_READ).get()); }, true},
        {"KEY_ALL_ACCESS: key made below", [&] { return makeBelow(key(KEY_ALL_ACCESS).get()); }, false},
        {"KEY_QUERY_VALUE: deleted as itself", [&] { return System().ntDeleteKey(key(KEY_QUERY_VALUE).get()) == 0; }, true},
    };
    test::ScratchRegistry registry;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        test::RuleBreaches breaches;
        bool answered = row.call();
        EXPECT_EQ(breaches.seen().size(), row.breach ? 1u : 0u);
        EXPECT_EQ(answered, !row.breach) << "a breach fails as Windows fails it";
    }
}

// The ANSI code page of each row: names it holds convert both ways; names
// with a character it lacks or would write as a look-alike do not, so a
// folder beside the program folder whose name differs by a full-width
// backslash never lies inside it. Windows' rule on the conversion flags
// (none for UTF-8) stands in for Wine, which takes any flags.
TEST(AnsiConversions, HoldEveryNameOrRefuseIt) {
    struct Row {
        UINT codePage;
        const wchar_t* held;      // a name the code page holds
        const wchar_t* refused;   // a name it cannot hold exactly
    } const rows[] = {
        {936, L"\u5378\u8F7D", L"\u0E01"},
        {1252, L"D\u00E9j\u00E0", L"Qa\uFF3Cevil"},
        {950, L"\u5378\u8F09", L"\u0E01"},
        {932, L"\u8868\u793A", L"\u0E01"},   // 0x95 0x5C: a trail byte that is a backslash
        {65001, L"\u5378\u8F7D D\u00E9j\u00E0 \U0001F600", L"a\xD800z"},
    };
    test::ScratchDir dir("codepages");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.codePage);
        test::SeamScope<UINT> codePage(SetAnsiCodePageForTests, row.codePage);
        LeadBytes table;
        CPINFOEXA info{};
        ASSERT_TRUE(GetCPInfoExA(row.codePage, 0, &info));
        table.multiByte = info.MaxCharSize == 2;
        for (int range = 0; range + 1 < MAX_LEADBYTES && info.LeadByte[range] != 0; range += 2)
            for (int b = info.LeadByte[range]; b <= info.LeadByte[range + 1]; ++b) table.lead[b] = true;

        char ansi[MAX_PATH];
        wchar_t wide[MAX_PATH];
        ASSERT_TRUE(AnsiFromWide(row.held, ansi, sizeof ansi));
        ASSERT_TRUE(WideFromAnsi(ansi, wide, MAX_PATH));
        EXPECT_EQ(std::wstring(wide), row.held);
        EXPECT_FALSE(AnsiFromWide(row.refused, ansi, sizeof ansi));
        EXPECT_FALSE(AnsiFromWide(row.held, ansi, 2)) << "a result that does not fit";

        // The program folder, an entry in it, and its neighbour named with
        // the refused name, each asked for its final path.
        std::wstring base = std::wstring(dir.path().begin(), dir.path().end()) + L"\\" + std::to_wstring(row.codePage);
        std::wstring folder = base + L"\\" + row.held, entry = folder + L"\\" + row.held + L".txt";
        std::wstring neighbour = base + L"\\" + row.refused;
        ASSERT_TRUE(CreateDirectoryW(base.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        if (row.codePage != 65001) {
            ASSERT_TRUE(CreateDirectoryW(neighbour.c_str(), nullptr));
        }
        UniqueFileHandle(CreateFileW(entry.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        auto finalPath = [](const std::wstring& path, std::string& out) {
            UniqueFileHandle h(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
            char bytes[MAX_PATH * 2];
            bool read = h && ReadFinalPath(h.get(), bytes, sizeof bytes);
            out = read ? bytes : "";
            return read;
        };
        std::string folderFinal, entryFinal, neighbourFinal;
        ASSERT_TRUE(finalPath(folder, folderFinal));
        ASSERT_TRUE(finalPath(entry, entryFinal));
        ASSERT_TRUE(AnsiFromWide((std::wstring(row.held) + L".txt").c_str(), ansi, sizeof ansi));
        EXPECT_EQ(entryFinal, folderFinal + "\\" + ansi);
        EXPECT_TRUE(PathLiesInside(table, folderFinal.c_str(), entryFinal.c_str()));
        EXPECT_TRUE(EntryStaysInside(table, ansi));
        if (row.codePage == 932) {
            EXPECT_NE(std::string(ansi).find('\\'), std::string::npos) << "a trail byte";
        }
        if (row.codePage != 65001 && finalPath(neighbour, neighbourFinal)) {
            ADD_FAILURE() << "the neighbour's final path was read: " << neighbourFinal;
            EXPECT_FALSE(PathLiesInside(table, folderFinal.c_str(), neighbourFinal.c_str()));
        }
    }
}

}  // namespace
