// Helpers of the end-to-end tests, which run the real program: a fixture
// that copies the program under test into a throw-away program folder, runs
// that answer the program's message boxes, files held open the way another
// program holds them, and ending what a run left behind.
#pragma once
#include "tests/support/harness.h"
#include "uidriver/uidriver.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace test {

// A message box the program showed, and whether it asked Yes or No.
struct Box {
    std::string caption;
    std::string text;   // UTF-8
    bool hasYesNo = false;
};

// The program's exit codes, Windows Installer's numbers.
constexpr long ExitDone = 0, ExitUserCancel = 1602, ExitCannotStart = 1603, ExitEntriesLeft = 1603, ExitBusy = 1618,
               ExitUnknownSwitch = 1639, ExitRestart = 3010;

// Runs a program and answers every box it shows: Yes/No questions with
// `answer`, anything else with OK. Expects the exit code `exit`; returns the boxes.
std::vector<Box> RunAnswering(const std::string& exe, const std::string& args, const std::string& cwd,
                              int answer = IDOK, std::vector<ProcessStamp>* started = nullptr,
                              long exit = ExitDone);
// The first box of a run, answered with `answer` (the run is then expected to
// end with `exit`); an empty window when the program showed none.
ui::Window FirstBox(const std::string& exe, const std::string& args, const std::string& cwd, int answer = IDOK,
                    long exit = ExitDone);

// A throw-away program folder below the scratch folder `root_` holding a copy
// of `program_` (the program under test; set it before SetUp for another) as
// "uninstall.exe". Processes the test started through Run() and whatever they
// started are ended at the end.
class ProgramCopyTest : public ::testing::Test {
protected:
    void SetUp() override { Install("Qavrix"); }
    void TearDown() override;
    // Makes the program folder `name` (UTF-8) below the scratch folder.
    void Install(const std::string& name);
    std::string In(const std::string& rel) const { return dir_ + "\\" + rel; }
    void Put(const std::string& rel, const std::string& bytes = "data") { ASSERT_TRUE(WriteBytes(In(rel), bytes)); }
    void Folder(const std::string& rel) { ASSERT_TRUE(MakeDir(In(rel))); }
    void List(const std::string& bytes) { Put("Uninstall.lst", bytes); }
    bool Has(const std::string& rel) const { return Exists(In(rel)); }
    // Runs the copy from the scratch folder, or from `cwd` (another current
    // directory, as the system starts it), answering its boxes.
    std::vector<Box> Run(const std::string& args, int answer = IDOK, long exit = ExitDone,
                         const std::string& cwd = "") {
        return RunAnswering(exe_, args, cwd.empty() ? root_.path() : cwd, answer, &started_, exit);
    }
    ui::Window FirstBox(const std::string& args, int answer = IDOK, long exit = ExitDone) {
        return test::FirstBox(exe_, args, root_.path(), answer, exit);
    }

    std::string program_ = ProgramUnderTest();
    ScratchDir root_{"e2e"};
    std::string dir_, exe_;
    std::vector<ProcessStamp> started_;
};

// A file held open by this process as another program would hold it.
enum class Hold { ShareDelete, NoDeleteSharing, AsLibrary };
class HeldFile : Scope {
public:
    HeldFile(const std::string& path, Hold how);
    HeldFile(HeldFile&& o) noexcept : file_(std::move(o.file_)), library_(std::move(o.library_)) {}
    explicit operator bool() const { return file_ || library_; }
    std::string Read() const;   // the whole file, through the held handle
    void Release() { file_.reset(); library_.reset(); }
private:
    UniqueFileHandle file_;
    UniqueLibrary library_;
};

// The Windows version Wine reports to a program by its file name, for one scope.
class WineVersionScope : Scope {
public:
    explicit WineVersionScope(const std::string& version, std::string exeName = "uninstall.exe")
        : exeName_(std::move(exeName)) { SetWineVersion(exeName_, version); }
    ~WineVersionScope() { SetWineVersion(exeName_, ""); }
private:
    std::string exeName_;
};

// Ends every uninstall.exe started from below `folder`; returns how many.
int EndProgramsUnder(const std::string& folder);
// Ends every process that `roots` started, directly or through others, and
// that still runs (a batch's interpreter and what it started, a folder
// window), leaving the roots alone. A process counts as started by another
// only when it was created during the other's life. Wine's own service
// processes and the desktop process, which a program under test may happen
// to start, are never ended. A process with windows is asked to close them
// first.
void EndProcessesStartedBy(const std::vector<ProcessStamp>& roots);

// The private folders (each ending in a backslash) that self-removal batches
// were written into and that are still in the temporary folder or the
// Windows one (where an administrators' run, and so every run under Wine
// but those started with NonAdministratorScope, puts them).
std::vector<std::string> BatchFolders();
// Waits until every such batch has deleted itself; false on time-out. Wine's
// cmd.exe holds a batch open until it ends, so the batch's last line cannot
// remove its folder there (Windows' cmd.exe reads a batch line by line): the
// empty folders are removed here.
bool WaitForBatches(DWORD timeoutMs);

}  // namespace test
