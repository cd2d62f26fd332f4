// The archive-type groups and the key names built from an extension.
#include "integration/core/extension_groups.h"
#include <cstdio>
#include <cstring>

const char* const ExtensionGroups[ArchiveTypeCount] = {
    ".qav", ".zip", ".cab", ".arj", ".lzh.lha", ".ace", ".7z",
    ".tar", ".gz.tgz", ".uue.xxe.uu", ".bz2.tbz2.bz.tbz", ".jar", ".iso", ".z.taz",
};

const char* NextExtension(const char* group, char* output, std::size_t size) {
    while (group && *group) {
        const char* end = group[0] ? std::strchr(group + 1, '.') : nullptr;
        std::size_t length = end ? static_cast<std::size_t>(end - group) : std::strlen(group);
        const char* next = group + length;
        if (output && length < size) {
            std::memcpy(output, group, length);
            output[length] = '\0';
            return next;
        }
        group = next;  // too long for the caller's buffer: never hand on a cut name
    }
    if (output && size) output[0] = '\0';
    return nullptr;
}

const char* ProgramIdOfGroup(int group) { return group == ZipGroup ? "Qavrix.ZIP" : "Qavrix"; }

bool VolumeExtension(int number, char* output, std::size_t size) {
    if (number < 0 || number > 99) return false;
    int written = std::snprintf(output, size, ".q%02d", number);
    return written > 0 && static_cast<std::size_t>(written) < size;
}

static bool FormatName(const char* format, const char* extension, char* output, std::size_t size) {
    int written = std::snprintf(output, size, format, extension);
    if (written < 0 || static_cast<std::size_t>(written) >= size) {
        if (size) output[0] = '\0';
        return false;
    }
    return true;
}

bool RecordPath(const char* extension, char* output, std::size_t size) {
    return FormatName("Setup\\%s", extension, output, size);
}

bool ShellNewPath(const char* extension, char* output, std::size_t size) {
    return FormatName("%s\\ShellNew", extension, output, size);
}
