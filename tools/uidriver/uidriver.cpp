// Window discovery and control inspection for the UI driver.
#include "uidriver.h"
#include <cstdio>

namespace ui {

std::string ToUtf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

std::wstring FromUtf8(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

namespace {

std::string WindowText(HWND h) {
    // WM_GETTEXT works across processes and for rich-edit controls too.
    LRESULT len = SendMessageW(h, WM_GETTEXTLENGTH, 0, 0);
    std::wstring w(static_cast<size_t>(len) + 1, L'\0');
    LRESULT got = SendMessageW(h, WM_GETTEXT, w.size(), reinterpret_cast<LPARAM>(&w[0]));
    w.resize(static_cast<size_t>(got));
    if (w.empty()) {
        // Wine's ANSI rich-edit control answers only the ANSI request across
        // processes; its text comes in the system's code page.
        std::string a(8192, '\0');
        got = SendMessageA(h, WM_GETTEXT, a.size(), reinterpret_cast<LPARAM>(&a[0]));
        a.resize(got > 0 ? static_cast<size_t>(got) : 0);
        int n = MultiByteToWideChar(CP_ACP, 0, a.data(), static_cast<int>(a.size()), nullptr, 0);
        w.assign(static_cast<size_t>(n), L'\0');
        if (n > 0) MultiByteToWideChar(CP_ACP, 0, a.data(), static_cast<int>(a.size()), &w[0], n);
    }
    return ToUtf8(w);
}

std::string ClassOf(HWND h) {
    wchar_t name[256] = L"";
    GetClassNameW(h, name, 256);
    return ToUtf8(name);
}

struct EnumState { DWORD pid; std::vector<HWND>* out; };

BOOL CALLBACK CollectDialogs(HWND h, LPARAM lp) {
    auto* st = reinterpret_cast<EnumState*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if ((st->pid == 0 || pid == st->pid) && IsWindowVisible(h) && ClassOf(h) == "#32770")
        st->out->push_back(h);
    return TRUE;
}

BOOL CALLBACK CollectChildren(HWND h, LPARAM lp) {
    auto* w = reinterpret_cast<Window*>(lp);
    if (GetParent(h) != w->hwnd) return TRUE;  // direct children only
    Control c;
    c.hwnd = h;
    c.id = GetDlgCtrlID(h);
    c.className = ClassOf(h);
    c.text = WindowText(h);
    c.enabled = IsWindowEnabled(h) != FALSE;
    c.visible = IsWindowVisible(h) != FALSE;
    GetWindowRect(h, &c.rect);
    LONG style = GetWindowLongW(h, GWL_STYLE);
    c.style = style;
    if (c.className == "Button") {
        LONG type = style & BS_TYPEMASK;
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
            type == BS_AUTO3STATE || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON)
            c.check = static_cast<int>(SendMessageW(h, BM_GETCHECK, 0, 0));
    }
    w->controls.push_back(c);
    return TRUE;
}

}  // namespace

std::vector<HWND> DialogsOf(DWORD pid) {
    std::vector<HWND> out;
    EnumState st{pid, &out};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&st));
    return out;
}

HWND WaitForDialog(DWORD pid, DWORD timeoutMs, const std::string& captionPart, HANDLE process) {
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND h : DialogsOf(pid)) {
            if (captionPart.empty() || WindowText(h).find(captionPart) != std::string::npos) return h;
        }
        if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
            // One last look: the window may have appeared just before the end.
            for (HWND h : DialogsOf(pid))
                if (captionPart.empty() || WindowText(h).find(captionPart) != std::string::npos) return h;
            return nullptr;
        }
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(50);
    }
}

namespace {
struct TitleSearch {
    std::string part;
    std::vector<HWND> found;
};

// An enumeration callback's calling convention differs from a lambda's on x86.
BOOL CALLBACK CollectTitled(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<TitleSearch*>(data);
    // The title as the system keeps it: no message to a window that may hang.
    wchar_t title[512] = L"";
    GetWindowTextW(window, title, 512);
    if (IsWindowVisible(window) && ToUtf8(title).find(s->part) != std::string::npos)
        s->found.push_back(window);
    return TRUE;
}
}  // namespace

std::vector<HWND> WindowsTitled(const std::string& captionPart) {
    TitleSearch search{captionPart, {}};
    EnumWindows(CollectTitled, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool WaitForClose(HWND hwnd, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (IsWindow(hwnd)) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

Window Describe(HWND hwnd) {
    Window w;
    w.hwnd = hwnd;
    GetWindowThreadProcessId(hwnd, &w.pid);
    w.className = ClassOf(hwnd);
    w.caption = WindowText(hwnd);
    GetWindowRect(hwnd, &w.rect);
    GetClientRect(hwnd, &w.client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&w.client), 2);
    EnumChildWindows(hwnd, CollectChildren, reinterpret_cast<LPARAM>(&w));
    return w;
}

bool IsFrame(const Control& c) {
    if (c.className == "Button") return (c.style & BS_TYPEMASK) == BS_GROUPBOX;
    if (c.className == "Static") {
        LONG type = c.style & SS_TYPEMASK;
        return type == SS_ETCHEDHORZ || type == SS_ETCHEDVERT || type == SS_ETCHEDFRAME;
    }
    return false;
}

namespace {

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Name(const Control& c) {
    char id[16];
    std::snprintf(id, sizeof id, "%d", c.id);
    return std::string(id) + " " + c.className + " \"" + c.text + "\"";
}

std::string RectText(const RECT& r) {
    char text[64];
    std::snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
    return text;
}

}  // namespace

std::vector<std::string> LayoutFaults(const Window& w) {
    std::vector<std::string> faults;
    std::vector<const Control*> shown;
    for (const Control& c : w.controls)
        if (c.visible) shown.push_back(&c);
    for (const Control* c : shown)
        if (!Inside(c->rect, w.client))
            faults.push_back(Name(*c) + " " + RectText(c->rect) + " reaches outside the dialog " + RectText(w.client));
    for (size_t i = 0; i < shown.size(); ++i) {
        for (size_t j = i + 1; j < shown.size(); ++j) {
            const Control& a = *shown[i];
            const Control& b = *shown[j];
            RECT common;
            if (!IntersectRect(&common, &a.rect, &b.rect)) continue;
            if (common.right - common.left <= 1 || common.bottom - common.top <= 1) continue;  // touching
            bool aFrame = IsFrame(a), bFrame = IsFrame(b);
            if (aFrame && bFrame) continue;
            bool aGroup = aFrame && a.className == "Button", bGroup = bFrame && b.className == "Button";
            if ((aGroup && Inside(b.rect, a.rect)) || (bGroup && Inside(a.rect, b.rect))) continue;
            faults.push_back(Name(a) + " " + RectText(a.rect) + " overlaps " + Name(b) + " " + RectText(b.rect));
        }
    }
    return faults;
}

std::string Window::MessageText() const {
    for (const Control& c : controls)
        if (c.id == 0xFFFF && c.className == "Static") return c.text;
    return {};
}

const Control* Window::Find(int id) const {
    for (const Control& c : controls)
        if (c.id == id) return &c;
    return nullptr;
}

std::string Report(const Window& w) {
    char line[128];
    std::snprintf(line, sizeof line, " rect %ld,%ld %ldx%ld", w.rect.left, w.rect.top,
                  w.rect.right - w.rect.left, w.rect.bottom - w.rect.top);
    std::string out = "window \"" + w.caption + "\" class " + w.className + line + "\n";
    for (const Control& c : w.controls) {
        std::snprintf(line, sizeof line, "  id %5d %-10s %s%s", c.id, c.className.c_str(),
                      c.enabled ? "enabled " : "disabled", c.visible ? "" : " hidden");
        out += line;
        if (c.check >= 0) out += c.check == BST_CHECKED ? " [x]" : " [ ]";
        out += " \"" + c.text + "\"\n";
    }
    return out;
}

namespace {
constexpr UINT ClickWaitMs = 1500;
}

bool Click(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    if (!item) return false;
    // A click that opens a modal dialog does not return until that dialog
    // closes; the driver stops waiting after a while and the click goes on.
    DWORD_PTR result = 0;
    SendMessageTimeoutW(item, BM_CLICK, 0, 0, SMTO_NORMAL, ClickWaitMs, &result);
    return true;
}

bool Command(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(item)) != FALSE;
}

void PressF1(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = dialog;
    DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus) target = info.hwndFocus;
    // The system turns a pressed F1 into WM_KEYF1 for the focused window, and
    // its default handling into WM_HELP for the dialog; a posted key-down is
    // not turned into one, so the driver posts that step itself.
    constexpr UINT KeyF1Message = 0x004D;
    PostMessageW(target, KeyF1Message, 0, 0);
}

bool IsChecked(HWND dialog, int id) {
    return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item && IsWindowEnabled(item);
}

std::string ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item ? WindowText(item) : std::string();
}

}  // namespace ui
