// Path text of the uninstall run: the program folder and entry paths, and the
// check that keeps every entry inside the program folder.
#include "platform/core/entrypath.h"
#include <cstring>
#include <initializer_list>

bool ProgramFolderOf(const LeadBytes& table, const char* programPath, char* folder, std::size_t capacity) {
    const char* lastBackslash = nullptr;
    for (const char* p = programPath; *p != '\0'; p = NextCharPos(table, p))
        if (*p == '\\') lastBackslash = p;
    if (!lastBackslash) return false;
    std::size_t keep = static_cast<std::size_t>(lastBackslash - programPath);
    if (keep > 0 && IsColonChar(lastBackslash[-1])) ++keep;  // C:\ stays a root
    if (keep >= capacity) return false;
    std::memcpy(folder, programPath, keep);
    folder[keep] = '\0';
    return true;
}

namespace {

// A component that names the parent folder once the system has trimmed it.
bool IsParentStep(const char* begin, const char* end) {
    int dots = 0;
    for (const char* p = begin; p < end; ++p) {
        if (*p == '.') ++dots;
        else if (*p != ' ') return false;
    }
    return dots >= 2;
}

bool IsStayStep(const char* begin, const char* end) {
    for (const char* p = begin; p < end; ++p)
        if (*p != '.' && *p != ' ') return false;
    return true;  // ".", ". " and the empty component between two separators
}

}  // namespace

bool EntryStaysInside(const LeadBytes& table, const char* entry) {
    long depth = 0;
    const char* begin = entry;
    for (const char* p = entry;; p = NextCharPos(table, p)) {
        if (*p != '\0' && !IsSlashChar(*p)) continue;
        if (IsParentStep(begin, p)) {
            if (--depth < 0) return false;
        } else if (!IsStayStep(begin, p)) {
            ++depth;
        }
        if (*p == '\0') return true;
        begin = p + 1;
    }
}

bool ComposeEntryPath(char* out, std::size_t capacity, const char* folder, const char* entry) {
    if (capacity == 0) return false;
    out[0] = '\0';
    if (CopyText(out, capacity, folder) && AppendText(out, capacity, entry)) return true;
    out[0] = '\0';
    return false;
}

namespace {

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameAsciiNoCase(const char* a, std::size_t len, const char* b) {
    if (std::strlen(b) != len) return false;
    for (std::size_t i = 0; i < len; ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

}  // namespace

bool NamesDevice(const LeadBytes& table, const char* entry) {
    const char* name = entry;
    for (const char* p = entry; *p != '\0'; p = NextCharPos(table, p))
        if (IsSlashChar(*p)) name = p + 1;
    std::size_t len = 0;
    while (name[len] != '\0' && name[len] != '.' && name[len] != ':') ++len;
    while (len > 0 && name[len - 1] == ' ') --len;
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (SameAsciiNoCase(name, len, device)) return true;
    if (len == 4 && (SameAsciiNoCase(name, 3, "COM") || SameAsciiNoCase(name, 3, "LPT")))
        return name[3] >= '1' && name[3] <= '9';
    return false;
}

bool PathLiesInside(const LeadBytes& table, const char* folder, const char* path) {
    const char* f = folder;
    const char* p = path;
    bool lastWasBackslash = false;
    while (*f != '\0') {
        const char* nextF = NextCharPos(table, f);
        const char* nextP = NextCharPos(table, p);
        if (nextF - f != nextP - p) return false;
        if (nextF - f == 1) {
            if (AsciiUpper(*f) != AsciiUpper(*p)) return false;
        } else if (std::memcmp(f, p, static_cast<std::size_t>(nextF - f)) != 0) {
            return false;
        }
        lastWasBackslash = *f == '\\';
        f = nextF;
        p = nextP;
    }
    if (!lastWasBackslash) {
        if (*p != '\\') return false;
        ++p;
    }
    return *p != '\0';
}
