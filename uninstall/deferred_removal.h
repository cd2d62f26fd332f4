// What the uninstall run cannot delete at once: files in use, which are moved
// aside and scheduled for deletion at the next system start (the running
// program and its folder go through the self-removal, self_removal.h).
#pragma once
#include <windows.h>
#include <cstddef>

// Set when a file in use could not even be renamed and was scheduled under its
// own name; false at the start of the removal passes and only ever set afterwards.
extern bool RestartNeeded;

// Moves the file at `path` (whose deletion failed) to the first free name
// "path.N.tmp" and schedules that name for deletion at the next start; when
// the move fails, schedules `path` itself and, if that worked, sets
// RestartNeeded. A path already scheduled in this run is left as it is.
// False when the file stays for good: neither moved and scheduled nor
// scheduled itself (the log says so).
bool DeferFileRemoval(const char* path);

// Puts into `name` the first name `compose` gives for `path` with a counter
// from 0 that names nothing yet, or the one with the last counter when all
// are taken. False when a name does not fit.
using NameComposer = bool (*)(char* out, std::size_t capacity, const char* path, int counter);
bool FindFreeName(NameComposer compose, const char* path, char* name, std::size_t capacity);

// Notes a file whose deletion waits for another program to close it: its
// folders are scheduled by ScheduleFoldersAtRestart like those of a file
// scheduled for the restart.
void NoteRemovalPending(const char* path);

// Schedules `path` for deletion at the next start, once per run: the delayed
// move on the NT family (only for a real file or folder there, never a link),
// one more line in the [Rename] section of wininit.ini on Windows 9x. True
// when it was scheduled now.
bool ScheduleRemovalAtRestart(const char* path);

// After the passes, on the NT family: schedules each folder that held a file
// scheduled in this run, up to and including `programFolder`, deepest first,
// so that an empty folder goes at the restart after the files in it.
void ScheduleFoldersAtRestart(const char* programFolder);

// True when this run scheduled anything for the next start, folders included.
bool AnythingScheduledAtRestart();

// Leaves the program file `program` and its folder to the restart: when no
// self-removal batch can run, and for a silent warning run.
void LeaveProgramToRestart(const char* program);

// Tells the user that a restart completes the uninstall.
void ShowRestartNotice();
