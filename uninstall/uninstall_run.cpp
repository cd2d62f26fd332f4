// The uninstall run: from the program folder, confirm, remove the integration,
// delete what Uninstall.lst names in passes until a pass removes nothing, and
// leave the program itself and its folder to the self-removal batch.
#include "uninstall/uninstall_run.h"
#include "uninstall/deferred_removal.h"
#include "uninstall/file_calls.h"
#include "uninstall/registry_cleanup.h"
#include "uninstall/core/entrypath.h"
#include "uninstall/core/listfile.h"
#include "uninstall/core/removal_list.h"
#include "uninstall/core/names.h"
#include "app/program_state.h"
#include "lang/messages.h"
#include "platform/handles.h"
#include "platform/program_path.h"
#include "platform/text.h"
#include "resource.h"
#include <cstdio>
#include <initializer_list>

namespace {

constexpr char ListFileName[] = "Uninstall.lst";

// Where the run works: the program's own path and its folder with a trailing
// backslash, which is also the current directory.
struct RunPaths {
    const char* program;
    char folder[PathSize];
};

bool EnterProgramFolder(RunPaths& paths) {
    paths.program = ProgramPath();
    if (paths.program[0] == '\0') return false;
    if (!ProgramFolderOf(LeadByteTable, paths.program, paths.folder, sizeof paths.folder)) return false;
    SetCurrentDirectoryA(paths.folder);
    AppendBackslash(paths.folder, sizeof paths.folder);
    return true;
}

bool UserConfirms() {
    if (SilentMode) return true;
    return MessageBoxA(nullptr, GetMessageText(MSG_CONFIRM), GetMessageText(MSG_CAPTION),
                       MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
}

void ReportMissingList() {
    char text[200];
    FormatWithText(text, sizeof text, GetMessageText(MSG_CANNOT_OPEN_LIST), ListFileName);
    MessageBoxA(nullptr, text, GetMessageText(MSG_CAPTION), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void DeleteHelpIndexes() {
    for (const char* name : {"qavrix.gid", "qavrix.fts"}) {
        SetFileAttributesA(name, 0);
        DeleteFileA(name);
    }
}

// The running program and the open list cannot be deleted now; both are
// taken care of later, so they are not deferred.
bool IsLeftForLater(const char* entryPath, const char* programPath) {
    const char* name = FileNamePart(entryPath);
    return CompareTextNoCase(name, FileNamePart(programPath)) == 0 ||
           CompareTextNoCase(name, ListFileName) == 0;
}

// A deletion counts once the name is gone. A file or folder that another
// program holds open with delete sharing can stay visible until it is closed,
// and counting it again in every pass would never end the passes.
bool Gone(const char* path) { return CountedGetAttributes(path) == INVALID_FILE_ATTRIBUTES; }

enum class OpenDeletion { Deleted, Missing, Refused };

// Deletes a file through a handle opened for deletion without sharing: the
// open fails while anybody else has the file open, so once it succeeds the
// name goes when the handle is closed, with no check afterwards. Folders,
// read-only files and files in use are refused and taken the longer way.
OpenDeletion DeleteByHandle(const char* path) {
    ++FileCalls.opens;
    HANDLE h = CreateFileA(path, DELETE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        ++FileCalls.closes;
        CloseHandle(h);
        return OpenDeletion::Deleted;
    }
    DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ? OpenDeletion::Refused
                                                                            : OpenDeletion::Missing;
}

constexpr DWORD BlockingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The longer way: a folder, a file with attributes that block its deletion,
// or a file in use.
EntryOutcome RemoveRefused(const RunPaths& paths, const char* path) {
    DWORD attributes = CountedGetAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return EntryOutcome::Stays;
    bool cleared = (attributes & BlockingAttributes) != 0 && CountedSetAttributes(path, 0);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)   // only an empty folder goes
        return CountedRemoveDirectory(path) && Gone(path) ? EntryOutcome::Removed : EntryOutcome::Stays;
    if (cleared && DeleteByHandle(path) == OpenDeletion::Deleted) return EntryOutcome::Removed;
    // Held by another program: with delete sharing the deletion succeeds and
    // takes effect when the holder lets go; without it the file is deferred.
    if (CountedDeleteFile(path)) return Gone(path) ? EntryOutcome::Removed : EntryOutcome::Settled;
    if (!IsLeftForLater(path, paths.program)) DeferFileRemoval(path);
    return EntryOutcome::Settled;
}

// Removes one listed file or folder.
EntryOutcome RemoveEntry(const RunPaths& paths, const char* entry) {
    if (!EntryStaysInside(LeadByteTable, entry) || NamesDevice(LeadByteTable, entry)) return EntryOutcome::Settled;
    char path[1024];
    if (!ComposeEntryPath(path, sizeof path, paths.folder, entry)) return EntryOutcome::Settled;
    switch (DeleteByHandle(path)) {
    case OpenDeletion::Deleted: return EntryOutcome::Removed;
    case OpenDeletion::Missing: return EntryOutcome::Stays;
    case OpenDeletion::Refused: break;
    }
    return RemoveRefused(paths, path);
}

// Lists up to this size are held in memory for the passes; larger ones (and
// any list when memory runs out) are read again for every pass.
std::size_t ListHoldingLimit = 64u << 20;

int RunPasses(std::FILE* list, const RunPaths& paths) {
    return RunRemovalPasses(list, ListHoldingLimit, [&paths](const char* entry) {
        ++FileCalls.entries;
        EntryOutcome outcome = RemoveEntry(paths, entry);
        if (outcome == EntryOutcome::Removed && FileCalls.removals++ == 0) RunTimes.firstRemoval = Moment();
        return outcome;
    });
}

}  // namespace

void UninstallDriver() {
    RunTimes.driverEntered = Moment();
    RunPaths paths;
    if (!EnterProgramFolder(paths)) return;
    if (!UserConfirms()) return;
    UniqueStdioFile list(std::fopen(ListFileName, "rb"));
    if (!list) {
        ReportMissingList();
        return;
    }
    RemoveIntegration();
    RunTimes.integrationRemoved = Moment();
    UnloadLanguageDll();
    DeleteHelpIndexes();

    RestartNeeded = false;
    RunTimes.passesStarted = Moment();
    // Passes until one removes nothing: a folder listed before its contents
    // goes in the pass after the one that emptied it.
    RunPasses(list.get(), paths);
    RunTimes.passesEnded = Moment();
    list.reset();
    DeleteFileA(ListFileName);

    if (RestartNeeded) ShowRestartNotice();
    StartSelfRemoval();
}

int RemoveListedEntries(std::FILE* list, const char* programPath) {
    RunPaths paths;
    if (!CopyText(paths.program, sizeof paths.program, programPath) ||
        !ProgramFolderOf(LeadByteTable, paths.program, paths.folder, sizeof paths.folder))
        return 0;
    AppendBackslash(paths.folder, sizeof paths.folder);
    return RunPasses(list, paths);
}

std::size_t SetListHoldingLimitForTests(std::size_t limit) {
    std::size_t previous = ListHoldingLimit;
    ListHoldingLimit = limit;
    return previous;
}
