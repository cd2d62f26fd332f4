// Deferred deletion of files in use, the restart notice, and self-removal
// through a batch file run by the system's command interpreter.
#include "uninstall/deferred_removal.h"
#include "uninstall/core/batchtext.h"
#include "platform/core/names.h"
#include "platform/core/wininit.h"
#include "lang/messages.h"
#include "platform/entry_open.h"
#include "platform/handles.h"
#include "platform/program_path.h"
#include "platform/restart_schedule.h"
#include "platform/run_log.h"
#include "platform/safe_file.h"
#include "platform/system_functions.h"
#include "platform/text.h"
#include "resource.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

bool RestartNeeded = false;

namespace {

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

using NameComposer = bool (*)(char* out, std::size_t capacity, const char* path, int counter);

// The first name `compose` gives that names nothing, or the one with counter 999.
bool FindFreeName(NameComposer compose, const char* path, char* name, std::size_t capacity) {
    for (int counter = 0; counter <= LastTemporaryCounter; ++counter) {
        if (!compose(name, capacity, path, counter)) return false;
        if (!Exists(name)) break;
    }
    return true;
}

// One more "NUL=" line in the [Rename] section of wininit.ini; the lines
// already there stay.
bool ScheduleInWininit(const char* path) {
    char wininit[PathSize];
    if (!WininitPath(wininit)) return false;
    char shortPath[PathSize];
    DWORD shortLen = GetShortPathNameA(path, shortPath, sizeof shortPath);
    const char* value = shortLen > 0 && shortLen < sizeof shortPath ? shortPath : path;
    std::string existing;
    if (!ReadWholeFile(wininit, existing)) return false;
    ReportFileCall(FileCall::ByName);
    return ReplaceWholeFile(wininit, AddWininitDeletion(existing, value));
}

// The names scheduled in this run: a file is scheduled at most once, however
// often it is listed or visited.
std::vector<std::string> ScheduledThisRun;
// Files deleted while another program holds them, and whether a folder was
// scheduled after them or after the files of ScheduledThisRun.
std::vector<std::string> PendingThisRun;
bool FoldersScheduled = false;

bool AlreadyScheduled(const char* path) {
    for (const std::string& name : ScheduledThisRun)
        if (CompareTextNoCase(name.c_str(), path) == 0) return true;
    return false;
}

}  // namespace

bool ScheduleRemovalAtRestart(const char* path) {
    if (AlreadyScheduled(path)) return false;
    bool scheduled;
    if (NtMajorVersion() != 0) {
        ReportFileCall(FileCall::ByName);
        scheduled = ScheduleRemovalOfItself(path);
    } else {
        scheduled = ScheduleInWininit(path);
    }
    if (scheduled) ScheduledThisRun.emplace_back(path);
    return scheduled;
}

bool DeferFileRemoval(const char* path) {
    if (AlreadyScheduled(path)) return true;
    char temporary[PathSize];
    if (FindFreeName(ComposeTemporaryName, path, temporary, sizeof temporary) && RenameEntryItself(path, temporary, false)) {
        if (ScheduleRemovalAtRestart(temporary)) {
            LogLine("in use: %s moved aside to %s, removed at the next start", path, FileNamePart(temporary));
            return true;
        }
        LogLine("in use: %s moved aside to %s, which could not be scheduled", path, FileNamePart(temporary));
        return false;
    }
    // Only a file really scheduled under its own name needs the restart.
    if (ScheduleRemovalAtRestart(path)) {
        RestartNeeded = true;
        LogLine("in use and cannot be moved: %s is removed at the next start", path);
        return true;
    }
    LogLine("in use: %s can be neither moved nor scheduled, it stays", path);
    return false;
}

void NoteRemovalPending(const char* path) {
    for (const std::string& name : PendingThisRun)
        if (CompareTextNoCase(name.c_str(), path) == 0) return;
    PendingThisRun.emplace_back(path);
}

bool AnythingScheduledAtRestart() { return !ScheduledThisRun.empty() || FoldersScheduled; }

void ScheduleFoldersAtRestart(const char* programFolder) {
    if (NtMajorVersion() == 0) return;   // wininit.ini removes no folders
    std::string top = programFolder;
    if (top.empty()) return;
    if (!IsSlashChar(top.back())) top += '\\';
    bool topIsRoot = top.size() == 3 && top[1] == ':';
    std::vector<std::string> folders;
    std::vector<std::string> files = ScheduledThisRun;
    files.insert(files.end(), PendingThisRun.begin(), PendingThisRun.end());
    for (const std::string& file : files) {
        std::string folder = file;
        // Each enclosing folder, while it lies inside the program folder.
        for (;;) {
            char cut[PathSize];
            if (!CopyText(cut, sizeof cut, folder.c_str())) break;
            *FileNamePart(cut) = '\0';   // keeps the backslash
            std::string withSlash = cut;
            if (withSlash.size() < top.size()) break;
            if (CompareTextNoCase(withSlash.substr(0, top.size()).c_str(), top.c_str()) != 0) break;
            bool isTop = withSlash.size() == top.size();
            if (isTop && topIsRoot) break;
            folder = withSlash.substr(0, withSlash.size() - 1);
            bool known = false;
            for (const std::string& f : folders) known = known || CompareTextNoCase(f.c_str(), folder.c_str()) == 0;
            if (!known) folders.push_back(folder);
            if (isTop) break;
        }
    }
    // Deepest first: a folder's path is longer than its parent's. Folders are
    // scheduled again each time (no once-per-run check), so that they follow
    // every file scheduled before them.
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& folder : folders) {
        ReportFileCall(FileCall::ByName);
        if (ScheduleRemovalOfItself(folder.c_str())) {
            FoldersScheduled = true;
            LogLine("folder %s is removed at the next start if it is empty then", folder.c_str());
        }
    }
}

void LeaveProgramToRestart(const char* program) {
    if (ScheduleRemovalAtRestart(program))
        LogLine("%s is removed at the next start", program);
    else
        LogLine("%s could not be scheduled for removal: delete it by hand", program);
    char folder[PathSize];
    if (!CopyText(folder, sizeof folder, program)) return;
    *FileNamePart(folder) = '\0';
    ScheduleFoldersAtRestart(folder);
}

STARTUPINFOA BatchStartupRecord(bool nt, HANDLE nul) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (nt) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    if (nul != INVALID_HANDLE_VALUE && nul != nullptr) {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    }
    return startup;
}

bool SystemInterpreter(char (&path)[PathSize]) {
    if (NtMajorVersion() == 0) {
        UINT len = GetWindowsDirectoryA(path, sizeof path);
        if (len != 0 && len < sizeof path) {
            AppendBackslash(path);
            if (AppendText(path, sizeof path, "COMMAND.COM") && Exists(path)) return true;
        }
    }
    UINT len = GetSystemDirectoryA(path, sizeof path);
    if (len != 0 && len < sizeof path) {
        AppendBackslash(path);
        if (AppendText(path, sizeof path, "cmd.exe")) return true;
    }
    path[0] = '\0';
    return false;
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

PlatformFamily InterpreterForm(const char* interpreter) {
    PlatformFamily family = NtMajorVersion() != 0 ? PlatformFamily::Nt : PlatformFamily::Win9x;
    return BatchStartForm(LeadByteTable, family, interpreter);
}

bool ComposeBatch(const char* program, const char* folder, const char* batch, const char* privateFolder,
                  const char* interpreter, bool silent, BatchText& text) {
    char p[2048], d[2048], b[2048], f[2048];
    if (!DoublePercents(LeadByteTable, program, p, sizeof p)) return false;
    if (!DoublePercents(LeadByteTable, folder, d, sizeof d)) return false;
    if (!DoublePercents(LeadByteTable, batch, b, sizeof b)) return false;
    if (!DoublePercents(LeadByteTable, privateFolder, f, sizeof f)) return false;
    PlatformFamily form = InterpreterForm(interpreter);
    return ComposeBatchStart(form, p, text.start, sizeof text.start) &&
           ComposeBatchAttempt(p, d, text.attempt, sizeof text.attempt) &&
           ComposeBatchClosing(p, b, silent, text.closing, sizeof text.closing,
                               form == PlatformFamily::Nt ? f : nullptr);
}

// The batch is a new file in a new folder: nobody else's file is opened,
// and nobody but the administrators can change it before it runs.
bool WriteBatch(const char* path, const BatchText& text) {
    UniqueFileHandle file = CreateNewFile(path);
    if (!file) return false;
    bool ok = WriteAll(file.get(), text.start, std::strlen(text.start));
    for (int i = 0; i < BatchAttempts; ++i) ok = ok && WriteAll(file.get(), text.attempt, std::strlen(text.attempt));
    ok = ok && WriteAll(file.get(), text.closing, std::strlen(text.closing));
    if (!ok) DiscardNewFile(file, path);
    return ok;
}

// Starts the interpreter with `nul` as its only inherited handle: the log,
// the standard handles this program got from its caller (a deployment tool's
// pipes, which it reads until every holder has closed them) and whatever else
// the caller let it inherit stay here. From Windows Vista on the system takes
// the list of handles to pass; before, this program's standard handles lose
// their inheritance (the program ends right after).
bool StartWithOnlyNul(char* commandLine, STARTUPINFOA& startup, HANDLE nul, DWORD flags, const char* folder,
                      PROCESS_INFORMATION& info) {
    bool inherit = (startup.dwFlags & STARTF_USESTDHANDLES) != 0;
    if (NtMajorVersion() != 0) {
        for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
            HANDLE own = GetStdHandle(which);
            if (own != nullptr && own != INVALID_HANDLE_VALUE) SetHandleInformation(own, HANDLE_FLAG_INHERIT, 0);
        }
    }
    const SystemFunctions& system = System();
    SIZE_T size = 0;
    if (inherit && system.initializeProcThreadAttributeList) {
        system.initializeProcThreadAttributeList(nullptr, 1, 0, &size);
        std::vector<unsigned char> storage(size);
        auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
        if (size != 0 && system.initializeProcThreadAttributeList(list, 1, 0, &size)) {
            STARTUPINFOEXA extended{};
            extended.StartupInfo = startup;
            extended.StartupInfo.cb = sizeof extended;
            extended.lpAttributeList = list;
            bool started = system.updateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &nul,
                                                             sizeof nul, nullptr, nullptr) &&
                           CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE,
                                          flags | EXTENDED_STARTUPINFO_PRESENT, nullptr, folder,
                                          &extended.StartupInfo, &info);
            system.deleteProcThreadAttributeList(list);
            if (started) return true;
        }
    }
    return CreateProcessA(nullptr, commandLine, nullptr, nullptr, inherit, flags, nullptr, folder, &startup, &info) !=
           FALSE;
}

// Runs the batch through the system's command interpreter; false when it was
// not started. The interpreter expands %NAME% in its own command line too, so
// where the temporary folder has a percent sign the batch is named from that
// folder, as the private folder's name (which has none) and its own, and
// started there.
bool StartBatch(const char* tempFolder, const char* batch, const char* interpreter) {
    bool byName = std::strchr(batch, '%') != nullptr;
    const char* name = batch + std::strlen(tempFolder);
    char commandLine[PathSize];
    if (!ComposeInterpreterCommand(InterpreterForm(interpreter), interpreter, byName ? name : batch, commandLine,
                                   sizeof commandLine))
        return false;

    bool nt = NtMajorVersion() != 0;
    // "NUL" names the device in every folder: no file is opened or made. It
    // is the batch's standard input, output and error, and the one handle it
    // inherits.
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    UniqueFileHandle nul(CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOA startup = BatchStartupRecord(nt, nul.get());
    // Neither this process nor the batch may keep the program folder in use.
    SetCurrentDirectoryA("..");
    PROCESS_INFORMATION info{};
    if (!StartWithOnlyNul(commandLine, startup, nul.get(), nt ? 0 : DETACHED_PROCESS, byName ? tempFolder : nullptr,
                          info))
        return false;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    return true;
}

}  // namespace

BatchBaseOrder BatchBasesOfThisRun() {
    PlatformFamily family = NtMajorVersion() != 0 ? PlatformFamily::Nt : PlatformFamily::Win9x;
    return BatchBasesInOrder(family, RunsAsAdministrator());
}

bool BatchBaseFolder(BatchBase base, char (&folder)[PathSize]) {
    folder[0] = '\0';
    switch (base) {
    case BatchBase::Temp: {
        DWORD len = GetTempPathA(sizeof folder, folder);
        if (len == 0 || len >= sizeof folder) folder[0] = '\0';
        break;
    }
    case BatchBase::ShortTemp: {
        wchar_t wide[PathSize], shortWide[PathSize];
        DWORD len = GetTempPathW(PathSize, wide);
        if (len == 0 || len >= PathSize) break;
        len = GetShortPathNameW(wide, shortWide, PathSize);
        if (len == 0 || len >= PathSize) break;
        if (!AnsiFromWide(shortWide, folder, sizeof folder)) folder[0] = '\0';
        break;
    }
    case BatchBase::WindowsTemp: {
        UINT len = GetWindowsDirectoryA(folder, sizeof folder);
        if (len == 0 || len >= sizeof folder) {
            folder[0] = '\0';
            break;
        }
        AppendBackslash(folder);
        if (!AppendText(folder, sizeof folder, "Temp")) folder[0] = '\0';
        break;
    }
    }
    // "?" is no trail byte and never part of a name: the name was not
    // representable in the code page.
    if (folder[0] != '\0') AppendBackslash(folder);
    if (folder[0] == '\0' || std::strchr(folder, '?') || !IsSlashChar(folder[std::strlen(folder) - 1])) {
        folder[0] = '\0';
        return false;
    }
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    folder[0] = '\0';
    return false;
}

namespace {

// A running program can be renamed on the NT family, not deleted: it takes
// a new name in its own folder, which the batch deletes. `program` is the
// name the batch is to delete: the new one, or the old one when the move
// failed (and always on Windows 9x).
void MoveProgramAside(const char* own, char (&program)[PathSize]) {
    CopyText(program, sizeof program, own);
    if (NtMajorVersion() == 0) return;
    char aside[PathSize];
    if (!FindFreeName(ComposeAsideName, own, aside, sizeof aside) || !RenameEntryItself(own, aside, false)) return;
    CopyText(program, sizeof program, aside);
    LogLine("%s moved aside to %s, which the self-removal deletes", own, FileNamePart(aside));
}

bool WriteAndStartBatch(const char* program, const char* folder, const char* interpreter, bool silent) {
    for (BatchBase base : BatchBasesOfThisRun()) {
        char tempFolder[PathSize], privateFolder[PathSize], batch[PathSize];
        if (!BatchBaseFolder(base, tempFolder)) continue;
        // A new folder of its own: nobody else's file is opened, and in an
        // elevated run nobody but the administrators can change the batch.
        if (!CreatePrivateFolder(tempFolder, privateFolder, sizeof privateFolder)) continue;
        char privateName[PathSize];   // the folder without its trailing backslash, as the batch removes it
        CopyText(privateName, sizeof privateName, privateFolder);
        privateName[std::strlen(privateName) - 1] = '\0';
        BatchText text;
        bool composed = CopyText(batch, sizeof batch, privateFolder) &&
                        AppendText(batch, sizeof batch, BatchFileName) &&
                        ComposeBatch(program, folder, batch, privateName, interpreter, silent, text);
        if (!composed || !WriteBatch(batch, text)) {
            RemoveEntryItself(privateName);
            if (!composed) return false;
            continue;
        }
        if (StartBatch(tempFolder, batch, interpreter)) {
            LogLine("self-removal batch %s started", batch);
            return true;
        }
        RemoveEntryItself(batch);
        RemoveEntryItself(privateName);
        LogLine("self-removal batch %s could not be started", batch);
        return false;
    }
    LogLine("no self-removal batch could be written");
    return false;
}

}  // namespace

bool StartSelfRemoval(bool silent) { return StartSelfRemovalOf(ProgramPath(), silent); }

bool StartSelfRemovalOf(const char* own, bool silent) {
    if (own[0] == '\0') return false;
    char program[PathSize];
    MoveProgramAside(own, program);
    char folder[PathSize];
    DWORD len = GetCurrentDirectoryA(sizeof folder, folder);

    // The system's own interpreter, never the one COMSPEC names: a person can
    // set that for their own programs, and an elevated run would run theirs.
    char interpreter[PathSize];
    if (len != 0 && len < sizeof folder && SystemInterpreter(interpreter) &&
        WriteAndStartBatch(program, folder, interpreter, silent))
        return true;
    LeaveProgramToRestart(program);
    return false;
}
