// The integration choices: defaults, loading and saving under the product
// key, the product-association test and the SETUPDLG check boxes.
#include "integration/settings.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "resource.h"

const ArchiveType ArchiveTypeTable[ArchiveTypeCount] = {
    {5101, "QAV(&R)", ".qav", ".qav"},
    {5102, "ZIP(&Z)", ".zip", ".zip"},
    {5103, "CAB", ".cab", ".cab"},
    {5104, "ARJ", ".arj", ".arj"},
    {5105, "LZH", ".lzh", ".lzh.lha"},
    {5106, "ACE", ".ace", ".ace"},
    {5107, "7-Zip", ".7z", ".7z"},
    {5108, "TAR", ".tar", ".tar"},
    {5109, "GZip", ".gz", ".gz.tgz"},
    {5110, "UUE", ".uue", ".uue.xxe.uu"},
    {5111, "BZ2", ".bz2", ".bz2.tbz2.bz.tbz"},
    {5112, "JAR", ".jar", ".jar"},
    {5113, "ISO", ".iso", ".iso"},
    {5114, "Z", ".z", ".z.taz"},
};

const MenuItem MenuItemTable[MenuItemCount] = {
    {101, "ExtrTo", 1},   {102, "ExtrHere", 1}, {103, "Extr", 1},     {104, "ExtrSep", 1},
    {105, "OpenSFX", 1},  {106, "AddTo", 1},    {107, "AddArc", 1},   {108, "EmailArc", 1},
    {109, "EmailOpt", 1}, {110, "Test", 0},     {111, "Convert", 0},
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
    for (int controlId = IDC_ASSOC_FIRST; controlId < IDC_ASSOC_LAST; ++controlId) SetChecked(dialog, controlId, true);
}

void EnableDialogItem(HWND dialog, int controlId, int enable) {
    EnableWindow(GetDlgItem(dialog, controlId), enable != 0);
}
