// The apply pass of setup: the user's choices made real in one ordered pass,
// and the two registrations that belong to no other step.
#pragma once
#include "integration/settings.h"
#include "platform/core/product_names.h"

// RegisterAppPath, ApplyShellExtension, ApplyAssociations,
// RegisterProgramIds and UpdateShortcuts, strictly in that order.
// `groupPath` (`groupPathSize` bytes, may be null) receives the user's
// program group folder when that group is made.
void ApplyIntegration(const IntegrationSettings& settings, char* groupPath, std::size_t groupPathSize);

// App Paths\Qavrix.exe: the archiver beside this program, and the current
// directory as its "Path".
void RegisterAppPath();

// The product's entry in the list of installed programs: "DisplayName",
// "UninstallString" (this program's own full path, quoted), and what the
// system's list, package managers and deployment tools look for:
// "QuietUninstallString" (" /S"), "ModifyPath" (" /setup") with "NoRepair",
// "DisplayIcon" (the archiver's first icon, else this program's),
// "InstallLocation", "DisplayVersion" (the archiver's own product version;
// left out when it has none), "EstimatedSize" (KiB of the listed files that
// exist) and "URLInfoAbout" (the home page). A value that cannot be composed
// whole is left out.
void RegisterUninstallEntry();
