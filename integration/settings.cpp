// The integration choices: defaults, loading and saving under the product
// key, the product-association test and the SETUPDLG check boxes.
#include "integration/settings.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "resource.h"

const ArchiveType ArchiveTypeTable[ArchiveTypeCount] = {
    {IDC_ASSOC_QAV, ".qav"}, {IDC_ASSOC_ZIP, ".zip"}, {IDC_ASSOC_CAB, ".cab"},   {IDC_ASSOC_ARJ, ".arj"},
    {IDC_ASSOC_LZH, ".lzh"}, {IDC_ASSOC_ACE, ".ace"}, {IDC_ASSOC_7Z, ".7z"},     {IDC_ASSOC_TAR, ".tar"},
    {IDC_ASSOC_GZIP, ".gz"}, {IDC_ASSOC_UUE, ".uue"}, {IDC_ASSOC_BZ2, ".bz2"},   {IDC_ASSOC_JAR, ".jar"},
    {IDC_ASSOC_ISO, ".iso"}, {IDC_ASSOC_Z, ".z"},
};

const MenuItem MenuItemTable[MenuItemCount] = {
    {IDC_MENU_EXTRACT_TO, "ExtrTo", 1},    {IDC_MENU_EXTRACT_HERE, "ExtrHere", 1},
    {IDC_MENU_EXTRACT, "Extr", 1},         {IDC_MENU_EXTRACT_SEP, "ExtrSep", 1},
    {IDC_MENU_OPEN_SFX, "OpenSFX", 1},     {IDC_MENU_ADD_TO, "AddTo", 1},
    {IDC_MENU_ADD_ARCHIVE, "AddArc", 1},   {IDC_MENU_EMAIL_ARC, "EmailArc", 1},
    {IDC_MENU_EMAIL_OPT, "EmailOpt", 1},   {IDC_MENU_TEST, "Test", 0},
    {IDC_MENU_CONVERT, "Convert", 0},
};

namespace {

constexpr const char* SetupKey = "Setup";
constexpr const char* LinksKey = "Setup\\Links";
constexpr std::size_t ClassNameSize = 80;

// The flags that are not archive types, with their place and default.
struct StoredFlag {
    const char* key;
    const char* valueName;
    DWORD defaultValue;
    int checkBox;
    bool IntegrationSettings::*field;
};
const StoredFlag StoredFlags[] = {
    {LinksKey, "Desktop", 0, IDC_DESKTOP_LINK, &IntegrationSettings::desktopLink},
    {LinksKey, "StartMenu", 0, IDC_STARTMENU_LINK, &IntegrationSettings::startMenuLink},
    {LinksKey, "Programs", 1, IDC_PROGRAM_GROUP, &IntegrationSettings::programGroup},
    {SetupKey, "ShellExt", 1, IDC_SHELL_EXT, &IntegrationSettings::shellExt},
    {SetupKey, "CascadedMenu", 0, IDC_CASCADED_MENU, &IntegrationSettings::cascadedMenu},
    {SetupKey, "MenuIcons", 1, IDC_MENU_ICONS, &IntegrationSettings::menuIcons},
};

// HKEY_CLASSES_ROOT\<extension>'s class name; empty when missing or too long.
void ReadClassName(const char* extension, char (&className)[ClassNameSize]) {
    RegReadString(HKEY_CLASSES_ROOT, extension, "", className, "", sizeof className);
}

bool IsChecked(HWND dialog, int controlId) { return IsDlgButtonChecked(dialog, controlId) == BST_CHECKED; }

void SetChecked(HWND dialog, int controlId, bool checked) {
    CheckDlgButton(dialog, controlId, checked ? BST_CHECKED : BST_UNCHECKED);
}

}  // namespace

void LoadIntegrationSettings(IntegrationSettings& settings) {
    for (int row = 0; row < ArchiveTypeCount; ++row) {
        char key[ExtensionSize + 8];
        RecordPath(ArchiveTypeTable[row].primaryExtension, key, sizeof key);
        settings.associate[row] = RegGetUserDword(key, "Set", 1) != 0;
    }
    // Another program's class on .iso wins over the stored choice.
    const char* iso = ArchiveTypeTable[IsoGroup].primaryExtension;
    if (!IsProductAssociation(iso)) {
        char className[ClassNameSize];
        ReadClassName(iso, className);
        if (className[0] != '\0') settings.associate[IsoGroup] = false;
    }
    for (const StoredFlag& flag : StoredFlags)
        settings.*flag.field = RegGetUserDword(flag.key, flag.valueName, flag.defaultValue) != 0;
}

void SaveIntegrationSettings(const IntegrationSettings& settings) {
    for (int row = 0; row < ArchiveTypeCount; ++row) {
        if (row == IsoGroup) continue;  // ISO's choice is never stored
        char key[ExtensionSize + 8];
        RecordPath(ArchiveTypeTable[row].primaryExtension, key, sizeof key);
        RegWriteUserDword(key, "Set", settings.associate[row] ? 1 : 0);
    }
    for (const StoredFlag& flag : StoredFlags)
        RegWriteUserDword(flag.key, flag.valueName, settings.*flag.field ? 1 : 0);
}

bool IsProductClassName(const char* className) {
    return CompareTextNoCase(className, "Qavrix") == 0 || CompareTextNoCase(className, "Qavrix.ZIP") == 0;
}

bool IsProductAssociation(const char* extension) {
    char className[ClassNameSize];
    ReadClassName(extension, className);
    return IsProductClassName(className);
}

void ReadSettingsFromDialog(HWND dialog, IntegrationSettings& settings) {
    for (int row = 0; row < ArchiveTypeCount; ++row)
        settings.associate[row] = IsChecked(dialog, ArchiveTypeTable[row].checkBox);
    for (const StoredFlag& flag : StoredFlags) settings.*flag.field = IsChecked(dialog, flag.checkBox);
}

void ShowSettingsInDialog(HWND dialog, const IntegrationSettings& settings) {
    for (int row = 0; row < ArchiveTypeCount; ++row)
        SetChecked(dialog, ArchiveTypeTable[row].checkBox, settings.associate[row]);
    for (const StoredFlag& flag : StoredFlags) SetChecked(dialog, flag.checkBox, settings.*flag.field);
    EnableDialogItem(dialog, IDC_CASCADED_MENU, settings.shellExt);
    EnableDialogItem(dialog, IDC_MENU_ICONS, settings.shellExt);
}

void SelectAllArchiveTypes(HWND dialog) {
    for (const ArchiveType& type : ArchiveTypeTable)
        if (type.checkBox != IDC_ASSOC_Z) SetChecked(dialog, type.checkBox, true);
}

void EnableDialogItem(HWND dialog, int controlId, int enable) {
    EnableWindow(GetDlgItem(dialog, controlId), enable != 0);
}
