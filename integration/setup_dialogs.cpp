// The setup dialogs (not yet built: SETUPDLG ends at once as cancelled).
#include "integration/setup_dialogs.h"

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) { EndDialog(dialog, 0); return TRUE; }
    return FALSE;
}
INT_PTR CALLBACK ContextItemsDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) { EndDialog(dialog, 0); return TRUE; }
    return FALSE;
}
INT_PTR CALLBACK DoneDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) { EndDialog(dialog, 1); return TRUE; }
    return FALSE;
}
