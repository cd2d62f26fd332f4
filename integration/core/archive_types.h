// The archive types setup offers, one row each: the check box, the
// extensions, the program identifier they point at and what sets the type
// apart. The settings, the setup dialog, the associations and the tests all
// walk this table, so a new type is one row here plus its check box (an id
// in res/resource.h and a control in both dialog templates). Also the names
// built from an extension: its ShellNew key, its saved record, the volume
// extensions.
#pragma once
#include "integration/core/empty_archives.h"
#include "platform/core/product_names.h"
#include "res/resource.h"
#include <cstddef>

// A template of the shell's New menu: the file written beside the program
// (or, on older systems, the image itself as the "Data" value).
struct NewMenuTemplate {
    const char* fileName;
    const unsigned char* image;
    std::size_t size;
};
inline constexpr NewMenuTemplate QavNewMenu = {"qavnew.dat", QavEmptyArchive, QavTemplateSize};
inline constexpr NewMenuTemplate ZipNewMenu = {"zipnew.dat", ZipEmptyArchive, ZipTemplateSize};

// What sets a type apart: bits of ArchiveType::traits.
enum ArchiveTrait : unsigned {
    VolumeExtensions = 1u,  // the product format's volumes .q00-.q99 go with it
    ChoiceNotStored = 2u,   // never saved: offered ticked unless another program's class holds it
    NotInSelectAll = 4u,    // "Select all" leaves its box as it is
};

struct ArchiveType {
    int checkBox;                    // control of SETUPDLG
    const char* extensions;          // ".gz.tgz": the first one names the settings key "Setup\.gz"
    const char* programId;           // what every extension of the type points at
    const NewMenuTemplate* newMenu;  // installed with the shell extension; null: none
    unsigned traits;
};

inline constexpr ArchiveType ArchiveTypeTable[] = {
    {IDC_ASSOC_QAV, ".qav", ArchiveProgramId, &QavNewMenu, VolumeExtensions},
    {IDC_ASSOC_ZIP, ".zip", ZipProgramId, &ZipNewMenu, 0},
    {IDC_ASSOC_CAB, ".cab", ArchiveProgramId, nullptr, 0},
    {IDC_ASSOC_ARJ, ".arj", ArchiveProgramId, nullptr, 0},
    {IDC_ASSOC_LZH, ".lzh.lha", ArchiveProgramId, nullptr, 0},
    {IDC_ASSOC_ACE, ".ace", ArchiveProgramId, nullptr, 0},
    {IDC_ASSOC_7Z, ".7z", ArchiveProgramId, nullptr, 0},
    {IDC_ASSOC_TAR, ".tar", ArchiveProgramId, nullptr, 0},
    {IDC_ASSOC_GZIP, ".gz.tgz", ArchiveProgramId, nullptr, 0},
    {IDC_ASSOC_UUE, ".uue.xxe.uu", ArchiveProgramId, nullptr, 0},
    {IDC_ASSOC_BZ2, ".bz2.tbz2.bz.tbz", ArchiveProgramId, nullptr, 0},
    {IDC_ASSOC_JAR, ".jar", ArchiveProgramId, nullptr, 0},
    {IDC_ASSOC_ISO, ".iso", ArchiveProgramId, nullptr, ChoiceNotStored},
    {IDC_ASSOC_Z, ".z.taz", ArchiveProgramId, nullptr, NotInSelectAll},
};
constexpr int ArchiveTypeCount = static_cast<int>(sizeof ArchiveTypeTable / sizeof ArchiveTypeTable[0]);

// Longest extension any type holds, with its terminator, and then some.
constexpr std::size_t ExtensionSize = 16;

// Copies the extension that starts at `extensions` into `output` (up to, not
// including, the next dot after its first character) and returns where the
// next extension starts, or nullptr when `extensions` is at its end. An
// extension too long for `output` is skipped whole, never cut.
const char* NextExtension(const char* extensions, char* output, std::size_t size);

// The type's first extension, which names its settings key; empty when it
// does not fit.
void PrimaryExtension(const ArchiveType& type, char (&output)[ExtensionSize]);

// ".q00" to ".q99"; false for numbers outside 0-99.
bool VolumeExtension(int number, char* output, std::size_t size);
constexpr int VolumeCountNt = 30;
constexpr int VolumeCount9x = 100;
constexpr int VolumeCountGivenBack = 100;

// "Setup\.zip": the key under the product key with the extension's settings
// and saved previous owner; and ".zip\ShellNew", its new-file template key.
bool RecordPath(const char* extension, char* output, std::size_t size);
bool ShellNewPath(const char* extension, char* output, std::size_t size);
