// A throw-away installation for running the real uninstall.exe: a program
// folder inside a scratch folder (whose other contents play "the rest of the
// disk"), with helpers to run the program, answer its boxes, wait for the
// self-removal batch and put back the system's deletion schedules.
#pragma once
#include "tests/support/harness.h"
#include "uidriver/uidriver.h"
#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <string>
#include <vector>

namespace uninstall_e2e {

// A message box the program showed, and how it was answered.
struct Box {
    std::string caption;
    std::string text;   // UTF-8
    bool hasYesNo = false;
};

inline std::string TempFolder() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    return temp;
}

inline std::string BatchPath() { return TempFolder() + "Uninstall_Qav.Bat"; }

// The raw value of a registry value, saved before a test and put back after it.
class SavedRegValue {
public:
    SavedRegValue(HKEY root, std::string key, std::string value)
        : root_(root), key_(std::move(key)), value_(std::move(value)) {
        HKEY k;
        if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return;
        DWORD size = 0;
        if (RegQueryValueExA(k, value_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
            data_.resize(size);
            present_ = RegQueryValueExA(k, value_.c_str(), nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
            data_.resize(size);
        }
        RegCloseKey(k);
        Clear();
    }
    ~SavedRegValue() {
        HKEY k;
        if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS) return;
        if (present_)
            RegSetValueExA(k, value_.c_str(), 0, type_, data_.data(), static_cast<DWORD>(data_.size()));
        else
            RegDeleteValueA(k, value_.c_str());
        RegCloseKey(k);
    }
    void Clear() {
        HKEY k;
        if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS) return;
        RegDeleteValueA(k, value_.c_str());
        RegCloseKey(k);
    }
private:
    HKEY root_;
    std::string key_, value_;
    bool present_ = false;
    DWORD type_ = 0;
    std::vector<BYTE> data_;
};

// The names the NT family will delete at the next start (ANSI, without "\??\").
inline std::vector<std::string> ScheduledDeletions() {
    std::vector<std::string> names;
    HKEY k;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_READ, &k) != ERROR_SUCCESS)
        return names;
    DWORD size = 0, type = 0;
    std::wstring data;
    if (RegQueryValueExW(k, L"PendingFileRenameOperations", nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        data.assign(size / sizeof(wchar_t) + 1, L'\0');
        RegQueryValueExW(k, L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
    }
    RegCloseKey(k);
    std::vector<std::wstring> parts;
    for (size_t i = 0; i < data.size();) {
        size_t end = data.find(L'\0', i);
        if (end == std::wstring::npos) end = data.size();
        parts.push_back(data.substr(i, end - i));
        i = end + 1;
    }
    for (size_t i = 0; i + 1 < parts.size() && !parts[i].empty(); i += 2) {
        char ansi[2048] = "";
        WideCharToMultiByte(CP_ACP, 0, parts[i].c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
        std::string name = ansi;
        if (name.compare(0, 4, "\\??\\") == 0) name.erase(0, 4);
        names.push_back(name);
    }
    return names;
}

inline std::string WininitPath() {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\wininit.ini";
}

// Keeps a file's bytes (or its absence) and puts them back at the end.
class SavedFile {
public:
    explicit SavedFile(std::string path) : path_(std::move(path)) {
        existed_ = test::Exists(path_);
        if (existed_) bytes_ = test::ReadBytes(path_);
        DeleteFileA(path_.c_str());
    }
    ~SavedFile() {
        if (existed_) test::WriteBytes(path_, bytes_);
        else DeleteFileA(path_.c_str());
    }
private:
    std::string path_, bytes_;
    bool existed_ = false;
};

// Sets the Windows version Wine reports to uninstall.exe for one scope.
class WineVersionFor {
public:
    explicit WineVersionFor(const std::string& version) { test::SetWineVersion("uninstall.exe", version); }
    ~WineVersionFor() { test::SetWineVersion("uninstall.exe", ""); }
};

// Ends every uninstall.exe started from under `folder` (a leftover of a batch).
inline int EndProgramsUnder(const std::string& folder) {
    int ended = 0;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "uninstall.exe") != 0) continue;
        HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                               entry.th32ProcessID);
        if (!p) continue;
        char image[MAX_PATH * 2] = "";
        DWORD size = sizeof image;
        if (QueryFullProcessImageNameA(p, 0, image, &size) &&
            CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, image, static_cast<int>(folder.size()),
                           folder.c_str(), static_cast<int>(folder.size())) == CSTR_EQUAL) {
            TerminateProcess(p, 99);
            WaitForSingleObject(p, 5000);
            ++ended;
        }
        CloseHandle(p);
    }
    CloseHandle(snap);
    return ended;
}

// Ends the processes descended from `roots` (the batch's interpreter and what
// it started), leaving the roots themselves alone.
inline void EndDescendantsOf(const std::vector<DWORD>& roots) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return;
    std::vector<std::pair<DWORD, DWORD>> parentOf;  // (pid, parent)
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry))
        parentOf.emplace_back(entry.th32ProcessID, entry.th32ParentProcessID);
    CloseHandle(snap);
    std::vector<DWORD> tree = roots;
    for (size_t i = 0; i < tree.size(); ++i)
        for (const auto& pp : parentOf)
            if (pp.second == tree[i] && pp.first != tree[i]) tree.push_back(pp.first);
    for (size_t i = roots.size(); i < tree.size(); ++i) {
        HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, tree[i]);
        if (!p) continue;
        TerminateProcess(p, 99);
        WaitForSingleObject(p, 5000);
        CloseHandle(p);
    }
}

class Installation : public ::testing::Test {
protected:
    void SetUp() override { Install("Qavrix"); }
    void TearDown() override {
        WaitForBatch(5000);
        EXPECT_EQ(EndProgramsUnder(root_.path()), 0) << "a program was left running";
        EndDescendantsOf(started_);
        for (HWND box : ui::DialogsOf(0))
            if (ui::Describe(box).caption == "卸载 Qavrix") ui::Command(box, IDOK);
        DeleteFileA(BatchPath().c_str());
    }

    // Makes the program folder `name` (UTF-8) under the scratch folder, with a
    // copy of the real program in it.
    void Install(const std::string& name) {
        dir_ = root_ / test::Ansi(name);
        test::MakeDir(dir_);
        exe_ = dir_ + "\\uninstall.exe";
        ASSERT_TRUE(CopyFileA(test::ProductExe().c_str(), exe_.c_str(), FALSE));
    }
    std::string In(const std::string& rel) const { return dir_ + "\\" + rel; }
    void Put(const std::string& rel, const std::string& bytes = "data") { ASSERT_TRUE(test::WriteBytes(In(rel), bytes)); }
    void Folder(const std::string& rel) { ASSERT_TRUE(test::MakeDir(In(rel))); }
    void List(const std::string& bytes) { Put("Uninstall.lst", bytes); }
    bool Has(const std::string& rel) const { return test::Exists(In(rel)); }

    // Runs the program (from another current directory, as the system does),
    // answers every box it shows with `answer` and returns the boxes.
    std::vector<Box> Run(const std::string& args, int answer = IDOK) {
        std::vector<Box> boxes;
        test::Process p;
        EXPECT_TRUE(p.Start(exe_, args, root_.path()));
        started_.push_back(p.pid());
        for (;;) {
            HWND box = ui::WaitForDialog(p.pid(), 60000, "", p.handle());
            if (!box) break;
            ui::Window w = ui::Describe(box);
            boxes.push_back({w.caption, w.MessageText(), w.Find(IDYES) && w.Find(IDNO)});
            ui::Command(box, boxes.back().hasYesNo ? answer : IDOK);
            ui::WaitForClose(box, 10000);
        }
        EXPECT_EQ(p.Wait(60000), 0);
        return boxes;
    }

    // Waits until the batch has deleted itself; false on time-out.
    bool WaitForBatch(DWORD timeoutMs = 60000) {
        DWORD start = GetTickCount();
        while (test::Exists(BatchPath())) {
            if (GetTickCount() - start > timeoutMs) return false;
            Sleep(100);
        }
        return true;
    }

    test::ScratchDir root_{"uninst"};
    std::string dir_, exe_;
    std::vector<DWORD> started_;
};

}  // namespace uninstall_e2e
