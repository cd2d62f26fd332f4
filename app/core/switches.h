// The command-line switch scan: finds every "/" or "-" in the argument string
// and classifies the switch text after it. Pure; the effects are callbacks.
#pragma once

enum class SwitchKind { Setup, Silent, Wait, Warning, Other };

struct SwitchHandler {
    virtual ~SwitchHandler() = default;
    // Called at once for each switch, in order, during the scan.
    virtual void OnSwitch(SwitchKind kind) = 0;
};

// The kind of one switch text (what follows the "/" or "-").
SwitchKind ClassifySwitch(const char* text);

// Scans the argument string (never modified) and returns SwitchCount: the
// number of switches that suppress the uninstall run (all but Silent).
int ScanSwitches(const char* args, SwitchHandler& handler);
