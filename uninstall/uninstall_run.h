// The uninstall run over Uninstall.lst.
#pragma once

// Confirms, removes the integration and the listed files, then removes itself.
void UninstallDriver();
