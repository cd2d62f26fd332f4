// Registration of the archiver's shell extension "qavext.dll": its COM class,
// its context-menu, property-sheet and drop handlers, and its approval.
#pragma once
#include "integration/settings.h"

// Registers the extension when `shellExt` is set and unregisters it when clear.
void ApplyShellExtension(const IntegrationSettings& settings);
