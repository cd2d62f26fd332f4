// uidriver: a command-line front end of the UI driver, for people and scripts.
//   uidriver wait  [--pid N] [--caption TEXT] [--timeout MS]   print the dialog
//   uidriver click [--pid N] [--caption TEXT] ID                 press a button
//   uidriver list  [--pid N]                                     print every dialog
//   uidriver close --caption TEXT     close every window (any kind) so titled
#include "uidriver.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <shellapi.h>

namespace {

int Usage() {
    std::fputs("usage: uidriver wait|click|list|close [--pid N] [--caption TEXT] [--timeout MS] [ID]\n", stderr);
    return 2;
}

void Print(const std::string& utf8) {
    // The console may not speak UTF-8; the bytes are written unchanged.
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
}

// Asks every visible top-level window whose title holds `caption` to close
// (a folder window the shell opened, for example); returns how many.
int CloseWindowsTitled(const std::string& caption) {
    std::vector<HWND> windows = ui::WindowsTitled(caption);
    for (HWND window : windows) PostMessageW(window, WM_CLOSE, 0, 0);
    return static_cast<int>(windows.size());
}

// The arguments in UTF-8, from the wide command line: captions are compared
// in UTF-8, and the ANSI arguments would carry the system's code page.
std::vector<std::string> Utf8Arguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return args;
    for (int i = 0; i < count; ++i) args.push_back(ui::ToUtf8(wide[i]));
    LocalFree(wide);
    return args;
}

}  // namespace

int main() {
    std::vector<std::string> argv = Utf8Arguments();
    int argc = static_cast<int>(argv.size());
    if (argc < 2) return Usage();
    std::string verb = argv[1];
    DWORD pid = 0, timeout = 10000;
    std::string caption;
    int id = -1;
    for (int i = 2; i < argc; ++i) {
        if ((argv[i] == "--pid") && i + 1 < argc) pid = std::strtoul(argv[++i].c_str(), nullptr, 10);
        else if ((argv[i] == "--caption") && i + 1 < argc) caption = argv[++i];
        else if ((argv[i] == "--timeout") && i + 1 < argc) timeout = std::strtoul(argv[++i].c_str(), nullptr, 10);
        else id = std::atoi(argv[i].c_str());
    }
    if (verb == "close") {
        if (caption.empty()) return Usage();
        return CloseWindowsTitled(caption) > 0 ? 0 : 1;
    }
    if (verb == "list") {
        for (HWND h : ui::DialogsOf(pid)) Print(ui::Report(ui::Describe(h)));
        return 0;
    }
    HWND dialog = ui::WaitForDialog(pid, timeout, caption);
    if (!dialog) { std::fputs("uidriver: no dialog appeared\n", stderr); return 1; }
    if (verb == "wait") {
        ui::Window w = ui::Describe(dialog);
        Print(ui::Report(w));
        std::string text = w.MessageText();
        if (!text.empty()) Print("message: " + text + "\n");
        return 0;
    }
    if (verb == "click") {
        if (id < 0) return Usage();
        return ui::Click(dialog, id) ? 0 : 1;
    }
    return Usage();
}
