// The GUI entry procedure: hands the argument string to UninstallerMain.
#include "app/entry.h"
#include <cstdlib>
#include <new>

// The C++ runtime's pieces the shipped program replaces to stay small (the
// program is copied into every installation); each ends the program as the
// runtime's own would.
//
// An exception nobody catches ends the program at once (std::abort), as the
// runtime's own handler does after writing the exception's type to standard
// error. A GUI program has no standard error, and that handler would bring
// the runtime's whole name demangler (some 45 KB) into the file.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}

// The standard containers report a broken precondition (a length beyond
// max_size(), a position out of range) by throwing std::length_error and its
// kin, which the program never catches, so that it ends in std::abort; those
// classes would bring a second, reference-counted std::string implementation
// into the file (some 50 KB on x86). They end the program here directly. An
// allocation that fails still throws std::bad_alloc, which the program handles.
namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }
}  // namespace std

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR args, int) {
    return UninstallerMain(instance, args);
}
