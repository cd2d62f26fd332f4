// Files in use moved aside and scheduled for deletion at the next start, read
// back from the system's own schedule (the NT family: this process is not told
// it runs on Windows 9x; the 9x schedule is checked with the real program).
#include "uninstall/deferred_removal.h"
#include "platform/text.h"
#include "tests/support/harness.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const char SessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char PendingValue[] = "PendingFileRenameOperations";

// The raw schedule value, saved before a test and put back after it.
struct SavedValue {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};

SavedValue ReadPending() {
    SavedValue v;
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManager, 0, KEY_READ, &k) != ERROR_SUCCESS) return v;
    DWORD size = 0;
    if (RegQueryValueExA(k, PendingValue, nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
        v.data.resize(size);
        v.present = RegQueryValueExA(k, PendingValue, nullptr, &v.type, v.data.data(), &size) == ERROR_SUCCESS;
        v.data.resize(size);
    }
    RegCloseKey(k);
    return v;
}

void RestorePending(const SavedValue& v) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManager, 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS) return;
    if (v.present)
        RegSetValueExA(k, PendingValue, 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
    else
        RegDeleteValueA(k, PendingValue);
    RegCloseKey(k);
}

// The names of the schedule (every first name of a pair), in ANSI.
std::vector<std::string> ScheduledNames() {
    std::vector<std::string> names;
    HKEY k;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_READ, &k) != ERROR_SUCCESS)
        return names;
    DWORD size = 0, type = 0;
    std::wstring data;
    if (RegQueryValueExW(k, L"PendingFileRenameOperations", nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        data.assign(size / sizeof(wchar_t) + 1, L'\0');
        RegQueryValueExW(k, L"PendingFileRenameOperations", nullptr, &type,
                         reinterpret_cast<BYTE*>(&data[0]), &size);
    }
    RegCloseKey(k);
    std::vector<std::wstring> parts;
    for (size_t i = 0; i < data.size();) {
        size_t end = data.find(L'\0', i);
        if (end == std::wstring::npos) end = data.size();
        parts.push_back(data.substr(i, end - i));
        i = end + 1;
    }
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;
        char ansi[2048] = "";
        WideCharToMultiByte(CP_ACP, 0, parts[i].c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
        names.push_back(ansi);
    }
    return names;
}

bool IsScheduled(const std::string& path) {
    for (const std::string& n : ScheduledNames())
        if (n == "\\??\\" + path) return true;
    return false;
}

class DeferredRemovalTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = ReadPending();
        RestorePending(SavedValue{});  // start from an empty schedule
        RestartNeeded = false;
    }
    void TearDown() override {
        RestorePending(saved_);
        RestartNeeded = false;
    }
    test::ScratchDir dir_{"deferred"};
    SavedValue saved_;
};

TEST_F(DeferredRemovalTest, RenamedToTheFirstFreeCounterAndScheduled) {
    struct Case { std::vector<std::string> leftovers; std::string expected; };
    const Case cases[] = {
        {{}, ".0.tmp"},
        {{".0.tmp"}, ".1.tmp"},
        {{".0.tmp", ".1.tmp"}, ".2.tmp"},
        {{".1.tmp"}, ".0.tmp"},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string file = dir_ / ("x" + std::to_string(n++) + ".dll");
        ASSERT_TRUE(test::WriteBytes(file, "in use"));
        for (const std::string& l : c.leftovers) ASSERT_TRUE(test::WriteBytes(file + l, "old"));
        DeferFileRemoval(file.c_str());
        EXPECT_FALSE(test::Exists(file)) << c.expected;
        EXPECT_EQ(test::ReadBytes(file + c.expected), "in use") << c.expected;
        for (const std::string& l : c.leftovers) EXPECT_EQ(test::ReadBytes(file + l), "old");
        EXPECT_TRUE(IsScheduled(file + c.expected)) << c.expected;
        EXPECT_FALSE(IsScheduled(file));
    }
    EXPECT_FALSE(RestartNeeded);
}

TEST_F(DeferredRemovalTest, DoubleByteNameKeepsItsBytes) {
    std::string file = dir_ / test::Ansi("库文件.dll");
    ASSERT_TRUE(test::WriteBytes(file, "in use"));
    DeferFileRemoval(file.c_str());
    EXPECT_EQ(test::ReadBytes(file + ".0.tmp"), "in use");
    EXPECT_TRUE(IsScheduled(file + ".0.tmp"));
    EXPECT_FALSE(RestartNeeded);
}

TEST_F(DeferredRemovalTest, FileThatCannotBeRenamedIsScheduledUnderItsOwnName) {
    std::string file = dir_ / "locked.dll";
    ASSERT_TRUE(test::WriteBytes(file, "in use"));
    HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    DeferFileRemoval(file.c_str());
    CloseHandle(held);
    EXPECT_TRUE(RestartNeeded);
    EXPECT_EQ(test::ReadBytes(file), "in use");
    EXPECT_FALSE(test::Exists(file + ".0.tmp"));
    EXPECT_TRUE(IsScheduled(file));
}

TEST_F(DeferredRemovalTest, AllThousandNamesTakenUsesCounter999AndFails) {
    std::string file = dir_ / "busy.dll";
    ASSERT_TRUE(test::WriteBytes(file, "in use"));
    for (int i = 0; i <= 999; ++i)
        ASSERT_TRUE(test::WriteBytes(file + "." + std::to_string(i) + ".tmp", "old"));
    DeferFileRemoval(file.c_str());
    EXPECT_TRUE(RestartNeeded);
    EXPECT_EQ(test::ReadBytes(file), "in use");
    EXPECT_EQ(test::ReadBytes(file + ".999.tmp"), "old");
    EXPECT_TRUE(IsScheduled(file));
}

TEST_F(DeferredRemovalTest, OverLongNameIsNotRenamedButScheduled) {
    // No temporary name fits in 1024 bytes: treated as a failed rename.
    std::string file = dir_.path() + "\\" + std::string(1015 - dir_.path().size(), 'n');
    ASSERT_EQ(file.size(), 1016u);
    DeferFileRemoval(file.c_str());
    EXPECT_TRUE(RestartNeeded);
}

// wininit.ini in the Windows folder, saved and put back around a test.
class Windows9xSchedule : public DeferredRemovalTest {
protected:
    void SetUp() override {
        DeferredRemovalTest::SetUp();
        char windows[MAX_PATH] = "";
        GetWindowsDirectoryA(windows, sizeof windows);
        wininit_ = std::string(windows) + "\\wininit.ini";
        existed_ = test::Exists(wininit_);
        if (existed_) saved_ = test::ReadBytes(wininit_);
        DeleteFileA(wininit_.c_str());
        SetWindowsVersionForTests({VER_PLATFORM_WIN32_WINDOWS, 4, 10});
    }
    void TearDown() override {
        SetWindowsVersionForTests({0, 0, 0});
        if (existed_) test::WriteBytes(wininit_, saved_);
        else DeleteFileA(wininit_.c_str());
        DeferredRemovalTest::TearDown();
    }
    std::string wininit_, saved_;
    bool existed_ = false;
};

TEST_F(Windows9xSchedule, ShortFormWhenThereIsOneElseTheLongPath) {
    std::string file = dir_ / "long library name.dll";
    ASSERT_TRUE(test::WriteBytes(file, "in use"));
    DeferFileRemoval(file.c_str());
    EXPECT_FALSE(RestartNeeded);
    char shortName[MAX_PATH] = "";
    ASSERT_GT(GetShortPathNameA((file + ".0.tmp").c_str(), shortName, sizeof shortName), 0u);
    EXPECT_NE(std::string(shortName), file + ".0.tmp");
    EXPECT_EQ(test::ReadBytes(wininit_), "[Rename]\r\nNUL=" + std::string(shortName) + "\r\n");
    EXPECT_TRUE(ScheduledNames().empty());   // nothing in the NT schedule

    // A name with no short form (it no longer exists) is written as it is.
    std::string gone = dir_ / "no such long name.dll";
    ScheduleRemovalAtRestart(gone.c_str());
    EXPECT_EQ(test::ReadBytes(wininit_), "[Rename]\r\nNUL=" + gone + "\r\n");
}

}  // namespace
