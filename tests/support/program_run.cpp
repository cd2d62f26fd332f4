// Implementation of the end-to-end helpers.
#include "tests/support/program_run.h"
#include "platform/private_folder.h"
#include <tlhelp32.h>
#include <utility>

namespace test {

std::vector<Box> RunAnswering(const std::string& exe, const std::string& args, const std::string& cwd, int answer,
                              std::vector<ProcessStamp>* started, long exit) {
    std::vector<Box> boxes;
    Process p;
    EXPECT_TRUE(p.Start(exe, args, cwd)) << exe;
    while (HWND box = ui::WaitForDialog(p.pid(), 60000, "", p.handle())) {
        ui::Window w = ui::Describe(box);
        boxes.push_back({w.caption, w.MessageText(), w.Find(IDYES) && w.Find(IDNO)});
        ui::Command(box, boxes.back().hasYesNo ? answer : IDOK);
        ui::WaitForClose(box, 10000);
    }
    EXPECT_EQ(p.Wait(60000), exit) << args;
    if (started) started->push_back(p.Stamp());
    return boxes;
}

ui::Window FirstBox(const std::string& exe, const std::string& args, const std::string& cwd, int answer, long exit) {
    Process p;
    EXPECT_TRUE(p.Start(exe, args, cwd)) << exe;
    HWND box = ui::WaitForDialog(p.pid(), 20000, "", p.handle());
    EXPECT_NE(box, nullptr) << args;
    if (!box) return {};
    ui::Window w = ui::Describe(box);
    ui::Command(box, answer);
    EXPECT_EQ(p.Wait(20000), exit) << args;
    return w;
}

void ProgramCopyTest::Install(const std::string& name) {
    dir_ = root_ / Ansi(name);
    MakeDir(dir_);
    exe_ = dir_ + "\\uninstall.exe";
    ASSERT_TRUE(CopyTo(program_, exe_)) << program_;
}

void ProgramCopyTest::TearDown() { EndProcessesStartedBy(started_); }

HeldFile::HeldFile(const std::string& path, Hold how) {
    if (how == Hold::AsLibrary) {
        library_.reset(LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
        return;
    }
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (how == Hold::ShareDelete ? FILE_SHARE_DELETE : 0);
    file_.reset(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

std::string HeldFile::Read() const {
    std::string out;
    if (!file_) return out;
    SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN);
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(file_.get(), buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    return out;
}

namespace {
// Calls `visit` with every process of the system.
template <typename Visit>
void ForEachProcess(Visit visit) {
    UniqueFileHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap) return;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snap.get(), &entry); more; more = Process32Next(snap.get(), &entry)) visit(entry);
}

void End(HANDLE process) {
    TerminateProcess(process, 99);
    WaitForSingleObject(process, 5000);
}
}  // namespace

int EndProgramsUnder(const std::string& folder) {
    int ended = 0;
    ForEachProcess([&](const PROCESSENTRY32& entry) {
        if (lstrcmpiA(entry.szExeFile, "uninstall.exe") != 0) return;
        UniqueHandle p(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                                   entry.th32ProcessID));
        char image[MAX_PATH * 2] = "";
        DWORD size = sizeof image;
        if (p && QueryFullProcessImageNameA(p.get(), 0, image, &size) &&
            CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, image, static_cast<int>(folder.size()), folder.c_str(),
                           static_cast<int>(folder.size())) == CSTR_EQUAL) {
            End(p.get());
            ++ended;
        }
    });
    return ended;
}

namespace {

// Wine's own processes: started by whichever program first needs them, and
// needed by every program after it.
bool IsWineServiceProcess(const char* exe) {
    for (const char* name : {"services.exe", "winedevice.exe", "plugplay.exe", "svchost.exe", "rpcss.exe",
                             "wineboot.exe", "conhost.exe"})
        if (lstrcmpiA(exe, name) == 0) return true;
    return false;
}

struct WindowCloseSearch {
    DWORD pid;
    int closed;
};

BOOL CALLBACK CloseWindowIfOwned(HWND window, LPARAM param) {
    WindowCloseSearch* s = reinterpret_cast<WindowCloseSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == s->pid && IsWindowVisible(window)) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        ++s->closed;
    }
    return TRUE;
}

// Posts WM_CLOSE to the visible top-level windows of a process; how many.
int CloseWindowsOf(DWORD pid) {
    WindowCloseSearch search{pid, 0};
    EnumWindows(CloseWindowIfOwned, reinterpret_cast<LPARAM>(&search));
    return search.closed;
}

}  // namespace

void EndProcessesStartedBy(const std::vector<ProcessStamp>& roots) {
    struct Entry {
        DWORD pid, parent;
        std::string exe;
    };
    std::vector<Entry> entries;
    ForEachProcess([&](const PROCESSENTRY32& e) { entries.push_back({e.th32ProcessID, e.th32ParentProcessID, e.szExeFile}); });
    DWORD desktop = 0;
    GetWindowThreadProcessId(GetDesktopWindow(), &desktop);

    // Handles are held from the check to the end, so no id can change hands.
    std::vector<ProcessStamp> tree = roots;
    std::vector<UniqueHandle> found;
    for (std::size_t i = 0; i < tree.size(); ++i) {
        for (const Entry& e : entries) {
            if (e.parent != tree[i].pid || e.pid == tree[i].pid || e.pid == desktop || e.pid == GetCurrentProcessId() ||
                IsWineServiceProcess(e.exe.c_str()))
                continue;
            bool known = false;
            for (const ProcessStamp& t : tree) known = known || t.pid == e.pid;
            if (known) continue;
            UniqueHandle p(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, e.pid));
            if (!p) continue;
            ProcessStamp stamp = StampOf(p.get(), e.pid);
            bool startedByIt = tree[i].created != 0 && stamp.created >= tree[i].created &&
                               (tree[i].ended == 0 || stamp.created <= tree[i].ended);
            if (!startedByIt) continue;
            tree.push_back(stamp);
            found.push_back(std::move(p));
        }
    }
    // An explorer.exe folder window that is terminated leaves its
    // registration with the shell behind, and Wine's next folder window is
    // then never shown: windows are closed first.
    for (const UniqueHandle& p : found) {
        if (CloseWindowsOf(GetProcessId(p.get())) > 0 && WaitForSingleObject(p.get(), 5000) == WAIT_OBJECT_0) continue;
        End(p.get());
    }
}

std::vector<std::string> BatchFolders() {
    std::vector<std::string> found;
    for (const std::string& base : {TempFolder(), WindowsFolder() + "\\Temp\\"})
        for (const std::string& name : FilesIn(base))
            if (name.compare(0, sizeof PrivateFolderPrefix - 1, PrivateFolderPrefix) == 0 && name.back() == '\\')
                found.push_back(base + name);
    return found;
}

bool WaitForBatches(DWORD timeoutMs) {
    for (DWORD waited = 0;; waited += 100) {
        bool pending = false;
        for (const std::string& folder : BatchFolders()) pending = pending || Exists(folder + "Uninstall_Qav.Bat");
        if (!pending) break;
        if (waited >= timeoutMs) return false;
        Sleep(100);
    }
    for (const std::string& folder : BatchFolders()) RemoveDirectoryA(folder.c_str());
    return true;
}

}  // namespace test
