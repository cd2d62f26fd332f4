// The values of the product's entry in the list of installed programs that
// are composed from paths and numbers, in the program's fixed buffers. Each
// composer fails with an empty output rather than write a cut value: a cut
// path would name another program.
#pragma once
#include <cstddef>
#include <cstdint>

// `program` in double quotes, then `arguments` as given (" /S", or "").
bool QuotedCommand(char* out, std::size_t capacity, const char* program, const char* arguments);

// `file` followed by ",0": the first icon of that file.
bool FirstIconOf(char* out, std::size_t capacity, const char* file);

// The signature that opens a fixed version record.
constexpr std::uint32_t FixedVersionSignature = 0xFEEF04BDu;

// "a.b.c.d" from the two halves of a fixed version record. False when the
// signature is wrong, the version is all zero (no version was given) or the
// text does not fit.
bool VersionText(char* out, std::size_t capacity, std::uint32_t signature, std::uint32_t high, std::uint32_t low);

// Bytes in kibibytes, rounded up, at most the largest 32-bit number.
std::uint32_t KibibytesOf(std::uint64_t bytes);
