// The registry clean-up of the uninstall run: every integration step run in
// its removal direction, then the product's own keys deleted.
#include "uninstall/registry_cleanup.h"
#include "integration/associations.h"
#include "integration/shell_extension.h"
#include "integration/shortcuts.h"
#include "platform/core/product_names.h"
#include "platform/registry.h"
#include "platform/run_log.h"
#include <shlobj.h>

namespace {

struct ProductKey {
    HKEY root;
    const char* path;
};

// These go after the program identifiers (nothing points at them any more
// once the associations and handlers are gone), the per-user key last:
// giving the associations back reads the saved owners below it. Every key goes with
// its subkeys: the uninstall entry and the App Paths key are the product's
// own even when something has added subkeys to them.
const ProductKey ProductKeys[] = {
    {HKEY_LOCAL_MACHINE, UninstallKey},
    {HKEY_LOCAL_MACHINE, AppPathKey},
    {HKEY_LOCAL_MACHINE, ProductKeyPath},   // the machine-wide copy of the saved owners
    {HKEY_CURRENT_USER, ""},
};

}  // namespace

void RemoveIntegration() {
    IntegrationSettings allClear{};
    ApplyAssociations(allClear);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
    ApplyShellExtension(allClear);
    UpdateShortcuts(allClear, nullptr, 0);
    LogLine("associations, shell extension and shortcuts undone");
    RemoveProgramIds();
    for (const ProductKey& key : ProductKeys) RemoveKeyTreeLogged(key.root, key.path);
}
