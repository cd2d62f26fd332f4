// File type associations: the product's program identifiers, taking archive
// extensions over (saving their previous owners) and giving them back, the
// product format's volume extensions and the New-menu templates (placed,
// like "Qavrix.exe", in the program's own folder: platform/program_path.h).
#pragma once
#include "integration/settings.h"

// Writes the program identifiers of the product's table (the classes
// "Qavrix", "Qavrix.ZIP", "Qavrix.REV" and the extension ".rev") under
// HKEY_CLASSES_ROOT and tells the shell that associations changed.
void RegisterProgramIds();
// Removes them with their subkeys; ".rev" only while it still points at ours.
void RemoveProgramIds();

// Takes over every extension of a group whose flag is set and gives back
// every product-owned extension of a group whose flag is clear.
void ApplyAssociations(const IntegrationSettings& settings);
