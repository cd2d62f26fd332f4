// Deferred deletion of files in use, the restart notice, and self-removal
// through a batch file run by the command interpreter.
#include "uninstall/deferred_removal.h"
#include "uninstall/core/batchtext.h"
#include "uninstall/core/names.h"
#include "lang/messages.h"
#include "platform/handles.h"
#include "platform/program_path.h"
#include "platform/text.h"
#include "resource.h"
#include <cstdio>
#include <cstring>

bool RestartNeeded = false;

namespace {

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// The first "path.N.tmp" that names nothing, or the one with counter 999.
bool FindTemporaryName(const char* path, char* name, std::size_t capacity) {
    for (int counter = 0; counter <= LastTemporaryCounter; ++counter) {
        if (!ComposeTemporaryName(name, capacity, path, counter)) return false;
        if (!Exists(name)) break;
    }
    return true;
}

void ScheduleInWininit(const char* path) {
    char wininit[PathSize];
    UINT len = GetWindowsDirectoryA(wininit, sizeof wininit);
    if (len == 0 || len >= sizeof wininit) return;
    AppendBackslash(wininit, sizeof wininit);
    if (!AppendText(wininit, sizeof wininit, "wininit.ini")) return;
    char shortPath[PathSize];
    DWORD shortLen = GetShortPathNameA(path, shortPath, sizeof shortPath);
    const char* value = shortLen > 0 && shortLen < sizeof shortPath ? shortPath : path;
    WritePrivateProfileStringA("Rename", "NUL", value, wininit);
}

}  // namespace

void ScheduleRemovalAtRestart(const char* path) {
    if (NtMajorVersion() != 0)
        MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    else
        ScheduleInWininit(path);
}

void DeferFileRemoval(const char* path) {
    char temporary[PathSize];
    const char* scheduled = path;
    if (FindTemporaryName(path, temporary, sizeof temporary) && MoveFileA(path, temporary))
        scheduled = temporary;
    else
        RestartNeeded = true;
    ScheduleRemovalAtRestart(scheduled);
}

STARTUPINFOA BatchStartupRecord(bool nt, HANDLE nul) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (nt) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    } else if (nul != INVALID_HANDLE_VALUE && nul != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    }
    return startup;
}

void ShowRestartNotice() {
    MessageBoxA(nullptr, GetMessageText(MSG_RESTART_NEEDED), GetMessageText(MSG_CAPTION),
                MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

namespace {

// The three texts of the batch, composed whole before anything is written.
constexpr std::size_t BatchTextSize = 1024;
struct BatchText {
    char start[BatchTextSize];
    char attempt[BatchTextSize];   // the line buffer of the delete-and-remove block
    char closing[BatchTextSize];
};

bool ComposeBatch(const char* program, const char* folder, const char* batch, const char* interpreter,
                  BatchText& text) {
    char p[2048], d[2048], b[2048];
    if (!DoublePercents(LeadByteTable, program, p, sizeof p)) return false;
    if (!DoublePercents(LeadByteTable, folder, d, sizeof d)) return false;
    if (!DoublePercents(LeadByteTable, batch, b, sizeof b)) return false;
    PlatformFamily family = NtMajorVersion() != 0 ? PlatformFamily::Nt : PlatformFamily::Win9x;
    return ComposeBatchStart(BatchStartForm(LeadByteTable, family, interpreter), p, text.start, sizeof text.start) &&
           ComposeBatchAttempt(p, d, text.attempt, sizeof text.attempt) &&
           ComposeBatchClosing(p, b, text.closing, sizeof text.closing);
}

bool WriteText(std::FILE* file, const char* text) {
    std::size_t len = std::strlen(text);
    return std::fwrite(text, 1, len, file) == len;
}

bool WriteBatch(const char* path, const BatchText& text) {
    UniqueStdioFile file(std::fopen(path, "wb"));
    if (!file) return false;
    bool ok = WriteText(file.get(), text.start);
    for (int i = 0; i < BatchAttempts; ++i) ok = ok && WriteText(file.get(), text.attempt);
    ok = ok && WriteText(file.get(), text.closing);
    ok = std::fclose(file.release()) == 0 && ok;
    if (!ok) DeleteFileA(path);
    return ok;
}

// Runs the batch through the command interpreter; false when it was not started.
// The interpreter expands %NAME% in its own command line too, so a batch path
// with a percent sign is given by its bare name, started in its own folder.
bool StartBatch(const char* tempFolder, const char* batch, const char* interpreter) {
    bool byName = std::strchr(batch, '%') != nullptr;
    char commandLine[PathSize];
    if (!ComposeInterpreterCommand(interpreter, byName ? BatchFileName : batch, commandLine, sizeof commandLine))
        return false;

    bool nt = NtMajorVersion() != 0;
    UniqueFileHandle nul;
    if (!nt) nul.reset(CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOA startup = BatchStartupRecord(nt, nul.get());
    // Neither this process nor the batch may keep the program folder in use.
    SetCurrentDirectoryA("..");
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, nt ? 0 : DETACHED_PROCESS,
                        nullptr, byName ? tempFolder : nullptr, &startup, &info))
        return false;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    return true;
}

}  // namespace

void StartSelfRemoval() {
    char tempFolder[PathSize], batch[PathSize];
    DWORD len = GetTempPathA(sizeof tempFolder, tempFolder);
    if (len == 0 || len >= sizeof tempFolder) return;
    if (!CopyText(batch, sizeof batch, tempFolder) || !AppendText(batch, sizeof batch, BatchFileName)) return;
    const char* program = ProgramPath();
    if (program[0] == '\0') return;
    char folder[PathSize];
    len = GetCurrentDirectoryA(sizeof folder, folder);
    if (len == 0 || len >= sizeof folder) return;

    // The command interpreter, from COMSPEC (empty when it is not set).
    char interpreter[PathSize];
    interpreter[0] = '\0';
    len = GetEnvironmentVariableA("COMSPEC", interpreter, sizeof interpreter);
    if (len >= sizeof interpreter) interpreter[0] = '\0';

    BatchText text;
    if (!ComposeBatch(program, folder, batch, interpreter, text)) return;
    if (!WriteBatch(batch, text)) return;
    if (!StartBatch(tempFolder, batch, interpreter)) DeleteFileA(batch);
}
