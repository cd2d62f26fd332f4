// The removal passes over Uninstall.lst: the list read once and held, each
// further pass walking only the entries that are still there, or - when the
// list cannot be held - the list re-read from its start for every pass.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include "platform/core/listfile.h"

// What became of one entry in one pass.
enum class EntryOutcome {
    Removed,   // deleted or removed now: counts for the pass, never visited again
    Stays,     // still there (or not there yet): visited again in a further pass
    Settled,   // done with without a removal (skipped, deferred): never visited again
};

class HeldList {
public:
    // Reads every entry of `list` from its current position (ReadListEntry's
    // lines). False, holding nothing, when the rest of the file is larger
    // than `limit` bytes or memory runs out; the file position is then
    // unspecified.
    bool Load(std::FILE* list, std::size_t limit);
    std::size_t Remaining() const { return remaining_; }

    // Calls `visit(entry)` for every entry still held, in list order, keeps
    // those that stay and returns how many were removed.
    template <typename Visit>
    int Pass(Visit&& visit) {
        int removed = 0;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < remaining_; ++i) {
            EntryOutcome outcome = visit(static_cast<const char*>(text_.get() + starts_[i]));
            if (outcome == EntryOutcome::Removed) ++removed;
            if (outcome == EntryOutcome::Stays) starts_[kept++] = starts_[i];
        }
        remaining_ = kept;
        return removed;
    }

private:
    // Allocated without throwing (new (std::nothrow)), so that a list too
    // large for the memory left is re-read instead.
    std::unique_ptr<char[]> text_;               // the entries, each ended by a NUL
    std::unique_ptr<std::uint32_t[]> starts_;    // where the remaining entries begin
    std::size_t remaining_ = 0;
};

// One pass over the whole file from its start; returns how many were removed.
template <typename Visit>
int ReadingPass(std::FILE* list, Visit&& visit) {
    char entry[ListLineBufferSize];
    int removed = 0;
    RewindList(list);
    while (ReadListEntry(list, entry, sizeof entry))
        if (visit(static_cast<const char*>(entry)) == EntryOutcome::Removed) ++removed;
    return removed;
}

// The passes: the list is held when it fits `limit` bytes, else re-read for
// every pass. Passes run until one removes nothing or nothing is left to
// visit. Returns the number of passes.
template <typename Visit>
int RunRemovalPasses(std::FILE* list, std::size_t limit, Visit&& visit) {
    HeldList held;
    int passes = 0;
    if (held.Load(list, limit)) {
        while (held.Remaining() > 0) {
            ++passes;
            if (held.Pass(visit) == 0) break;
        }
        return passes;
    }
    do ++passes;
    while (ReadingPass(list, visit) > 0);
    return passes;
}
