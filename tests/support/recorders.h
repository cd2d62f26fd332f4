// Scope objects that put recorders into the program's seams for the help
// viewer and the shell's "open", so that a test sees what the code asked for
// instead of a help window or a browser. Thread-safe: dialogs under test may
// run on a thread of their own.
#pragma once
#include "lang/dialoghook.h"
#include "platform/shell_open.h"
#include "tests/support/harness.h"
#include <mutex>
#include <string>
#include <vector>

namespace test {

// What the seam function of a recorder saw (one recorder of a kind at a time).
template <typename T>
class Seen {
public:
    static void Add(T item) { std::lock_guard<std::mutex> hold(Lock()); Items().push_back(std::move(item)); }
    static std::vector<T> All() { std::lock_guard<std::mutex> hold(Lock()); return Items(); }
    static void Clear() { std::lock_guard<std::mutex> hold(Lock()); Items().clear(); }
private:
    static std::mutex& Lock() { static std::mutex lock; return lock; }
    static std::vector<T>& Items() { static std::vector<T> items; return items; }
};

struct HelpRequest {
    HWND owner;
    std::string file;
    UINT command;
    ULONG_PTR data;
};

// Records every help request made while it lives.
class HelpRecorder : Scope {
public:
    HelpRecorder() { Clear(); }
    std::vector<HelpRequest> Seen() const { return test::Seen<HelpRequest>::All(); }
    void Clear() { test::Seen<HelpRequest>::Clear(); }
    static BOOL WINAPI Record(HWND owner, LPCSTR file, UINT command, ULONG_PTR data) {
        test::Seen<HelpRequest>::Add({owner, file ? file : "", command, data});
        return TRUE;
    }
private:
    SeamScope<HelpViewer> seam_{SetHelpViewerForTests, &Record};
};

// Records every target handed to the shell to open while it lives.
class OpenRecorder : Scope {
public:
    OpenRecorder() { test::Seen<std::string>::Clear(); }
    std::vector<std::string> Seen() const { return test::Seen<std::string>::All(); }
    static void Record(const char* target) { test::Seen<std::string>::Add(target ? target : ""); }
private:
    SeamScope<ShellOpener> seam_{SetShellOpenerForTests, &Record};
};

}  // namespace test
