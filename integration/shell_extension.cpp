// Writes and removes the shell extension's registry entries; the names live
// in one table so both directions walk the same keys.
#include "integration/shell_extension.h"
#include "integration/associations.h"
#include "integration/core/shellext_table.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace {

constexpr std::size_t PathSize = 1024;

HKEY RootKey(ShellExtRoot root) {
    return root == ShellExtRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT;
}

// The full path of "qavext.dll" beside this program; empty when the
// program's folder is unknown or the path does not fit.
void ModulePath(char* path) { FileBesideProgram("qavext.dll", path, PathSize); }

bool ModuleExists(const char* path) {
    return path[0] != '\0' && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

const char* EntryData(const ShellExtEntry& entry, const char* modulePath) {
    switch (entry.data) {
    case ShellExtData::ModulePath: return modulePath;
    case ShellExtData::Guid: return ShellExtGuid;
    case ShellExtData::Text: break;
    }
    return entry.text;
}

void RegisterShellExtension() {
    char modulePath[PathSize];
    ModulePath(modulePath);
    bool withModule = ModuleExists(modulePath);
    for (const ShellExtEntry& entry : ShellExtEntries) {
        if (entry.needsModule && !withModule) continue;
        RegWriteString(RootKey(entry.root), entry.key, entry.valueName, EntryData(entry, modulePath));
    }
}

void UnregisterShellExtension() {
    for (const ShellExtRemoval& step : ShellExtRemovals) {
        if (step.valueName)
            RegRemoveValue(RootKey(step.root), step.key, step.valueName);
        else
            RegRemoveKey(RootKey(step.root), step.key);
    }
}

}  // namespace

void ApplyShellExtension(const IntegrationSettings& settings) {
    if (settings.shellExt)
        RegisterShellExtension();
    else
        UnregisterShellExtension();
}
