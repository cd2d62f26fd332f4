// Bounded composition of temporary names for files in use.
#include "uninstall/core/names.h"
#include <cstdio>

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
