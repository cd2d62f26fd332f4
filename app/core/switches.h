// The command-line switch scan: finds every "/" or "-" in the argument string
// and classifies the switch text after it. Pure; the effects are callbacks.
#pragma once
#include <string>

// Log: "LOG=" followed by a file name, which may be quoted ("/LOG="a b.log"",
// or the whole switch: "/LOG=a b.log"); the name is taken whole, so a "-" or
// "/" inside it opens no switch. Other: a switch the program does not know;
// an unquoted log name followed by a word that is no switch (a name with a
// blank that was not quoted) is reported as one too, in place of its name.
enum class SwitchKind { Setup, Silent, Wait, Warning, Log, Other };

struct SwitchHandler {
    virtual ~SwitchHandler() = default;
    // Called at once for each switch, in order, during the scan.
    virtual void OnSwitch(SwitchKind kind) = 0;
    // Called after OnSwitch(Log) with the file name (may be empty).
    virtual void OnLogFile(const std::string& name) { (void)name; }
};

// The kind of one switch text (what follows the "/" or "-").
SwitchKind ClassifySwitch(const char* text);

// Scans the argument string (never modified) and returns SwitchCount: the
// number of switches that suppress the uninstall run (all but Silent and Log).
int ScanSwitches(const char* args, SwitchHandler& handler);
