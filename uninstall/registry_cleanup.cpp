// The registry clean-up of the uninstall run: every integration step run in
// its removal direction, then the product's own keys deleted.
#include "uninstall/registry_cleanup.h"
#include "integration/apply.h"
#include "integration/associations.h"
#include "integration/shell_extension.h"
#include "integration/shortcuts.h"
#include "platform/registry.h"
#include "platform/run_log.h"
#include "platform/text.h"
#include <shlobj.h>

namespace {

struct ProductKey {
    HKEY root;
    const char* path;
    // Removed only while its default value is this (another program may
    // have taken the extension since); null: removed in any case.
    const char* onlyWhileOwnedAs;
};

// Program identifiers first (nothing points at them any more once the
// associations and handlers are gone), the per-user key last: giving the
// associations back reads the saved owners below it. Every key goes with
// its subkeys: the uninstall entry and the App Paths key are the product's
// own even when something has added subkeys to them.
const ProductKey ProductKeys[] = {
    {HKEY_CLASSES_ROOT, "Qavrix", nullptr},
    {HKEY_CLASSES_ROOT, "Qavrix.ZIP", nullptr},
    {HKEY_CLASSES_ROOT, "Qavrix.REV", nullptr},
    {HKEY_CLASSES_ROOT, ".rev", "Qavrix.REV"},
    {HKEY_LOCAL_MACHINE, UninstallKey, nullptr},
    {HKEY_LOCAL_MACHINE, AppPathKey, nullptr},
    {HKEY_CURRENT_USER, "", nullptr},
};

// Under HKEY_CURRENT_USER a path is taken below the product's own key.
const char* RootName(HKEY root) {
    if (root == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    return "HKEY_CURRENT_USER\\Software\\Qavrix";
}

bool StillOwned(const ProductKey& key) {
    if (!key.onlyWhileOwnedAs) return true;
    char owner[256];
    return RegReadString(key.root, key.path, "", owner, "", sizeof owner) &&
           CompareTextNoCase(owner, key.onlyWhileOwnedAs) == 0;
}

}  // namespace

void RemoveIntegration() {
    IntegrationSettings allClear{};
    ApplyAssociations(allClear);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
    ApplyShellExtension(allClear);
    UpdateShortcuts(allClear, nullptr, 0);
    LogLine("associations, shell extension and shortcuts undone");
    for (const ProductKey& key : ProductKeys) {
        if (!StillOwned(key) || !RegKeyExists(key.root, key.path)) continue;
        RegRemoveTree(key.root, key.path);
        const char* separator = key.path[0] != '\0' ? "\\" : "";
        if (RegKeyExists(key.root, key.path))
            LogLine("registry key %s%s%s could not be removed", RootName(key.root), separator, key.path);
        else
            LogLine("registry key %s%s%s removed", RootName(key.root), separator, key.path);
    }
}
