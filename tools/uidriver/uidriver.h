// The UI driver: finds a process's message boxes and dialogs, reports their
// caption, texts, controls, check and enabled states, and presses buttons.
// Used by the end-to-end tests in-process and by the uidriver command.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace ui {

struct Control {
    HWND hwnd = nullptr;
    int id = 0;
    std::string className;
    std::string text;      // UTF-8
    bool enabled = false;
    bool visible = false;
    int check = -1;        // BST_UNCHECKED/CHECKED/INDETERMINATE for check boxes, else -1
    RECT rect{};           // in screen coordinates
    LONG style = 0;
};

struct Window {
    HWND hwnd = nullptr;
    DWORD pid = 0;
    std::string className;
    std::string caption;   // UTF-8
    RECT rect{};
    RECT client{};         // the client area, in screen coordinates
    std::vector<Control> controls;
    // The text of a message box (its static control 0xFFFF), or "".
    std::string MessageText() const;
    const Control* Find(int id) const;
};

// UTF-16 to UTF-8 and back.
std::string ToUtf8(const std::wstring& w);
std::wstring FromUtf8(const std::string& s);

// Visible top-level dialog windows (class "#32770") of a process (0: any).
std::vector<HWND> DialogsOf(DWORD pid);
// Waits until the process shows a dialog whose caption contains `captionPart`
// (UTF-8, empty: any); returns null on time-out or when `process` ends first.
HWND WaitForDialog(DWORD pid, DWORD timeoutMs, const std::string& captionPart = "",
                   HANDLE process = nullptr);
// Visible top-level windows of any kind whose title contains `captionPart`
// (UTF-8): dialogs, and windows such as the folder windows the shell opens.
std::vector<HWND> WindowsTitled(const std::string& captionPart);
// Waits until `hwnd` is gone.
bool WaitForClose(HWND hwnd, DWORD timeoutMs);

Window Describe(HWND hwnd);
std::string Report(const Window& w);  // human-readable, UTF-8

// What is wrong with a dialog's layout, one line per fault (UTF-8): a visible
// control that reaches outside the client area, and two visible controls that
// overlap. Group boxes and etched lines are frames: they may overlap each
// other, and a control that overlaps a group box must lie wholly inside it.
// Controls that touch in dialog units may share one pixel row or column
// after the conversion to pixels rounds each of them: that is touching.
std::vector<std::string> LayoutFaults(const Window& w);
// A group box or an etched line.
bool IsFrame(const Control& c);

// Presses a button (push, check or radio) the way a click does; returns
// after the button has handled it, or after 1.5 s when the click opened a
// modal dialog (which stays open).
bool Click(HWND dialog, int id);
// Sends the dialog a command as its buttons and keys do (for Esc: IDCANCEL).
bool Command(HWND dialog, int id);
// Sends F1 to the dialog's focused control, as the keyboard does.
void PressF1(HWND dialog);
bool IsChecked(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
std::string ItemText(HWND dialog, int id);

}  // namespace ui
