// The uninstall run over Uninstall.lst.
#pragma once
#include <cstddef>
#include <cstdio>

// How an uninstall run ended.
enum class UninstallEnd {
    Done,          // ran to its end, nothing waits for the restart
    RestartNeeded,   // ran to its end and left something for the next restart
    Declined,      // the user answered No: nothing was changed
    CannotStart,   // no list (or one that cannot be read), or the program folder cannot be entered: nothing was changed
    NothingRemoved,   // ran to its end, but every listed entry was left alone (links, outside)
    EntriesLeft,   // ran to its end, but left entries it could not remove
};

// Confirms (unless silent), removes the integration and the listed files,
// then removes itself. A silent run shows no window at all.
UninstallEnd UninstallDriver(bool silent);

// The removal passes alone, for tests: the entries of `list` taken relative to
// the folder of `programPath` (a file of that name is left for later, as the
// running program is). Returns the number of passes.
int RemoveListedEntries(std::FILE* list, const char* programPath);

// Tests only: lists larger than `limit` bytes are read again for every pass
// instead of being held (1: every list is re-read); 0 restores the real limit.
// Returns the previous limit.
std::size_t SetListHoldingLimitForTests(std::size_t limit);
