// Self-removal through Uninstall_Qav.Bat in a private folder, run for real by
// Wine's cmd.exe: the batch's exact bytes on both platform families, the program and its folder
// gone afterwards whatever characters their names hold, and the warning when
// the program cannot be deleted.
#include "tests/e2e/uninstall_fixture.h"
#include "platform/safe_file.h"
#include <algorithm>
#include <memory>

namespace uninstall_e2e {
namespace {

// COMSPEC for one scope (the program inherits this process's environment).
class InterpreterScope : test::Scope {
public:
    explicit InterpreterScope(const std::string& path) {
        char old[1024] = "";
        DWORD len = GetEnvironmentVariableA("COMSPEC", old, sizeof old);
        had_ = len > 0 && len < sizeof old;
        old_ = old;
        SetEnvironmentVariableA("COMSPEC", path.c_str());
    }
    ~InterpreterScope() { SetEnvironmentVariableA("COMSPEC", had_ ? old_.c_str() : nullptr); }
private:
    bool had_ = false;
    std::string old_;
};

class SelfRemoval : public Installation {
protected:
    // The batch runs through a copy of the recording interpreter, named
    // `name` in the scratch folder, which keeps the batch's path and bytes
    // there before it runs the batch (a COMMAND.COM runs nothing).
    std::string Recorder(const char* name) {
        std::string path = root_ / name;
        EXPECT_TRUE(test::CopyTo(test::TestProgram("recordbatch"), path));
        DeleteFileA((root_ / "batch.path").c_str());
        DeleteFileA((root_ / "batch.copy").c_str());
        return path;
    }
    // The batch's bytes as the recording interpreter kept them. It runs
    // detached from the program, so it may still be starting when the program
    // has ended: its copy is waited for (it writes the path first, then the
    // bytes, each in one write).
    std::string RecordedBatch() {
        for (int waited = 0; waited < 600; ++waited) {
            std::string copy = test::ReadBytes(root_ / "batch.copy");
            if (!copy.empty()) return copy;
            Sleep(100);
        }
        return "";
    }
    // The batch a silent run wrote for the program file `p`, in its private
    // folder; cmd.exe removes the folder on the last line. On the NT family
    // the program has moved itself aside to "uninstall.exe.0.exe" first.
    std::string ExpectedBatch(const std::string& p, bool start, bool removesFolder) {
        std::string d = dir_, b = test::ReadBytes(root_ / "batch.path");
        std::string block = "del \"" + p + "\"\r\nrd \"" + d + "\"\r\nif not exist \"" + p + "\" goto done\r\n";
        std::string text = (start ? "start /wait \"" : "\"") + p + "\" /wait\r\n";
        for (int i = 0; i < 5; ++i) text += block;
        text += ":done\r\nif exist \"" + p + "\" \"" + p + "\" /warning /S\r\ndel \"" + b + "\"";
        if (removesFolder) text += "&rd \"" + b.substr(0, b.find_last_of('\\')) + "\"";
        return text;
    }
};

TEST_F(SelfRemoval, BatchBytesNtFamily) {
    Put("a.txt");
    List("a.txt\r\n");
    InterpreterScope interpreter(Recorder("cmd.exe"));
    EXPECT_TRUE(Run("/S").empty());
    EXPECT_TRUE(test::WaitUntilGone(dir_));
    EXPECT_TRUE(WaitForBatch());
    std::string copy = RecordedBatch();
    // The administrators' run (every run under Wine) keeps the batch in the
    // Windows temporary folder, which only the administrators control.
    std::string batch = test::ReadBytes(root_ / "batch.path");
    std::string base = test::WindowsFolder() + "\\Temp\\" + PrivateFolderPrefix;
    EXPECT_EQ(CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, batch.c_str(),
                             static_cast<int>(std::min(batch.size(), base.size())), base.c_str(), -1),
              CSTR_EQUAL) << batch;
    EXPECT_EQ(copy, ExpectedBatch(exe_ + ".0.exe", false, true));
}

// On Windows 9x the batch runs the program through "start /wait" when the
// interpreter is command.com; with cmd.exe (Wine's, or the NT family's when a
// 9x version is reported to the program), which would read the quoted path as
// a window title and open an idle console, it runs the program directly. The
// COMMAND.COM of the first row runs nothing, so the program and its folder stay.
// A running program cannot be renamed on Windows 9x: the batch names it.
TEST_F(SelfRemoval, BatchBytesWindows9x) {
    QAV_ONLY_FOR_X86_PROGRAM_AS_WINDOWS_9X(program_);
    const struct {
        const char* interpreter;
        bool start;
        bool removed;
    } cases[] = {
        {"COMMAND.COM", true, false},
        {"cmd.exe", false, true},
    };
    for (const auto& c : cases) {
        test::WineVersionScope win98("win98");
        test::SavedFile wininit(WininitPath());
        InterpreterScope interpreter(Recorder(c.interpreter));
        Install(c.start ? "Qavrix-command" : "Qavrix-cmd");
        Put("a.txt");
        List("a.txt\r\n");
        EXPECT_TRUE(Run("/S").empty());
        EXPECT_FALSE(Has("a.txt"));
        if (c.removed) {
            EXPECT_TRUE(test::WaitUntilGone(dir_)) << "the batch ran to its end";
            EXPECT_TRUE(WaitForBatch());
        }
        std::string copy = RecordedBatch();
        EXPECT_EQ(copy, ExpectedBatch(exe_, c.start, !c.start)) << c.interpreter;
        EXPECT_EQ(test::Exists(dir_), !c.removed);
        for (const std::string& folder : BatchFolders()) test::RemoveTree(folder);
    }
}

TEST_F(SelfRemoval, ProgramAndFolderGoWhateverTheirNames) {
    // Percent signs would be expanded by cmd.exe even inside quotes; & ^ ( ) !
    // are special to it outside quotes; double-byte names must keep their bytes.
    // The temporary folder gets percent signs too: a run without the
    // administrators' rights (started with a token whose Administrators group
    // is for denying only, as Wine elevates everything else) keeps its batch
    // there, and starts it from there by name.
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
            {
                std::unique_ptr<test::NonAdministratorScope> person;
                if (ownTemp) person.reset(new test::NonAdministratorScope);
                EXPECT_TRUE(Run("/S").empty()) << label;
            }
            EXPECT_FALSE(Has("sub")) << label;
            if (ownTemp) {
                // Wine's cmd.exe leaves the batch's empty private folder behind.
                std::vector<std::string> names = test::FilesIn(tempName);
                EXPECT_TRUE(std::any_of(names.begin(), names.end(), [](const std::string& n) {
                    return n.compare(0, sizeof PrivateFolderPrefix - 1, PrivateFolderPrefix) == 0;
                })) << label;
            }
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
