// Applying the integration choices in order, and registering the archiver's
// application path and this program as the product's uninstaller.
#include "integration/apply.h"
#include "integration/associations.h"
#include "integration/shell_extension.h"
#include "integration/shortcuts.h"
#include "lang/messages.h"
#include "platform/program_path.h"
#include "platform/registry.h"
#include "resource.h"

void RegisterAppPath() {
    char archiver[PathSize];
    if (FileBesideProgram("Qavrix.exe", archiver))
        RegWriteString(HKEY_LOCAL_MACHINE, AppPathKey, "", archiver);
    char current[PathSize];
    DWORD length = GetCurrentDirectoryA(sizeof current, current);
    if (length != 0 && length < sizeof current) RegWriteString(HKEY_LOCAL_MACHINE, AppPathKey, "Path", current);
}

void RegisterUninstallEntry() {
    RegWriteString(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName", GetMessageText(MSG_DISPLAY_NAME));
    if (ProgramPath()[0] != '\0') RegWriteString(HKEY_LOCAL_MACHINE, UninstallKey, "UninstallString", ProgramPath());
}

void ApplyIntegration(const IntegrationSettings& settings, char* groupPath, std::size_t groupPathSize) {
    RegisterAppPath();
    ApplyShellExtension(settings);
    ApplyAssociations(settings);
    RegisterProgramIds();
    UpdateShortcuts(settings, groupPath, groupPathSize);
}
