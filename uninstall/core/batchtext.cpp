// Composition of the self-removal batch's lines in bounded buffers.
#include "uninstall/core/batchtext.h"
#include <cstdarg>
#include <cstdio>

namespace {

// Formats into `out`; on a cut the text is dropped (a cut command would name
// another file) and false is returned.
bool FormatWhole(char* out, std::size_t capacity, const char* format, ...) {
    if (capacity == 0) return false;
    std::va_list args;
    va_start(args, format);
    int used = std::vsnprintf(out, capacity, format, args);
    va_end(args);
    if (used >= 0 && static_cast<std::size_t>(used) < capacity) return true;
    out[0] = '\0';
    return false;
}

}  // namespace

bool DoublePercents(const LeadBytes& table, const char* value, char* out, std::size_t capacity) {
    if (capacity == 0) return false;
    std::size_t used = 0;
    for (const char* p = value; *p != '\0';) {
        const char* next = NextCharPos(table, p);
        std::size_t width = static_cast<std::size_t>(next - p);
        bool percent = width == 1 && *p == '%';
        if (used + width + (percent ? 1 : 0) >= capacity) {
            out[0] = '\0';
            return false;
        }
        if (percent) out[used++] = '%';
        for (; p < next; ++p) out[used++] = *p;
    }
    out[used] = '\0';
    return true;
}

PlatformFamily BatchStartForm(const LeadBytes& table, PlatformFamily family, const char* interpreter) {
    if (family == PlatformFamily::Nt || !interpreter) return family;
    const char* name = FileNamePart(table, interpreter);
    const char cmd[] = "cmd.exe";
    std::size_t i = 0;
    for (; cmd[i] != '\0'; ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != cmd[i]) return family;
    }
    // The name may be followed by blanks.
    for (const char* p = name + i; *p != '\0'; ++p)
        if (*p != ' ' && *p != '\t') return family;
    return PlatformFamily::Nt;
}

bool ComposeBatchStart(PlatformFamily family, const char* program, char* out, std::size_t capacity) {
    const char* format = family == PlatformFamily::Nt ? "\"%s\" /wait\r\n" : "start /wait \"%s\" /wait\r\n";
    return FormatWhole(out, capacity, format, program);
}

bool ComposeBatchAttempt(const char* program, const char* folder, char* out, std::size_t capacity) {
    return FormatWhole(out, capacity, "del \"%s\"\r\nrd \"%s\"\r\nif not exist \"%s\" goto done\r\n",
                       program, folder, program);
}

bool ComposeBatchClosing(const char* program, const char* batch, bool silent, char* out, std::size_t capacity,
                         const char* privateFolder) {
    const char* quiet = silent ? " /S" : "";
    if (privateFolder)
        return FormatWhole(out, capacity, ":done\r\nif exist \"%s\" \"%s\" /warning%s\r\ndel \"%s\"&rd \"%s\"",
                           program, program, quiet, batch, privateFolder);
    return FormatWhole(out, capacity, ":done\r\nif exist \"%s\" \"%s\" /warning%s\r\ndel \"%s\"",
                       program, program, quiet, batch);
}

bool ComposeInterpreterCommand(PlatformFamily form, const char* interpreter, const char* batch, char* out,
                               std::size_t capacity) {
    if (form == PlatformFamily::Nt) return FormatWhole(out, capacity, "\"%s\" /d /c \"\"%s\"\"", interpreter, batch);
    return FormatWhole(out, capacity, "%s /c \"%s\"", interpreter, batch);
}
