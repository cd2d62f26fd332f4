// Building the paths of shortcut files and program-group folders in the
// program's fixed buffers, without splitting double-byte characters.
#pragma once
#include <cstddef>
#include "platform/core/textwalk.h"

// `folder`, a backslash unless it already ends in one, `name`, then `suffix`.
// False, with `output` emptied, when the folder is empty or the whole path
// does not fit `capacity` bytes: a cut path would name another file.
bool JoinFolderPath(const LeadBytes& table, char* output, std::size_t capacity,
                    const char* folder, const char* name, const char* suffix);

