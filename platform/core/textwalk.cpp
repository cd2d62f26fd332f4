// Lead-byte-aware path walking shared by every part of the program that looks
// for separators in path text.
#include "platform/core/textwalk.h"
#include <cstring>

LeadBytes MakeCodePage936LeadBytes() {
    LeadBytes t;
    t.multiByte = true;
    for (int b = 0x81; b <= 0xFE; ++b) t.lead[b] = true;
    return t;
}

const char* NextCharPos(const LeadBytes& table, const char* p) {
    if (table.multiByte && table.lead[static_cast<unsigned char>(*p)] && p[1] != '\0')
        return p + 2;
    return p + 1;
}

char* NextCharPos(const LeadBytes& table, char* p) {
    return const_cast<char*>(NextCharPos(table, static_cast<const char*>(p)));
}

const char* FileNamePart(const LeadBytes& table, const char* path) {
    const char* afterSlash = nullptr;
    for (const char* p = path; *p != '\0'; p = NextCharPos(table, p)) {
        if (IsSlashChar(*p)) afterSlash = p + 1;
    }
    if (afterSlash) return afterSlash;
    if (path[0] == '\0') return path;
    bool firstIsSingle = !(table.multiByte && table.lead[static_cast<unsigned char>(path[0])]);
    if (IsColonChar(path[1]) && firstIsSingle) return path + 2;
    return path;
}

char* FileNamePart(const LeadBytes& table, char* path) {
    return const_cast<char*>(FileNamePart(table, static_cast<const char*>(path)));
}

const char* LastCharPos(const LeadBytes& table, const char* s) {
    const char* last = s;
    for (const char* p = s; *p != '\0'; p = NextCharPos(table, p)) last = p;
    return last;
}

void AppendBackslash(const LeadBytes& table, char* path, std::size_t capacity) {
    if (path[0] == '\0') return;
    if (*LastCharPos(table, path) == '\\') return;
    std::size_t len = std::strlen(path);
    if (len + 2 > capacity) return;
    path[len] = '\\';
    path[len + 1] = '\0';
}

char* TrimTrailingBlanks(char* s) {
    std::size_t len = std::strlen(s);
    while (len > 0) {
        char c = s[len - 1];
        if (c != '\r' && c != '\n' && c != ' ' && c != '\t') break;
        s[--len] = '\0';
    }
    return s;
}

bool CopyText(char* dest, std::size_t capacity, const char* src) {
    if (capacity == 0) return false;
    std::size_t len = std::strlen(src);
    bool fits = len < capacity;
    if (!fits) len = capacity - 1;
    std::memcpy(dest, src, len);
    dest[len] = '\0';
    return fits;
}

bool AppendText(char* dest, std::size_t capacity, const char* src) {
    std::size_t used = strnlen(dest, capacity);
    if (used >= capacity) return false;
    return CopyText(dest + used, capacity - used, src);
}
