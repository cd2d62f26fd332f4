// Start-up, the switch scan with its immediate effects, the mode choice and
// shut-down of the program.
#include "app/entry.h"
#include "app/program_state.h"
#include "app/core/exit_codes.h"
#include "app/core/switches.h"
#include "lang/messages.h"
#include "lang/languagefile.h"
#include "lang/core/messageformat.h"
#include "platform/handles.h"
#include "platform/ole.h"
#include "platform/program_path.h"
#include "platform/run_log.h"
#include "platform/process_policy.h"
#include "platform/text.h"
#include "platform/windows_version.h"
#include "platform/shell_open.h"
#include "platform/system_functions.h"
#include "uninstall/deferred_removal.h"
#include "uninstall/uninstall_run.h"
#include "integration/setup_dialogs.h"
#include "resource.h"
#include <cstring>
#include <string>

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

// The warning is given after the scan, once it is known whether the run is
// silent ("/warning /S" as well as "/S /warning").
struct Requests : SwitchHandler {
    bool setup = false;
    bool warning = false;
    bool unknown = false;   // a switch the program does not know: nothing is done
    std::string logFile;
    void OnSwitch(SwitchKind kind) override {
        switch (kind) {
        case SwitchKind::Setup: setup = true; break;
        case SwitchKind::Silent: SilentMode = true; break;
        case SwitchKind::Wait: Sleep(2000); break;
        case SwitchKind::Warning: warning = true; break;
        case SwitchKind::Other: unknown = true; break;
        case SwitchKind::Log: break;
        }
    }
    void OnLogFile(const std::string& name) override { logFile = name; }
};

// Nobody may be there to read the warning of a silent run: the program and
// its folder are left to the restart instead.
void WarnOrLeaveToRestart() {
    if (SilentMode) LeaveProgramToRestart(ProgramPath());
    else ShowManualDeletionWarning();
}

// A program path the code page cannot write comes with "?" or a look-alike
// in it: registered, it would name no program, and the archives it took over
// would open with nothing, with no uninstall to undo it.
bool SetupMayRunHere() {
    if (ProgramPathInCodePage()) return true;
    LogLine("setup refused: the code page cannot write the name of the program's folder; nothing was changed");
    if (!SilentMode)
        MessageBoxA(nullptr, GetMessageText(MSG_FOLDER_NOT_IN_CODE_PAGE), GetMessageText(MSG_CAPTION),
                    MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return false;
}

RunEnd RunSetupMode() {
    if (!SetupMayRunHere()) return RunEnd::CannotStart;
    SetupRun run;
    run.silent = SilentMode;
    run.icon = ProductIcon;
    run.thanksFont = DialogFont;
    LPARAM given = reinterpret_cast<LPARAM>(&run);
    INT_PTR confirmed = DialogBoxParamA(DialogModule("SETUPDLG"), "SETUPDLG", nullptr, SetupDialogProc, given);
    if (confirmed <= 0) {
        LogLine("setup was cancelled; nothing was applied");
        return RunEnd::Cancelled;
    }
    LogLine("setup applied its choices in %s", ProgramFolder());
    DialogBoxParamA(DialogModule("DONEDLG"), "DONEDLG", nullptr, DoneDialogProc, given);
    if (run.programGroupPath[0] != '\0' && !SilentMode)
        ShellOpen(run.programGroupPath);
    return RunEnd::Done;
}

RunEnd RunUninstall() {
    switch (UninstallDriver(SilentMode)) {
    case UninstallEnd::Done: return RunEnd::Done;
    case UninstallEnd::RestartNeeded: return RunEnd::RestartNeeded;
    case UninstallEnd::Declined: return RunEnd::Cancelled;
    case UninstallEnd::NothingRemoved: return RunEnd::NothingRemoved;
    case UninstallEnd::EntriesLeft: return RunEnd::EntriesLeft;
    case UninstallEnd::CannotStart: break;
    }
    return RunEnd::CannotStart;
}

// Held for the whole of a setup or uninstall run, across sessions where the
// system has them: a second run meanwhile changes nothing (and says so in a
// box unless it is silent).
// False when another run holds it (or made it so that this one may not
// open it).
bool TakeRunLock(UniqueHandle& lock) {
    const char* name = NtMajorVersion() >= 5 ? "Global\\Qavrix.SetupOrUninstall" : "Qavrix.SetupOrUninstall";
    lock.reset(CreateMutexA(nullptr, FALSE, name));
    if (!lock) return GetLastError() != ERROR_ACCESS_DENIED;
    DWORD waited = WaitForSingleObject(lock.get(), 0);
    return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

void ShowRunUnderWay() {
    MessageBoxA(nullptr, GetMessageText(MSG_RUN_UNDER_WAY), GetMessageText(MSG_CAPTION),
                MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

}  // namespace

HFONT CreateDialogFont() {
    // 12 pixels at 96 DPI. The program declares itself DPI-aware, so the
    // system no longer enlarges its windows: the line grows with the DPI here.
    UniqueScreenDc screen(GetDC(nullptr));
    int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    if (dpi <= 0) dpi = 96;
    return CreateFontA(-MulDiv(12, dpi, 96), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, GB2312_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
}

int UninstallerMain(HINSTANCE instance, const char* args) {
    TrustNoRedirection();
    LoadLanguageDll(instance);
    LoadLanguageFile("uninstall.lng");
    OleForRun ole;
    Requests requests;
    int switchCount = ScanSwitches(args, requests);
    // Windows will be shown: OLE from the start, as the dialogs' controls
    // expect. A silent uninstall starts it only at a shell link.
    if (requests.setup || !SilentMode) OleStarted();
    // The dialogs' rich-edit control, icon and font; a silent uninstall shows
    // no window, and the font's making alone reads the screen and the fonts.
    UniqueLibrary richEdit;
    UniqueFont dialogFont;
    if (requests.setup || !SilentMode) {
        richEdit.reset(LoadSystemLibrary("riched32.dll"));
        ProductIcon = LoadIconA(ModuleWithResource("QAVICON", RT_GROUP_ICON), "QAVICON");
        dialogFont.reset(CreateDialogFont());
        DialogFont = dialogFont.get();
    }
    // The lock is held until the log is closed: only the run that holds it
    // begins its log afresh; every other run (refused, waiting, warning)
    // appends, so a log another run is writing loses nothing.
    RunEnd end = RunEnd::Done;
    UniqueHandle lock;
    bool modeRuns = !requests.unknown && (requests.setup || switchCount == 0);
    if (modeRuns && !TakeRunLock(lock)) {
        modeRuns = false;
        end = RunEnd::Busy;
    }
    if (!requests.logFile.empty())
        OpenRunLog(requests.logFile.c_str(), modeRuns ? LogFile::New : LogFile::Appended);
    char current[PathSize] = "";
    GetCurrentDirectoryA(sizeof current, current);
    LogLine("%s started in %s with: %s", ProgramPath(), current, args ? args : "");
    if (requests.unknown) end = RunEnd::UnknownSwitch;
    else if (requests.warning) WarnOrLeaveToRestart();

    if (modeRuns) end = requests.setup ? RunSetupMode() : RunUninstall();
    if (end == RunEnd::Busy && !SilentMode) ShowRunUnderWay();
    const ExitCodeRow& row = ExitCodeOf(end);
    LogLine("ended with exit code %d: %s", row.code, row.meaning);
    CloseRunLog();
    return row.code;
}
