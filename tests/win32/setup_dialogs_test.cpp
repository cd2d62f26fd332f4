// The setup-mode dialog procedures in-process: the dialogs run modally on a
// thread of their own while the test drives them like a user, and sees the
// help requests and shell opens through the program's own seams.
#include "integration/setup_dialogs.h"
#include "lang/dialoghook.h"
#include "lang/messages.h"
#include "platform/shell_open.h"
#include "resource.h"
#include "tests/support/recorders.h"
#include "tests/support/sandbox.h"
#include "uidriver/uidriver.h"
#include <gtest/gtest.h>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// One modal dialog on its own thread, as the program shows it.
class ModalDialog {
public:
    ModalDialog(const char* templateName, DLGPROC proc, SetupRun* run = nullptr)
        : thread_([this, templateName, proc, run] {
              threadId_ = GetCurrentThreadId();
              result_ = DialogBoxParamA(CurrentResourceModule, templateName, nullptr, proc,
                                        reinterpret_cast<LPARAM>(run));
          }) {}
    // A failed test may leave its dialogs open: cancel them, newest first.
    ~ModalDialog() {
        if (!thread_.joinable()) return;
        for (int round = 0; round < 50 && threadId_ != 0; ++round) {
            if (!EnumThreadWindows(threadId_, CancelEnabledDialog, 0)) break;
            Sleep(100);
        }
        thread_.join();
    }
    INT_PTR Join() {
        thread_.join();
        return result_;
    }

private:
    static BOOL CALLBACK CancelEnabledDialog(HWND window, LPARAM) {
        if (IsWindowVisible(window) && IsWindowEnabled(window)) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    std::atomic<DWORD> threadId_{0};
    INT_PTR result_ = -2;
    std::thread thread_;
};

class SetupDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        CurrentResourceModule = GetModuleHandleA(nullptr);
    }
    void TearDown() override { CurrentResourceModule = savedModule_; }
    // The newest visible dialog of this process whose caption holds `caption`.
    HWND WaitFor(const std::string& caption) {
        return ui::WaitForDialog(GetCurrentProcessId(), 20000, caption);
    }
    // Lets the dialog thread handle what was posted to it.
    static void Settle() { Sleep(400); }

    std::vector<test::HelpRequest> HelpSeen() const { return help_.Seen(); }
    std::vector<std::string> OpensSeen() const { return opens_.Seen(); }

    test::ScratchRegistry registry_;
    test::ScratchDir dir_{"dialogs"};
    // Setup runs from wherever it was started; its folder is the program's.
    test::ProgramFolderScope programFolder_{dir_.path()};
    test::CurrentDirectoryScope cwd_{test::SystemFolder()};
    test::HelpRecorder help_;
    test::OpenRecorder opens_;
    UniqueLibrary richEdit_{LoadLibraryA("riched32.dll")};  // SETUPDLG's text box class, as start-up loads it
    HMODULE savedModule_ = CurrentResourceModule;
};

const std::string SetupCaption = "Qavrix 简体中文版安装";
const std::string ContextCaption = "关联菜单项目";

TEST_F(SetupDialogsTest, HelpTopicsFollowTheDialogAndF1StaysInContextItems) {
    ModalDialog setup("SETUPDLG", SetupDialogProc);
    HWND dialog = WaitFor(SetupCaption);
    ASSERT_NE(dialog, nullptr);

    ui::PressF1(dialog);
    Settle();
    ui::Click(dialog, IDC_HELPBUTTON);
    Settle();
    std::vector<test::HelpRequest> seen = HelpSeen();
    ASSERT_EQ(seen.size(), 2u) << (seen.empty() ? 0 : seen[0].command);
    for (const test::HelpRequest& r : seen) {
        EXPECT_EQ(r.file, "qavrix.hlp");
        EXPECT_EQ(r.command, static_cast<UINT>(HELP_CONTEXT));
        EXPECT_EQ(r.data, static_cast<ULONG_PTR>(HELP_CONTEXT_SETUP));
    }

    ui::Click(dialog, IDC_CONTEXT_ITEMS);  // returns while CONTEXTITEMS is open
    HWND items = WaitFor(ContextCaption);
    ASSERT_NE(items, nullptr);
    ui::PressF1(items);
    Settle();
    ui::Click(items, IDC_HELPBUTTON);
    Settle();
    seen = HelpSeen();
    ASSERT_EQ(seen.size(), 4u) << "F1 in CONTEXTITEMS must not reach SETUPDLG as well";
    EXPECT_EQ(seen[2].data, static_cast<ULONG_PTR>(HELP_CONTEXT_CONTEXTITEMS));
    EXPECT_EQ(seen[3].data, static_cast<ULONG_PTR>(HELP_CONTEXT_CONTEXTITEMS));

    ui::Command(items, IDCANCEL);
    ASSERT_TRUE(ui::WaitForClose(items, 10000));
    ui::Command(dialog, IDCANCEL);
    EXPECT_EQ(setup.Join(), 0);
    EXPECT_TRUE(OpensSeen().empty());
}

TEST_F(SetupDialogsTest, BothDialogsCarryTheProductIcon) {
    SetupRun run;
    run.icon = LoadIconA(GetModuleHandleA(nullptr), "QAVICON");
    ASSERT_NE(run.icon, nullptr) << GetLastError();
    for (const char* name : {"SETUPDLG", "DONEDLG"}) {
        ModalDialog shown(name, name[0] == 'S' ? SetupDialogProc : DoneDialogProc, &run);
        HWND dialog = WaitFor(SetupCaption);
        ASSERT_NE(dialog, nullptr) << name;
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0)), run.icon) << name;
        ui::Command(dialog, IDCANCEL);
        shown.Join();
    }
}

TEST_F(SetupDialogsTest, CompletionButtonsOpenTheirTargetsAndKeepTheDialogOpen) {
    ModalDialog done("DONEDLG", DoneDialogProc);
    HWND dialog = WaitFor(SetupCaption);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ui::ItemText(dialog, IDC_DONE_FOLDER), test::Utf8FromAnsi(dir_.path()));

    for (int button : {IDC_DONE_LICENSE, IDC_DONE_ORDER, IDC_DONE_HOMEPAGE, IDC_DONE_HELP}) {
        ui::Click(dialog, button);
        EXPECT_TRUE(IsWindow(dialog)) << button;
    }
    ui::PressF1(dialog);
    Settle();
    std::vector<std::string> opens = OpensSeen();
    ASSERT_EQ(opens.size(), 3u);
    EXPECT_EQ(opens[0], (dir_ / "license.txt"));
    EXPECT_EQ(opens[1], (dir_ / "order.htm"));
    EXPECT_EQ(opens[2], GetMessageText(MSG_HOME_PAGE));
    std::vector<test::HelpRequest> help = HelpSeen();
    ASSERT_EQ(help.size(), 1u) << "F1 in DONEDLG opens nothing";
    EXPECT_EQ(help[0].file, "qavrix.hlp");
    EXPECT_EQ(help[0].command, static_cast<UINT>(HELP_FINDER));

    ui::Command(dialog, IDCANCEL);  // Esc finishes too, with 1
    EXPECT_EQ(done.Join(), 1);
}

TEST_F(SetupDialogsTest, DocumentsAtADriveRootGetOneBackslash) {
    test::ProgramFolderScope root("C:\\");
    ModalDialog done("DONEDLG", DoneDialogProc);
    HWND dialog = WaitFor(SetupCaption);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ui::ItemText(dialog, IDC_DONE_FOLDER), "C:\\");
    ui::Click(dialog, IDC_DONE_LICENSE);
    ui::Click(dialog, IDC_DONE_ORDER);
    ui::Click(dialog, IDOK);
    EXPECT_EQ(done.Join(), 1);
    EXPECT_EQ(OpensSeen(), (std::vector<std::string>{"C:\\license.txt", "C:\\order.htm"}));
}

TEST_F(SetupDialogsTest, SilentModeConfirmsTheCompletionDialogAtOnce) {
    SetupRun silent;
    silent.silent = true;
    ModalDialog done("DONEDLG", DoneDialogProc, &silent);
    EXPECT_EQ(done.Join(), 1);
    EXPECT_TRUE(OpensSeen().empty());
    EXPECT_TRUE(HelpSeen().empty());
}

}  // namespace
