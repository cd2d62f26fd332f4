// The run's log for administrators (/LOG=file): what the run did, one line
// each, as plain text in the ANSI code page, written and flushed at once so
// that an interrupted run leaves what it did so far. While no log is open
// nothing is written.
#pragma once
#include "platform/handles.h"

// The open log file (defined with the program's other static objects).
UniqueStdioFile& TheRunLogFile();

// Opens the log at `name`, taken relative to the current directory at the
// time of the call, as `how` says. False when it cannot be written.
enum class LogFile {
    New,        // a new file in place of what is there (a link there is removed itself, never written through)
    Appended,   // the real file there written on at its end (a run that does not hold
                // the run lock never empties the log another run may be writing)
};
bool OpenRunLog(const char* name, LogFile how = LogFile::New);
// Ends the log; later lines are dropped.
void CloseRunLog();
bool RunLogIsOpen();
// One line, with the local time in front, at the log's end (another run may
// have appended to it); `format` is always a literal.
void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
