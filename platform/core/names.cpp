// Bounded composition of temporary names for files in use, and their recognition.
#include "platform/core/names.h"
#include <cctype>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

bool ComposeNumbered(char* out, std::size_t capacity, const char* path, int counter, const char* ending) {
    if (capacity == 0) return false;
    int used = std::snprintf(out, capacity, "%s.%d.%s", path, counter, ending);
    if (used >= 0 && static_cast<std::size_t>(used) < capacity) return true;
    out[0] = '\0';
    return false;
}

}  // namespace

bool ComposeTemporaryName(char* out, std::size_t capacity, const char* path, int counter) {
    return ComposeNumbered(out, capacity, path, counter, "tmp");
}

bool ComposeAsideName(char* out, std::size_t capacity, const char* path, int counter) {
    return ComposeNumbered(out, capacity, path, counter, "exe");
}

bool IsMovedAsideName(const char* path) {
    std::size_t length = std::strlen(path);
    if (length < 7) return false;   // "a.0.tmp"
    const char* ending = path + length - 4;
    bool known = false;
    for (const char* name : {".tmp", ".exe"}) {
        bool same = true;
        for (int i = 0; i < 4; ++i)
            same = same && std::tolower(static_cast<unsigned char>(ending[i])) == name[i];
        known = known || same;
    }
    if (!known) return false;
    const char* digit = ending;
    int digits = 0;
    while (digit > path && std::isdigit(static_cast<unsigned char>(digit[-1])) && digits < 4) --digit, ++digits;
    if (digits == 0 || digits > 3 || (digits > 1 && *digit == '0')) return false;
    return digit - path >= 2 && digit[-1] == '.';
}
