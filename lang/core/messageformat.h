// Message texts that take values. A message text may come from a language
// DLL or a language file, so it is never used as a format string: the values
// go exactly where the program's own text has its conversions, and every
// other percent sequence is copied as text.
#pragma once
#include <cstddef>

// Replaces the first `count` occurrences of "%s" in `text` by `values` in
// order, and each "%%" by "%". Any other percent sign, a "%s" beyond the
// values passed included, is copied as it is, so no value is ever read that
// was not passed. Cut to fit `capacity` bytes, always terminated.
void ComposeMessage(char* out, std::size_t capacity, const char* text, const char* const* values, int count);

// The same with one value.
void FormatWithText(char* out, std::size_t capacity, const char* text, const char* value);

// The next printf conversion of `text` at or after `text` ("%s", "%-5d",
// "%1000000s", "%I64x", or a percent sign that ends the text); "%%" is no
// conversion. Null when there is none; `length` receives its length.
const char* NextConversion(const char* text, std::size_t* length);

// True when both texts have the same conversions, written the same way, in
// the same order: a translation that passes this reads what the original reads.
bool SameConversions(const char* original, const char* translation);
