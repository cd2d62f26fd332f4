// The registry layer against scratch keys: the redirection the tests rely
// on, made paths and their limit, value types and sizes, bounded reads and
// tree removal, including keys that cannot be deleted.
#include "platform/registry.h"
#include "platform/text.h"
#include "tests/support/sandbox.h"
#include <gtest/gtest.h>
#include <sddl.h>
#include <cstring>
#include <string>
#include <vector>

namespace {

using test::MakeKey;
using test::RegKeyPresent;
using test::SubkeyCount;

void RawSet(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& bytes) {
    test::WriteRegValue(root, path, name, type, bytes);
}

// The value's raw bytes, with its type (0 when it is missing).
std::string RawGet(HKEY root, const std::string& path, const char* name, DWORD* type) {
    test::RegValue v = test::ReadRegValue(root, path, name);
    *type = v.type;
    return v.bytes;
}

// Sets a key's DACL from SDDL text; true when the system took it.
bool SetKeyDacl(HKEY root, const std::string& path, const char* sddl) {
    UniqueRegKey key = test::OpenKey(root, path, WRITE_DAC);
    PSECURITY_DESCRIPTOR sd = nullptr;
    bool ok = key && ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr) &&
              RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, sd) == ERROR_SUCCESS;
    LocalFree(sd);
    return ok;
}
constexpr const char* DenyDelete = "D:(D;;SD;;;WD)(A;;KA;;;WD)";
constexpr const char* DenyQuery = "D:(D;;0x1;;;WD)(A;;KA;;;WD)";
constexpr const char* AllowAll = "D:(A;;KA;;;WD)";

// A tree of `levels` levels below `top` with `fanOut` subkeys per key.
void MakeTree(HKEY root, const std::string& top, int levels, int fanOut) {
    MakeKey(root, top);
    if (levels == 0) return;
    for (int i = 0; i < fanOut; ++i) MakeTree(root, top + "\\k" + std::to_string(i), levels - 1, fanOut);
}

using DeleteSeam = test::SeamScope<RegDeleteKeyFunction>;

class Registry : public ::testing::Test {
protected:
    // Where a redirected root's key really lives, relative to HKCU\Software.
    std::string Real(const char* root, const std::string& path) const {
        return scratch_.basePath().substr(std::string("Software\\").size()) + "\\" + root + "\\" + path;
    }
    // A real handle to HKCU\Software, taken before the redirection.
    UniqueRegKey realSoftwareKey_ = test::OpenKey(HKEY_CURRENT_USER, "Software");
    HKEY realSoftware_ = realSoftwareKey_.get();
    test::ScratchRegistry scratch_;
};

TEST_F(Registry, RedirectionReachesTheScratchKeysForEveryRoot) {
    RegWriteString(HKEY_CLASSES_ROOT, ".qavtest", "", "viaHKCR");
    RegWriteString(HKEY_LOCAL_MACHINE, "Software\\QavTest", "v", "viaHKLM");
    RegWriteString(HKEY_CURRENT_USER, "\\Software\\QavTest", "v", "viaHKCU");
    EXPECT_EQ(test::ReadRegString(realSoftware_, Real("HKCR", ".qavtest"), ""), "viaHKCR");
    EXPECT_EQ(test::ReadRegString(realSoftware_, Real("HKLM", "Software\\QavTest"), "v"), "viaHKLM");
    EXPECT_EQ(test::ReadRegString(realSoftware_, Real("HKCU", "Software\\QavTest"), "v"), "viaHKCU");
    // Nothing reached the prefix's own classes.
    EXPECT_FALSE(RegKeyPresent(realSoftware_, "Classes\\.qavtest"));
}

TEST_F(Registry, UserDwordCreatesTheProductKeyAndStoresFourBytes) {
    RegWriteUserDword("Setup", "ShellExt", 1);
    DWORD type;
    EXPECT_EQ(RawGet(HKEY_CURRENT_USER, "Software\\Qavrix\\Setup", "ShellExt", &type), std::string("\1\0\0\0", 4));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(RegGetUserDword("Setup", "ShellExt", 7), 1u);
    EXPECT_EQ(RegGetUserDword("Setup", "Missing", 7), 7u);
}

TEST_F(Registry, StringsKeepTheirTerminatorAndBinaryItsCount) {
    RegWriteString(HKEY_CLASSES_ROOT, "k", "text", "abc");
    RegWriteString(HKEY_CLASSES_ROOT, "k", "empty", "");
    RegWriteBinary(HKEY_CLASSES_ROOT, "k", "bin", "\0\1\2", 3);
    DWORD type;
    EXPECT_EQ(RawGet(HKEY_CLASSES_ROOT, "k", "text", &type), std::string("abc\0", 4));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(RawGet(HKEY_CLASSES_ROOT, "k", "empty", &type), std::string("\0", 1));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(RawGet(HKEY_CLASSES_ROOT, "k", "bin", &type), std::string("\0\1\2", 3));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
}

TEST_F(Registry, PathsOfTwoHundredThirtySevenCharactersDoNothing) {
    std::string ok(236, 'a'), tooLong(237, 'b');
    RegWriteString(HKEY_CLASSES_ROOT, ok.c_str(), "v", "x");
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, ok.c_str()));
    MakeKey(HKEY_CLASSES_ROOT, tooLong);
    RawSet(HKEY_CLASSES_ROOT, tooLong, "v", REG_SZ, std::string("old\0", 4));
    RegWriteString(HKEY_CLASSES_ROOT, tooLong.c_str(), "v", "new");
    RegWriteDword(HKEY_CLASSES_ROOT, tooLong.c_str(), "d", 1);
    char buffer[16] = "junk";
    EXPECT_FALSE(RegReadString(HKEY_CLASSES_ROOT, tooLong.c_str(), "v", buffer, "dflt", sizeof buffer));
    EXPECT_STREQ(buffer, "dflt");
    EXPECT_EQ(RegGetDword(HKEY_CLASSES_ROOT, tooLong.c_str(), "v", 5), 5u);
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, tooLong.c_str()));
    RegRemoveValue(HKEY_CLASSES_ROOT, tooLong.c_str(), "v");
    RegRemoveKey(HKEY_CLASSES_ROOT, tooLong.c_str());
    RegRemoveTree(HKEY_CLASSES_ROOT, tooLong.c_str());
    DWORD type;
    EXPECT_EQ(RawGet(HKEY_CLASSES_ROOT, tooLong, "v", &type), std::string("old\0", 4));
    EXPECT_EQ(RawGet(HKEY_CLASSES_ROOT, tooLong, "d", &type), "");
}

TEST_F(Registry, ReadStringFitsExactlyOrGivesTheDefault) {
    RawSet(HKEY_CLASSES_ROOT, "k", "seven", REG_SZ, std::string("1234567\0", 8));
    RawSet(HKEY_CLASSES_ROOT, "k", "eight", REG_SZ, std::string("12345678\0", 9));
    RawSet(HKEY_CLASSES_ROOT, "k", "bare5", REG_BINARY, "abcde");
    RawSet(HKEY_CLASSES_ROOT, "k", "bare8", REG_BINARY, "abcdefgh");
    RawSet(HKEY_CLASSES_ROOT, "k", "nothing", REG_SZ, "");
    struct Case { const char* name; bool read; const char* text; } cases[] = {
        {"seven", true, "1234567"},     // text plus NUL is exactly the buffer
        {"eight", false, "dflt"},       // one byte over
        {"bare5", true, "abcde"},       // no terminator, room for one
        {"bare8", false, "dflt"},       // no terminator and no room: never cut silently
        {"nothing", true, ""},          // stored as zero bytes
        {"missing", false, "dflt"},
    };
    for (const Case& c : cases) {
        char buffer[8 + 4];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, "k", c.name, buffer, "dflt", 8), c.read) << c.name;
        EXPECT_STREQ(buffer, c.text) << c.name;
        EXPECT_EQ(std::string(buffer + 8, 4), "####") << c.name << ": written past the buffer";
    }
    char small[3];
    EXPECT_FALSE(RegReadString(HKEY_CLASSES_ROOT, "k", "missing", small, "long default", sizeof small));
    EXPECT_STREQ(small, "lo");
}

TEST_F(Registry, GetDwordReturnsRawBytesOfShortValues) {
    RawSet(HKEY_CLASSES_ROOT, "k", "two", REG_BINARY, "\x34\x12");
    RawSet(HKEY_CLASSES_ROOT, "k", "text", REG_SZ, std::string("ab\0", 3));
    RawSet(HKEY_CLASSES_ROOT, "k", "eight", REG_BINARY, "12345678");
    EXPECT_EQ(RegGetDword(HKEY_CLASSES_ROOT, "k", "two", 9), 0x1234u);
    EXPECT_EQ(RegGetDword(HKEY_CLASSES_ROOT, "k", "text", 9), 0x6261u);
    EXPECT_EQ(RegGetDword(HKEY_CLASSES_ROOT, "k", "eight", 9), 9u);
}

TEST_F(Registry, RemoveValueWithTheEmptyNameKeepsKeyAndOtherValues) {
    RegWriteString(HKEY_CLASSES_ROOT, ".x", "", "default");
    RegWriteString(HKEY_CLASSES_ROOT, ".x", "Content Type", "a/b");
    RegRemoveValue(HKEY_CLASSES_ROOT, ".x", "");
    DWORD type;
    RawGet(HKEY_CLASSES_ROOT, ".x", "", &type);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".x", "Content Type"), "a/b");
}

TEST_F(Registry, RemoveKeyIsOneLevelAndNeverARoot) {
    MakeKey(HKEY_CLASSES_ROOT, "parent\\child");
    RegRemoveKey(HKEY_CLASSES_ROOT, "parent");
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, "parent\\child"));
    RegRemoveKey(HKEY_CLASSES_ROOT, "parent\\child");
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, "parent\\child"));
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, "parent"));
    RegRemoveKey(HKEY_CLASSES_ROOT, "");
    RegRemoveTree(HKEY_CLASSES_ROOT, "");
    RegRemoveTree(HKEY_LOCAL_MACHINE, "");
    RegRemoveTree(HKEY_CURRENT_USER, "\\");
    EXPECT_TRUE(RegKeyPresent(realSoftware_, Real("HKCR", "parent")));
}

TEST_F(Registry, RemoveTreeTakesEveryLevelOnTheNtFamily) {
    test::Nt nt;
    MakeTree(HKEY_CLASSES_ROOT, "top", 4, 4);  // 340 keys
    MakeKey(HKEY_CLASSES_ROOT, "top2");      // a sibling with a shared prefix
    RegWriteString(HKEY_CLASSES_ROOT, "top\\k1\\k2", "v", "x");
    RegRemoveTree(HKEY_CLASSES_ROOT, "top");
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, "top"));
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, "top2"));
}

TEST_F(Registry, RemoveTreeOfTheProductKeyLeavesItsNeighbours) {
    RegWriteUserDword("Setup\\.zip", "Set", 1);
    RegWriteUserDword("Setup\\MenuItems", "Test", 0);
    MakeKey(HKEY_CURRENT_USER, "Software\\QavrixOther");
    RegRemoveTree(HKEY_CURRENT_USER, "");
    EXPECT_FALSE(RegKeyPresent(HKEY_CURRENT_USER, "Software\\Qavrix"));
    EXPECT_TRUE(RegKeyPresent(HKEY_CURRENT_USER, "Software\\QavrixOther"));
}

// Wine's own RegDeleteKeyA deletes whole subtrees only when the program is
// set to Windows 9x; here the 9x branch is seen through the delete seam.
std::vector<std::string> deleteCalls;
LONG WINAPI RecordingDelete(HKEY root, LPCSTR path) {
    deleteCalls.push_back(path);
    return RegDeleteKeyA(root, path);
}
LONG WINAPI RefuseOneKey(HKEY root, LPCSTR path) {
    deleteCalls.push_back(path);
    if (std::string(path) == "top\\k1\\k2") return ERROR_ACCESS_DENIED;
    return RegDeleteKeyA(root, path);
}

TEST_F(Registry, RemoveTreeOn9xTriesOneDeleteFirst) {
    QAV_ONLY_ON_X86_AS_WINDOWS_9X();
    test::Win98 win98;
    DeleteSeam seam(SetRegDeleteKeyForTests, RecordingDelete);
    deleteCalls.clear();
    MakeKey(HKEY_CLASSES_ROOT, "leaf");
    RegRemoveTree(HKEY_CLASSES_ROOT, "leaf");
    EXPECT_EQ(deleteCalls, std::vector<std::string>{"leaf"});
    // The single delete fails for a key with subkeys here, so passes follow.
    deleteCalls.clear();
    MakeTree(HKEY_CLASSES_ROOT, "top", 2, 2);
    RegRemoveTree(HKEY_CLASSES_ROOT, "top");
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, "top"));
    ASSERT_GT(deleteCalls.size(), 7u);
    EXPECT_EQ(deleteCalls[0], "top");
}

TEST_F(Registry, RemoveTreeWithAKeyThatCannotGoRemovesTheRestAndReturns) {
    test::Nt nt;
    DeleteSeam seam(SetRegDeleteKeyForTests, RefuseOneKey);
    deleteCalls.clear();
    MakeTree(HKEY_CLASSES_ROOT, "top", 3, 3);
    RegRemoveTree(HKEY_CLASSES_ROOT, "top");
    // Only the refused key and the keys above it stay.
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, "top\\k1\\k2"));
    EXPECT_EQ(SubkeyCount(HKEY_CLASSES_ROOT, "top"), 1);
    EXPECT_EQ(SubkeyCount(HKEY_CLASSES_ROOT, "top\\k1"), 1);
    EXPECT_EQ(SubkeyCount(HKEY_CLASSES_ROOT, "top\\k1\\k2"), 0);
    EXPECT_LT(deleteCalls.size(), 100u);
}

TEST_F(Registry, RemoveTreeHonoursARealDenyDeleteDescriptor) {
    test::Nt nt;
    MakeTree(HKEY_CLASSES_ROOT, "top", 2, 3);
    ASSERT_TRUE(SetKeyDacl(HKEY_CLASSES_ROOT, "top\\k2\\k0", DenyDelete));
    if (RegDeleteKeyA(HKEY_CLASSES_ROOT, "top\\k2\\k0") == ERROR_SUCCESS)
        GTEST_SKIP() << "this Wine ignores a DACL that denies DELETE on a registry key";
    RegRemoveTree(HKEY_CLASSES_ROOT, "top");
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, "top\\k2\\k0"));
    EXPECT_EQ(SubkeyCount(HKEY_CLASSES_ROOT, "top"), 1);
    EXPECT_EQ(SubkeyCount(HKEY_CLASSES_ROOT, "top\\k2"), 1);
    EXPECT_TRUE(SetKeyDacl(HKEY_CLASSES_ROOT, "top\\k2\\k0", AllowAll));
}

TEST_F(Registry, KeyExistsNeedsQueryAccess) {
    MakeKey(HKEY_CLASSES_ROOT, "open\\closed");
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, "open"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "absent"));
    ASSERT_TRUE(SetKeyDacl(HKEY_CLASSES_ROOT, "open\\closed", DenyQuery));
    if (test::OpenKey(HKEY_CLASSES_ROOT, "open\\closed", KEY_QUERY_VALUE)) {
        SetKeyDacl(HKEY_CLASSES_ROOT, "open\\closed", AllowAll);
        GTEST_SKIP() << "this Wine ignores a DACL that denies KEY_QUERY_VALUE";
    }
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "open\\closed"));
    EXPECT_TRUE(SetKeyDacl(HKEY_CLASSES_ROOT, "open\\closed", AllowAll));
}

TEST_F(Registry, RemoveTreeSkipsNamesAndPathsTooLongForItsBuffers) {
    test::Nt nt;
    // A 200-character name does not fit the 200-character walk; a path of
    // more than 511 characters does not fit the child path buffer (and Wine's
    // ANSI calls refuse paths over 260 characters already).
    std::string top(200, 't'), name200(200, 'n'), name199(199, 'm');
    ASSERT_EQ(MakeKey(HKEY_CLASSES_ROOT, top + "\\a"), ERROR_SUCCESS);
    ASSERT_EQ(MakeKey(HKEY_CLASSES_ROOT, top + "\\" + name200 + "\\inner"), ERROR_SUCCESS);
    ASSERT_EQ(MakeKey(HKEY_CLASSES_ROOT, top + "\\" + name199 + "\\" + name199), ERROR_SUCCESS);  // 600 characters
    ASSERT_EQ(MakeKey(HKEY_CLASSES_ROOT, top + "\\z"), ERROR_SUCCESS);
    RegRemoveTree(HKEY_CLASSES_ROOT, top.c_str());
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, top + "\\a"));
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, top + "\\z"));
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, top + "\\" + name200 + "\\inner"));
    EXPECT_TRUE(RegKeyPresent(HKEY_CLASSES_ROOT, top + "\\" + name199 + "\\" + name199));
    EXPECT_EQ(SubkeyCount(HKEY_CLASSES_ROOT, top), 2);
}

}  // namespace
