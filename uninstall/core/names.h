// Composed names of the uninstall run: temporary names for files in use.
#pragma once
#include <cstddef>

constexpr int LastTemporaryCounter = 999;

// "%s.%d.tmp" from `path` and `counter`. False, with `out` empty, when the
// name does not fit in `capacity` bytes.
bool ComposeTemporaryName(char* out, std::size_t capacity, const char* path, int counter);
