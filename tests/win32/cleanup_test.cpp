// The uninstall run's registry clean-up after a real apply pass, in scratch
// registry keys and shell folders: what stays on purpose, a second run, and
// what belongs to others.
#include "integration/apply.h"
#include "tests/support/sandbox.h"
#include "uninstall/registry_cleanup.h"
#include <gtest/gtest.h>
#include <algorithm>

namespace {

using test::Lines;
using test::Minus;

class CleanupTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteBytes(box_.In("qavext.dll"), "MZ");
        // Another archiver owns ".zip" with a content type and a NullFile
        // template; a disc tool owns ".iso"; an unrelated per-user key.
        test::SetRegText(HKEY_CLASSES_ROOT, ".zip", "", "OtherZip");
        test::SetRegText(HKEY_CLASSES_ROOT, ".zip", "Content Type", "application/x-zip-compressed");
        test::SetRegText(HKEY_CLASSES_ROOT, ".zip\\ShellNew", "NullFile", "");
        test::SetRegText(HKEY_CLASSES_ROOT, ".iso", "", "DiscImage");
        test::SetRegText(HKEY_CLASSES_ROOT, "CLSID\\{00000000-0000-0000-0000-000000000001}", "", "other");
        test::SetRegText(HKEY_CURRENT_USER, "Software\\QavrixTools", "Keep", "yes");
    }

    // HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE and the per-user software keys.
    Lines Registry() {
        Lines all = test::Snapshot({{HKEY_CLASSES_ROOT, ""}, {HKEY_LOCAL_MACHINE, ""}, {HKEY_CURRENT_USER, "Software"}});
        // The shell caches the folders it was asked for: its own, not ours.
        all.erase(std::remove_if(all.begin(), all.end(),
                                 [](const std::string& line) { return line.find("\\Explorer\\Shell Folders]") != std::string::npos; }),
                  all.end());
        return all;
    }
    // The silent setup's choices: the stored or default ones.
    void SilentSetup() {
        IntegrationSettings settings{};
        LoadIntegrationSettings(settings);
        SaveIntegrationSettings(settings);
        settings.desktopLink = settings.startMenuLink = true;
        char groupPath[1024] = "";
        ApplyIntegration(settings, groupPath, sizeof groupPath);
        RegisterUninstallEntry();
    }
    Lines Files() {
        Lines all;
        for (const std::string& f : {folders_.desktop, folders_.startMenu, folders_.programs, folders_.commonPrograms})
            for (const std::string& n : test::FilesIn(f)) all.push_back(f + "\\" + n);
        return all;
    }

    test::Nt nt_;
    test::IntegrationSandbox box_{"cleanup"};
    const test::ShellFolders& folders_ = box_.folders;
};

TEST_F(CleanupTest, SetupThenCleanupLeavesOnlyWhatIsKeptOnPurpose) {
    Lines before = Registry(), filesBefore = Files();
    SilentSetup();
    ASSERT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".zip", ""), "Qavrix.ZIP");
    ASSERT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".iso", ""), "DiscImage") << "ISO is off while another owns it";
    ASSERT_TRUE(test::RegKeyPresent(HKEY_CLASSES_ROOT, "CLSID\\{6F2A94C1-3D58-4E07-B2A9-71C5E08D3F46}"));
    ASSERT_EQ(Files().size(), filesBefore.size() + 4);

    RemoveIntegration();
    EXPECT_EQ(Files(), filesBefore);
    EXPECT_EQ(Minus(before, Registry()), Lines{}) << "nothing that was there is lost or changed";
    // The handler keys that other extensions may share stay without a
    // default value, with the parents made for them; so does the system's
    // "Approved" key and the parents of the App Paths and Uninstall keys,
    // which a real system has anyway.
    Lines kept;
    for (const char* key : {"*", "Folder", "Directory"}) {
        kept.push_back("[" + std::string(key) + "\\shellex]");
        kept.push_back("[" + std::string(key) + "\\shellex\\ContextMenuHandlers]");
        kept.push_back("[" + std::string(key) + "\\shellex\\ContextMenuHandlers\\Qavrix]");
    }
    for (const char* key : {"Folder", "Drive", "Directory"}) {
        kept.push_back("[" + std::string(key) + "\\shellex\\DragDropHandlers]");
        kept.push_back("[" + std::string(key) + "\\shellex\\DragDropHandlers\\Qavrix]");
    }
    for (const char* key : {"[Drive]", "[Drive\\shellex]", "[Folder]", "[Directory]", "[exefile]", "[exefile\\shellex]",
                            "[exefile\\shellex\\PropertySheetHandlers]"})
        kept.push_back(key);
    const std::string windows = "[Software\\Microsoft\\Windows\\CurrentVersion";
    for (const char* key : {"\\Shell Extensions]", "\\Shell Extensions\\Approved]", "\\App Paths]", "\\Uninstall]"})
        kept.push_back(windows + key);
    kept.push_back("[*]");
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(Minus(Registry(), before), kept);

    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".zip", "Content Type"), "application/x-zip-compressed");
    EXPECT_FALSE(test::HasRegValue(HKEY_CLASSES_ROOT, ".zip\\ShellNew", "FileName"));
}

TEST_F(CleanupTest, ReverTakenByAnotherProgramStaysAndOurKeysGoWithTheirSubkeys) {
    SilentSetup();
    ASSERT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".rev", ""), "Qavrix.REV");
    test::SetRegText(HKEY_CLASSES_ROOT, ".rev", "", "RecoveryTool");   // taken over since setup
    test::SetRegText(HKEY_CLASSES_ROOT, ".rev\\ShellNew", "NullFile", "");
    test::SetRegText(HKEY_LOCAL_MACHINE, test::UninstallEntryKey + "\\Extra", "", "added later");
    test::SetRegText(HKEY_LOCAL_MACHINE, test::AppPathsKey + "\\Sub", "", "added later");
    RemoveIntegration();
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".rev", ""), "RecoveryTool");
    EXPECT_TRUE(test::RegKeyPresent(HKEY_CLASSES_ROOT, ".rev\\ShellNew"));
    EXPECT_FALSE(test::RegKeyPresent(HKEY_CLASSES_ROOT, "Qavrix.REV"));
    EXPECT_FALSE(test::RegKeyPresent(HKEY_LOCAL_MACHINE, test::UninstallEntryKey));
    EXPECT_FALSE(test::RegKeyPresent(HKEY_LOCAL_MACHINE, test::AppPathsKey));
}

TEST_F(CleanupTest, RunningTheCleanupTwiceChangesNothing) {
    SilentSetup();
    RemoveIntegration();
    Lines once = Registry(), filesOnce = Files();
    RemoveIntegration();
    EXPECT_EQ(Registry(), once);
    EXPECT_EQ(Files(), filesOnce);
}

TEST_F(CleanupTest, ThePerUserKeyGoesWholeAndWhatOthersTookStaysTheirs) {
    test::SetRegText(HKEY_CURRENT_USER, "Software\\Qavrix\\Setup\\Links\\Unknown", "Mine", "never written by setup");
    IntegrationSettings nothing{};
    nothing.programGroup = true;
    char groupPath[1024] = "";
    ApplyIntegration(nothing, groupPath, sizeof groupPath);  // no archive type associated
    SilentSetup();
    test::SetRegText(HKEY_CLASSES_ROOT, ".cab", "", "CabViewer");  // taken by another program since
    test::SetRegText(HKEY_CLASSES_ROOT, ".rev", "Content Type", "someone's");

    RemoveIntegration();
    EXPECT_FALSE(test::RegKeyPresent(HKEY_CURRENT_USER, test::ProductKey));
    EXPECT_EQ(test::ReadRegString(HKEY_CURRENT_USER, "Software\\QavrixTools", "Keep"), "yes");
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".cab", ""), "CabViewer");
    for (const char* key : {"Qavrix", "Qavrix.ZIP", "Qavrix.REV", ".rev", ".qav", ".q05"})
        EXPECT_FALSE(test::RegKeyPresent(HKEY_CLASSES_ROOT, key)) << key;
    EXPECT_TRUE(test::RegKeyPresent(HKEY_CLASSES_ROOT, "CLSID\\{00000000-0000-0000-0000-000000000001}"));
}

}  // namespace
