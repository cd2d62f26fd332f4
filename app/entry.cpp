// Start-up, the switch scan with its immediate effects, the mode choice and
// shut-down of the program.
#include "app/entry.h"
#include "app/program_state.h"
#include "app/core/switches.h"
#include "lang/messages.h"
#include "lang/languagefile.h"
#include "lang/core/messageformat.h"
#include "platform/handles.h"
#include "platform/program_path.h"
#include "platform/safe_file.h"
#include "platform/text.h"
#include "platform/shell_open.h"
#include "uninstall/uninstall_run.h"
#include "integration/setup_dialogs.h"
#include "resource.h"
#include <cstring>

// Message 5106 may come from a translation: it is composed, never used as a
// format, so a text with other or more conversions than "%s" shows them as
// they are written.
void ComposeManualDeletionWarning(char* out, size_t capacity, const char* programPath) {
    if (capacity == 0) return;
    if (!CopyText(out, capacity, GetMessageText(MSG_UNINSTALL_DONE)) || !AppendText(out, capacity, "\n")) return;
    std::size_t used = std::strlen(out);
    FormatWithText(out + used, capacity - used, GetMessageText(MSG_DELETE_MANUALLY), programPath);
}

void ShowManualDeletionWarning() {
    char text[512];
    ComposeManualDeletionWarning(text, sizeof text, ProgramPath());
    MessageBoxA(nullptr, text, GetMessageText(MSG_CAPTION), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

namespace {

struct Requests : SwitchHandler {
    bool setup = false;
    void OnSwitch(SwitchKind kind) override {
        switch (kind) {
        case SwitchKind::Setup: setup = true; break;
        case SwitchKind::Silent: SilentMode = true; break;
        case SwitchKind::Wait: Sleep(2000); break;
        case SwitchKind::Warning: ShowManualDeletionWarning(); break;
        case SwitchKind::Other: break;
        }
    }
};

void RunSetupMode() {
    INT_PTR confirmed = DialogBoxParamA(DialogModule("SETUPDLG"), "SETUPDLG", nullptr, SetupDialogProc, 0);
    if (confirmed <= 0) return;
    DialogBoxParamA(DialogModule("DONEDLG"), "DONEDLG", nullptr, DoneDialogProc, 0);
    if (programGroupPath[0] != '\0' && !SilentMode)
        ShellOpen(programGroupPath);
}

}  // namespace

HFONT CreateDialogFont() {
    // 12 pixels at 96 DPI. The program declares itself DPI-aware, so the
    // system no longer enlarges its windows: the line grows with the DPI here.
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    if (dpi <= 0) dpi = 96;
    return CreateFontA(-MulDiv(12, dpi, 96), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, GB2312_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
}

int UninstallerMain(HINSTANCE instance, const char* args) {
    TrustNoRedirection();
    LoadLanguageDll(instance);
    LoadLanguageFile("uninstall.lng");
    OleInitialization ole;
    UniqueLibrary richEdit(LoadLibraryA("riched32.dll"));
    ProductIcon = LoadIconA(ModuleWithResource("QAVICON", RT_GROUP_ICON), "QAVICON");
    UniqueFont dialogFont(CreateDialogFont());
    DialogFont = dialogFont.get();

    Requests requests;
    int switchCount = ScanSwitches(args, requests);

    if (requests.setup) RunSetupMode();
    if (switchCount == 0) UninstallDriver();
    return 0;
}
