// Composed names of the uninstall run: temporary names for files in use and
// for the running program.
#pragma once
#include <cstddef>

constexpr int LastTemporaryCounter = 999;

// "%s.%d.tmp" from `path` and `counter`. False, with `out` empty, when the
// name does not fit in `capacity` bytes.
bool ComposeTemporaryName(char* out, std::size_t capacity, const char* path, int counter);

// "%s.%d.exe": the name the running program moves itself aside to, in its own
// folder, so that the self-removal deletes that name and never a new program
// written under the old one. It stays a program name, which the batch can run.
bool ComposeAsideName(char* out, std::size_t capacity, const char* path, int counter);

// True when the last name of `path` is one of the two above: a file moved
// aside by the uninstall, "<name>.N.tmp" or "<name>.N.exe" with N from 0 to
// LastTemporaryCounter (letter case ignored).
bool IsMovedAsideName(const char* path);
