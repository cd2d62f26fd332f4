// Writes and removes the shell extension's registry entries; the names live
// in one table so both directions walk the same keys.
#include "integration/shell_extension.h"
#include "integration/core/shellext_table.h"
#include "platform/program_path.h"
#include "platform/registry.h"
#include <windows.h>

namespace {

HKEY RootKey(ShellExtRoot root) {
    return root == ShellExtRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT;
}

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
    char modulePath[PathSize];  // empty when the program's folder is unknown
    FileBesideProgram("qavext.dll", modulePath);
    bool withModule = ModuleExists(modulePath);
    for (const ShellExtEntry& entry : ShellExtEntries) {
        if (entry.needsModule && !withModule) continue;
        RegWriteString(RootKey(entry.root), entry.key, entry.valueName, EntryData(entry, modulePath));
    }
}

void UnregisterShellExtension() {
    for (const ShellExtEntry& entry : ShellExtEntries) {
        switch (entry.removal) {
        case ShellExtRemoval::Key: RegRemoveKey(RootKey(entry.root), entry.key); break;
        case ShellExtRemoval::Value: RegRemoveValue(RootKey(entry.root), entry.key, entry.valueName); break;
        case ShellExtRemoval::WithItsKey: break;
        }
    }
}

}  // namespace

void ApplyShellExtension(const IntegrationSettings& settings) {
    if (settings.shellExt)
        RegisterShellExtension();
    else
        UnregisterShellExtension();
}
