// Applying the integration choices in order, and registering the archiver's
// application path and this program as the product's uninstaller.
#include "integration/apply.h"
#include "integration/associations.h"
#include "integration/shell_extension.h"
#include "integration/shortcuts.h"
#include "integration/core/uninstall_entry.h"
#include "platform/core/entrypath.h"
#include "platform/core/listfile.h"
#include "lang/messages.h"
#include "platform/core/product_names.h"
#include "platform/handles.h"
#include "platform/program_path.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "resource.h"
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool FileIsPresent(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The product version from the file's own version resource; false when the
// file has none or it is damaged (too short, wrong signature, no version).
bool ProductVersionOf(const char* file, char* version, std::size_t size) {
    version[0] = '\0';
    DWORD ignored = 0;
    DWORD infoSize = GetFileVersionInfoSizeA(file, &ignored);
    if (infoSize == 0) return false;
    std::vector<unsigned char> info(infoSize);
    if (!GetFileVersionInfoA(file, 0, infoSize, info.data())) return false;
    void* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), "\\", &fixed, &length) || !fixed || length < sizeof(VS_FIXEDFILEINFO))
        return false;
    VS_FIXEDFILEINFO record;
    std::memcpy(&record, fixed, sizeof record);
    return VersionText(version, size, record.dwSignature, record.dwProductVersionMS, record.dwProductVersionLS);
}

// The total size of the files Uninstall.lst in `folder` (ending in a
// backslash) names that exist; false when the list cannot be read or no
// listed file can be measured. Folders and names that leave the folder
// count nothing.
bool MeasureListedFiles(const char* folder, std::uint64_t& bytes) {
    char listPath[PathSize];
    if (!ComposeEntryPath(listPath, sizeof listPath, folder, ListFileName)) return false;
    UniqueStdioFile list(std::fopen(listPath, "rb"));
    if (!list) return false;
    bool measured = false;
    bytes = 0;
    static char entry[ListLineBufferSize];
    while (ReadListEntry(list.get(), entry, sizeof entry)) {
        char path[PathSize];
        // No wildcards: the search below reads one entry, never a pattern.
        if (!EntryStaysInside(LeadByteTable, entry) || std::strpbrk(entry, "*?") != nullptr ||
            !ComposeEntryPath(path, sizeof path, folder, entry))
            continue;
        WIN32_FIND_DATAA data;
        UniqueFindHandle found(FindFirstFileA(path, &data));
        if (!found || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        bytes += (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        measured = true;
    }
    return measured;
}

}  // namespace

void RegisterAppPath() {
    char archiver[PathSize];
    if (FileBesideProgram(ArchiverFileName, archiver))
        RegWriteString(HKEY_LOCAL_MACHINE, AppPathKey, "", archiver);
    // The program's own folder: "Change" in the programs list starts setup
    // from the system folder.
    char folder[PathSize];
    if (InstallationFolder(folder)) RegWriteString(HKEY_LOCAL_MACHINE, AppPathKey, "Path", folder);
}

void RegisterUninstallEntry() {
    RegWriteString(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName", GetMessageText(MSG_DISPLAY_NAME));
    const char* own = ProgramPath();
    // Quoted: unquoted, a path with blanks is tried as "C:\Program.exe" first.
    char command[PathSize + 16];
    if (QuotedCommand(command, sizeof command, own, ""))
        RegWriteString(HKEY_LOCAL_MACHINE, UninstallKey, "UninstallString", command);
    if (QuotedCommand(command, sizeof command, own, " /S"))
        RegWriteString(HKEY_LOCAL_MACHINE, UninstallKey, "QuietUninstallString", command);
    if (QuotedCommand(command, sizeof command, own, " /setup"))
        RegWriteString(HKEY_LOCAL_MACHINE, UninstallKey, "ModifyPath", command);
    RegWriteDword(HKEY_LOCAL_MACHINE, UninstallKey, "NoRepair", 1);

    char archiver[PathSize];
    bool haveArchiver = FileBesideProgram(ArchiverFileName, archiver) && FileIsPresent(archiver);
    char icon[PathSize + 2];
    if (FirstIconOf(icon, sizeof icon, haveArchiver ? archiver : own))
        RegWriteString(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayIcon", icon);

    const char* folder = ProgramFolder();
    char location[PathSize];
    if (InstallationFolder(location)) RegWriteString(HKEY_LOCAL_MACHINE, UninstallKey, "InstallLocation", location);

    char version[32];
    if (haveArchiver && ProductVersionOf(archiver, version, sizeof version))
        RegWriteString(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayVersion", version);

    std::uint64_t bytes = 0;
    if (folder[0] != '\0' && MeasureListedFiles(folder, bytes))
        RegWriteDword(HKEY_LOCAL_MACHINE, UninstallKey, "EstimatedSize", KibibytesOf(bytes));

    RegWriteString(HKEY_LOCAL_MACHINE, UninstallKey, "URLInfoAbout", GetMessageText(MSG_HOME_PAGE));
}

void ApplyIntegration(const IntegrationSettings& settings, char* groupPath, std::size_t groupPathSize) {
    RegisterAppPath();
    ApplyShellExtension(settings);
    ApplyAssociations(settings);
    RegisterProgramIds();
    UpdateShortcuts(settings, groupPath, groupPathSize);
}
