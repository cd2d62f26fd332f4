// The shell extension's registration in scratch registry keys: with and
// without "qavext.dll", twice, and taken away again on both families.
#include "integration/shell_extension.h"
#include "tests/support/sandbox.h"
#include <gtest/gtest.h>

namespace {

const std::string Guid = "{6F2A94C1-3D58-4E07-B2A9-71C5E08D3F46}";
const std::string ClsidKey = "CLSID\\" + Guid;
const std::string ServerKey = ClsidKey + "\\InProcServer32";
const std::string ApprovedKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

struct Expected {
    HKEY root;
    std::string key, value, data;
};

// Entries 4 to 17; entries 1 to 3 need the module and its path.
std::vector<Expected> HandlerEntries() {
    return {
        {HKEY_CLASSES_ROOT, "Qavrix\\shellex\\ContextMenuHandlers\\" + Guid, "", ""},
        {HKEY_CLASSES_ROOT, "Qavrix\\shellex\\PropertySheetHandlers\\" + Guid, "", ""},
        {HKEY_CLASSES_ROOT, "Qavrix.ZIP\\shellex\\ContextMenuHandlers\\" + Guid, "", ""},
        {HKEY_CLASSES_ROOT, "Qavrix.ZIP\\shellex\\PropertySheetHandlers\\" + Guid, "", ""},
        {HKEY_CLASSES_ROOT, "exefile\\shellex\\PropertySheetHandlers\\" + Guid, "", ""},
        {HKEY_CLASSES_ROOT, "Qavrix\\shellex\\DropHandler", "", Guid},
        {HKEY_CLASSES_ROOT, "Qavrix.ZIP\\shellex\\DropHandler", "", Guid},
        {HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Qavrix", "", Guid},
        {HKEY_CLASSES_ROOT, "Folder\\shellex\\ContextMenuHandlers\\Qavrix", "", Guid},
        {HKEY_CLASSES_ROOT, "Folder\\shellex\\DragDropHandlers\\Qavrix", "", Guid},
        {HKEY_CLASSES_ROOT, "Drive\\shellex\\DragDropHandlers\\Qavrix", "", Guid},
        {HKEY_CLASSES_ROOT, "Directory\\shellex\\ContextMenuHandlers\\Qavrix", "", Guid},
        {HKEY_CLASSES_ROOT, "Directory\\shellex\\DragDropHandlers\\Qavrix", "", Guid},
        {HKEY_LOCAL_MACHINE, ApprovedKey, Guid, "Qavrix shell extension"},
    };
}

// The handler keys named "Qavrix" (entries 11 to 16) keep their key.
const std::vector<std::string> SharedHandlerKeys = {
    "*\\shellex\\ContextMenuHandlers\\Qavrix",     "Folder\\shellex\\ContextMenuHandlers\\Qavrix",
    "Folder\\shellex\\DragDropHandlers\\Qavrix",   "Drive\\shellex\\DragDropHandlers\\Qavrix",
    "Directory\\shellex\\ContextMenuHandlers\\Qavrix", "Directory\\shellex\\DragDropHandlers\\Qavrix",
};

IntegrationSettings WithShellExt(bool on) {
    IntegrationSettings s{};
    s.shellExt = on;
    return s;
}

class ShellExtensionTest : public ::testing::Test {
protected:
    void ExpectEntry(const Expected& e) {
        bool found = false;
        std::string data = test::ReadRegString(e.root, e.key, e.value, &found);
        EXPECT_TRUE(found) << e.key << " \"" << e.value << "\"";
        EXPECT_EQ(data, e.data) << e.key << " \"" << e.value << "\"";
    }
    test::Lines Everything() { return test::Snapshot({{HKEY_CLASSES_ROOT, ""}, {HKEY_LOCAL_MACHINE, ""}}); }
    void Register() { ApplyShellExtension(WithShellExt(true)); }
    void Unregister() { ApplyShellExtension(WithShellExt(false)); }

    test::ScratchRegistry registry_;
    test::ScratchDir folder_{"shellext"};
    test::ProgramFolderScope programFolder_{folder_.path()};
};

TEST_F(ShellExtensionTest, RegistersSeventeenEntriesWithTheModuleAndFourteenWithout) {
    Register();
    for (const Expected& e : HandlerEntries()) ExpectEntry(e);
    EXPECT_FALSE(test::RegKeyPresent(HKEY_CLASSES_ROOT, ClsidKey)) << "no module, no class";

    ASSERT_TRUE(test::WriteBytes(folder_ / "qavext.dll", "MZ"));
    std::vector<std::string> before = Everything();
    Register();
    ExpectEntry({HKEY_CLASSES_ROOT, ClsidKey, "", "Qavrix"});
    ExpectEntry({HKEY_CLASSES_ROOT, ServerKey, "", folder_ / "qavext.dll"});
    ExpectEntry({HKEY_CLASSES_ROOT, ServerKey, "ThreadingModel", "Apartment"});
    for (const Expected& e : HandlerEntries()) ExpectEntry(e);
    EXPECT_EQ(test::ValueCount(HKEY_CLASSES_ROOT, ClsidKey), 1);
    EXPECT_EQ(test::ValueCount(HKEY_CLASSES_ROOT, ServerKey), 2);
    EXPECT_EQ(test::ValueCount(HKEY_LOCAL_MACHINE, ApprovedKey), 1);
    // Exactly the three class entries were added to what was there.
    std::vector<std::string> after = Everything();
    EXPECT_EQ(after.size(), before.size() + 6) << "keys CLSID, the class and its server; three values";

    Register();
    EXPECT_EQ(Everything(), after) << "registering again adds nothing";
}

TEST_F(ShellExtensionTest, UnregisteringOnBothFamiliesLeavesOnlyWhatOthersShare) {
    for (DWORD platform : {DWORD{VER_PLATFORM_WIN32_NT}, DWORD{VER_PLATFORM_WIN32_WINDOWS}}) {
        if (platform == VER_PLATFORM_WIN32_WINDOWS && !test::Windows9xRunsThisBuild()) continue;
        SCOPED_TRACE(platform == VER_PLATFORM_WIN32_NT ? "NT family" : "Windows 98");
        test::WindowsVersionScope version(platform, platform == VER_PLATFORM_WIN32_NT ? 6 : 4, 10);
        ASSERT_TRUE(test::WriteBytes(folder_ / "qavext.dll", "MZ"));
        Register();
        test::SetRegText(HKEY_LOCAL_MACHINE, ApprovedKey, "{00000000-1111-2222-3333-444444444444}", "Other extension");
        test::SetRegText(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Qavrix\\Extra", "", "added by someone");

        Unregister();
        EXPECT_FALSE(test::RegKeyPresent(HKEY_CLASSES_ROOT, ClsidKey));
        EXPECT_TRUE(test::RegKeyPresent(HKEY_CLASSES_ROOT, "CLSID"));
        for (const Expected& e : HandlerEntries()) {
            if (e.root == HKEY_LOCAL_MACHINE || e.key.find("\\Qavrix") + 7 == e.key.size()) continue;
            EXPECT_FALSE(test::RegKeyPresent(HKEY_CLASSES_ROOT, e.key)) << e.key;
        }
        for (const std::string& key : SharedHandlerKeys) {
            EXPECT_TRUE(test::RegKeyPresent(HKEY_CLASSES_ROOT, key)) << key;
            EXPECT_FALSE(test::HasRegValue(HKEY_CLASSES_ROOT, key, "")) << key;
        }
        EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, SharedHandlerKeys[0] + "\\Extra", ""), "added by someone");
        EXPECT_FALSE(test::HasRegValue(HKEY_LOCAL_MACHINE, ApprovedKey, Guid));
        EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, ApprovedKey, "{00000000-1111-2222-3333-444444444444}"),
                  "Other extension");
        // The handler-type keys below the product's classes stay for the
        // uninstall run to remove with the classes.
        EXPECT_TRUE(test::RegKeyPresent(HKEY_CLASSES_ROOT, "Qavrix\\shellex\\ContextMenuHandlers"));
        EXPECT_TRUE(test::RegKeyPresent(HKEY_CLASSES_ROOT, "Qavrix.ZIP\\shellex"));
    }
}

TEST_F(ShellExtensionTest, UnregisteringWhatIsNotThereChangesNothing) {
    test::SetRegText(HKEY_LOCAL_MACHINE, ApprovedKey, "{00000000-1111-2222-3333-444444444444}", "Other extension");
    test::SetRegText(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Other", "", "{00000000-1111-2222-3333-444444444444}");
    test::SetRegText(HKEY_CLASSES_ROOT, "exefile\\shellex\\PropertySheetHandlers\\Other", "", "");
    std::vector<std::string> before = Everything();
    Unregister();
    Unregister();
    EXPECT_EQ(Everything(), before);
}

TEST_F(ShellExtensionTest, ClassKeyThatGainedSubkeysStaysOnTheNtFamily) {
    test::Nt nt;
    ASSERT_TRUE(test::WriteBytes(folder_ / "qavext.dll", "MZ"));
    Register();
    test::SetRegText(HKEY_CLASSES_ROOT, ClsidKey + "\\Implemented Categories", "", "");
    Unregister();
    EXPECT_FALSE(test::RegKeyPresent(HKEY_CLASSES_ROOT, ServerKey)) << "the server key goes first";
    EXPECT_TRUE(test::RegKeyPresent(HKEY_CLASSES_ROOT, ClsidKey + "\\Implemented Categories"));
    EXPECT_FALSE(test::HasRegValue(HKEY_LOCAL_MACHINE, ApprovedKey, Guid)) << "later steps still run";
    EXPECT_FALSE(test::HasRegValue(HKEY_CLASSES_ROOT, SharedHandlerKeys[5], ""));
}

}  // namespace
