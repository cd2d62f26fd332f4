// The file object and the error record.
#include "platform/file.h"

void ErrorState::FatalOutOfMemory() { ExitProcess(8); }
