// File type associations: the product's program identifiers, taking archive
// extensions over (saving their previous owners) and giving them back, the
// product format's volume extensions and the New-menu templates.
#pragma once
#include "integration/settings.h"

// Writes "Qavrix", "Qavrix.ZIP", "Qavrix.REV" and ".rev" under
// HKEY_CLASSES_ROOT and tells the shell that associations changed.
void RegisterProgramIds();

// Takes over every extension of a group whose flag is set and gives back
// every product-owned extension of a group whose flag is clear.
void ApplyAssociations(const IntegrationSettings& settings);

// The folder the template files and "Qavrix.exe" are placed in: this
// program's own folder, with its trailing backslash.
void ProgramFolder(char* folder, std::size_t size);
// `fileName` in that folder; false, with `path` empty, when the folder is
// unknown or the path does not fit `size` bytes.
bool FileBesideProgram(const char* fileName, char* path, std::size_t size);
// Tests only: another folder instead of the program's own (nullptr restores it).
void OverrideProgramFolderForTests(const char* folder);
