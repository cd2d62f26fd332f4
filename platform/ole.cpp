#include "platform/ole.h"
#include <windows.h>
#include <ole2.h>

namespace {
bool Started = false;
}

bool OleStarted() {
    if (!Started) Started = SUCCEEDED(OleInitialize(nullptr));
    return Started;
}

OleForRun::~OleForRun() {
    if (!Started) return;
    OleUninitialize();
    Started = false;
}
