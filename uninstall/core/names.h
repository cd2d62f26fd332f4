// Composed names and texts of the uninstall run: temporary names for files in
// use, and message texts that take one name.
#pragma once
#include <cstddef>

constexpr int LastTemporaryCounter = 999;

// "%s.%d.tmp" from `path` and `counter`. False, with `out` empty, when the
// name does not fit in `capacity` bytes.
bool ComposeTemporaryName(char* out, std::size_t capacity, const char* path, int counter);

// Replaces the first "%s" of `format` by `value` and each "%%" by "%"; any
// other percent sign is copied as it is, so a translated text with other
// conversions cannot read arguments that were never passed. Cut to fit.
void FormatWithText(char* out, std::size_t capacity, const char* format, const char* value);
