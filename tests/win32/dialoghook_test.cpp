// The dialog hook on test dialogs of our own under Wine: texts translated
// under the dialog's name, sizes and positions before and after a scale
// entry, the 512-children limit, right-to-left layout, and which messages
// ask for help.
#include "lang/dialoghook.h"
#include "lang/languagefile.h"
#include "lang/messages.h"
#include "tests/support/lang_entries.h"
#include "tests/support/recorders.h"
#include "tests/support/sandbox.h"
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

const char DialogName[] = "LANGTESTDLG";
using test::WindowEntry;

// What the dialog procedure passes to the hook.
const char* hookName = DialogName;
int hookHelpContext = 0;

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogHook(dialog, message, wParam, lParam, hookName, hookHelpContext);
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

std::string TextOf(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

RECT WindowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

// Sizes and texts of a dialog and its controls, by control ID.
struct Snapshot {
    RECT window{}, client{};
    std::string title;
    std::map<int, RECT> rects;
    std::map<int, std::string> texts;
    RECT dropped{};  // the drop-down combo box with its list
};

Snapshot Take(HWND dialog) {
    Snapshot s;
    s.window = WindowRect(dialog);
    GetClientRect(dialog, &s.client);
    s.title = TextOf(dialog);
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        int id = GetDlgCtrlID(c);
        s.rects[id] = WindowRect(c);
        s.texts[id] = TextOf(c);
    }
    SendDlgItemMessageA(dialog, 102, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&s.dropped));
    return s;
}

// The height SetWindowPos gave the drop-down combo box 102.
int GivenComboHeight(const Snapshot& s) {
    const RECT& field = s.rects.at(102);
    return (field.bottom - field.top) + (s.dropped.bottom - s.dropped.top);
}

class DialogHookTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module_);
        hookName = DialogName;
        hookHelpContext = 0;
    }
    void TearDown() override {
        for (HWND d : dialogs_) DestroyWindow(d);
        test::ForgetLanguageFile();
    }
    void UseLanguageFile(const std::string& lines) {
        std::string path = dir_ / "uninstall.lng";
        ASSERT_TRUE(test::WriteBytes(path, test::MessagesHeader + lines));
        LoadLanguageFile(path.c_str());
        ASSERT_TRUE(HasTranslations());
    }
    HWND Create(const char* templateName = DialogName) {
        hookName = templateName;
        HWND d = CreateDialogParamA(module_.get(), templateName, nullptr, TestDialogProc, 0);
        EXPECT_NE(d, nullptr);
        if (d) dialogs_.push_back(d);
        return d;
    }
    // The dialog as the template makes it, without any language file.
    Snapshot Baseline() {
        LoadLanguageFile("C:\\no such folder\\none.lng");
        HWND d = Create();
        Snapshot s = Take(d);
        DestroyWindow(d);
        dialogs_.pop_back();
        return s;
    }

    test::ScratchDir dir_{"dlghook"};
    UniqueLibrary module_{LoadLibraryA(test::ResourceDll("langdlg").c_str())};
    test::HelpRecorder help_;
    std::vector<HWND> dialogs_;
};

TEST_F(DialogHookTest, TextsAreTranslatedUnderTheDialogsName) {
    Snapshot before = Baseline();
    UseLanguageFile(WindowEntry(DialogName, "Test dialog", "Testdialog") + WindowEntry(DialogName, "First label", "Erste") +
                    WindowEntry(DialogName, "OK", "Gut") + WindowEntry(DialogName, "Help", "Hilfe") +
                    WindowEntry("OTHERDLG", "Second label", "Zweite") +
                    WindowEntry(DialogName, "", "120"));  // no asterisk: no scaling
    HWND d = Create();
    Snapshot after = Take(d);
    EXPECT_EQ(after.title, "Testdialog");
    EXPECT_EQ(after.texts[100], "Erste");
    EXPECT_EQ(after.texts[101], "");  // empty text: left alone, not the "120" of the empty key
    EXPECT_EQ(after.texts[104], "Second label");  // another dialog's entry
    EXPECT_EQ(after.texts[9], "Hilfe");
    EXPECT_EQ(after.texts[IDOK], "Gut");
    EXPECT_TRUE(EqualRect(&after.window, &before.window));
    for (auto& [id, rect] : before.rects) EXPECT_TRUE(EqualRect(&after.rects[id], &rect)) << id;
}

TEST_F(DialogHookTest, OneHundredPercentBothWaysChangesNoGeometry) {
    Snapshot before = Baseline();
    UseLanguageFile(WindowEntry(DialogName, "", "100*100") + WindowEntry(DialogName, "OK", "Gut"));
    Snapshot after = Take(Create());
    EXPECT_EQ(after.texts[IDOK], "Gut");
    EXPECT_TRUE(EqualRect(&after.window, &before.window));
    for (auto& [id, rect] : before.rects) EXPECT_TRUE(EqualRect(&after.rects[id], &rect)) << id;
    EXPECT_TRUE(EqualRect(&after.dropped, &before.dropped));
}

TEST_F(DialogHookTest, OneHundredFiftyPercentWideScalesByTheFormulas) {
    Snapshot b = Baseline();
    UseLanguageFile(WindowEntry(DialogName, "", "150*100"));
    HWND d = Create();
    Snapshot a = Take(d);

    const int frameW = (b.window.right - b.window.left + 1) - b.client.right;
    const int frameH = (b.window.bottom - b.window.top + 1) - b.client.bottom;
    EXPECT_EQ(a.window.left, b.window.left);
    EXPECT_EQ(a.window.top, b.window.top);
    EXPECT_EQ(a.window.right - a.window.left, b.client.right * 150 / 100 + frameW);
    EXPECT_EQ(a.window.bottom - a.window.top, b.client.bottom + frameH);

    const int top = frameH - GetSystemMetrics(SM_CYDLGFRAME);
    for (int id : {100, 101, 103, 104, 9, IDOK}) {
        const RECT& r = b.rects[id];
        int x = (r.left - b.window.left - frameW / 2) * 150 / 100;
        int y = r.top - b.window.top - top;
        int w = 150 * (r.right - r.left + 1) / 100;
        int h = r.bottom - r.top + 1;
        // The client origin moves with the frame; compare in the dialog's client space.
        POINT origin{0, 0};
        ClientToScreen(d, &origin);
        EXPECT_EQ(a.rects[id].left - origin.x, x) << id;
        EXPECT_EQ(a.rects[id].top - origin.y, y) << id;
        EXPECT_EQ(a.rects[id].right - a.rects[id].left, w) << id;
        EXPECT_EQ(a.rects[id].bottom - a.rects[id].top, h) << id;
    }
    // The drop-down combo box is given its own height plus its list's; Wine
    // reports that as the field's height and the list's below it.
    const RECT& combo = b.rects[102];
    int expected = (combo.bottom - combo.top + 1) + (b.dropped.bottom - b.dropped.top + 1);
    EXPECT_EQ(GivenComboHeight(a), expected);
    EXPECT_EQ(a.rects[102].right - a.rects[102].left, 150 * (combo.right - combo.left + 1) / 100);
}

TEST_F(DialogHookTest, VerticalScaleGrowsDropDownButNotSimpleComboByTheList) {
    Snapshot b = Baseline();
    UseLanguageFile(WindowEntry(DialogName, "", "100*150"));
    Snapshot a = Take(Create());
    const RECT& simple = b.rects[103];
    EXPECT_EQ(a.rects[103].bottom - a.rects[103].top, (simple.bottom - simple.top + 1) * 150 / 100);
    const RECT& drop = b.rects[102];
    int expected = (drop.bottom - drop.top + 1) * 150 / 100 + (b.dropped.bottom - b.dropped.top + 1) * 150 / 100;
    EXPECT_EQ(GivenComboHeight(a), expected);
}

TEST_F(DialogHookTest, OnlyTheFirst512ChildrenAreTranslatedAndMoved) {
    UseLanguageFile(WindowEntry(DialogName, "extra", "EXTRA"));
    HWND d = Create();
    for (int i = 0; i < 600; ++i)
        CreateWindowExA(0, "STATIC", "extra", WS_CHILD, 1, 1, 10, 10, d, reinterpret_cast<HMENU>(2000 + i),
                        nullptr, nullptr);
    std::vector<HWND> children;
    for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
    ASSERT_GT(children.size(), 600u);
    std::vector<RECT> before;
    for (HWND c : children) before.push_back(WindowRect(c));

    UseLanguageFile(WindowEntry(DialogName, "extra", "EXTRA") + WindowEntry(DialogName, "", "200*200"));
    TranslateDialog(d, DialogName);
    int translated = 0, moved = 0;
    for (std::size_t i = 0; i < children.size(); ++i) {
        bool isExtra = GetDlgCtrlID(children[i]) >= 2000;
        RECT now = WindowRect(children[i]);
        bool changed = !EqualRect(&now, &before[i]);
        if (i < static_cast<std::size_t>(MaxDialogChildren)) {
            EXPECT_TRUE(changed) << i;
            if (isExtra) {
                EXPECT_EQ(TextOf(children[i]), "EXTRA") << i;
            }
        } else {
            EXPECT_FALSE(changed) << i;
            EXPECT_EQ(TextOf(children[i]), "extra") << i;
        }
        translated += TextOf(children[i]) == "EXTRA";
        moved += changed;
    }
    EXPECT_EQ(moved, MaxDialogChildren);
    EXPECT_GT(translated, 500);
}

TEST_F(DialogHookTest, EmptyTitleIsLookedUpLikeTheScaleEntry) {
    hookName = "NOTITLEDLG";
    UseLanguageFile(WindowEntry("NOTITLEDLG", "", "Now titled"));
    HWND d = Create("NOTITLEDLG");
    EXPECT_EQ(TextOf(d), "Now titled");
}

TEST_F(DialogHookTest, RightToLeftLayoutFromCreationOn) {
    {
        HWND d = Create();
        EXPECT_EQ(GetWindowLongA(d, GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0);
    }
    UseLanguageFile(WindowEntry("LTR", "LTR", "RTL"));
    ASSERT_TRUE(RightToLeft());
    HWND d = Create();
    EXPECT_NE(GetWindowLongA(d, GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0);
    // The hook mirrors on WM_SETFONT, before WM_INITDIALOG.
    HWND plain = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DialogHook(plain, WM_SETFONT, 0, 0, DialogName, 0);
    EXPECT_NE(GetWindowLongA(plain, GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0);
    DestroyWindow(plain);
}

TEST_F(DialogHookTest, HelpOnlyWhereTheContextIsNotZero) {
    for (int context : {4288, 0}) {
        help_.Clear();
        hookHelpContext = context;
        HWND d = Create();
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(9, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(d, 9)));
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(9, BN_DOUBLECLICKED), 0);  // any notification
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(100, 9), 0);               // code 9, not ID 9
        HELPINFO info{};
        info.cbSize = sizeof info;
        SendMessageA(d, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        SendMessageA(GetDlgItem(d, 9), BM_CLICK, 0, 0);                   // the button itself
        std::vector<test::HelpRequest> seen = help_.Seen();
        if (context == 0) {
            EXPECT_TRUE(seen.empty());
            continue;
        }
        ASSERT_EQ(seen.size(), 4u);
        for (const test::HelpRequest& c : seen) {
            EXPECT_EQ(c.owner, d);
            EXPECT_EQ(c.file, "qavrix.hlp");
            EXPECT_EQ(c.command, static_cast<UINT>(HELP_CONTEXT));
            EXPECT_EQ(c.data, 4288u);
        }
    }
}

TEST_F(DialogHookTest, OpenHelpTopicGoesThroughTheViewer) {
    OpenHelpTopic(nullptr, 4976);
    std::vector<test::HelpRequest> seen = help_.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].file, "qavrix.hlp");
    EXPECT_EQ(seen[0].data, 4976u);
    EXPECT_EQ(SetHelpViewerForTests(nullptr), &test::HelpRecorder::Record);  // null puts WinHelpA back
    EXPECT_EQ(SetHelpViewerForTests(&test::HelpRecorder::Record), &WinHelpA);
}

}  // namespace
