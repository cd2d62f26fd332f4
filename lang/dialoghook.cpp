// The dialog hook: mirrors dialogs on WM_SETFONT, translates and scales
// them on WM_INITDIALOG, and opens the help topic on Help and F1.
#include "lang/dialoghook.h"
#include "lang/languagefile.h"
#include "platform/text.h"
#include "resource.h"

namespace {

HelpViewer helpViewer = &WinHelpA;

Rect32 ToRect32(const RECT& r) { return Rect32{r.left, r.top, r.right, r.bottom}; }

// Whether a window without text is translated as well (the dialog itself
// is, its controls are not).
enum class EmptyText { Translated, Skipped };

// Translates a window's text in place under the dialog's name.
void TranslateWindowText(HWND window, const char* dialogName, EmptyText empty) {
    char text[WindowTextCapacity];
    text[0] = '\0';
    GetWindowTextA(window, text, sizeof text);
    if (text[0] == '\0' && empty == EmptyText::Skipped) return;
    Translate(text, text, sizeof text, TextKind::WindowText, dialogName);
    SetWindowTextA(window, text);
}

// A combo box with a list that drops down (any style but CBS_SIMPLE).
bool IsDropDownComboBox(HWND child) {
    char className[256];  // the longest class name the system allows
    className[0] = '\0';
    GetClassNameA(child, className, sizeof className);
    if (CompareTextNoCase(className, "COMBOBOX") != 0) return false;
    return (GetWindowLongA(child, GWL_STYLE) & 3) != CBS_SIMPLE;
}

// The screen's work area (the screen less the task bar).
Rect32 WorkArea() {
    RECT area{};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0) || area.right <= area.left || area.bottom <= area.top)
        area = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return ToRect32(area);
}

// Resizes the dialog in place; only a dialog that would reach past the work
// area is moved, as far as needed to lie inside it.
void ResizeDialog(HWND dialog, const RECT& window, const RECT& client, FrameSize frame, const DialogScale& scale,
                  const Rect32& area) {
    Placement size = ScaledDialogSize(ToRect32(client), frame, scale);
    Placement inside = KeepInsideArea(ToRect32(window), size, area);
    UINT flags = SWP_NOZORDER | SWP_NOOWNERZORDER;
    if (inside.x == window.left && inside.y == window.top) flags |= SWP_NOMOVE;
    SetWindowPos(dialog, nullptr, inside.x, inside.y, size.width, size.height, flags);
}

void MoveChild(HWND child, const RECT& dialogWindow, FrameSize frame, int top, const DialogScale& scale) {
    RECT r{};
    GetWindowRect(child, &r);
    Rect32 dropped{};
    bool dropDown = IsDropDownComboBox(child);
    if (dropDown) {
        RECT d{};
        SendMessageA(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&d));
        dropped = ToRect32(d);
    }
    Placement p = ScaledChildPlacement(ToRect32(r), ToRect32(dialogWindow), frame, top, scale,
                                       dropDown ? &dropped : nullptr);
    SetWindowPos(child, nullptr, p.x, p.y, p.width, p.height, SWP_NOZORDER | SWP_NOOWNERZORDER);
}

}  // namespace

HelpViewer SetHelpViewerForTests(HelpViewer viewer) {
    HelpViewer previous = helpViewer;
    helpViewer = viewer ? viewer : &WinHelpA;
    return previous;
}

void OpenHelpTopic(HWND owner, int helpContext) {
    helpViewer(owner, "qavrix.hlp", HELP_CONTEXT, static_cast<ULONG_PTR>(static_cast<unsigned>(helpContext)));
}

void OpenHelpContents(HWND owner) { helpViewer(owner, "qavrix.hlp", HELP_FINDER, 0); }

void ApplyRightToLeft(HWND window) {
    if (!RightToLeft()) return;
    LONG style = GetWindowLongA(window, GWL_EXSTYLE);
    SetWindowLongA(window, GWL_EXSTYLE, style | WS_EX_LAYOUTRTL);
}

DialogScale GetDialogScale(const char* dialogName) {
    char entry[MessageTextCapacity];
    Translate("", entry, sizeof entry, TextKind::WindowText, dialogName);
    return ScaleFromEntry(entry);
}

void TranslateDialog(HWND dialog, const char* dialogName) {
    DialogScale scale = GetDialogScale(dialogName);
    RECT window{}, client{};
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    FrameSize frame = DialogFrameSize(ToRect32(window), ToRect32(client));
    Rect32 area = WorkArea();
    scale = FitScaleToArea(scale, ToRect32(client), frame, area.right - area.left, area.bottom - area.top);
    if (scale.applies) ResizeDialog(dialog, window, client, frame, scale, area);

    TranslateWindowText(dialog, dialogName, EmptyText::Translated);

    int top = frame.height - GetSystemMetrics(SM_CYDLGFRAME);
    HWND first = GetWindow(dialog, GW_CHILD);
    HWND child = first;
    for (int n = 0; child && n < MaxDialogChildren; ++n) {
        TranslateWindowText(child, dialogName, EmptyText::Skipped);
        if (scale.applies) MoveChild(child, window, frame, top, scale);
        child = GetWindow(child, GW_HWNDNEXT);
        if (child == first) break;
    }
}

void DialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM, const char* dialogName, int helpContext) {
    switch (message) {
    case WM_SETFONT:
        ApplyRightToLeft(dialog);
        break;
    case WM_INITDIALOG:
        TranslateDialog(dialog, dialogName);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_HELPBUTTON && helpContext != 0) OpenHelpTopic(dialog, helpContext);
        break;
    case WM_HELP:
        if (helpContext != 0) OpenHelpTopic(dialog, helpContext);
        break;
    default:
        break;
    }
}
