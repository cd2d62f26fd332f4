// Starting another program.
#pragma once
#include <windows.h>

// Starts `commandLine` (a line cut at the path size is not started) in
// `workingDir`; waits up to `waitMs` for it to end when that is not 0.
// False when the program could not be started.
bool RunProgram(const char* commandLine, const char* workingDir, DWORD waitMs);
