// Walking a type's extensions and the key names built from an extension.
#include "integration/core/archive_types.h"
#include <cstdio>
#include <cstring>

const char* NextExtension(const char* extensions, char* output, std::size_t size) {
    while (extensions && *extensions) {
        const char* end = std::strchr(extensions + 1, '.');
        std::size_t length = end ? static_cast<std::size_t>(end - extensions) : std::strlen(extensions);
        const char* next = extensions + length;
        if (output && length < size) {
            std::memcpy(output, extensions, length);
            output[length] = '\0';
            return next;
        }
        extensions = next;  // too long for the caller's buffer: never hand on a cut name
    }
    if (output && size) output[0] = '\0';
    return nullptr;
}

void PrimaryExtension(const ArchiveType& type, char (&output)[ExtensionSize]) {
    NextExtension(type.extensions, output, sizeof output);
}

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
