// Key-path composition for the registry layer (no system calls).
#include "platform/core/keypath.h"
#include <cstdio>
#include <cstring>

bool MakeKeyPath(bool productRoot, const char* path, char* output, std::size_t size) {
    if (!path || !output || size < KeyPathReserve) return false;
    std::size_t length = strnlen(path, size);
    if (length > size - KeyPathReserve) return false;
    int written;
    if (productRoot && path[0] == '\\')
        written = std::snprintf(output, size, "%s", path + 1);
    else if (productRoot)
        written = std::snprintf(output, size, "%s%s%s", ProductKeyPath, path[0] ? "\\" : "", path);
    else
        written = std::snprintf(output, size, "%s", path);
    return written >= 0 && static_cast<std::size_t>(written) < size;
}

bool JoinKeyPath(const char* parent, const char* name, char* output, std::size_t size) {
    if (!output || size == 0) return false;
    int written = std::snprintf(output, size, "%s\\%s", parent, name);
    if (written < 0 || static_cast<std::size_t>(written) >= size) {
        output[0] = '\0';
        return false;
    }
    return true;
}
