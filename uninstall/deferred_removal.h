// What the uninstall run cannot delete at once: files in use, which are moved
// aside and scheduled for deletion at the next system start, and the running
// program with its folder, which a temporary batch file removes afterwards.
#pragma once
#include <windows.h>
#include "platform/core/textwalk.h"
#include "uninstall/core/batchtext.h"

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

// The start-up record of the batch's interpreter: hidden on the NT family,
// with `nul` (the opened device "NUL") as its standard handles, or with none
// when "NUL" could not be opened.
STARTUPINFOA BatchStartupRecord(bool nt, HANDLE nul);

// The interpreter the batch runs with: the system's own cmd.exe in the system
// folder; on Windows 9x COMMAND.COM in the Windows folder (cmd.exe when the
// Windows folder has none: a 9x version reported on the NT family). Never
// COMSPEC, which a person may set for their own programs. False when the
// path does not fit.
bool SystemInterpreter(char (&path)[PathSize]);

// The order of the base folders for this run: its family, and whether it
// has the administrators' rights.
BatchBaseOrder BatchBasesOfThisRun();

// The folder `base` gives, with its trailing backslash, when it exists and
// its name can be written in the ANSI code page (a name outside it comes back
// with "?" in it, which names nothing).
bool BatchBaseFolder(BatchBase base, char (&folder)[PathSize]);

// On the NT family, first moves the running program aside to a new name in
// its folder, so that the batch deletes that name and never a new program an
// upgrade writes under the old one. Then writes Uninstall_Qav.Bat into the
// first usable base folder and starts it hidden through SystemInterpreter,
// passing it nothing but "NUL" as its standard handles; the batch waits for this
// program to end, deletes it and removes the program folder; after a `silent`
// run its warning run is silent too. The base folders are tried in the order
// of BatchBasesInOrder. When no batch can be written or started, leaves the
// program and its folder to the restart and returns false. Leaves the program
// folder as current directory: call it last.
bool StartSelfRemoval(bool silent);
// The same for the program file `own` (StartSelfRemoval's is this program's).
bool StartSelfRemovalOf(const char* own, bool silent);
