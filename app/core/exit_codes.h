// How a run ended and the exit code it ends with: Windows Installer's
// numbers, which deployment tools already read.
#pragma once

enum class RunEnd {
    Done,          // setup applied its choices, the uninstall ran to its end, or only /wait or /warning was asked
    RestartNeeded,   // the uninstall ran to its end and left something for the next restart
    Cancelled,     // the user answered No or cancelled setup
    CannotStart,   // the uninstall could not start; nothing was changed
    NothingRemoved,   // the uninstall ran, but left every listed entry alone
    EntriesLeft,   // the uninstall ran, but left entries it could not remove
    Busy,          // another setup or uninstall run of the program is under way
    UnknownSwitch,   // the command line holds a switch the program does not know; nothing was done
};

struct ExitCodeRow {
    RunEnd end;
    int code;
    const char* meaning;   // for the log
};

constexpr ExitCodeRow ExitCodeTable[] = {
    {RunEnd::Done, 0, "done"},
    {RunEnd::RestartNeeded, 3010, "done, a restart finishes the removal"},
    {RunEnd::Cancelled, 1602, "cancelled by the user"},
    {RunEnd::CannotStart, 1603, "could not start, nothing was changed"},
    {RunEnd::NothingRemoved, 1603, "none of the listed entries was removed"},
    {RunEnd::EntriesLeft, 1603, "the uninstall ran but left entries it could not remove"},
    {RunEnd::Busy, 1618, "another setup or uninstall run is under way, nothing was changed"},
    {RunEnd::UnknownSwitch, 1639, "a switch on the command line is not known, nothing was done"},
};

constexpr const ExitCodeRow& ExitCodeOf(RunEnd end) {
    for (const ExitCodeRow& row : ExitCodeTable)
        if (row.end == end) return row;
    return ExitCodeTable[0];
}
