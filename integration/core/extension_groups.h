// The archive-type groups as the association step walks them: each group is
// one text of dotted extensions (".bz2.tbz2.bz.tbz"), plus the names derived
// from an extension (its ShellNew key, its saved record, volume extensions).
#pragma once
#include <cstddef>

constexpr int ArchiveTypeCount = 14;
constexpr int QavGroup = 0;    // the product's own format: volume extensions, QAV template
constexpr int ZipGroup = 1;    // the ZIP template and the "Qavrix.ZIP" class
constexpr int IsoGroup = 12;   // read on loading but never saved

extern const char* const ExtensionGroups[ArchiveTypeCount];

// Longest extension any group holds, with its terminator, and then some.
constexpr std::size_t ExtensionSize = 16;

// Copies the extension that starts at `group` into `output` (up to, not
// including, the next dot after its first character) and returns where the
// next extension starts, or nullptr when `group` is at its end. An extension
// too long for `output` is skipped whole, never cut.
const char* NextExtension(const char* group, char* output, std::size_t size);

// The program identifier the group's extensions point at.
const char* ProgramIdOfGroup(int group);

// ".q00" to ".q99"; false for numbers outside 0-99.
bool VolumeExtension(int number, char* output, std::size_t size);
constexpr int VolumeCountNt = 30;
constexpr int VolumeCount9x = 100;
constexpr int VolumeCountGivenBack = 100;

// "Setup\.zip": the key under the product key with the extension's settings
// and saved previous owner; and ".zip\ShellNew", its new-file template key.
bool RecordPath(const char* extension, char* output, std::size_t size);
bool ShellNewPath(const char* extension, char* output, std::size_t size);
