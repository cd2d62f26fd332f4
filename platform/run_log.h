// The run's log for administrators (/LOG=file): what the run did, one line
// each, as plain text in the ANSI code page, written and flushed at once so
// that an interrupted run leaves what it did so far. While no log is open
// nothing is written.
#pragma once
#include "platform/handles.h"

// The open log file (defined with the program's other static objects).
UniqueStdioFile& TheRunLogFile();

// Opens the log at `name`, taken relative to the current directory at the
// time of the call: a new file in place of what is there (a link there is
// removed itself, never written through), or with `append` the real file
// there written on at its end (a run that does not hold the run lock never
// empties the log another run may be writing). False when it cannot be
// written.
bool OpenRunLog(const char* name, bool append = false);
// Ends the log; later lines are dropped.
void CloseRunLog();
bool RunLogIsOpen();
// One line, with the local time in front, at the log's end (another run may
// have appended to it); `format` is always a literal.
void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Removes the key with its subkeys (registry.h's RegRemoveTree) and logs
// whether it went; a key that is not there is passed over in silence.
void RemoveKeyTreeLogged(HKEY root, const char* path);
