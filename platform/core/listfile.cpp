// Line reading of the list file with the semantics of a 2048-byte fgets.
#include "platform/core/listfile.h"
#include "platform/core/textwalk.h"

bool ReadListEntry(std::FILE* list, char* line, std::size_t capacity) {
    if (capacity < 2) return false;
    int room = capacity > 0x7fffffff ? 0x7fffffff : static_cast<int>(capacity);
    while (std::fgets(line, room, list)) {
        if (TrimTrailingBlanks(line)[0] != '\0') return true;
    }
    line[0] = '\0';
    return false;
}
