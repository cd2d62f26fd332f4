// The GUI entry procedure: hands the argument string to UninstallerMain.
#include "app/entry.h"
#include "platform/core/array.h"
#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>

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
// max_size(), a position out of range, an empty std::function called) by
// throwing std::length_error and its kin, which the program never catches, so
// that it ends in std::abort; those classes would bring a second,
// reference-counted std::string implementation into the file (some 50 KB on
// x86). They end the program here directly.
namespace std {
void __throw_bad_alloc() { ArrayOutOfMemory(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }
void __throw_bad_function_call() { std::abort(); }
}  // namespace std

// The C++ runtime's own copy of std::string's members was compiled with
// exceptions: its clean-up code needs the unwinder, and its unwind tables
// keep every member in the file, used or not. The program instantiates them
// itself instead, without exceptions, so the linker keeps only the members
// the program calls.
template class std::basic_string<char>;

// The program is built without exceptions, and the runtime's operator new
// would throw std::bad_alloc, bringing the whole unwinder into the file. Here
// an allocation that fails ends the program as a growable array that cannot
// grow does (the registered out-of-memory handler: exit code 8); the nothrow
// forms return null, and their callers (the held uninstall list, the
// language file's text) go on without that memory.
void* operator new(std::size_t size) {
    void* p = std::malloc(size != 0 ? size : 1);
    if (!p) ArrayOutOfMemory();
    return p;
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size != 0 ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size != 0 ? size : 1); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR args, int) {
    return UninstallerMain(instance, args);
}
