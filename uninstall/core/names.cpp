// Bounded composition of temporary names and one-argument message texts.
#include "uninstall/core/names.h"
#include <cstdio>

bool ComposeTemporaryName(char* out, std::size_t capacity, const char* path, int counter) {
    if (capacity == 0) return false;
    int used = std::snprintf(out, capacity, "%s.%d.tmp", path, counter);
    if (used >= 0 && static_cast<std::size_t>(used) < capacity) return true;
    out[0] = '\0';
    return false;
}

void FormatWithText(char* out, std::size_t capacity, const char* format, const char* value) {
    if (capacity == 0) return;
    std::size_t used = 0;
    bool valueUsed = false;
    auto put = [&](char c) {
        if (used + 1 >= capacity) return false;
        out[used++] = c;
        return true;
    };
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p == '%' && p[1] == '%') {
            if (!put('%')) break;
            ++p;
        } else if (*p == '%' && p[1] == 's' && !valueUsed) {
            valueUsed = true;
            const char* v = value;
            while (*v != '\0' && put(*v)) ++v;
            if (*v != '\0') break;
            ++p;
        } else if (!put(*p)) {
            break;
        }
    }
    out[used] = '\0';
}
