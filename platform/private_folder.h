// The new private folder the self-removal batch is written into, and the
// test of the administrators' rights that decides its owner and place.
#pragma once
#include <windows.h>
#include <cstddef>

// Creates a new folder of a unique name in `parent` and puts its path, with a
// trailing backslash, into `out`. The name carries 64 bits of the system's
// random generator (SystemRandomBytes), so that nobody can take it first;
// without one (only Windows 9x) it is made of the process, the time and a
// counter, and on the NT family no folder is made. When the process may set the owner to the
// Administrators (an elevated run), the folder is theirs: the system and the
// administrators have full control, users may only read it, and nothing is
// inherited from `parent`; otherwise it gets `parent`'s security. False when
// no folder was made.
bool CreatePrivateFolder(const char* parent, char* out, std::size_t capacity);

// True when the process acts with the administrators' rights: its token has
// the Administrators group, enabled (an elevated run; after the elevation
// prompt, or as the system). False where the system cannot tell (before
// Windows 2000; Windows 9x has no groups, and its answer means nothing).
bool RunsAsAdministrator();

// The security descriptor a private folder is created with in an elevated run.
const SECURITY_DESCRIPTOR* PrivateFolderDescriptor();
// The start of the private folders' names (the tests look for them).
constexpr char PrivateFolderPrefix[] = "QavRemoval.";

