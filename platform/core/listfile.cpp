// Line reading of the list file with the semantics of a 2048-byte fgets.
#include "platform/core/listfile.h"
#include "platform/core/textwalk.h"
#include <cstring>

bool ReadListEntry(std::FILE* list, char* line, std::size_t capacity) {
    if (capacity < 2) return false;
    int room = capacity > 0x7fffffff ? 0x7fffffff : static_cast<int>(capacity);
    while (std::fgets(line, room, list)) {
        if (TrimTrailingBlanks(line)[0] != '\0') return true;
    }
    line[0] = '\0';
    return false;
}

bool NextListEntry(const char* text, std::size_t size, std::size_t& at, char* line, std::size_t capacity) {
    if (capacity < 2) return false;
    while (at < size) {
        // As fgets reads: at most capacity - 1 bytes, up to and including a line feed.
        std::size_t n = 0;
        while (n < capacity - 1 && at + n < size)
            if (text[at + n++] == '\n') break;
        std::memcpy(line, text + at, n);
        line[n] = '\0';
        at += n;
        if (TrimTrailingBlanks(line)[0] != '\0') return true;
    }
    line[0] = '\0';
    return false;
}

void RewindList(std::FILE* list) {
    std::rewind(list);
    unsigned char mark[3];
    if (std::fread(mark, 1, 3, list) != 3 || mark[0] != 0xEF || mark[1] != 0xBB || mark[2] != 0xBF) std::rewind(list);
}

ListText ReadListText(std::FILE* list) {
    std::rewind(list);
    unsigned char chunk[4096];
    std::size_t got = std::fread(chunk, 1, sizeof chunk, list);
    bool utf16 = got >= 2 && ((chunk[0] == 0xFF && chunk[1] == 0xFE) || (chunk[0] == 0xFE && chunk[1] == 0xFF));
    while (got == sizeof chunk) got = std::fread(chunk, 1, sizeof chunk, list);
    bool failed = std::ferror(list) != 0;
    RewindList(list);
    if (failed) return ListText::Unreadable;
    return utf16 ? ListText::Utf16 : ListText::Ansi;
}
