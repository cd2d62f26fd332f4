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

// True when the entry's last component names a device rather than a file:
// CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, CONIN$ and CONOUT$, in any letter
// case, also followed by blanks, an extension or a stream ("aux.txt",
// "NUL .x", "com1:"), since the system maps all of these to the device.
bool NamesDevice(const LeadBytes& table, const char* entry);

// True when `path` lies below `folder` (both full paths in the same form, for
// example "\\?\C:\..."): `folder` followed by a backslash and at least one more
// character, letter case of single-byte characters ignored. A folder that
// ends in a backslash (a root) is matched as it is. The folder itself is not
// inside.
bool PathLiesInside(const LeadBytes& table, const char* folder, const char* path);
