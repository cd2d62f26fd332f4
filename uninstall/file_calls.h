// The file-system calls of the removal passes, each counted where it is made,
// and the moments of the run up to the first removal. The counts cost an
// increment per call; the benchmark reads them in its counted program.
#pragma once
#include "platform/handles.h"
#include "platform/safe_file.h"
#include <windows.h>
#include <vector>
#include <cstring>
#include <string>

struct FileCallCounts {
    unsigned long long attributeReads = 0;
    unsigned long long attributeWrites = 0;
    unsigned long long deletes = 0;         // DeleteFileA
    unsigned long long folderRemovals = 0;  // RemoveDirectoryA
    unsigned long long opens = 0;           // CreateFileA of a listed entry
    unsigned long long finalPaths = 0;      // GetFinalPathNameByHandleW
    unsigned long long dispositions = 0;    // deletions marked on a handle
    unsigned long long closes = 0;          // CloseHandle of such an open
    unsigned long long renames = 0;         // rename of a file in use
    unsigned long long schedules = 0;       // MoveFileExA or a wininit.ini write
    unsigned long long entries = 0;         // list entries visited, over all passes
    unsigned long long removals = 0;        // files and folders removed
    unsigned long long Total() const {
        return attributeReads + attributeWrites + deletes + folderRemovals + opens + finalPaths + dispositions +
               closes + renames + schedules;
    }
};

// Performance-counter readings (0 until reached) of the uninstall run.
struct RunMoments {
    LONGLONG driverEntered = 0;
    LONGLONG integrationRemoved = 0;
    LONGLONG passesStarted = 0;
    LONGLONG firstRemoval = 0;
    LONGLONG passesEnded = 0;
};

extern FileCallCounts FileCalls;
extern RunMoments RunTimes;

inline LONGLONG Moment() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Tests only: sees the arguments of every open of a listed entry (or of the
// program folder) before it is made. Returns the previous observer; null
// removes it.
using EntryOpenObserver = void (*)(const char* path, DWORD access, DWORD share, DWORD flags);
EntryOpenObserver SetEntryOpenObserverForTests(EntryOpenObserver observer);
extern EntryOpenObserver EntryOpenSeen;

// An entry's path of MAX_PATH characters or more, which the ANSI functions
// refuse, as the NT family takes it in wide characters: full, with the
// "\\?\" prefix. Empty for a shorter path, on Windows 9x, and for a path that
// cannot be converted: the ANSI function is asked then.
class LongName {
public:
    explicit LongName(const char* path) {
        if (std::strlen(path) >= MAX_PATH) Convert(path);
    }
    explicit operator bool() const { return !name_.empty(); }
    const wchar_t* get() const { return name_.data(); }
private:
    void Convert(const char* path);
    std::vector<wchar_t> name_;  // with its terminating null
};

// Opens a listed entry (a folder too) with OPEN_EXISTING; an opened handle is
// counted with its close, which its owner makes.
inline UniqueFileHandle CountedOpenEntry(const char* path, DWORD access, DWORD share, DWORD flags) {
    if (EntryOpenSeen) EntryOpenSeen(path, access, share, flags);
    ++FileCalls.opens;
    LongName name(path);
    UniqueFileHandle h(name ? CreateFileW(name.get(), access, share, nullptr, OPEN_EXISTING, flags, nullptr)
                            : CreateFileA(path, access, share, nullptr, OPEN_EXISTING, flags, nullptr));
    if (h) ++FileCalls.closes;
    return h;
}

inline DWORD CountedGetAttributes(const char* path) {
    ++FileCalls.attributeReads;
    LongName name(path);
    return name ? GetFileAttributesW(name.get()) : GetFileAttributesA(path);
}
// Through the entry's own handle, never through a link or on a file's second name.
inline BOOL CountedSetAttributes(const char* path, DWORD attributes) {
    ++FileCalls.attributeWrites;
    return SetAttributesItself(path, attributes);
}
// The two deletions by name come only right after the entry was found, through
// its own handle, to lie inside the folder, or on Windows 9x, which has no
// links: the fallback where no handle can delete it (an entry another program
// holds, NT 4.0 without deletion through a handle).
inline BOOL CountedDeleteFile(const char* path) {
    ++FileCalls.deletes;
    LongName name(path);
    return name ? DeleteFileW(name.get()) : DeleteFileA(path);
}
inline BOOL CountedRemoveDirectory(const char* path) {
    ++FileCalls.folderRemovals;
    LongName name(path);
    return name ? RemoveDirectoryW(name.get()) : RemoveDirectoryA(path);
}
// Renames the entry itself, through its own handle: a link put in its place
// after it was looked at is not followed.
inline BOOL CountedMoveFile(const char* from, const char* to) {
    ++FileCalls.renames;
    return RenameEntryItself(from, to, RenameOptions::None);
}
