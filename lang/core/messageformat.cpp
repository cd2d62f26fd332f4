// Composition of message texts with values, and the conversions a text has.
#include "lang/core/messageformat.h"
#include <cstring>

namespace {

bool IsIn(char c, const char* set) { return c != '\0' && std::strchr(set, c) != nullptr; }

// The length of the conversion that starts with the percent sign at `p`:
// flags, width, precision and size prefixes, then one more character.
std::size_t ConversionLength(const char* p) {
    const char* q = p + 1;
    while (IsIn(*q, "-+ #0'")) ++q;
    while ((*q >= '0' && *q <= '9') || *q == '*') ++q;
    if (*q == '.') {
        ++q;
        while ((*q >= '0' && *q <= '9') || *q == '*') ++q;
    }
    for (;;) {
        if (IsIn(*q, "hlLqjztw")) {
            ++q;
        } else if (*q == 'I') {  // I, I32, I64
            ++q;
            if ((q[0] == '3' && q[1] == '2') || (q[0] == '6' && q[1] == '4')) q += 2;
        } else {
            break;
        }
    }
    if (*q != '\0') ++q;
    return static_cast<std::size_t>(q - p);
}

}  // namespace

void ComposeMessage(char* out, std::size_t capacity, const char* text, const char* const* values, int count) {
    if (capacity == 0) return;
    std::size_t used = 0;
    int next = 0;
    auto put = [&](char c) {
        if (used + 1 >= capacity) return false;
        out[used++] = c;
        return true;
    };
    for (const char* p = text ? text : ""; *p != '\0'; ++p) {
        if (*p == '%' && p[1] == '%') {
            if (!put('%')) break;
            ++p;
        } else if (*p == '%' && p[1] == 's' && next < count) {
            const char* v = values[next++];
            if (!v) v = "";
            while (*v != '\0' && put(*v)) ++v;
            if (*v != '\0') break;
            ++p;
        } else if (!put(*p)) {
            break;
        }
    }
    out[used] = '\0';
}

void FormatWithText(char* out, std::size_t capacity, const char* text, const char* value) {
    ComposeMessage(out, capacity, text, &value, 1);
}

const char* NextConversion(const char* text, std::size_t* length) {
    for (const char* p = text; p && *p != '\0'; ++p) {
        if (*p != '%') continue;
        if (p[1] == '%') { ++p; continue; }
        if (length) *length = ConversionLength(p);
        return p;
    }
    if (length) *length = 0;
    return nullptr;
}

bool SameConversions(const char* original, const char* translation) {
    std::size_t a = 0, b = 0;
    const char* p = NextConversion(original, &a);
    const char* q = NextConversion(translation, &b);
    while (p && q) {
        if (a != b || std::strncmp(p, q, a) != 0) return false;
        p = NextConversion(p + a, &a);
        q = NextConversion(q + b, &b);
    }
    return !p && !q;
}
