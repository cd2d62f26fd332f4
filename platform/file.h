// The file object used by the language-file loader, and the program-wide
// error record whose one fatal path ends the process.
#pragma once
#include <windows.h>

class ErrorState {
public:
    ErrorState() = default;
    // Ends the process with the fatal out-of-memory error (exit code 8).
    [[noreturn]] void FatalOutOfMemory();
};

ErrorState& TheErrorState();
