// The one place the program asks the shell to open something.
#include "platform/shell_open.h"
#include <windows.h>
#include <shellapi.h>

namespace {

void OpenWithShell(const char* target) {
    ShellExecuteA(nullptr, "open", target, nullptr, "", SW_SHOWNORMAL);
}

ShellOpener shellOpener = &OpenWithShell;

}  // namespace

void ShellOpen(const char* target) { shellOpener(target); }

ShellOpener SetShellOpenerForTests(ShellOpener opener) {
    ShellOpener previous = shellOpener;
    shellOpener = opener ? opener : &OpenWithShell;
    return previous;
}
