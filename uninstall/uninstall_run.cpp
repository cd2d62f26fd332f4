// The uninstall run (not yet built: the switch scan reaches it with no
// counted switch, and for now it does nothing).
#include "uninstall/uninstall_run.h"

void UninstallDriver() {}
