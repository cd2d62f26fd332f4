// The integration choices: defaults, loading and saving under the product
// key, the product-association test and the SETUPDLG check boxes.
#include "integration/settings.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "resource.h"

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

// "Setup\.gz": where a type's choice is kept, named by its first extension.
void SettingsKeyOf(const ArchiveType& type, char (&key)[ExtensionSize + 8]) {
    char primary[ExtensionSize];
    PrimaryExtension(type, primary);
    RecordPath(primary, key, sizeof key);
}

// Another program's class on the extension unticks a type whose choice is
// not stored.
bool HeldByAnotherProgram(const ArchiveType& type) {
    char primary[ExtensionSize];
    PrimaryExtension(type, primary);
    if (IsProductAssociation(primary)) return false;
    char className[ClassNameSize];
    ReadClassName(primary, className);
    return className[0] != '\0';
}

bool IsChecked(HWND dialog, int controlId) { return IsDlgButtonChecked(dialog, controlId) == BST_CHECKED; }

void SetChecked(HWND dialog, int controlId, bool checked) {
    CheckDlgButton(dialog, controlId, checked ? BST_CHECKED : BST_UNCHECKED);
}

}  // namespace

void LoadIntegrationSettings(IntegrationSettings& settings) {
    for (int row = 0; row < ArchiveTypeCount; ++row) {
        const ArchiveType& type = ArchiveTypeTable[row];
        char key[ExtensionSize + 8];
        SettingsKeyOf(type, key);
        settings.associate[row] = RegGetUserDword(key, "Set", 1) != 0;
        if ((type.traits & ChoiceNotStored) && HeldByAnotherProgram(type)) settings.associate[row] = false;
    }
    for (const StoredFlag& flag : StoredFlags)
        settings.*flag.field = RegGetUserDword(flag.key, flag.valueName, flag.defaultValue) != 0;
}

void SaveIntegrationSettings(const IntegrationSettings& settings) {
    for (int row = 0; row < ArchiveTypeCount; ++row) {
        if (ArchiveTypeTable[row].traits & ChoiceNotStored) continue;
        char key[ExtensionSize + 8];
        SettingsKeyOf(ArchiveTypeTable[row], key);
        RegWriteUserDword(key, "Set", settings.associate[row] ? 1 : 0);
    }
    for (const StoredFlag& flag : StoredFlags)
        RegWriteUserDword(flag.key, flag.valueName, settings.*flag.field ? 1 : 0);
}

bool IsProductClassName(const char* className) {
    return CompareTextNoCase(className, ArchiveProgramId) == 0 || CompareTextNoCase(className, ZipProgramId) == 0;
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
        if (!(type.traits & NotInSelectAll)) SetChecked(dialog, type.checkBox, true);
}

void EnableDialogItem(HWND dialog, int controlId, int enable) {
    EnableWindow(GetDlgItem(dialog, controlId), enable != 0);
}
