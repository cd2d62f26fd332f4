// The user's integration choices: the record, the archive-type and
// context-menu tables, their per-user registry layout under
// HKEY_CURRENT_USER\Software\Qavrix\Setup, and the check boxes of SETUPDLG.
#pragma once
#include <windows.h>
#include "integration/core/archive_types.h"

// One-byte flags, 0 or 1, copied by value. All false asks every
// integration step to remove what it would otherwise create.
struct IntegrationSettings {
    bool associate[ArchiveTypeCount];  // one per ArchiveTypeTable row
    bool desktopLink;
    bool startMenuLink;
    bool programGroup;
    bool shellExt;
    bool cascadedMenu;
    bool menuIcons;
};
static_assert(sizeof(IntegrationSettings) == ArchiveTypeCount + 6, "a plain record of one-byte flags");

struct MenuItem {
    int checkBox;                  // control of CONTEXTITEMS
    const char* valueName;         // REG_DWORD under "Setup\MenuItems"
    DWORD defaultValue;
};
constexpr int MenuItemCount = 11;
extern const MenuItem MenuItemTable[MenuItemCount];
constexpr const char* MenuItemsKey = "Setup\\MenuItems";

void LoadIntegrationSettings(IntegrationSettings& settings);
void SaveIntegrationSettings(const IntegrationSettings& settings);

// Whether HKEY_CLASSES_ROOT\<extension> points at "Qavrix" or "Qavrix.ZIP"
// (letter case ignored).
bool IsProductAssociation(const char* extension);
// Whether a class name is one of the product's file-type classes.
bool IsProductClassName(const char* className);

void ReadSettingsFromDialog(HWND dialog, IntegrationSettings& settings);
void ShowSettingsInDialog(HWND dialog, const IntegrationSettings& settings);
// Ticks every archive type but those left out of "Select all" ("Z").
void SelectAllArchiveTypes(HWND dialog);
void EnableDialogItem(HWND dialog, int controlId, int enable);
