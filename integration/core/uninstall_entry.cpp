// Composition of the uninstall entry's path and number values.
#include "integration/core/uninstall_entry.h"
#include "platform/core/textwalk.h"
#include <cstdio>

namespace {

bool Fail(char* out, std::size_t capacity) {
    if (capacity > 0) out[0] = '\0';
    return false;
}

}  // namespace

bool QuotedCommand(char* out, std::size_t capacity, const char* program, const char* arguments) {
    if (capacity == 0 || program[0] == '\0') return Fail(out, capacity);
    out[0] = '\0';
    if (AppendText(out, capacity, "\"") && AppendText(out, capacity, program) &&
        AppendText(out, capacity, "\"") && AppendText(out, capacity, arguments))
        return true;
    return Fail(out, capacity);
}

bool FirstIconOf(char* out, std::size_t capacity, const char* file) {
    if (capacity == 0 || file[0] == '\0') return Fail(out, capacity);
    if (CopyText(out, capacity, file) && AppendText(out, capacity, ",0")) return true;
    return Fail(out, capacity);
}

bool VersionText(char* out, std::size_t capacity, std::uint32_t signature, std::uint32_t high, std::uint32_t low) {
    if (capacity == 0 || signature != FixedVersionSignature || (high == 0 && low == 0)) return Fail(out, capacity);
    char text[48];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(high >> 16),
                  static_cast<unsigned>(high & 0xFFFFu), static_cast<unsigned>(low >> 16),
                  static_cast<unsigned>(low & 0xFFFFu));
    if (CopyText(out, capacity, text)) return true;
    return Fail(out, capacity);
}

std::uint32_t KibibytesOf(std::uint64_t bytes) {
    std::uint64_t kib = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    return kib > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kib);
}
