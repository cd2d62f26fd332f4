// Path composition for the shortcut step.
#include "integration/core/link_paths.h"

bool JoinFolderPath(const LeadBytes& table, char* output, std::size_t capacity,
                    const char* folder, const char* name, const char* suffix) {
    if (capacity == 0) return false;
    output[0] = '\0';
    if (!folder || folder[0] == '\0') return false;
    bool fits = CopyText(output, capacity, folder);
    if (fits) {
        const char* last = LastCharPos(table, output);
        if (*last != '\\') fits = AppendText(output, capacity, "\\");
    }
    if (fits) fits = AppendText(output, capacity, name ? name : "");
    if (fits) fits = AppendText(output, capacity, suffix ? suffix : "");
    if (!fits) output[0] = '\0';
    return fits;
}
