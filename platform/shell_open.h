// Asking the shell to "open" a file, folder or web address, the way the
// completion dialog and the end of setup do; tests can see the requests.
#pragma once

// ShellExecuteA with the verb "open", no parameters, an empty default
// directory, shown normally. Failures are not reported.
void ShellOpen(const char* target);

// Tests only: the function ShellOpen hands its target to instead of the
// shell (nullptr restores the shell); returns the previous one.
using ShellOpener = void (*)(const char* target);
ShellOpener SetShellOpenerForTests(ShellOpener opener);
