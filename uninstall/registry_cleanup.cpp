// The registry clean-up of the uninstall run: every integration step run in
// its removal direction, then the product's own keys deleted.
#include "uninstall/registry_cleanup.h"
#include "integration/apply.h"
#include "integration/associations.h"
#include "integration/shell_extension.h"
#include "integration/shortcuts.h"
#include "platform/registry.h"
#include <shlobj.h>

namespace {

struct ProductKey {
    HKEY root;
    const char* path;
    bool wholeTree;  // else this key only
};

// Program identifiers first (nothing points at them any more once the
// associations and handlers are gone), the per-user key last: giving the
// associations back reads the saved owners below it.
const ProductKey ProductKeys[] = {
    {HKEY_CLASSES_ROOT, "Qavrix", true},
    {HKEY_CLASSES_ROOT, "Qavrix.ZIP", true},
    {HKEY_CLASSES_ROOT, "Qavrix.REV", true},
    {HKEY_CLASSES_ROOT, ".rev", true},
    {HKEY_LOCAL_MACHINE, UninstallKey, false},
    {HKEY_LOCAL_MACHINE, AppPathKey, false},
    {HKEY_CURRENT_USER, "", true},
};

}  // namespace

void RemoveIntegration() {
    IntegrationSettings allClear{};
    ApplyAssociations(allClear);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
    ApplyShellExtension(allClear);
    UpdateShortcuts(allClear, nullptr, 0);
    for (const ProductKey& key : ProductKeys) {
        if (key.wholeTree)
            RegRemoveTree(key.root, key.path);
        else
            RegRemoveKey(key.root, key.path);
    }
}
