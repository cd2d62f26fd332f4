// The running program and its folder, which a temporary batch file removes
// after the program has ended.
#pragma once
#include <windows.h>
#include "platform/core/textwalk.h"
#include "uninstall/core/batchtext.h"

// The start-up record of the batch's interpreter: hidden on the NT family,
// with `nul` (the opened device "NUL") as its standard handles, or with none
// when "NUL" could not be opened.
STARTUPINFOA BatchStartupRecord(PlatformFamily family, HANDLE nul);

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
