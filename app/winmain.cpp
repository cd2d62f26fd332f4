// The GUI entry procedure: hands the argument string to UninstallerMain.
#include "app/entry.h"
#include <cstdlib>

// An exception nobody catches ends the program at once (std::abort), as the
// C++ runtime's own handler does after writing the exception's type to
// standard error. A GUI program has no standard error, and that handler
// would bring the runtime's whole name demangler (some 45 KB) into the file.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR args, int) {
    return UninstallerMain(instance, args);
}
