// Taking archive extensions over and giving them back, the program
// identifiers they point at and the New-menu templates of QAV and ZIP.
#include "integration/associations.h"
#include "integration/core/empty_archives.h"
#include "lang/messages.h"
#include "platform/core/textwalk.h"
#include "platform/handles.h"
#include "platform/program_path.h"
#include "platform/registry.h"
#include "platform/safe_file.h"
#include "platform/text.h"
#include "resource.h"
#include <shlobj.h>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t SavedTextSize = 512;
constexpr std::size_t SavedTemplateSize = PathSize;
constexpr std::size_t NullFileSize = 10;
constexpr std::size_t KeySize = ExtensionSize + 16;

// "<folder>Qavrix.exe", the archiver that opens what the product owns.
void ArchiverPath(char (&path)[PathSize]) {
    CopyText(path, sizeof path, ProgramFolder());
    AppendText(path, sizeof path, "Qavrix.exe");
}

void WriteDefault(const char* key, const char* text) { RegWriteString(HKEY_CLASSES_ROOT, key, "", text); }

// A program identifier: description, open command and icon.
void WriteProgramId(const char* id, int description, const char* openCommand, const char* archiver, int icon) {
    char key[64];
    char iconText[PathSize + 8];
    WriteDefault(id, GetMessageText(description));
    std::snprintf(key, sizeof key, "%s\\shell\\open\\command", id);
    WriteDefault(key, openCommand);
    std::snprintf(key, sizeof key, "%s\\DefaultIcon", id);
    std::snprintf(iconText, sizeof iconText, "%s,%d", archiver, icon);
    WriteDefault(key, iconText);
}

// The previous owner of an extension, saved before the product takes it.
void SaveRecord(const char* extension, const char* shellNew, const char* record) {
    char type[SavedTextSize], content[SavedTextSize], fileName[SavedTemplateSize], nullFile[NullFileSize];
    RegReadString(HKEY_CLASSES_ROOT, extension, "", type, "", sizeof type);
    RegReadString(HKEY_CLASSES_ROOT, extension, "Content Type", content, "", sizeof content);
    RegReadString(HKEY_CLASSES_ROOT, shellNew, "FileName", fileName, "", sizeof fileName);
    bool hasNullFile = RegReadString(HKEY_CLASSES_ROOT, shellNew, "NullFile", nullFile, "", sizeof nullFile);
    RegWriteUserDword(record, "Exist", RegKeyExists(HKEY_CLASSES_ROOT, extension) ? 1 : 0);
    RegWriteUserString(record, "Type", type);
    RegWriteUserString(record, "Content", content);
    RegWriteUserString(record, "ShellNew", fileName[0] == '\0' && hasNullFile ? "*" : fileName);
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

void InstallTemplate(int group, const char* shellNew) {
    const unsigned char* image = group == QavGroup ? QavEmptyArchive : ZipEmptyArchive;
    std::size_t size = group == QavGroup ? QavTemplateSize : ZipTemplateSize;
    RegRemoveKey(HKEY_CLASSES_ROOT, shellNew);
    if (TemplateFilesSupported()) {
        char path[PathSize];
        CopyText(path, sizeof path, ProgramFolder());
        if (!AppendText(path, sizeof path, group == QavGroup ? "qavnew.dat" : "zipnew.dat")) return;
        if (path[0] != '\0' && FileNamePart(path) != path) CreateTemplateFile(path, image, size);
        RegWriteString(HKEY_CLASSES_ROOT, shellNew, "FileName", path);
    } else {
        RegWriteBinary(HKEY_CLASSES_ROOT, shellNew, "Data", image, static_cast<DWORD>(size));
    }
}

void TakeOver(int group, const char* extension, bool shellExt) {
    char shellNew[KeySize], record[KeySize];
    if (!ShellNewPath(extension, shellNew, sizeof shellNew) || !RecordPath(extension, record, sizeof record)) return;
    if (!IsProductAssociation(extension)) SaveRecord(extension, shellNew, record);
    WriteDefault(extension, ProgramIdOfGroup(group));
    RegRemoveValue(HKEY_CLASSES_ROOT, extension, "Content Type");
    if (group == QavGroup) PointVolumesAt("Qavrix", NtMajorVersion() != 0 ? VolumeCountNt : VolumeCount9x);
    if ((group == QavGroup || group == ZipGroup) && shellExt) InstallTemplate(group, shellNew);
}

void RestoreTemplate(const char* shellNew, const char* record) {
    char savedTemplate[SavedTemplateSize];
    RegReadUserString(record, "ShellNew", savedTemplate, "", sizeof savedTemplate);
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

void GiveBack(int group, const char* extension) {
    if (!IsProductAssociation(extension)) return;  // another program's, or nobody's
    char shellNew[KeySize], record[KeySize];
    if (!ShellNewPath(extension, shellNew, sizeof shellNew) || !RecordPath(extension, record, sizeof record)) return;
    bool existed = RegGetUserDword(record, "Exist", 1) != 0;
    char type[SavedTextSize], content[SavedTextSize];
    RegReadUserString(record, "Type", type, "", sizeof type);
    if (IsProductClassName(type)) type[0] = '\0';
    RegReadUserString(record, "Content", content, "", sizeof content);
    if (existed) {
        WriteDefault(extension, type);
        if (content[0] != '\0')
            RegWriteString(HKEY_CLASSES_ROOT, extension, "Content Type", content);
        else
            RegRemoveValue(HKEY_CLASSES_ROOT, extension, "Content Type");
        RestoreTemplate(shellNew, record);
    } else {
        RegRemoveKey(HKEY_CLASSES_ROOT, shellNew);
        RegRemoveKey(HKEY_CLASSES_ROOT, extension);
    }
    if (group == QavGroup) GiveVolumesBack(existed, type, content);
}

}  // namespace

void RegisterProgramIds() {
    char archiver[PathSize];
    ArchiverPath(archiver);
    char openCommand[PathSize + 16];
    std::snprintf(openCommand, sizeof openCommand, "\"%s\" \"%%1\"", archiver);
    WriteProgramId("Qavrix", MSG_QAV_ARCHIVE, openCommand, archiver, 0);
    WriteProgramId("Qavrix.ZIP", MSG_ZIP_ARCHIVE, openCommand, archiver, 0);
    WriteDefault(".rev", "Qavrix.REV");
    WriteProgramId("Qavrix.REV", MSG_RECOVERY_VOLUME, openCommand, archiver, 1);
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

void ApplyAssociations(const IntegrationSettings& settings) {
    PutTemplateFirstBytes();
    for (int group = 0; group < ArchiveTypeCount; ++group) {
        char extension[ExtensionSize];
        for (const char* next = NextExtension(ExtensionGroups[group], extension, sizeof extension); next;
             next = NextExtension(next, extension, sizeof extension)) {
            if (settings.associate[group])
                TakeOver(group, extension, settings.shellExt);
            else
                GiveBack(group, extension);
        }
    }
}
