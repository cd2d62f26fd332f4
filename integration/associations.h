// File type associations: the product's program identifiers, taking archive
// extensions over (saving their previous owners) and giving them back, the
// product format's volume extensions and the New-menu templates (placed,
// like "Qavrix.exe", in the program's own folder: platform/program_path.h).
#pragma once
#include "integration/settings.h"

// Writes "Qavrix", "Qavrix.ZIP", "Qavrix.REV" and ".rev" under
// HKEY_CLASSES_ROOT and tells the shell that associations changed.
void RegisterProgramIds();

// Takes over every extension of a group whose flag is set and gives back
// every product-owned extension of a group whose flag is clear.
void ApplyAssociations(const IntegrationSettings& settings);
