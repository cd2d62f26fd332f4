// Implementation of the end-to-end helpers.
#include "tests/support/program_run.h"
#include <tlhelp32.h>
#include <utility>

namespace test {

std::vector<Box> RunAnswering(const std::string& exe, const std::string& args, const std::string& cwd, int answer,
                              std::vector<DWORD>* started) {
    std::vector<Box> boxes;
    Process p;
    EXPECT_TRUE(p.Start(exe, args, cwd)) << exe;
    if (started) started->push_back(p.pid());
    while (HWND box = ui::WaitForDialog(p.pid(), 60000, "", p.handle())) {
        ui::Window w = ui::Describe(box);
        boxes.push_back({w.caption, w.MessageText(), w.Find(IDYES) && w.Find(IDNO)});
        ui::Command(box, boxes.back().hasYesNo ? answer : IDOK);
        ui::WaitForClose(box, 10000);
    }
    EXPECT_EQ(p.Wait(60000), 0) << args;
    return boxes;
}

ui::Window FirstBox(const std::string& exe, const std::string& args, const std::string& cwd, int answer) {
    Process p;
    EXPECT_TRUE(p.Start(exe, args, cwd)) << exe;
    HWND box = ui::WaitForDialog(p.pid(), 20000, "", p.handle());
    EXPECT_NE(box, nullptr) << args;
    if (!box) return {};
    ui::Window w = ui::Describe(box);
    ui::Command(box, answer);
    EXPECT_EQ(p.Wait(20000), 0) << args;
    return w;
}

void ProgramCopyTest::Install(const std::string& name) {
    dir_ = root_ / Ansi(name);
    MakeDir(dir_);
    exe_ = dir_ + "\\uninstall.exe";
    ASSERT_TRUE(CopyTo(program_, exe_)) << program_;
}

void ProgramCopyTest::TearDown() { EndDescendantsOf(started_); }

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

void EndDescendantsOf(const std::vector<DWORD>& roots) {
    std::vector<std::pair<DWORD, DWORD>> parentOf;  // (pid, parent)
    ForEachProcess([&](const PROCESSENTRY32& e) { parentOf.emplace_back(e.th32ProcessID, e.th32ParentProcessID); });
    std::vector<DWORD> tree = roots;
    for (size_t i = 0; i < tree.size(); ++i)
        for (const auto& pp : parentOf)
            if (pp.second == tree[i] && pp.first != tree[i]) tree.push_back(pp.first);
    for (size_t i = roots.size(); i < tree.size(); ++i)
        if (UniqueHandle p{OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, tree[i])}) End(p.get());
}

}  // namespace test
