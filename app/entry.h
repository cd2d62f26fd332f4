// The entry procedure's work, callable from WinMain and from tests.
#pragma once
#include <windows.h>

// Start-up, switch scan, at most one mode, shut-down. Returns the exit code:
// 0 done, 1602 cancelled by the user, 1603 the uninstall could not start,
// 1618 another setup or uninstall run is under way.
int UninstallerMain(HINSTANCE instance, const char* args);

// The bold font of DONEDLG's thank-you line: 12 pixels high at 96 DPI,
// in proportion at other system DPIs.
HFONT CreateDialogFont();

// The manual-deletion warning shown by the "warning" switch.
void ShowManualDeletionWarning();
// Composes the "uninstall done" message, a line break and the "delete
// manually" message formatted with `programPath` into `out`, cut to fit.
void ComposeManualDeletionWarning(char* out, size_t capacity, const char* programPath);
