// Setup mode of the real uninstall.exe as a user meets it: SETUPDLG's
// defaults and boxes, CONTEXTITEMS, OK applying exactly what is shown,
// DONEDLG and its Run button, cancelling, and the silent run; each started
// from the system folder, as "Change" in the programs list starts it.
#include "tests/e2e/setup_fixture.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <string>
#include <vector>

namespace {

using setup_e2e::SetupRun;

const std::string SetupCaption = "Qavrix 简体中文版安装";
const std::string ItemsCaption = "关联菜单项目";
const std::string& SettingsKey = test::ProductKey;

DWORD UserDword(const std::string& key, const std::string& name, DWORD missing = 0xDEAD) {
    return test::ReadRegDword(HKEY_CURRENT_USER, SettingsKey + "\\" + key, name, missing);
}

bool UserValueExists(const std::string& key, const std::string& name) {
    return UserDword(key, name, 0xDEAD) != 0xDEAD;
}

class SetupDialogsE2e : public setup_e2e::Installation {};

TEST_F(SetupDialogsE2e, FirstRunShowsTheDefaultsAndEscSavesNothing) {
    SetupRun run = Start("/setup");
    HWND setup = run.WaitFor(SetupCaption);
    ASSERT_NE(setup, nullptr);
    ui::Window w = ui::Describe(setup);
    EXPECT_EQ(w.caption, SetupCaption);
    EXPECT_EQ(GetForegroundWindow(), setup) << "SETUPDLG comes to the foreground";
    for (const ArchiveType& type : ArchiveTypeTable)
        EXPECT_TRUE(ui::IsChecked(setup, type.checkBox)) << "archive type " << type.extensions;
    EXPECT_FALSE(ui::IsChecked(setup, IDC_DESKTOP_LINK));
    EXPECT_FALSE(ui::IsChecked(setup, IDC_STARTMENU_LINK));
    EXPECT_TRUE(ui::IsChecked(setup, IDC_PROGRAM_GROUP));
    EXPECT_TRUE(ui::IsChecked(setup, IDC_SHELL_EXT));
    EXPECT_FALSE(ui::IsChecked(setup, IDC_CASCADED_MENU));
    EXPECT_TRUE(ui::IsChecked(setup, IDC_MENU_ICONS));
    EXPECT_TRUE(ui::IsEnabled(setup, IDC_CASCADED_MENU));
    EXPECT_TRUE(ui::IsEnabled(setup, IDC_MENU_ICONS));
    std::string text = ui::ItemText(setup, IDC_SETUP_TEXT);
    EXPECT_EQ(text.rfind("   这些选项控制 Qavrix 集成到 Windows 中。", 0), 0u) << text << "/" << text.size();
    EXPECT_NE(text.find("\n    点击“帮助”按钮可以阅读关于这些选项的更多详细描述。"), std::string::npos) << text;

    ui::Command(setup, IDCANCEL);  // Esc
    EXPECT_EQ(run.Wait(), test::ExitUserCancel) << "cancelling shows no completion dialog";
    EXPECT_FALSE(test::RegKeyPresent(HKEY_CURRENT_USER, SettingsKey));
    EXPECT_FALSE(test::RegKeyPresent(HKEY_LOCAL_MACHINE, test::UninstallEntryKey));
    EXPECT_FALSE(test::RegKeyPresent(HKEY_LOCAL_MACHINE, test::AppPathsKey));
    EXPECT_FALSE(test::Exists(UserGroupFolder()));
}

TEST_F(SetupDialogsE2e, IsoOwnedByAnotherProgramIsShownClearAndTheCloseBoxCancels) {
    setup_e2e::ForeignIso iso;
    SetupRun run = Start("/setup");
    HWND setup = run.WaitFor(SetupCaption);
    ASSERT_NE(setup, nullptr);
    for (const ArchiveType& type : ArchiveTypeTable)
        EXPECT_EQ(ui::IsChecked(setup, type.checkBox), type.checkBox != IDC_ASSOC_ISO) << "archive type " << type.extensions;
    PostMessageW(setup, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(run.Wait(), test::ExitUserCancel);
    EXPECT_FALSE(test::RegKeyPresent(HKEY_CURRENT_USER, SettingsKey));
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".iso", ""), "OtherIso.Image");
}

TEST_F(SetupDialogsE2e, ShellExtensionBoxGovernsItsOptionsAndOkAppliesWhatIsShown) {
    SetupRun run = Start("/setup");
    HWND setup = run.WaitFor(SetupCaption);
    ASSERT_NE(setup, nullptr);
    ui::Click(setup, IDC_CASCADED_MENU);
    ui::Click(setup, IDC_SHELL_EXT);
    EXPECT_FALSE(ui::IsEnabled(setup, IDC_CASCADED_MENU));
    EXPECT_FALSE(ui::IsEnabled(setup, IDC_MENU_ICONS));
    EXPECT_TRUE(ui::IsChecked(setup, IDC_CASCADED_MENU)) << "a disabled box keeps its tick";
    EXPECT_TRUE(ui::IsChecked(setup, IDC_MENU_ICONS));
    ui::Click(setup, IDC_SHELL_EXT);
    EXPECT_TRUE(ui::IsEnabled(setup, IDC_CASCADED_MENU));
    EXPECT_TRUE(ui::IsEnabled(setup, IDC_MENU_ICONS));
    ui::Click(setup, IDC_SHELL_EXT);  // off again, and saved that way
    ui::Click(setup, IDC_ASSOC_ZIP);  // ZIP off
    ui::Click(setup, IDC_DESKTOP_LINK);
    ui::Click(setup, IDC_PROGRAM_GROUP);  // no group
    ui::Click(setup, IDOK);

    HWND done = run.WaitForCompletion(setup);
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(ui::ItemText(done, IDC_DONE_FOLDER), test::Utf8FromAnsi(installFolder_))
        << "the program's own folder, not the current directory";

    EXPECT_EQ(UserDword("Setup", "ShellExt"), 0u);
    EXPECT_EQ(UserDword("Setup", "CascadedMenu"), 1u);
    EXPECT_EQ(UserDword("Setup", "MenuIcons"), 1u);
    EXPECT_EQ(UserDword("Setup\\Links", "Desktop"), 1u);
    EXPECT_EQ(UserDword("Setup\\Links", "StartMenu"), 0u);
    EXPECT_EQ(UserDword("Setup\\Links", "Programs"), 0u);
    EXPECT_EQ(UserDword("Setup\\.qav", "Set"), 1u);
    EXPECT_EQ(UserDword("Setup\\.zip", "Set"), 0u);
    EXPECT_FALSE(UserValueExists("Setup\\.iso", "Set")) << "the ISO choice is never stored";

    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".qav", ""), "Qavrix");
    EXPECT_NE(test::ReadRegString(HKEY_CLASSES_ROOT, ".zip", ""), "Qavrix.ZIP");
    EXPECT_FALSE(test::RegKeyPresent(HKEY_CLASSES_ROOT, "CLSID\\" + setup_e2e::ShellExtGuid))
        << "no shell extension when its box is clear";
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, test::UninstallEntryKey, "UninstallString"), "\"" + programPath_ + "\"");
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, test::AppPathsKey, "Path"), installFolder_);
    EXPECT_FALSE(test::Exists(UserGroupFolder()));
    OleInitialization com;
    test::LinkInfo desktop = test::ReadLink(DesktopFolder() + "\\Qavrix.lnk");
    ASSERT_TRUE(desktop.loaded);
    EXPECT_EQ(desktop.target, programFolder_ + "\\Qavrix.exe");

    // Run starts Qavrix.exe beside the program, quoted (a folder name
    // with blanks must not be split), without waiting.
    ui::Click(done, IDC_DONE_RUN);
    std::string ran = run.WaitForFile(installFolder_ + "\\Qavrix.ran");
    EXPECT_EQ(ran, "\"" + installFolder_ + "\\Qavrix.exe\"\n" + installFolder_ + "\n") << "started in its own folder";
    EXPECT_TRUE(IsWindow(done)) << "DONEDLG stays open after Run";
    ui::Click(done, IDOK);
    EXPECT_EQ(run.Wait(), 0);
}

TEST_F(SetupDialogsE2e, SelectAllTicksThirteenTypesAndLeavesZAsItWas) {
    for (bool zTicked : {true, false}) {
        SetupRun run = Start("/setup");
        HWND setup = run.WaitFor(SetupCaption);
        ASSERT_NE(setup, nullptr);
        if (!zTicked) ui::Click(setup, IDC_ASSOC_Z);
        for (int box : {IDC_ASSOC_QAV, IDC_ASSOC_7Z, IDC_ASSOC_ISO}) ui::Click(setup, box);
        ui::Click(setup, IDC_SELECT_ALL);
        for (const ArchiveType& type : ArchiveTypeTable)
            EXPECT_EQ(ui::IsChecked(setup, type.checkBox), type.checkBox != IDC_ASSOC_Z || zTicked)
                << "archive type " << type.extensions;
        ui::Command(setup, IDCANCEL);
        EXPECT_EQ(run.Wait(), test::ExitUserCancel);
    }
}

TEST_F(SetupDialogsE2e, MenuItemsAreStoredOnTheirOwnOkAndSurviveACancelledSetup) {
    SetupRun run = Start("/setup");
    HWND setup = run.WaitFor(SetupCaption);
    ASSERT_NE(setup, nullptr);

    ui::Click(setup, IDC_CONTEXT_ITEMS);
    HWND items = run.WaitFor(ItemsCaption);
    ASSERT_NE(items, nullptr);
    for (const MenuItem& item : MenuItemTable)
        EXPECT_EQ(ui::IsChecked(items, item.checkBox), item.checkBox != IDC_MENU_TEST && item.checkBox != IDC_MENU_CONVERT)
            << "menu item " << item.valueName << " (Test and Convert start off)";
    ui::Click(items, IDC_MENU_EXTRACT_TO);  // Extract files... off
    ui::Click(items, IDC_MENU_TEST);  // Test on
    ui::Click(items, IDOK);
    ASSERT_TRUE(ui::WaitForClose(items, 10000));
    EXPECT_EQ(UserDword("Setup\\MenuItems", "ExtrTo"), 0u) << "stored at once, SETUPDLG still open";
    EXPECT_EQ(UserDword("Setup\\MenuItems", "Test"), 1u);
    EXPECT_EQ(UserDword("Setup\\MenuItems", "Convert"), 0u);
    EXPECT_EQ(UserDword("Setup\\MenuItems", "ExtrHere"), 1u);

    ui::Click(setup, IDC_CONTEXT_ITEMS);
    items = run.WaitFor(ItemsCaption);
    ASSERT_NE(items, nullptr);
    EXPECT_FALSE(ui::IsChecked(items, IDC_MENU_EXTRACT_TO)) << "shown from the registry";
    EXPECT_TRUE(ui::IsChecked(items, IDC_MENU_TEST));
    ui::Click(items, IDC_MENU_EXTRACT_HERE);
    ui::Click(items, IDCANCEL);
    ASSERT_TRUE(ui::WaitForClose(items, 10000));
    EXPECT_EQ(UserDword("Setup\\MenuItems", "ExtrHere"), 1u) << "Cancel writes nothing";

    ui::Command(setup, IDCANCEL);
    EXPECT_EQ(run.Wait(), test::ExitUserCancel) << "no completion dialog after a cancelled setup";
    EXPECT_EQ(UserDword("Setup\\MenuItems", "ExtrTo"), 0u);
    EXPECT_FALSE(UserValueExists("Setup", "ShellExt"));
    EXPECT_FALSE(test::RegKeyPresent(HKEY_CURRENT_USER, SettingsKey + "\\Setup\\Links"));
    EXPECT_FALSE(test::RegKeyPresent(HKEY_LOCAL_MACHINE, test::UninstallEntryKey));
    EXPECT_NE(test::ReadRegString(HKEY_CLASSES_ROOT, ".qav", ""), "Qavrix");
}

TEST_F(SetupDialogsE2e, SilentSetupPassesBothDialogsAndOpensNoFolder) {
    SetupRun run = Start("/setup /S");
    EXPECT_EQ(run.Wait(), 0);
    EXPECT_EQ(UserDword("Setup", "ShellExt"), 1u);
    EXPECT_EQ(UserDword("Setup\\Links", "Programs"), 1u);
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, test::UninstallEntryKey, "DisplayName"), test::Ansi("Qavrix 压缩文件管理器"));
    EXPECT_TRUE(test::Exists(UserGroupFolder() + "\\Qavrix.lnk"));
    Sleep(1500);
    EXPECT_TRUE(setup_e2e::FolderWindows("Qavrix").empty()) << "a silent setup opens no folder";
}

TEST_F(SetupDialogsE2e, InteractiveSetupOpensTheProgramGroupFolderAfterFinish) {
    SetupRun run = Start("/setup");
    HWND setup = run.WaitFor(SetupCaption);
    ASSERT_NE(setup, nullptr);
    ui::Click(setup, IDOK);
    HWND done = run.WaitForCompletion(setup);
    ASSERT_NE(done, nullptr);
    EXPECT_TRUE(setup_e2e::FolderWindows("Qavrix").empty()) << "not before Finish";
    ui::Click(done, IDOK);
    EXPECT_EQ(run.Wait(), 0);
    std::vector<HWND> shown = setup_e2e::WaitForFolderWindow("Qavrix", 20000);
    EXPECT_FALSE(shown.empty()) << "the shell shows the program group";
}

}  // namespace
