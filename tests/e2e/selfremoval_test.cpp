// Self-removal through Uninstall_Qav.Bat in a private folder, run for real by
// Wine's cmd.exe (the system's own, never the one COMSPEC names): the batch's
// exact bytes on both platform families, the program and its folder gone
// afterwards whatever characters their names and the batch's folder hold, and
// the warning when the program cannot be deleted.
#include "tests/e2e/uninstall_fixture.h"
#include "platform/private_folder.h"
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
    // A copy of the recording interpreter as `folder`\\`name`, which keeps the
    // batch's path and bytes beside itself ("batch.path", "batch.copy")
    // before it runs the batch (a COMMAND.COM runs nothing).
    std::string Recorder(const std::string& folder, const char* name) {
        std::string path = folder + "\\" + name;
        EXPECT_TRUE(test::CopyTo(test::TestProgram("recordbatch"), path));
        DeleteFileA((folder + "\\batch.path").c_str());
        DeleteFileA((folder + "\\batch.copy").c_str());
        return path;
    }
    // The batch's bytes as the recording interpreter in `folder` kept them.
    // It runs detached from the program, so it may still be starting when the
    // program has ended: its copy is waited for (it writes the path first,
    // then the bytes, each in one write).
    std::string RecordedBatch(const std::string& folder) {
        for (int waited = 0; waited < 600; ++waited) {
            std::string copy = test::ReadBytes(folder + "\\batch.copy");
            if (!copy.empty()) return copy;
            Sleep(100);
        }
        return "";
    }
    // The batch written for the program file `p` at path `b`; cmd.exe removes
    // its private folder on the last line; after a silent run the warning run
    // is silent too.
    std::string ExpectedBatch(const std::string& p, const std::string& b, bool start, bool removesFolder,
                              bool silent) {
        std::string d = dir_;
        std::string block = "del \"" + p + "\"\r\nrd \"" + d + "\"\r\nif not exist \"" + p + "\" goto done\r\n";
        std::string text = (start ? "start /wait \"" : "\"") + p + "\" /wait\r\n";
        for (int i = 0; i < 5; ++i) text += block;
        text += ":done\r\nif exist \"" + p + "\" \"" + p + "\" /warning" + (silent ? " /S" : "") + "\r\ndel \"" + b + "\"";
        if (removesFolder) text += "&rd \"" + b.substr(0, b.find_last_of('\\')) + "\"";
        return text;
    }
};

// The batch runs through the system's cmd.exe, never through the interpreter
// COMSPEC names (a person sets it for their own programs in
// HKEY_CURRENT_USER\\Environment; the program inherits it from this process
// here): the recording interpreter named there never runs. The batch is read
// while it waits at the warning of a run whose program cannot be deleted.
TEST_F(SelfRemoval, BatchBytesNtFamily) {
    Put("a.txt");
    List("a.txt\r\n");
    InterpreterScope interpreter(Recorder(root_.path(), "cmd.exe"));
    test::HeldFile held(exe_, test::Hold::NoDeleteSharing);
    ASSERT_TRUE(held);
    EXPECT_EQ(Run("", IDYES).size(), 1u);
    HWND box = ui::WaitForDialog(0, 60000, "卸载 Qavrix");
    ASSERT_NE(box, nullptr);
    std::vector<std::string> batches;
    for (const std::string& folder : BatchFolders())
        if (test::Exists(folder + "Uninstall_Qav.Bat")) batches.push_back(folder + "Uninstall_Qav.Bat");
    ASSERT_EQ(batches.size(), 1u);
    // The administrators' run (every run under Wine) keeps the batch in the
    // Windows temporary folder, which only the administrators control.
    std::string batch = batches[0];
    std::string base = test::WindowsFolder() + "\\Temp\\" + PrivateFolderPrefix;
    EXPECT_EQ(CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, batch.c_str(),
                             static_cast<int>(std::min(batch.size(), base.size())), base.c_str(), -1),
              CSTR_EQUAL) << batch;
    EXPECT_EQ(test::ReadBytes(batch), ExpectedBatch(exe_, batch, false, true, false));
    ui::Command(box, IDOK);
    EXPECT_TRUE(WaitForBatch());
    EXPECT_FALSE(test::Exists(root_ / "batch.path")) << "the interpreter COMSPEC names ran the batch";
    held.Release();
    test::EndProcessesStartedBy(started_);
}

// On Windows 9x the batch runs through COMMAND.COM of the Windows folder, and
// runs the program through "start /wait". Where the Windows folder has none
// (a 9x version reported to a program on the NT family, or under Wine) it
// runs through the system's cmd.exe, which would read the quoted path after
// "start" as a window title and open an idle console: there it runs the
// program directly. The recording COMMAND.COM of the first row runs nothing,
// so the program and its folder stay. A running program cannot be renamed on
// Windows 9x: the batch names it. COMSPEC is never used.
TEST_F(SelfRemoval, BatchBytesWindows9x) {
    QAV_ONLY_FOR_X86_PROGRAM_AS_WINDOWS_9X(program_);
    const std::string windows = test::WindowsFolder();
    for (bool commandCom : {true, false}) {
        SCOPED_TRACE(commandCom ? "COMMAND.COM" : "cmd.exe");
        test::WineVersionScope win98("win98");
        test::SavedFile wininit(WininitPath());
        test::SavedFile command(windows + "\\COMMAND.COM"), path(windows + "\\batch.path"),
            copy(windows + "\\batch.copy");
        if (commandCom) Recorder(windows, "COMMAND.COM");
        InterpreterScope interpreter(Recorder(root_.path(), "cmd.exe"));
        Install(commandCom ? "Qavrix-command" : "Qavrix-cmd");
        Put("a.txt");
        List("a.txt\r\n");
        EXPECT_TRUE(Run("/S").empty());
        EXPECT_FALSE(Has("a.txt"));
        if (commandCom) {
            std::string recorded = RecordedBatch(windows);
            EXPECT_EQ(recorded, ExpectedBatch(exe_, test::ReadBytes(windows + "\\batch.path"), true, false, true));
            EXPECT_TRUE(test::Exists(dir_));
        } else {
            EXPECT_TRUE(test::WaitUntilGone(dir_)) << "the batch ran to its end";
            EXPECT_TRUE(WaitForBatch());
        }
        EXPECT_FALSE(test::Exists(root_ / "batch.path")) << "the interpreter COMSPEC names ran the batch";
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
    // A temporary folder without percent signs is named on the interpreter's
    // command line: & ( ) ^ and blanks there must stay inside its quotes.
    const char* names[] = {"Qav %PATH% 50% A&B ^(x) !x!", "Qav %%%1 %~dp0", "卸载 程序", "Qavrix"};
    const std::string temps[] = {"", root_ / "tmp %TEMP% 5%", root_ / "R&D (x) ^y"};
    char oldTmp[MAX_PATH] = "", oldTemp[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", oldTmp, sizeof oldTmp);
    GetEnvironmentVariableA("TEMP", oldTemp, sizeof oldTemp);
    for (std::size_t t = 0; t < 3; ++t) {
        const std::string& tempName = temps[t];
        bool ownTemp = !tempName.empty();
        if (ownTemp) {
            ASSERT_TRUE(test::MakeDir(tempName));
            SetEnvironmentVariableA("TMP", tempName.c_str());
            SetEnvironmentVariableA("TEMP", tempName.c_str());
        }
        for (const char* name : names) {
            std::string label = std::string(name) + (ownTemp ? " (own temp " + tempName + ")" : "");
            Install(std::string(name) + (ownTemp ? " t" + std::to_string(t) : ""));
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
    EXPECT_TRUE(test::Exists(temps[1]));
    EXPECT_TRUE(test::Exists(temps[2]));
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
