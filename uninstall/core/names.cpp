// Bounded composition of temporary names for files in use.
#include "uninstall/core/names.h"
#include <cstdio>

bool ComposeTemporaryName(char* out, std::size_t capacity, const char* path, int counter) {
    if (capacity == 0) return false;
    int used = std::snprintf(out, capacity, "%s.%d.tmp", path, counter);
    if (used >= 0 && static_cast<std::size_t>(used) < capacity) return true;
    out[0] = '\0';
    return false;
}
