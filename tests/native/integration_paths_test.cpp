// Shortcut path composition and the shell extension's entry tables.
#include "integration/core/link_paths.h"
#include "integration/core/shellext_table.h"
#include "integration/core/uninstall_entry.h"
#include <gtest/gtest.h>
#include <cctype>
#include <cstring>
#include <string>
#include <utility>

namespace {

TEST(JoinFolderPath, JoinsWithOneBackslashOrFailsEmpty) {
    const LeadBytes gbk = MakeCodePage936LeadBytes();
    struct Case { const char* folder; const char* name; const char* suffix; std::size_t capacity; const char* expected; };
    const Case cases[] = {
        {"C:\\Programs", "Qavrix", "", 64, "C:\\Programs\\Qavrix"},
        {"C:\\Programs\\", "Qavrix", ".lnk", 64, "C:\\Programs\\Qavrix.lnk"},
        {"C:\\", "Qavrix", ".lnk", 64, "C:\\Qavrix.lnk"},
        // The last character's second byte is 0x5C: not a backslash.
        {"C:\\\xB1\x5C", "\xD6\xD0", ".lnk", 64, "C:\\\xB1\x5C\\\xD6\xD0.lnk"},
        {"C:\\a", "b", ".lnk", sizeof "C:\\a\\b.lnk", "C:\\a\\b.lnk"},
        {"C:\\a", "b", ".lnk", sizeof "C:\\a\\b.lnk" - 1, ""},
        {"C:\\a", "b", "", 5, ""},
        {"", "Qavrix", ".lnk", 64, ""},
    };
    for (const Case& c : cases) {
        char out[65];
        std::memset(out, 'X', sizeof out);
        bool ok = JoinFolderPath(gbk, out, c.capacity, c.folder, c.name, c.suffix);
        EXPECT_EQ(ok, c.expected[0] != '\0') << c.folder << " + " << c.name;
        EXPECT_STREQ(out, c.expected) << c.folder << " + " << c.name;
        if (c.capacity < sizeof out) EXPECT_EQ(out[c.capacity], 'X') << "nothing written past the buffer";
    }
}

TEST(ShellExtTables, GuidIsBracedUpperCaseAndEveryKeyUsesIt) {
    ASSERT_EQ(std::strlen(ShellExtGuid), 38u);
    EXPECT_EQ(ShellExtGuid[0], '{');
    EXPECT_EQ(ShellExtGuid[37], '}');
    for (const char* p = ShellExtGuid + 1; p < ShellExtGuid + 37; ++p)
        EXPECT_TRUE(*p == '-' || std::isdigit(static_cast<unsigned char>(*p)) || (*p >= 'A' && *p <= 'F'));
    for (const ShellExtEntry& e : ShellExtEntries) {
        std::string key = e.key;
        std::size_t brace = key.find('{');
        if (brace != std::string::npos) EXPECT_EQ(key.substr(brace, 38), ShellExtGuid) << key;
    }
}

TEST(ShellExtTables, OnlyTheClassNeedsTheModuleAndRemovalUndoesEveryEntry) {
    for (int i = 0; i < ShellExtEntryCount; ++i) EXPECT_EQ(ShellExtEntries[i].needsModule, i < 3) << i;
    // Every registered key is removed, or its registered value is; a key is
    // removed before any key that holds it, the server key first of all.
    int serverStep = -1, classStep = -1, step = 0;
    for (int i = 0; i < ShellExtEntryCount; ++i) {
        const ShellExtEntry& e = ShellExtEntries[i];
        if (e.removal == ShellExtRemoval::WithItsKey) {
            bool undone = false;
            for (int k = 0; k < i; ++k)
                undone = undone || (ShellExtEntries[k].removal == ShellExtRemoval::Key &&
                                    ShellExtEntries[k].root == e.root && std::strcmp(ShellExtEntries[k].key, e.key) == 0);
            EXPECT_TRUE(undone) << e.key << " " << e.valueName;
            continue;
        }
        std::string key = e.key;
        if (key == std::string("CLSID\\") + ShellExtGuid) classStep = step;
        if (key == std::string("CLSID\\") + ShellExtGuid + "\\InProcServer32") serverStep = step;
        ++step;
    }
    EXPECT_LT(serverStep, classStep);
    EXPECT_EQ(serverStep, 0);
    EXPECT_EQ(step, 16) << "removal steps";
}

// The uninstall entry's composed values: whole or left out, never cut, and
// never a byte past the buffer.
TEST(UninstallEntryValues, AreWholeOrLeftOut) {
    enum Kind { Command, Icon, Version };
    struct Case { Kind kind; const char* text; const char* arguments; std::uint32_t signature, high, low;
                  std::size_t capacity; const char* expected; };
    const std::uint32_t sig = FixedVersionSignature;
    const Case cases[] = {
        {Command, "C:\\Program Files\\Qavrix\\uninstall.exe", "", 0, 0, 0, 64,
         "\"C:\\Program Files\\Qavrix\\uninstall.exe\""},
        {Command, "C:\\Q\\u.exe", " /S", 0, 0, 0, 64, "\"C:\\Q\\u.exe\" /S"},
        {Command, "C:\\Q\\u.exe", " /setup", 0, 0, 0, sizeof "\"C:\\Q\\u.exe\" /setup", "\"C:\\Q\\u.exe\" /setup"},
        {Command, "C:\\Q\\u.exe", " /setup", 0, 0, 0, sizeof "\"C:\\Q\\u.exe\" /setup" - 1, ""},
        {Command, "C:\\Q\\u.exe", "", 0, 0, 0, sizeof "\"C:\\Q\\u.exe", ""},  // no room for the closing quote
        {Command, "", " /S", 0, 0, 0, 64, ""},
        {Icon, "C:\\Q\\Qavrix.exe", "", 0, 0, 0, 64, "C:\\Q\\Qavrix.exe,0"},
        {Icon, "C:\\Q\\Qavrix.exe", "", 0, 0, 0, sizeof "C:\\Q\\Qavrix.exe,0", "C:\\Q\\Qavrix.exe,0"},
        {Icon, "C:\\Q\\Qavrix.exe", "", 0, 0, 0, sizeof "C:\\Q\\Qavrix.exe,0" - 1, ""},
        {Icon, "", "", 0, 0, 0, 64, ""},
        {Version, "", "", sig, 0x00050032, 0x00010002, 64, "5.50.1.2"},
        {Version, "", "", sig, 0xFFFFFFFF, 0xFFFFFFFF, 64, "65535.65535.65535.65535"},
        {Version, "", "", sig, 0, 1, 64, "0.0.0.1"},
        {Version, "", "", sig, 0, 0, 64, ""},              // a record that gives no version
        {Version, "", "", 0xFEEF04BC, 0x00050032, 0, 64, ""},  // damaged signature
        {Version, "", "", sig, 0x00050032, 0x00010002, sizeof "5.50.1.2", "5.50.1.2"},
        {Version, "", "", sig, 0x00050032, 0x00010002, sizeof "5.50.1.2" - 1, ""},
    };
    for (const Case& c : cases) {
        char out[65];
        std::memset(out, 'X', sizeof out);
        bool ok = c.kind == Command ? QuotedCommand(out, c.capacity, c.text, c.arguments)
                : c.kind == Icon    ? FirstIconOf(out, c.capacity, c.text)
                                    : VersionText(out, c.capacity, c.signature, c.high, c.low);
        EXPECT_EQ(ok, c.expected[0] != '\0') << c.text << c.arguments << " " << c.high;
        EXPECT_STREQ(out, c.expected) << c.text << c.arguments << " " << c.high;
        EXPECT_EQ(out[c.capacity], 'X') << "nothing written past the buffer";
    }
}

TEST(UninstallEntryValues, SizeIsKibibytesRoundedUpAndCapped) {
    const std::pair<std::uint64_t, std::uint32_t> cases[] = {
        {0, 0}, {1, 1}, {1023, 1}, {1024, 1}, {1025, 2}, {5u * 1024 * 1024, 5120},
        {0xFFFFFFFFull * 1024, 0xFFFFFFFFu}, {0xFFFFFFFFull * 1024 + 1, 0xFFFFFFFFu}, {~0ull, 0xFFFFFFFFu},
    };
    for (const auto& c : cases) EXPECT_EQ(KibibytesOf(c.first), c.second) << c.first;
}

}  // namespace
