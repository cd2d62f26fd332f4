// Process-wide state set up by the entry procedure and read by the modes.
#pragma once
#include <windows.h>

extern bool SilentMode;                 // the silent switch was given
extern char programGroupPath[1024];     // the program group folder made by setup
extern HICON ProductIcon;               // QAVICON, the dialogs' large icon
extern HFONT DialogFont;                // bold font of DONEDLG's thank-you line
