// The out-of-memory handler shared by every Array.
#include "platform/core/array.h"
#include <cstdlib>

namespace {
OutOfMemoryHandler outOfMemoryHandler = nullptr;
}

OutOfMemoryHandler SetOutOfMemoryHandler(OutOfMemoryHandler handler) {
    OutOfMemoryHandler previous = outOfMemoryHandler;
    outOfMemoryHandler = handler;
    return previous;
}

void ArrayOutOfMemory() {
    if (outOfMemoryHandler) outOfMemoryHandler();
    std::abort();  // a handler that returns cannot be allowed to go on
}
