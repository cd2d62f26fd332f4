// The dialog procedures of SETUPDLG, CONTEXTITEMS and DONEDLG.
#pragma once
#include <windows.h>
#include "platform/core/textwalk.h"

// What setup mode gives its dialogs and gets back from them, passed as the
// dialogs' creation parameter (DialogBoxParam's last argument). A dialog
// created without one runs as if nothing was given: not silent, no icon.
struct SetupRun {
    bool silent = false;                    // the dialogs confirm themselves
    HICON icon = nullptr;                   // the dialogs' large icon
    HFONT thanksFont = nullptr;             // DONEDLG's thank-you line
    char programGroupPath[PathSize] = "";   // the program group folder SETUPDLG's OK made
};

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ContextItemsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DoneDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
