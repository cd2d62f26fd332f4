// The registry clean-up of the uninstall run: every integration step run in
// its removal direction, then the product's own keys deleted.
#include "uninstall/registry_cleanup.h"
#include "integration/apply.h"
#include "integration/associations.h"
#include "integration/shell_extension.h"
#include "integration/shortcuts.h"
#include "platform/registry.h"
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
    for (const ProductKey& key : ProductKeys)
        if (StillOwned(key)) RegRemoveTree(key.root, key.path);
}
