// The apply pass in scratch registry keys and shell folders: every flag
// false, the application path, the uninstall entry and a repeated setup.
#include "integration/apply.h"
#include "tests/support/sandbox.h"
#include <gtest/gtest.h>

namespace {

const std::string AppPath = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Qavrix.exe";
const std::string Uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Qavrix archiver";
const std::string ClsidKey = "CLSID\\{6F2A94C1-3D58-4E07-B2A9-71C5E08D3F46}";

IntegrationSettings Everything(bool on) {
    IntegrationSettings s{};
    for (bool& a : s.associate) a = on;
    s.desktopLink = s.startMenuLink = s.programGroup = s.shellExt = on;
    return s;
}

std::string OwnPath() {
    char path[1024];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n);
}

class ApplyTest : public ::testing::Test {
protected:
    void SetUp() override { test::WriteBytes(box_.In("qavext.dll"), "MZ"); }
    test::Lines Registry() {
        return test::Snapshot({{HKEY_CLASSES_ROOT, ""}, {HKEY_LOCAL_MACHINE, ""}, {HKEY_CURRENT_USER, "Software\\Qavrix"}});
    }

    test::Nt nt_;
    test::IntegrationSandbox box_{"apply"};
    const std::string& install_ = box_.install;
    const test::ShellFolders& folders_ = box_.folders;
    test::CurrentDirectoryScope cwd_{box_.root.path()};
};

TEST_F(ApplyTest, EveryFlagFalseKeepsAppPathClassesAndUninstallEntryAndRemovesTheRest) {
    char groupPath[1024] = "";
    ApplyIntegration(Everything(true), groupPath, sizeof groupPath);
    ASSERT_TRUE(test::RegKeyPresent(HKEY_CLASSES_ROOT, ClsidKey));
    ASSERT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".qav", ""), "Qavrix");
    ASSERT_TRUE(test::Exists(folders_.programs + "\\Qavrix\\Qavrix.lnk"));

    char untouched[1024] = "";
    ApplyIntegration(Everything(false), untouched, sizeof untouched);
    RegisterUninstallEntry();
    EXPECT_STREQ(untouched, "");

    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, AppPath, ""), install_ + "\\Qavrix.exe");
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, "Qavrix\\shell\\open\\command", ""),
              "\"" + install_ + "\\Qavrix.exe\" \"%1\"");
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".rev", ""), "Qavrix.REV");
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "UninstallString"), OwnPath());

    EXPECT_FALSE(test::RegKeyPresent(HKEY_CLASSES_ROOT, ClsidKey));
    EXPECT_FALSE(test::HasRegValue(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Qavrix", ""));
    EXPECT_FALSE(test::HasRegValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
                                 "{6F2A94C1-3D58-4E07-B2A9-71C5E08D3F46}"));
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "DisplayName"), test::Ansi("Qavrix 压缩文件管理器"));
    for (const char* ext : {".qav", ".zip", ".iso", ".taz", ".q00", ".q29"})
        EXPECT_FALSE(test::RegKeyPresent(HKEY_CLASSES_ROOT, ext)) << ext;
    for (const std::string& link : {folders_.desktop + "\\Qavrix.lnk", folders_.startMenu + "\\Qavrix.lnk",
                                    folders_.programs + "\\Qavrix", folders_.commonPrograms + "\\Qavrix"})
        EXPECT_FALSE(test::Exists(link)) << link;
}

TEST_F(ApplyTest, AppPathNamesTheArchiverBesideTheProgramAndPathTheCurrentDirectory) {
    test::ScratchDir elsewhere{"apply-cwd"};
    test::CurrentDirectoryScope cwd{elsewhere.path()};
    RegisterAppPath();
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, AppPath, ""), install_ + "\\Qavrix.exe");
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, AppPath, "Path"), elsewhere.path());
    EXPECT_EQ(test::ValueCount(HKEY_LOCAL_MACHINE, AppPath), 2);
}

TEST_F(ApplyTest, UninstallEntryHoldsTheDisplayNameAndThisProgramOnly) {
    RegisterUninstallEntry();
    RegisterUninstallEntry();
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "DisplayName"), test::Ansi("Qavrix 压缩文件管理器"));
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "UninstallString"), OwnPath());
    EXPECT_EQ(test::ValueCount(HKEY_LOCAL_MACHINE, Uninstall), 2);
    EXPECT_EQ(test::DumpTree(HKEY_LOCAL_MACHINE, Uninstall).size(), 3u) << "the key and two values, no subkeys";
}

TEST_F(ApplyTest, RepeatingSetupRewritesTheSameValuesAndLinks) {
    IntegrationSettings settings = Everything(true);
    settings.associate[12] = false;
    char first[1024] = "", second[1024] = "";
    ApplyIntegration(settings, first, sizeof first);
    RegisterUninstallEntry();
    std::vector<std::string> once = Registry();
    std::vector<std::string> groupOnce = test::FilesIn(first);
    ApplyIntegration(settings, second, sizeof second);
    RegisterUninstallEntry();
    EXPECT_EQ(Registry(), once);
    EXPECT_STREQ(first, (folders_.programs + "\\Qavrix").c_str());
    EXPECT_STREQ(second, first);
    EXPECT_EQ(test::FilesIn(second), groupOnce);
    EXPECT_EQ(groupOnce.size(), 3u);
}

}  // namespace
