// Deferred deletion of files in use and the restart notice.
#include "uninstall/deferred_removal.h"
#include "platform/core/names.h"
#include "platform/core/wininit.h"
#include "lang/messages.h"
#include "platform/entry_open.h"
#include "platform/handles.h"
#include "platform/restart_schedule.h"
#include "platform/run_log.h"
#include "platform/safe_file.h"
#include "platform/text.h"
#include "platform/windows_version.h"
#include "resource.h"
#include <algorithm>
#include <string>
#include <vector>

bool RestartNeeded = false;

namespace {

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

bool FindFreeName(NameComposer compose, const char* path, char* name, std::size_t capacity) {
    for (int counter = 0; counter <= LastTemporaryCounter; ++counter) {
        if (!compose(name, capacity, path, counter)) return false;
        if (GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES) break;
    }
    return true;
}

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
    if (FindFreeName(ComposeTemporaryName, path, temporary, sizeof temporary) && RenameEntryItself(path, temporary, RenameOptions::None)) {
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

void ShowRestartNotice() {
    MessageBoxA(nullptr, GetMessageText(MSG_RESTART_NEEDED), GetMessageText(MSG_CAPTION),
                MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}
