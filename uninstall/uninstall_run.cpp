// The uninstall run: from the program folder, confirm, remove the integration,
// delete what Uninstall.lst names in passes until a pass removes nothing, and
// leave the program itself and its folder to the self-removal batch.
#include "uninstall/uninstall_run.h"
#include "uninstall/deferred_removal.h"
#include "uninstall/registry_cleanup.h"
#include "uninstall/core/entrypath.h"
#include "uninstall/core/listfile.h"
#include "uninstall/core/names.h"
#include "app/program_state.h"
#include "lang/messages.h"
#include "lang/core/messageformat.h"
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
bool Gone(const char* path) { return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES; }

// Removes one listed file or folder; true when something was removed.
bool RemoveEntry(const RunPaths& paths, const char* entry) {
    if (!EntryStaysInside(LeadByteTable, entry)) return false;
    char path[PathSize];
    if (!ComposeEntryPath(path, sizeof path, paths.folder, entry)) return false;
    DWORD attributes = GetFileAttributesA(path);
    SetFileAttributesA(path, 0);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return RemoveDirectoryA(path) && Gone(path);  // only an empty folder goes
    if (DeleteFileA(path)) return Gone(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;  // nothing of that name
    if (!IsLeftForLater(path, paths.program)) DeferFileRemoval(path);
    return false;
}

// One pass over the whole list; returns the number of removals.
int RemovalPass(std::FILE* list, const RunPaths& paths) {
    int removed = 0;
    static char entry[ListLineBufferSize];
    std::rewind(list);
    while (ReadListEntry(list, entry, sizeof entry))
        if (RemoveEntry(paths, entry)) ++removed;
    return removed;
}

}  // namespace

void UninstallDriver() {
    RunPaths paths;
    if (!EnterProgramFolder(paths)) return;
    if (!UserConfirms()) return;
    UniqueStdioFile list(std::fopen(ListFileName, "rb"));
    if (!list) {
        ReportMissingList();
        return;
    }
    RemoveIntegration();
    UnloadLanguageDll();
    DeleteHelpIndexes();

    RestartNeeded = false;
    // The list is re-read until a pass removes nothing: a folder listed before
    // its contents goes in the pass after the one that emptied it.
    while (RemovalPass(list.get(), paths) > 0) {
    }
    list.reset();
    DeleteFileA(ListFileName);

    if (RestartNeeded) ShowRestartNotice();
    StartSelfRemoval();
}
