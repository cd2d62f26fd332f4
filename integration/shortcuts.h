// The archiver's shortcuts: on the desktop, at the top of the Start menu and
// in the "Qavrix" program group (per user, and for all users on the NT family).
#pragma once
#include "integration/settings.h"
#include "platform/core/textwalk.h"
#include <cstddef>

// One shortcut of the program group: the link's name is `fixedName`, or the
// text of message `nameMessage` when there is no fixed name; its target is
// `targetFile` in this program's folder.
struct GroupLink {
    const char* fixedName;
    int nameMessage;
    const char* targetFile;
};
constexpr int GroupLinkCount = 3;
extern const GroupLink GroupLinkTable[GroupLinkCount];

// Makes each shortcut whose flag is set and removes each whose flag is clear.
// `groupPath` (`groupPathSize` bytes, may be null) receives the user's
// program group folder when, and only when, that group is made.
void UpdateShortcuts(const IntegrationSettings& settings, char* groupPath, std::size_t groupPathSize);

// Writes one shell link (target and description only), replacing a file of
// that name; false when it was not saved.
bool CreateShellLink(const char* target, const char* linkPath, const char* description);

// The user's desktop directory; false, with the buffer emptied, when the
// shell has no location for it.
bool GetDesktopFolder(char (&folder)[PathSize]);
