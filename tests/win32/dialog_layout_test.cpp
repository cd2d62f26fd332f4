// The three dialogs, from the program and from the English language DLL,
// laid out at the DPI this process runs with: no control reaches outside its
// dialog or overlaps another (the UI driver's check), and every text fits its
// control as the control draws it. The end-to-end tests run this again at
// 144 DPI; QAV_EXPECT_DPI names the DPI such a run must have.
#include "app/entry.h"
#include "integration/setup_dialogs.h"
#include "lang/messages.h"
#include "tests/support/harness.h"
#include "tests/support/sandbox.h"
#include "uidriver/uidriver.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The extent of a control's text in its own font, laid out with `flags` in
// a rectangle `width` pixels wide.
SIZE TextExtent(HWND control, const std::wstring& text, UINT flags, int width) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT r{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), -1, &r, flags | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

int AverageCharWidth(HWND control) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return metrics.tmAveCharWidth;
}

// Texts that do not fit their controls, one line each.
std::vector<std::string> TextFaults(const ui::Window& w, int dpi) {
    std::vector<std::string> faults;
    for (const ui::Control& c : w.controls) {
        if (!c.visible || c.text.empty()) continue;
        std::wstring text = ui::FromUtf8(c.text);
        RECT client;
        GetClientRect(c.hwnd, &client);
        const int width = client.right, height = client.bottom;
        int needWidth = 0, needHeight = 0;
        if (c.className == "Button") {
            LONG type = c.style & BS_TYPEMASK;
            SIZE s = TextExtent(c.hwnd, text, DT_SINGLELINE, 0);
            if (type == BS_GROUPBOX) {
                needWidth = s.cx + 2 * AverageCharWidth(c.hwnd);  // the caption sits inside the frame's corners
                needHeight = s.cy;
            } else if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
                needWidth = s.cx + MulDiv(6, dpi, 96);             // edges and focus frame
                needHeight = s.cy + MulDiv(4, dpi, 96);
            } else {                                               // check boxes and radio buttons
                needWidth = s.cx + GetSystemMetrics(SM_CXMENUCHECK) + MulDiv(4, dpi, 96);
                needHeight = s.cy;
            }
        } else if (c.className == "Static" && !ui::IsFrame(c)) {
            UINT flags = DT_WORDBREAK | DT_EXPANDTABS | ((c.style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
            SIZE s = TextExtent(c.hwnd, text, flags, width);
            needWidth = s.cx;
            needHeight = s.cy;
        } else {
            continue;  // the rich-edit box scrolls its text
        }
        if (needWidth > width || needHeight > height) {
            char line[160];
            wsprintfA(line, "%d needs %dx%d, has %dx%d: ", c.id, needWidth, needHeight, width, height);
            faults.push_back(std::string(line) + c.className + " \"" + c.text + "\"");
        }
    }
    return faults;
}

class DialogLayout : public ::testing::Test {
protected:
    void SetUp() override {
        richEdit_.reset(LoadLibraryA("riched32.dll"));
        font_.reset(CreateDialogFont());  // as start-up makes it
        run_.thanksFont = font_.get();
    }
    test::ScratchRegistry registry_;
    test::ScratchDir dir_{"layout"};
    test::ProgramFolderScope programFolder_{dir_.path()};   // DONEDLG shows it as the installation folder
    UniqueLibrary richEdit_;
    UniqueFont font_;
    SetupRun run_;
};

TEST_F(DialogLayout, NoControlIsClippedOrOverlapsAnother) {
    const int dpi = ScreenDpi();
    if (const char* expected = std::getenv("QAV_EXPECT_DPI")) {
        ASSERT_EQ(dpi, std::atoi(expected)) << "the system DPI this run was started for";
    }
    std::printf("[ FIGURES  ] dialogs laid out at %d DPI\n", dpi);
    LOGFONTA thanks{};
    ASSERT_NE(GetObjectA(run_.thanksFont, sizeof thanks, &thanks), 0);
    EXPECT_EQ(thanks.lfHeight, -MulDiv(12, dpi, 96)) << "the thank-you line grows with the DPI";
    UniqueLibrary englishDll(LoadLibraryA((test::BinDir() + "\\en\\qavlng.dll").c_str()));
    ASSERT_TRUE(englishDll);
    HMODULE english = englishDll.get();
    struct Case { const char* edition; HMODULE module; const char* name; DLGPROC proc; };
    const Case cases[] = {
        {"Chinese", GetModuleHandleA(nullptr), "SETUPDLG", SetupDialogProc},
        {"Chinese", GetModuleHandleA(nullptr), "CONTEXTITEMS", ContextItemsDialogProc},
        {"Chinese", GetModuleHandleA(nullptr), "DONEDLG", DoneDialogProc},
        {"English", english, "SETUPDLG", SetupDialogProc},
        {"English", english, "CONTEXTITEMS", ContextItemsDialogProc},
        {"English", english, "DONEDLG", DoneDialogProc},
    };
    HMODULE saved = CurrentResourceModule;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.edition) + " " + c.name);
        CurrentResourceModule = c.module;  // the procedures load their texts from it
        HWND dialog = CreateDialogParamA(c.module, c.name, nullptr, c.proc, reinterpret_cast<LPARAM>(&run_));
        ASSERT_NE(dialog, nullptr);
        // Not shown: Wine waits two seconds for a shown window to go away
        // again. A control counts as shown by its own style.
        ui::Window w = ui::Describe(dialog);
        for (ui::Control& control : w.controls) control.visible = (control.style & WS_VISIBLE) != 0;
        EXPECT_GT(w.controls.size(), 3u);
        for (const std::string& fault : ui::LayoutFaults(w)) ADD_FAILURE() << fault;
        for (const std::string& fault : TextFaults(w, dpi)) ADD_FAILURE() << fault;
        DestroyWindow(dialog);
    }
    CurrentResourceModule = saved;
}

}  // namespace
