// The dialogs at 144 DPI (150 %), the system DPI Wine takes from LogPixels
// when a program starts: the real program's three dialogs checked with the
// UI driver, and the in-process layout test, texts included, run again.
#include "tests/e2e/setup_fixture.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <string>

namespace {

using setup_e2e::SetupRun;

const std::string SetupCaption = "Qavrix 简体中文版安装";
const std::string ItemsCaption = "关联菜单项目";
constexpr DWORD HighDpi = 144;

// The system DPI of programs started while the object lives.
class SystemDpi : test::Scope {
public:
    explicit SystemDpi(DWORD dpi) { test::SetRegDword(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", dpi); }

private:
    test::SavedRegValue saved_{HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels"};
};

class HighDpi144 : public setup_e2e::Installation {
protected:
    // The UI driver's layout check of a dialog of the running program.
    static void ExpectClean(HWND dialog, const char* name) {
        ASSERT_NE(dialog, nullptr) << name;
        ui::Window w = ui::Describe(dialog);
        EXPECT_GT(w.controls.size(), 3u) << name;
        for (const std::string& fault : ui::LayoutFaults(w)) ADD_FAILURE() << name << ": " << fault;
        std::printf("[ FIGURES  ] %s at %lu DPI: %ldx%ld pixels\n", name, HighDpi, w.client.right - w.client.left,
                    w.client.bottom - w.client.top);
    }
    SystemDpi dpi_{HighDpi};
};

TEST_F(HighDpi144, TheProgramsDialogsHaveNoControlOutsideOrOverlapping) {
    SetupRun run = Start("/setup");
    HWND setup = run.WaitFor(SetupCaption);
    ExpectClean(setup, "SETUPDLG");
    // Laid out for 144 DPI, not drawn at 96 and stretched: a 331-unit wide
    // dialog in a 9-point font is far wider than its 96-DPI 500 pixels.
    ui::Window w = ui::Describe(setup);
    EXPECT_GT(w.client.right - w.client.left, 700);

    ui::Click(setup, IDC_CONTEXT_ITEMS);
    HWND items = run.WaitFor(ItemsCaption);
    ExpectClean(items, "CONTEXTITEMS");
    ui::Click(items, IDCANCEL);
    ASSERT_TRUE(ui::WaitForClose(items, 10000));

    ui::Click(setup, IDOK);
    HWND done = run.WaitForCompletion(setup);
    ExpectClean(done, "DONEDLG");
    ui::Click(done, IDOK);
    EXPECT_EQ(run.Wait(), 0);
}

TEST_F(HighDpi144, EveryTextFitsItsControl) {
    std::string out;
    SetEnvironmentVariableA("QAV_EXPECT_DPI", "144");
    long code = test::RunForOutput(test::BinDir() + "\\win32_tests.exe", "--gtest_filter=DialogLayout.*", out, 120000);
    SetEnvironmentVariableA("QAV_EXPECT_DPI", nullptr);
    EXPECT_EQ(code, 0) << out;
    EXPECT_NE(out.find("dialogs laid out at 144 DPI"), std::string::npos) << out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}

}  // namespace
