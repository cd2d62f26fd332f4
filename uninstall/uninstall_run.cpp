// The uninstall run: from the program folder, confirm, remove the integration,
// delete what Uninstall.lst names in passes until a pass removes nothing, and
// leave the program itself and its folder to the self-removal batch.
#include "uninstall/uninstall_run.h"
#include "uninstall/deferred_removal.h"
#include "uninstall/self_removal.h"
#include "uninstall/entry_removal.h"
#include "uninstall/run_moments.h"
#include "uninstall/registry_cleanup.h"
#include "platform/core/entrypath.h"
#include "platform/core/listfile.h"
#include "uninstall/core/removal_list.h"
#include "platform/core/names.h"
#include "lang/messages.h"
#include "lang/core/messageformat.h"
#include "platform/handles.h"
#include "platform/program_path.h"
#include "platform/run_log.h"
#include "platform/safe_file.h"
#include "platform/text.h"
#include "resource.h"
#include <cstdio>
#include <initializer_list>

namespace {


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
    if (!SetCurrentDirectoryA(paths.folder)) return false;
    AppendBackslash(paths.folder, sizeof paths.folder);
    return true;
}

bool UserConfirms(bool silent) {
    if (silent) return true;
    return MessageBoxA(nullptr, GetMessageText(MSG_CONFIRM), GetMessageText(MSG_CAPTION),
                       MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
}

void ReportMissingList() {
    char text[200];
    FormatWithText(text, sizeof text, GetMessageText(MSG_CANNOT_OPEN_LIST), ListFileName);
    MessageBoxA(nullptr, text, GetMessageText(MSG_CAPTION), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void DeleteHelpIndexes() {
    for (const char* name : {"qavrix.gid", "qavrix.fts"}) RemoveEntryItself(name, RemoveOptions::ClearAttributes);
}

// Lists up to this size are held in memory for the passes; larger ones (and
// any list when memory runs out) are read again for every pass.
constexpr std::size_t DefaultListHoldingLimit = 64u << 20;
std::size_t ListHoldingLimit = DefaultListHoldingLimit;

// Returns the number of passes; `removed` counts the entries removed.
int RunPasses(std::FILE* list, RemovalScope& scope, std::size_t& removed) {
    return RunRemovalPasses(list, ListHoldingLimit, [&scope, &removed](const char* entry) {
        ++RunCount.entries;
        EntryOutcome outcome = scope.Remove(entry);
        if (outcome == EntryOutcome::Removed) {
            if (RunCount.removals++ == 0) RunTimes.firstRemoval = Moment();
            ++removed;
            LogLine("removed %s", entry);
        }
        return outcome;
    });
}

}  // namespace

UninstallEnd UninstallDriver(bool silent) {
    RunTimes.driverEntered = Moment();
    RunPaths paths;
    if (!EnterProgramFolder(paths)) {
        LogLine("cannot start: the program folder of %s cannot be entered; nothing was changed", ProgramPath());
        return UninstallEnd::CannotStart;
    }
    LogLine("program folder %s", paths.folder);
    if (!UserConfirms(silent)) {
        LogLine("the user did not confirm the uninstall; nothing was changed");
        return UninstallEnd::Declined;
    }
    UniqueStdioFile list(std::fopen(ListFileName, "rb"));
    if (!list) {
        LogLine("cannot start: %s cannot be opened; nothing was changed", ListFileName);
        if (!silent) ReportMissingList();
        return UninstallEnd::CannotStart;
    }
    // Read whole once before anything is changed: a list that cannot be
    // read, or whose text this program cannot read, changes nothing.
    switch (ReadListText(list.get())) {
    case ListText::Ansi: break;
    case ListText::Utf16:
        LogLine("cannot start: %s is UTF-16 text, which this program cannot read; nothing was changed", ListFileName);
        return UninstallEnd::CannotStart;
    case ListText::Unreadable:
        LogLine("cannot start: %s cannot be read to its end; nothing was changed", ListFileName);
        return UninstallEnd::CannotStart;
    }
    RemovalScope scope;
    if (!scope.Enter(paths.program)) {
        LogLine("cannot start: no entry can be taken from %s; nothing was changed", paths.folder);
        return UninstallEnd::CannotStart;
    }
    RemoveIntegration();
    RunTimes.integrationRemoved = Moment();
    UnloadLanguageDll();
    DeleteHelpIndexes();

    RestartNeeded = false;
    RunTimes.passesStarted = Moment();
    // Passes until one removes nothing: a folder listed before its contents
    // goes in the pass after the one that emptied it.
    std::size_t removed = 0;
    RunPasses(list.get(), scope, removed);
    RunTimes.passesEnded = Moment();
    list.reset();
    RemoveEntryItself(ListFileName);
    // Files left for the restart keep their folders until then: the folders
    // go after them, so that nothing of the product outlasts the restart.
    ScheduleFoldersAtRestart(paths.folder);

    bool notified = RestartNeeded && !silent;
    if (notified) ShowRestartNotice();
    if (!StartSelfRemoval(silent) && !notified && !silent) ShowRestartNotice();
    if (AnythingScheduledAtRestart()) LogLine("a restart is needed to finish the removal");
    if (scope.failed() > 0) {
        LogLine("%u listed entries could not be removed", static_cast<unsigned>(scope.failed()));
        return UninstallEnd::EntriesLeft;
    }
    // Entries were asked for and every one was left alone: that is no success.
    if (removed == 0 && scope.refused() > 0) {
        LogLine("none of the listed entries was removed: %u were left alone", static_cast<unsigned>(scope.refused()));
        return UninstallEnd::NothingRemoved;
    }
    return AnythingScheduledAtRestart() ? UninstallEnd::RestartNeeded : UninstallEnd::Done;
}

int RemoveListedEntries(std::FILE* list, const char* programPath) {
    RemovalScope scope;
    RewindList(list);
    std::size_t removed = 0;
    return scope.Enter(programPath) ? RunPasses(list, scope, removed) : 0;
}

std::size_t SetListHoldingLimitForTests(std::size_t limit) {
    std::size_t previous = ListHoldingLimit;
    ListHoldingLimit = limit != 0 ? limit : DefaultListHoldingLimit;
    return previous;
}
