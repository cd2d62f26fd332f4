// The hook every dialog procedure calls first: right-to-left layout, the
// translation and scaling of the dialog from the language file, and help.
#pragma once
#include <windows.h>
#include "lang/core/dialogscale.h"

// Passes one dialog message through the shared localisation and help
// handling; the dialog procedure then handles the message itself as well.
// `dialogName` is the template's resource name, `helpContext` 0 for no help.
void DialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, const char* dialogName,
                int helpContext);

// Translates the title and the control texts (context: the dialog name) and
// applies the dialog's scale entry.
void TranslateDialog(HWND dialog, const char* dialogName);

// The scale entry of a dialog: the translation of its empty window text.
DialogScale GetDialogScale(const char* dialogName);

// Lays the window out right to left when the language reads that way.
void ApplyRightToLeft(HWND window);

// Opens a topic of the help file "qavrix.hlp" through WinHelpA.
void OpenHelpTopic(HWND owner, int helpContext);
// Opens the contents and index window of "qavrix.hlp" the same way.
void OpenHelpContents(HWND owner);

// Tests only: the function OpenHelpTopic calls instead of WinHelpA (nullptr
// restores WinHelpA), to see which topics are asked for; returns the previous one.
using HelpViewer = BOOL(WINAPI*)(HWND, LPCSTR, UINT, ULONG_PTR);
HelpViewer SetHelpViewerForTests(HelpViewer viewer);

// At most this many direct children of a dialog are translated and moved.
constexpr int MaxDialogChildren = 512;
