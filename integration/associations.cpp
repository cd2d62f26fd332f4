// Taking archive extensions over and giving them back, the program
// identifiers they point at and the New-menu templates of QAV and ZIP.
#include "integration/associations.h"
#include "integration/core/empty_archives.h"
#include "integration/core/program_ids.h"
#include "lang/messages.h"
#include "platform/core/product_names.h"
#include "platform/core/textwalk.h"
#include "platform/handles.h"
#include "platform/program_path.h"
#include "platform/registry.h"
#include "platform/safe_file.h"
#include "platform/text.h"
#include "platform/windows_version.h"
#include "resource.h"
#include <shlobj.h>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t SavedTextSize = 512;
constexpr std::size_t SavedTemplateSize = PathSize;
constexpr std::size_t NullFileSize = 10;
constexpr std::size_t KeySize = ExtensionSize + 16;
constexpr std::size_t MachineKeySize = KeySize + sizeof ProductKeyPath;

// The previous owner of an extension is kept twice: in the record of the
// user who ran setup (`record`, below the per-user product key) and in a
// machine-wide copy below HKEY_LOCAL_MACHINE\Software\Qavrix, which an
// uninstall by another account (the system account of a deployment tool,
// another administrator) reads.
struct RecordPlace {
    HKEY root = HKEY_CURRENT_USER;
    char path[MachineKeySize] = "";
};

bool MachineRecordPath(const char* record, RecordPlace& place) {
    place.root = HKEY_LOCAL_MACHINE;
    int written = std::snprintf(place.path, sizeof place.path, "%s\\%s", ProductKeyPath, record);
    return written > 0 && static_cast<std::size_t>(written) < sizeof place.path;
}

// The record to give an extension back by: the caller's own, else the
// machine-wide copy; false when neither holds one.
bool FindRecord(const char* record, RecordPlace& place) {
    constexpr DWORD None = 0xFFFFFFFF;   // "Exist" is 0 or 1
    if (RegGetUserDword(record, "Exist", None) != None) return CopyText(place.path, sizeof place.path, record);
    return MachineRecordPath(record, place) && RegGetDword(HKEY_LOCAL_MACHINE, place.path, "Exist", None) != None;
}

// "<folder>Qavrix.exe", the archiver that opens what the product owns.
void ArchiverPath(char (&path)[PathSize]) {
    CopyText(path, sizeof path, ProgramFolder());
    AppendText(path, sizeof path, ArchiverFileName);
}

void WriteDefault(const char* key, const char* text) { RegWriteString(HKEY_CLASSES_ROOT, key, "", text); }

// A class: description, open command and icon; or an extension pointing
// at one.
void WriteProgramId(const ProgramIdEntry& entry, const char* openCommand, const char* archiver) {
    if (entry.pointsAt) {
        WriteDefault(entry.key, entry.pointsAt);
        return;
    }
    char key[64];
    char iconText[PathSize + 8];
    WriteDefault(entry.key, GetMessageText(entry.description));
    std::snprintf(key, sizeof key, "%s\\shell\\open\\command", entry.key);
    WriteDefault(key, openCommand);
    std::snprintf(key, sizeof key, "%s\\DefaultIcon", entry.key);
    std::snprintf(iconText, sizeof iconText, "%s,%d", archiver, entry.icon);
    WriteDefault(key, iconText);
}

// An extension goes only while it still points at our class.
bool StillOurs(const ProgramIdEntry& entry) {
    if (!entry.pointsAt) return true;
    char owner[256];
    return RegReadString(HKEY_CLASSES_ROOT, entry.key, "", owner, "", sizeof owner) &&
           CompareTextNoCase(owner, entry.pointsAt) == 0;
}

void WriteRecord(const RecordPlace& place, DWORD existed, const char* type, const char* content,
                 const char* shellNew) {
    RegWriteDword(place.root, place.path, "Exist", existed);
    RegWriteString(place.root, place.path, "Type", type);
    RegWriteString(place.root, place.path, "Content", content);
    RegWriteString(place.root, place.path, "ShellNew", shellNew);
}

// The previous owner of an extension, saved before the product takes it.
void SaveRecord(const char* extension, const char* shellNew, const char* record) {
    char type[SavedTextSize], content[SavedTextSize], fileName[SavedTemplateSize], nullFile[NullFileSize];
    RegReadString(HKEY_CLASSES_ROOT, extension, "", type, "", sizeof type);
    RegReadString(HKEY_CLASSES_ROOT, extension, "Content Type", content, "", sizeof content);
    RegReadString(HKEY_CLASSES_ROOT, shellNew, "FileName", fileName, "", sizeof fileName);
    bool hasNullFile = RegReadString(HKEY_CLASSES_ROOT, shellNew, "NullFile", nullFile, "", sizeof nullFile);
    DWORD existed = RegKeyExists(HKEY_CLASSES_ROOT, extension) ? 1 : 0;
    const char* savedTemplate = fileName[0] == '\0' && hasNullFile ? "*" : fileName;
    RecordPlace place;
    if (CopyText(place.path, sizeof place.path, record)) WriteRecord(place, existed, type, content, savedTemplate);
    if (MachineRecordPath(record, place)) WriteRecord(place, existed, type, content, savedTemplate);
}

void PointVolumesAt(const char* programId, int count) {
    for (int number = 0; number < count; ++number) {
        char volume[ExtensionSize];
        VolumeExtension(number, volume, sizeof volume);
        WriteDefault(volume, programId);
        RegRemoveValue(HKEY_CLASSES_ROOT, volume, "Content Type");
    }
}

// Writes the template file once; a file that exists stays as it is. A link
// there is removed and a new file made, and a write that fails part-way
// leaves no cut file behind that later runs would keep.
void CreateTemplateFile(const char* path, const unsigned char* image, std::size_t size) {
    WriteNewFile(path, image, size, ExistingFile::Keep);
}

// Windows Me, Windows 2000 and later take a template file; earlier
// systems take the image itself as the "Data" value.
bool TemplateFilesSupported() {
    DWORD major = 0, minor = 0;
    WindowsVersion(major, minor);
    return major > 4 || minor > 10;
}

void InstallTemplate(const NewMenuTemplate& newMenu, const char* shellNew) {
    const unsigned char* image = newMenu.image;
    std::size_t size = newMenu.size;
    RegRemoveKey(HKEY_CLASSES_ROOT, shellNew);
    if (TemplateFilesSupported()) {
        char path[PathSize];
        CopyText(path, sizeof path, ProgramFolder());
        if (!AppendText(path, sizeof path, newMenu.fileName)) return;
        if (path[0] != '\0' && FileNamePart(path) != path) CreateTemplateFile(path, image, size);
        RegWriteString(HKEY_CLASSES_ROOT, shellNew, "FileName", path);
    } else {
        RegWriteBinary(HKEY_CLASSES_ROOT, shellNew, "Data", image, static_cast<DWORD>(size));
    }
}

void TakeOver(const ArchiveType& type, const char* extension, bool shellExt) {
    char shellNew[KeySize], record[KeySize];
    if (!ShellNewPath(extension, shellNew, sizeof shellNew) || !RecordPath(extension, record, sizeof record)) return;
    if (!IsProductAssociation(extension)) SaveRecord(extension, shellNew, record);
    WriteDefault(extension, type.programId);
    RegRemoveValue(HKEY_CLASSES_ROOT, extension, "Content Type");
    if (type.traits & VolumeExtensions)
        PointVolumesAt(ArchiveProgramId, NtMajorVersion() != 0 ? VolumeCountNt : VolumeCount9x);
    if (type.newMenu && shellExt) InstallTemplate(*type.newMenu, shellNew);
}

// With no record, only the product's own templates go.
void RestoreTemplate(const char* shellNew, const RecordPlace* record) {
    char savedTemplate[SavedTemplateSize] = "";
    if (record) RegReadString(record->root, record->path, "ShellNew", savedTemplate, "", sizeof savedTemplate);
    // Both kinds of template the product writes go: a "Data" image left
    // beside the owner's own template would be used in its place.
    RegRemoveValue(HKEY_CLASSES_ROOT, shellNew, "FileName");
    RegRemoveValue(HKEY_CLASSES_ROOT, shellNew, "Data");
    if (savedTemplate[0] == '*')
        RegWriteString(HKEY_CLASSES_ROOT, shellNew, "NullFile", "");
    else if (savedTemplate[0] != '\0')
        RegWriteString(HKEY_CLASSES_ROOT, shellNew, "FileName", savedTemplate);
}

void GiveVolumesBack(bool existed, const char* type, const char* content) {
    for (int number = 0; number < VolumeCountGivenBack; ++number) {
        char volume[ExtensionSize];
        VolumeExtension(number, volume, sizeof volume);
        if (existed && type[0] != '\0') {
            WriteDefault(volume, type);
            if (content[0] != '\0') RegWriteString(HKEY_CLASSES_ROOT, volume, "Content Type", content);
        } else {
            RegRemoveKey(HKEY_CLASSES_ROOT, volume);
        }
    }
}

void GiveBack(const ArchiveType& archiveType, const char* extension) {
    if (!IsProductAssociation(extension)) return;  // another program's, or nobody's
    char shellNew[KeySize], record[KeySize];
    if (!ShellNewPath(extension, shellNew, sizeof shellNew) || !RecordPath(extension, record, sizeof record)) return;
    // Without a record anywhere the extension counts as having existed, with
    // no owner: only what is the product's goes.
    RecordPlace place;
    bool found = FindRecord(record, place);
    bool existed = !found || RegGetDword(place.root, place.path, "Exist", 1) != 0;
    char type[SavedTextSize] = "", content[SavedTextSize] = "";
    if (found) {
        RegReadString(place.root, place.path, "Type", type, "", sizeof type);
        RegReadString(place.root, place.path, "Content", content, "", sizeof content);
    }
    if (IsProductClassName(type)) type[0] = '\0';
    if (existed) {
        // An empty default would be an owner of no name: the value goes.
        if (type[0] != '\0')
            WriteDefault(extension, type);
        else
            RegRemoveValue(HKEY_CLASSES_ROOT, extension, "");
        if (content[0] != '\0')
            RegWriteString(HKEY_CLASSES_ROOT, extension, "Content Type", content);
        else
            RegRemoveValue(HKEY_CLASSES_ROOT, extension, "Content Type");
        RestoreTemplate(shellNew, found ? &place : nullptr);
    } else {
        RegRemoveKey(HKEY_CLASSES_ROOT, shellNew);
        RegRemoveKey(HKEY_CLASSES_ROOT, extension);
    }
    if (archiveType.traits & VolumeExtensions) GiveVolumesBack(existed, type, content);
}

}  // namespace

void RegisterProgramIds() {
    char archiver[PathSize];
    ArchiverPath(archiver);
    char openCommand[PathSize + 16];
    std::snprintf(openCommand, sizeof openCommand, "\"%s\" \"%%1\"", archiver);
    for (const ProgramIdEntry& entry : ProgramIdTable) WriteProgramId(entry, openCommand, archiver);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

void RemoveProgramIds() {
    for (const ProgramIdEntry& entry : ProgramIdTable)
        if (StillOurs(entry)) RemoveKeyTreeLogged(HKEY_CLASSES_ROOT, entry.key);
}

void ApplyAssociations(const IntegrationSettings& settings) {
    PutTemplateFirstBytes();
    for (int row = 0; row < ArchiveTypeCount; ++row) {
        const ArchiveType& type = ArchiveTypeTable[row];
        char extension[ExtensionSize];
        for (const char* next = NextExtension(type.extensions, extension, sizeof extension); next;
             next = NextExtension(next, extension, sizeof extension)) {
            if (settings.associate[row])
                TakeOver(type, extension, settings.shellExt);
            else
                GiveBack(type, extension);
        }
    }
}
