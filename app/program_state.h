// Process-wide state of the modes, set up by the entry procedure (defined in
// app/statics.cpp). The other process-wide state lives with its subsystem:
// LeadByteTable (platform/text.h), the program's own path
// (platform/program_path.h), CurrentResourceModule and OwnModule
// (lang/messages.h), the translation table (lang/languagefile.h) and
// RestartNeeded (uninstall/deferred_removal.h).
#pragma once
#include <windows.h>

extern bool SilentMode;                   // the silent switch was given
extern HICON ProductIcon;                 // QAVICON, the dialogs' large icon
extern HFONT DialogFont;                  // bold font of DONEDLG's thank-you line
