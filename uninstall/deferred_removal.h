// What the uninstall run cannot delete at once: files in use, which are moved
// aside and scheduled for deletion at the next system start, and the running
// program with its folder, which a temporary batch file removes afterwards.
#pragma once
#include <windows.h>

// Set when a file in use could not even be renamed and was scheduled under its
// own name; false at the start of the removal passes and only ever set afterwards.
extern bool RestartNeeded;

// Moves the file at `path` (whose deletion failed) to the first free name
// "path.N.tmp" and schedules that name for deletion at the next start; when
// the move fails, schedules `path` itself and, if that worked, sets
// RestartNeeded. A path already scheduled in this run is left as it is.
void DeferFileRemoval(const char* path);

// Schedules `path` for deletion at the next start, once per run: the delayed
// move on the NT family, one more line in the [Rename] section of wininit.ini
// on Windows 9x. True when it was scheduled now.
bool ScheduleRemovalAtRestart(const char* path);

// Tells the user that a restart completes the uninstall.
void ShowRestartNotice();

// The start-up record of the batch's interpreter: hidden on the NT family; on
// Windows 9x with `nul` (the opened device "NUL") as its standard handles, or
// with none when "NUL" could not be opened.
STARTUPINFOA BatchStartupRecord(bool nt, HANDLE nul);

// Writes Uninstall_Qav.Bat into the temporary folder and starts it hidden; the
// batch waits for this program to end, deletes it and removes the program
// folder. Leaves the program folder as current directory: call it last.
void StartSelfRemoval();
