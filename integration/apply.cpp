// Applying the integration choices in order, and registering the archiver's
// application path and this program as the product's uninstaller.
#include "integration/apply.h"
#include "integration/associations.h"
#include "integration/shell_extension.h"
#include "integration/shortcuts.h"
#include "lang/messages.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "resource.h"

namespace {

constexpr std::size_t PathSize = 1024;

// This program's full path; false when it is unknown or longer than the buffer.
bool OwnPath(char* path) {
    DWORD length = GetModuleFileNameA(nullptr, path, PathSize);
    if (length == 0 || length >= PathSize) {
        path[0] = '\0';
        return false;
    }
    path[length] = '\0';
    return true;
}

}  // namespace

void RegisterAppPath() {
    char archiver[PathSize];
    if (FileBesideProgram("Qavrix.exe", archiver, sizeof archiver))
        RegWriteString(HKEY_LOCAL_MACHINE, AppPathKey, "", archiver);
    char current[PathSize];
    DWORD length = GetCurrentDirectoryA(sizeof current, current);
    if (length != 0 && length < sizeof current) RegWriteString(HKEY_LOCAL_MACHINE, AppPathKey, "Path", current);
}

void RegisterUninstallEntry() {
    RegWriteString(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName", GetMessageText(MSG_DISPLAY_NAME));
    char own[PathSize];
    if (OwnPath(own)) RegWriteString(HKEY_LOCAL_MACHINE, UninstallKey, "UninstallString", own);
}

void ApplyIntegration(const IntegrationSettings& settings, char* groupPath) {
    RegisterAppPath();
    ApplyShellExtension(settings);
    ApplyAssociations(settings);
    RegisterProgramIds();
    UpdateShortcuts(settings, groupPath);
}
