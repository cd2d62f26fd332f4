// Integration settings against scratch keys: defaults, the ISO rule, what
// is saved, the product-association test, and the SETUPDLG check boxes on
// the real dialog template.
#include "integration/settings.h"
#include "platform/registry.h"
#include "resource.h"
#include "tests/support/sandbox.h"
#include <gtest/gtest.h>
#include <cstring>
#include <initializer_list>
#include <string>

namespace {

class Settings : public ::testing::Test {
protected:
    test::ScratchRegistry scratch_;
};

IntegrationSettings Loaded() {
    IntegrationSettings s;
    std::memset(&s, 0xAA, sizeof s);  // every field must be set by the load
    LoadIntegrationSettings(s);
    return s;
}

// Every archive type ticked but those named, then the other six flags.
void ExpectFlags(const IntegrationSettings& s, std::initializer_list<const char*> unticked, const std::string& others) {
    std::string got, expected(ArchiveTypeCount, '1');
    for (bool b : s.associate) got += b ? '1' : '0';
    for (const char* primary : unticked) expected[test::ArchiveTypeRow(primary)] = '0';
    got += ' ';
    expected += ' ' + others;
    for (bool b : {s.desktopLink, s.startMenuLink, s.programGroup, s.shellExt, s.cascadedMenu, s.menuIcons})
        got += b ? '1' : '0';
    EXPECT_EQ(got, expected);
}

const int Iso = test::ArchiveTypeRow(".iso");

TEST_F(Settings, DefaultsWithoutASetupKey) {
    ExpectFlags(Loaded(), {}, "001101");
    std::string menu;
    for (const MenuItem& item : MenuItemTable) menu += RegGetUserDword(MenuItemsKey, item.valueName, item.defaultValue) ? '1' : '0';
    EXPECT_EQ(menu, "11111111100");
    EXPECT_STREQ(MenuItemTable[9].valueName, "Test");
    EXPECT_STREQ(MenuItemTable[10].valueName, "Convert");
}

TEST_F(Settings, AnyNonzeroLoadsTickedAndSavesAsOne) {
    RegWriteUserDword("Setup\\.zip", "Set", 2);
    RegWriteUserDword("Setup\\.cab", "Set", 0);
    RegWriteUserDword("Setup\\Links", "Desktop", 5);
    RegWriteUserDword("Setup", "ShellExt", 0);
    IntegrationSettings s = Loaded();
    ExpectFlags(s, {".cab"}, "101001");
    s.associate[Iso] = false;
    SaveIntegrationSettings(s);
    EXPECT_EQ(RegGetUserDword("Setup\\.zip", "Set", 9), 1u);
    EXPECT_EQ(RegGetUserDword("Setup\\.cab", "Set", 9), 0u);
    EXPECT_EQ(RegGetUserDword("Setup\\Links", "Desktop", 9), 1u);
    EXPECT_EQ(RegGetUserDword("Setup\\Links", "Programs", 9), 1u);
    EXPECT_EQ(RegGetUserDword("Setup", "MenuIcons", 9), 1u);
    // Thirteen "Set" keys: nothing for ISO, so it is ticked again next time.
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Setup\\.iso"));
    for (int row = 0; row < ArchiveTypeCount; ++row) {
        char primary[ExtensionSize];
        PrimaryExtension(ArchiveTypeTable[row], primary);
        std::string key = std::string("Setup\\") + primary;
        EXPECT_EQ(RegGetUserDword(key.c_str(), "Set", 9) != 9, row != Iso) << key;
    }
    EXPECT_TRUE(Loaded().associate[Iso]);
}

TEST_F(Settings, IsoFollowsItsOwnerOnHkeyClassesRoot) {
    struct Case { const char* isoClass; bool setZero; bool ticked; } cases[] = {
        {nullptr, false, true},
        {"", false, true},                  // an empty class name is nobody's
        {"WinISO.File", false, false},      // another owner wins over "Set"
        {"qavrix.zip", false, true},        // the product's, any case: "Set" decides
        {"QAVRIX", true, false},
        {nullptr, true, false},
    };
    for (const Case& c : cases) {
        RegRemoveKey(HKEY_CLASSES_ROOT, ".iso");
        RegRemoveTree(HKEY_CURRENT_USER, "Setup");
        if (c.isoClass) RegWriteString(HKEY_CLASSES_ROOT, ".iso", "", c.isoClass);
        if (c.setZero) RegWriteUserDword("Setup\\.iso", "Set", 0);
        EXPECT_EQ(Loaded().associate[Iso], c.ticked) << (c.isoClass ? c.isoClass : "(none)") << c.setZero;
    }
}

TEST_F(Settings, ClassNamesOfEightyBytesOrMoreReadAsEmpty) {
    std::string long79 = std::string(73, 'x') + "Qavrix", long80 = long79 + "y";
    RegWriteString(HKEY_CLASSES_ROOT, ".iso", "", long80.c_str());
    EXPECT_TRUE(Loaded().associate[Iso]);
    EXPECT_FALSE(IsProductAssociation(".iso"));
    RegWriteString(HKEY_CLASSES_ROOT, ".iso", "", long79.c_str());
    EXPECT_FALSE(Loaded().associate[Iso]);
}

TEST_F(Settings, OnlyTheTwoProductClassesCount) {
    struct Case { const char* className; bool product; } cases[] = {
        {"Qavrix", true}, {"qavrix", true}, {"QAVRIX.zip", true}, {"Qavrix.REV", false},
        {"Qavrix ", false}, {"Qavrix.ZIP2", false}, {"", false}, {"WinZip", false},
    };
    for (const Case& c : cases) {
        RegWriteString(HKEY_CLASSES_ROOT, ".zip", "", c.className);
        EXPECT_EQ(IsProductAssociation(".zip"), c.product) << c.className;
    }
    EXPECT_FALSE(IsProductAssociation(".none"));
}

// SETUPDLG from the built program, with a procedure that does nothing.
class SetupDialog : public ::testing::Test {
protected:
    void SetUp() override {
        dialog_ = CreateDialogParamA(product_.module(), "SETUPDLG", nullptr, Proc, 0);
        ASSERT_NE(dialog_, nullptr);
    }
    void TearDown() override {
        if (dialog_) DestroyWindow(dialog_);
    }
    static INT_PTR CALLBACK Proc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
    bool Checked(int id) const { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }
    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(dialog_, id)) != FALSE; }
    UniqueLibrary richEdit_{LoadLibraryA("riched32.dll")};  // SETUPDLG's text box class
    test::ProductResources product_;
    HWND dialog_ = nullptr;
};

TEST_F(SetupDialog, ShowAndReadRoundTripEveryBox) {
    for (int pattern = 0; pattern < 2; ++pattern) {
        IntegrationSettings shown{};
        for (int i = 0; i < ArchiveTypeCount; ++i) shown.associate[i] = (i + pattern) % 3 == 0;
        shown.desktopLink = pattern == 0;
        shown.startMenuLink = pattern == 1;
        shown.programGroup = pattern == 0;
        shown.shellExt = pattern == 1;
        shown.cascadedMenu = true;
        shown.menuIcons = pattern == 0;
        ShowSettingsInDialog(dialog_, shown);
        for (int i = 0; i < ArchiveTypeCount; ++i)
            EXPECT_EQ(Checked(ArchiveTypeTable[i].checkBox), shown.associate[i]) << ArchiveTypeTable[i].extensions;
        EXPECT_EQ(Checked(IDC_STARTMENU_LINK), shown.startMenuLink);
        EXPECT_EQ(Checked(IDC_MENU_ICONS), shown.menuIcons);
        // The cascaded-menu and menu-icons boxes follow the shell extension;
        // their ticks stay.
        EXPECT_EQ(Enabled(IDC_CASCADED_MENU), shown.shellExt);
        EXPECT_EQ(Enabled(IDC_MENU_ICONS), shown.shellExt);
        EXPECT_TRUE(Checked(IDC_CASCADED_MENU));
        EXPECT_TRUE(Enabled(IDC_CONTEXT_ITEMS));
        IntegrationSettings read;
        std::memset(&read, 0x55, sizeof read);
        ReadSettingsFromDialog(dialog_, read);
        EXPECT_EQ(std::memcmp(&read, &shown, sizeof read), 0) << "pattern " << pattern;
    }
}

TEST_F(SetupDialog, SelectAllTicksThirteenAndNeverTouchesZ) {
    IntegrationSettings none{};
    ShowSettingsInDialog(dialog_, none);
    SelectAllArchiveTypes(dialog_);
    for (const ArchiveType& type : ArchiveTypeTable)
        EXPECT_EQ(Checked(type.checkBox), type.checkBox != IDC_ASSOC_Z) << type.extensions;
    CheckDlgButton(dialog_, IDC_ASSOC_Z, BST_CHECKED);
    SelectAllArchiveTypes(dialog_);
    EXPECT_TRUE(Checked(IDC_ASSOC_Z));
    EXPECT_FALSE(Checked(IDC_DESKTOP_LINK));
}

}  // namespace
