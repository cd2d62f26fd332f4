// OLE for the program's one thread, started where COM is first needed (a
// shell link made or read) instead of at start-up: on the main thread OLE
// makes a hidden window, and with it comes the desktop and the display
// driver, which a silent uninstall that meets no shell link never needs.
#pragma once

// Initializes OLE on the first call; true while it is usable.
bool OleStarted();

// For the run's whole length: ends OLE when the run started it.
class OleForRun {
public:
    OleForRun() = default;
    ~OleForRun();
    OleForRun(const OleForRun&) = delete;
    OleForRun& operator=(const OleForRun&) = delete;
};
