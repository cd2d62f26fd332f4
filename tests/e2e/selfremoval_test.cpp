// Self-removal through Uninstall_Qav.Bat, run for real by Wine's cmd.exe: the
// batch's exact bytes on both platform families, the program and its folder
// gone afterwards whatever characters their names hold, and the warning when
// the program cannot be deleted.
#include "tests/e2e/uninstall_fixture.h"

namespace uninstall_e2e {
namespace {

class SelfRemoval : public Installation {
protected:
    // Keeps the batch file from being deleted by its own last line, so that
    // its bytes can be read after it has run. Read and write sharing let the
    // program rewrite it and the interpreter read it.
    test::HeldFile KeepBatch() {
        EXPECT_TRUE(test::WriteBytes(BatchPath(), "placeholder"));
        return test::HeldFile(BatchPath(), test::Hold::NoDeleteSharing);
    }
    // The batch of a silent run for the program file `p`: on the NT family
    // the program has moved itself aside to "uninstall.exe.0.exe" first.
    std::string ExpectedBatch(const std::string& p, bool start) {
        std::string d = dir_, b = BatchPath();
        std::string block = "del \"" + p + "\"\r\nrd \"" + d + "\"\r\nif not exist \"" + p + "\" goto done\r\n";
        std::string text = (start ? "start /wait \"" : "\"") + p + "\" /wait\r\n";
        for (int i = 0; i < 5; ++i) text += block;
        return text + ":done\r\nif exist \"" + p + "\" \"" + p + "\" /warning /S\r\ndel \"" + b + "\"";
    }
};

TEST_F(SelfRemoval, BatchBytesNtFamily) {
    Put("a.txt");
    List("a.txt\r\n");
    test::HeldFile batch = KeepBatch();
    ASSERT_TRUE(batch);
    EXPECT_TRUE(Run("/S").empty());
    EXPECT_TRUE(test::WaitUntilGone(dir_));
    EXPECT_EQ(batch.Read(), ExpectedBatch(exe_ + ".0.exe", false));
}

// COMSPEC for one scope (the program inherits this process's environment).
class InterpreterScope : test::Scope {
public:
    explicit InterpreterScope(const char* path) {
        char old[1024] = "";
        DWORD len = GetEnvironmentVariableA("COMSPEC", old, sizeof old);
        had_ = len > 0 && len < sizeof old;
        old_ = old;
        if (path) SetEnvironmentVariableA("COMSPEC", path);
    }
    ~InterpreterScope() { SetEnvironmentVariableA("COMSPEC", had_ ? old_.c_str() : nullptr); }
private:
    bool had_ = false;
    std::string old_;
};

// On Windows 9x the batch runs the program through "start /wait" when the
// interpreter is command.com; with cmd.exe (Wine's, or the NT family's when a
// 9x version is reported to the program), which would read the quoted path as
// a window title and open an idle console, it runs the program directly. The
// command.com of the first row does not exist here: the batch is written but
// cannot be started, so the program and its folder stay (left to the restart).
// A running program cannot be renamed on Windows 9x: the batch names it.
TEST_F(SelfRemoval, BatchBytesWindows9x) {
    QAV_ONLY_FOR_X86_PROGRAM_AS_WINDOWS_9X(program_);
    const struct {
        const char* interpreter;  // null: Wine's own COMSPEC, cmd.exe
        bool start;
        bool removed;
    } cases[] = {
        {"C:\\WINDOWS\\COMMAND.COM", true, false},
        {nullptr, false, true},
    };
    for (const auto& c : cases) {
        test::WineVersionScope win98("win98");
        test::SavedFile wininit(WininitPath());
        InterpreterScope interpreter(c.interpreter);
        Install(c.start ? "Qavrix-command" : "Qavrix-cmd");
        Put("a.txt");
        List("a.txt\r\n");
        {
            test::HeldFile batch = KeepBatch();
            ASSERT_TRUE(batch);
            EXPECT_TRUE(Run("/S").empty());
            EXPECT_FALSE(Has("a.txt"));
            if (c.removed) {
                EXPECT_TRUE(test::WaitUntilGone(dir_)) << "the batch ran to its end";
            }
            EXPECT_EQ(batch.Read(), ExpectedBatch(exe_, c.start)) << (c.interpreter ? c.interpreter : "cmd.exe");
            EXPECT_EQ(test::Exists(dir_), !c.removed);
        }
        DeleteFileA(BatchPath().c_str());
    }
}

TEST_F(SelfRemoval, ProgramAndFolderGoWhateverTheirNames) {
    // Percent signs would be expanded by cmd.exe even inside quotes; & ^ ( ) !
    // are special to it outside quotes; double-byte names must keep their bytes.
    // The temporary folder (where the batch lives) gets percent signs too.
    const char* names[] = {"Qav %PATH% 50% A&B ^(x) !x!", "Qav %%%1 %~dp0", "卸载 程序", "Qavrix"};
    std::string tempName = root_ / "tmp %TEMP% 5%";
    ASSERT_TRUE(test::MakeDir(tempName));
    char oldTmp[MAX_PATH] = "", oldTemp[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", oldTmp, sizeof oldTmp);
    GetEnvironmentVariableA("TEMP", oldTemp, sizeof oldTemp);
    for (bool ownTemp : {false, true}) {
        if (ownTemp) {
            SetEnvironmentVariableA("TMP", tempName.c_str());
            SetEnvironmentVariableA("TEMP", tempName.c_str());
        }
        for (const char* name : names) {
            std::string label = std::string(name) + (ownTemp ? " (own temp)" : "");
            Install(std::string(name) + (ownTemp ? " t" : ""));
            Folder("sub");
            Put("sub\\a.txt");
            List("sub\\a.txt\r\nsub\r\n");
            EXPECT_TRUE(Run("/S").empty()) << label;
            EXPECT_FALSE(Has("sub")) << label;
            EXPECT_TRUE(WaitForBatch()) << label;
            EXPECT_TRUE(test::WaitUntilGone(dir_, 10000)) << label;
            EXPECT_TRUE(ui::DialogsOf(0).empty()) << label;
        }
    }
    SetEnvironmentVariableA("TMP", oldTmp);
    SetEnvironmentVariableA("TEMP", oldTemp);
    EXPECT_EQ(test::EndProgramsUnder(root_.path()), 0);
    // Nothing else of the scratch folder was touched.
    EXPECT_TRUE(test::Exists(tempName));
}

// Held without delete sharing, the program can be neither moved aside nor
// deleted: the batch's five deletions fail. After an interactive run its
// warning run tells the user; after a silent one it shows nothing and leaves
// the program and its folder to the restart.
TEST_F(SelfRemoval, ProgramThatCannotBeDeletedGetsTheWarningOrTheRestart) {
    for (bool silent : {false, true}) {
        SCOPED_TRACE(silent ? "silent" : "interactive");
        test::EmptySchedule schedule;
        Install(silent ? "Qavrix-silent" : "Qavrix-asked");
        Put("a.txt");
        List("a.txt\r\n");
        test::HeldFile held(exe_, test::Hold::NoDeleteSharing);
        ASSERT_TRUE(held);
        EXPECT_EQ(Run(silent ? "/S" : "", IDYES).size(), silent ? 0u : 1u);
        if (!silent) {
            HWND box = ui::WaitForDialog(0, 60000, "卸载 Qavrix");
            ASSERT_NE(box, nullptr);
            ui::Window w = ui::Describe(box);
            EXPECT_EQ(w.MessageText(), "卸载已完成\n你应该手动删除 " + test::Utf8FromAnsi(exe_));
            ui::Command(box, IDOK);
        }
        EXPECT_TRUE(WaitForBatch());
        EXPECT_TRUE(ui::DialogsOf(0).empty());
        held.Release();
        EXPECT_TRUE(Has("uninstall.exe"));
        EXPECT_FALSE(Has("a.txt"));
        EXPECT_FALSE(Has("Uninstall.lst"));
        EXPECT_EQ(test::IsScheduledForDeletion(exe_), silent);
        EXPECT_EQ(test::IsScheduledForDeletion(dir_), silent);
        test::EndProcessesStartedBy(started_);
    }
}

}  // namespace
}  // namespace uninstall_e2e
