// The NT family's schedule of renames and deletions at the next start, the
// REG_MULTI_SZ value PendingFileRenameOperations: pairs of UTF-16 names, each
// ended by a NUL; the first names what is renamed or deleted ("\??\" before
// the path), the second the new name, empty for a deletion.
#pragma once
#include <functional>
#include <string>

// `data` without the deletions whose first name `drop` gives true for; every
// other pair, and whatever follows the last pair, stays unit for unit.
std::u16string WithoutPendingDeletions(const std::u16string& data,
                                       const std::function<bool(const std::u16string& name)>& drop);

// True when `data` holds at least one pair.
bool HoldsPendingRename(const std::u16string& data);
