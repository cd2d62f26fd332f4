// The program folder and the full paths of list entries inside it.
#pragma once
#include <cstddef>
#include "platform/core/textwalk.h"

// Cuts `programPath` at its last backslash into `folder` (`capacity` bytes):
// a root folder such as C:\ keeps its backslash, any other folder loses it.
// False when the path has no backslash or the folder does not fit.
bool ProgramFolderOf(const LeadBytes& table, const char* programPath, char* folder, std::size_t capacity);

// True unless the entry's ".." components, with either separator, climb above
// the folder the entry is taken relative to at some point of the path.
// Components made only of dots and blanks with two or more dots count as "..",
// since the system trims trailing dots and blanks from names.
bool EntryStaysInside(const LeadBytes& table, const char* entry);

// `folder` (ending in a backslash) followed by `entry`, into `out`. False,
// with `out` empty, when the whole path does not fit in `capacity` bytes.
bool ComposeEntryPath(char* out, std::size_t capacity, const char* folder, const char* entry);
