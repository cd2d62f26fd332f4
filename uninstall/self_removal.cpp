// Self-removal through a batch file run by the system's command interpreter.
#include "uninstall/self_removal.h"
#include "uninstall/deferred_removal.h"
#include "uninstall/core/batchtext.h"
#include "platform/core/names.h"
#include "platform/handles.h"
#include "platform/private_folder.h"
#include "platform/program_path.h"
#include "platform/run_log.h"
#include "platform/safe_file.h"
#include "platform/system_functions.h"
#include "platform/text.h"
#include "platform/windows_version.h"
#include <cstring>
#include <string>
#include <vector>

namespace {

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

PlatformFamily FamilyOfThisRun() { return NtMajorVersion() != 0 ? PlatformFamily::Nt : PlatformFamily::Win9x; }

}  // namespace

STARTUPINFOA BatchStartupRecord(PlatformFamily family, HANDLE nul) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (family == PlatformFamily::Nt) {
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

namespace {

// The three texts of the batch, composed whole before anything is written.
constexpr std::size_t BatchTextSize = 1024;
struct BatchText {
    char start[BatchTextSize];
    char attempt[BatchTextSize];   // the line buffer of the delete-and-remove block
    char closing[BatchTextSize];
};

PlatformFamily InterpreterForm(const char* interpreter) {
    return BatchStartForm(LeadByteTable, FamilyOfThisRun(), interpreter);
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
    std::string whole = text.start;
    for (int i = 0; i < BatchAttempts; ++i) whole += text.attempt;
    whole += text.closing;
    return WriteNewFile(path, whole.data(), whole.size(), ExistingFile::Refuse);
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

    const PlatformFamily family = FamilyOfThisRun();
    // "NUL" names the device in every folder: no file is opened or made. It
    // is the batch's standard input, output and error, and the one handle it
    // inherits.
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    UniqueFileHandle nul(CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOA startup = BatchStartupRecord(family, nul.get());
    // Neither this process nor the batch may keep the program folder in use.
    SetCurrentDirectoryA("..");
    PROCESS_INFORMATION info{};
    if (!StartWithOnlyNul(commandLine, startup, nul.get(), family == PlatformFamily::Nt ? 0 : DETACHED_PROCESS, byName ? tempFolder : nullptr,
                          info))
        return false;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    return true;
}

}  // namespace

BatchBaseOrder BatchBasesOfThisRun() {
    return BatchBasesInOrder(FamilyOfThisRun(), RunsAsAdministrator());
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
    if (!FindFreeName(ComposeAsideName, own, aside, sizeof aside) || !RenameEntryItself(own, aside, RenameOptions::None)) return;
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
