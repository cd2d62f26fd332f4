// The dialog procedures of setup mode: SETUPDLG (the integration choices),
// CONTEXTITEMS (the shell extension's menu items) and DONEDLG (completion).
// Each passes every message to the dialog hook first, then handles it.
#include "integration/setup_dialogs.h"
#include "integration/apply.h"
#include "integration/settings.h"
#include "lang/dialoghook.h"
#include "lang/messages.h"
#include "platform/core/product_names.h"
#include "platform/program_path.h"
#include "platform/registry.h"
#include "platform/restart_schedule.h"
#include "platform/shell_open.h"
#include "platform/text.h"
#include "platform/process.h"
#include "resource.h"
#include <cstdio>
#include <richedit.h>

namespace {

// The run a dialog was created for, kept in its DWLP_USER from WM_INITDIALOG.
SetupRun& RunOf(HWND dialog) {
    static SetupRun nothingGiven;
    auto* run = reinterpret_cast<SetupRun*>(GetWindowLongPtrA(dialog, DWLP_USER));
    return run ? *run : nothingGiven;
}

void KeepRun(HWND dialog, LPARAM run) { SetWindowLongPtrA(dialog, DWLP_USER, run); }

// ---------------------------------------------------------------- SETUPDLG

void InitSetupDialog(HWND dialog) {
    IntegrationSettings settings{};
    LoadIntegrationSettings(settings);
    ShowSettingsInDialog(dialog, settings);
    SetForegroundWindow(dialog);
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(RunOf(dialog).icon));
    SendDlgItemMessageA(dialog, IDC_SETUP_TEXT, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_BTNFACE));
    if (RunOf(dialog).silent) SendMessageA(dialog, WM_COMMAND, IDC_OK, 0);
}

// Re-shows the boxes so that the cascaded-menu and menu-icons boxes follow
// the shell-extension box.
void RefreshShellOptions(HWND dialog) {
    IntegrationSettings scratch{};
    ReadSettingsFromDialog(dialog, scratch);
    ShowSettingsInDialog(dialog, scratch);
}

void ConfirmSetup(HWND dialog) {
    IntegrationSettings settings{};
    ReadSettingsFromDialog(dialog, settings);
    SaveIntegrationSettings(settings);
    SetupRun& run = RunOf(dialog);
    ApplyIntegration(settings, run.programGroupPath, sizeof run.programGroupPath);
    RegisterUninstallEntry();
    // An uninstall before it may have left files of this folder to the
    // restart; those written again since are this installation's.
    KeepFilesFromRestart(ProgramFolder());
    EndDialog(dialog, 1);
}

void HandleSetupCommand(HWND dialog, int command) {
    switch (command) {
    case IDC_SHELL_EXT: RefreshShellOptions(dialog); break;
    case IDC_OK: ConfirmSetup(dialog); break;
    case IDC_CANCEL: EndDialog(dialog, 0); break;
    case IDC_SELECT_ALL: SelectAllArchiveTypes(dialog); break;
    case IDC_CONTEXT_ITEMS:
        DialogBoxParamA(DialogModule("CONTEXTITEMS"), "CONTEXTITEMS", dialog, ContextItemsDialogProc, 0);
        break;
    default: break;  // the Help button has been served by the hook
    }
}

// ------------------------------------------------------------ CONTEXTITEMS

void ShowStoredMenuItems(HWND dialog) {
    for (const MenuItem& item : MenuItemTable) {
        DWORD value = RegGetUserDword(MenuItemsKey, item.valueName, item.defaultValue);
        CheckDlgButton(dialog, item.checkBox, value);
    }
}

void StoreMenuItems(HWND dialog) {
    for (const MenuItem& item : MenuItemTable) {
        DWORD ticked = IsDlgButtonChecked(dialog, item.checkBox) == BST_CHECKED ? 1 : 0;
        RegWriteUserDword(MenuItemsKey, item.valueName, ticked);
    }
}

// ----------------------------------------------------------------- DONEDLG

void InitDoneDialog(HWND dialog) {
    const SetupRun& run = RunOf(dialog);
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(run.icon));
    SendDlgItemMessageA(dialog, IDC_DONE_THANKS, WM_SETFONT, reinterpret_cast<WPARAM>(run.thanksFont), FALSE);
    // The program's own folder, whatever the current directory: "Change" in
    // the programs list starts setup from the system folder.
    char folder[PathSize];
    InstallationFolder(folder);
    SetDlgItemTextA(dialog, IDC_DONE_FOLDER, folder);
    if (run.silent) SendMessageA(dialog, WM_COMMAND, IDC_OK, 0);
}

// The path is quoted: unquoted, "C:\Program Files\..." would be taken as
// "C:\Program" with arguments, and a "C:\Program.exe" started instead.
void RunArchiver() {
    char path[PathSize];
    if (!FileBesideProgram(ArchiverFileName, path)) return;
    char command[sizeof path + 2];
    int len = std::snprintf(command, sizeof command, "\"%s\"", path);
    // It starts in its own folder, not in wherever setup was started from.
    char folder[PathSize];
    if (len > 0 && static_cast<std::size_t>(len) < sizeof command && InstallationFolder(folder))
        RunProgram(command, folder, 0);
}

void OpenDocument(const char* name) {
    char path[PathSize];
    if (FileBesideProgram(name, path)) ShellOpen(path);
}

void HandleDoneCommand(HWND dialog, int command) {
    switch (command) {
    case IDC_OK:
    case IDC_CANCEL: EndDialog(dialog, 1); break;
    case IDC_DONE_RUN: RunArchiver(); break;
    case IDC_DONE_HELP: OpenHelpContents(dialog); break;
    case IDC_DONE_LICENSE: OpenDocument("license.txt"); break;
    case IDC_DONE_ORDER: OpenDocument("order.htm"); break;
    case IDC_DONE_HOMEPAGE: ShellOpen(GetMessageText(MSG_HOME_PAGE)); break;
    default: break;
    }
}

}  // namespace

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogHook(dialog, message, wParam, lParam, "SETUPDLG", HELP_CONTEXT_SETUP);
    switch (message) {
    case WM_INITDIALOG:
        KeepRun(dialog, lParam);
        InitSetupDialog(dialog);
        return TRUE;
    case WM_COMMAND: HandleSetupCommand(dialog, LOWORD(wParam)); return TRUE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK ContextItemsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogHook(dialog, message, wParam, lParam, "CONTEXTITEMS", HELP_CONTEXT_CONTEXTITEMS);
    switch (message) {
    case WM_HELP: return TRUE;  // served by the hook; keep it from the owner
    case WM_INITDIALOG: ShowStoredMenuItems(dialog); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_OK) { StoreMenuItems(dialog); EndDialog(dialog, 1); return TRUE; }
        if (LOWORD(wParam) == IDC_CANCEL) { EndDialog(dialog, 0); return TRUE; }
        return FALSE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK DoneDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogHook(dialog, message, wParam, lParam, "DONEDLG", 0);
    switch (message) {
    case WM_INITDIALOG:
        KeepRun(dialog, lParam);
        InitDoneDialog(dialog);
        return TRUE;
    case WM_COMMAND: HandleDoneCommand(dialog, LOWORD(wParam)); return TRUE;
    default: return FALSE;
    }
}
