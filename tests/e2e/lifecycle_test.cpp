// The whole life of the product under Wine: a silent setup in a demo
// installation, then the silent uninstall run, with the prefix's whole
// registry and drive C: before and after, which may differ only where the
// program keeps things on purpose; and the links a stored choice asks for.
#include "integration/shortcuts.h"
#include "tests/e2e/uninstall_fixture.h"
#include "tests/support/sandbox.h"
#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

using test::Lines;
using test::Minus;
using uninstall_e2e::Box;

const std::string Classes = "HKEY_LOCAL_MACHINE\\Software\\Classes\\";
const std::string Guid = "{6F2A94C1-3D58-4E07-B2A9-71C5E08D3F46}";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The shell's and Wine's own bookkeeping, which any program start may change.
bool IsSystemNoise(const std::string& lowerLine) {
    static const char* const noisy[] = {
        "\\explorer\\shell folders]",            // the shell's cache of folder paths
        "[hkey_current_user\\software\\wine\\",  // Wine's per-user state
        "\\session manager]",                    // deletion schedules of the batch's last tries
        "\\control\\video\\",                    // the display driver, noted at each X connection
        "[hkey_local_machine\\software\\wine\\",
    };
    for (const char* n : noisy)
        if (lowerLine.find(n) != std::string::npos) return true;
    return false;
}

// Every key and value of the prefix's machine and user hives but the noise,
// in lower case (key names are compared without regard to letter case). The
// machine hive is read through the 64-bit view, which holds the 32-bit one
// under Wow6432Node: one snapshot sees both, from either build's test.
Lines Export() {
    Lines lines;
    for (const std::string& line : test::Snapshot({{HKEY_LOCAL_MACHINE, "", "HKEY_LOCAL_MACHINE", KEY_WOW64_64KEY},
                                                   {HKEY_CURRENT_USER, "", "HKEY_CURRENT_USER"}}))
        if (!IsSystemNoise(Lower(line))) lines.push_back(Lower(line));
    std::sort(lines.begin(), lines.end());
    return lines;
}

// What the uninstall keeps on purpose, as snapshot lines: the handler keys
// that other extensions may share, without their default value (with the
// parents made for them), the emptied parent of the executable files'
// handler, and the system's "Approved" key. An extension left with an empty
// default value (owned by the product without a saved record) cannot occur in
// this life.
Lines KeptKeys() {
    Lines allowed;
    for (const char* type : {"*", "Folder", "Directory"})
        for (const char* part : {"\\shellex]", "\\shellex\\ContextMenuHandlers]", "\\shellex\\ContextMenuHandlers\\Qavrix]"})
            allowed.push_back(Lower("[" + Classes + type + part));
    for (const char* type : {"Folder", "Drive", "Directory"})
        for (const char* part : {"\\shellex]", "\\shellex\\DragDropHandlers]", "\\shellex\\DragDropHandlers\\Qavrix]"})
            allowed.push_back(Lower("[" + Classes + type + part));
    for (const char* part : {"exefile\\shellex]", "exefile\\shellex\\PropertySheetHandlers]", "*]", "Folder]", "Drive]",
                             "Directory]", "exefile]"})
        allowed.push_back(Lower("[" + Classes + part));
    for (const char* key : {"Shell Extensions]", "Shell Extensions\\Approved]"})
        allowed.push_back(Lower("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\" + std::string(key)));
    std::sort(allowed.begin(), allowed.end());
    allowed.erase(std::unique(allowed.begin(), allowed.end()), allowed.end());
    return allowed;
}

// Wine's prefix has no ".zip" or ".iso" of its own: for the test they belong
// to two other programs, and they are deleted again afterwards.
class LifecycleTest : public uninstall_e2e::Installation {
protected:
    void SetUp() override {
        Installation::SetUp();
        ASSERT_FALSE(test::RegKeyPresent(HKEY_LOCAL_MACHINE, test::UninstallEntryKey))
            << "the prefix already holds an installation";
        for (const char* key : {".zip", ".iso", ".7z"}) RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
        Set(".zip", "", "OtherArc.Zip");
        Set(".zip", "Content Type", "application/x-zip-compressed");
        Set(".zip\\ShellNew", "NullFile", "");
        Set(".iso", "", "DiscTool.Image");
        Set(".7z", "", "Other7z.Archive");
        Set(".7z\\ShellNew", "NullFile", "");
        for (const char* f : {"Qavrix.exe", "qavext.dll", "Qavrix.hlp", "Qav.txt", "license.txt", "Docs\\order.htm"}) {
            if (std::string(f) == "Docs\\order.htm") Folder("Docs");
            Put(f, "MZ demo");
        }
        List("Qavrix.exe\r\nqavext.dll\r\nQavrix.hlp\r\nQav.txt\r\nlicense.txt\r\nDocs\\order.htm\r\nDocs\r\n"
             "qavnew.dat\r\nzipnew.dat\r\n");
    }
    void TearDown() override {
        Installation::TearDown();
        for (const char* key : {".zip", ".iso", ".7z"}) RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
    }
    void Set(const std::string& key, const std::string& name, const std::string& text) {
        test::SetRegText(HKEY_CLASSES_ROOT, key, name, text);
    }
    // The silent setup, from the installation folder, as the installer runs it.
    void SilentSetup() {
        test::Process setup;
        ASSERT_TRUE(setup.Start(exe_, "/setup /S", dir_));
        ASSERT_EQ(setup.Wait(60000), 0);
        EXPECT_TRUE(ui::DialogsOf(setup.pid()).empty());
    }
    // The product's shortcuts, with their targets beside the program.
    void ExpectLink(const std::string& link, const std::string& target) { test::ExpectProductLink(link, In(target)); }
    void ExpectGroup(const std::string& group) { test::ExpectProductGroup(group, dir_); }
    OleInitialization com_;
    const std::string& UninstallKey = test::UninstallEntryKey;
    const std::string& AppPathKey = test::AppPathsKey;
};

// The whole life in each Windows version the program tells apart: a silent
// setup and the silent uninstall, with the full registry (HKLM and HKCU) and
// every file of drive C: compared before and after. The foreign ".zip" (with
// its Content Type and New-menu entry), ".7z" (with NullFile) and ".iso" come
// back exactly (on Windows 98 too, where the New-menu template is a "Data"
// value beside the earlier owner's NullFile); the only differences are the
// kept keys above, listed once.
class WholeLife : public LifecycleTest, public ::testing::WithParamInterface<const char*> {
protected:
    // Drive C: but the installation itself, which the uninstall removes with
    // its folder (checked on its own), and gtest's capture files.
    Lines Files() {
        Lines kept;
        for (const std::string& line : test::TreeListing("C:")) {
            std::string f = Lower(line);
            if (f.rfind(Lower(dir_), 0) != 0 && f.find("\\gtest_redir") == std::string::npos) kept.push_back(f);
        }
        std::sort(kept.begin(), kept.end());
        return kept;
    }
};

TEST_P(WholeLife, SetupThenUninstallLeavesRegistryAndFilesAsTheyWere) {
    const bool nt = std::string(GetParam()) != "win98";
    if (!nt) QAV_ONLY_FOR_X86_PROGRAM_AS_WINDOWS_9X(program_);
    test::WineVersionScope version(GetParam());
    const std::string userGroup = test::ShellFolderPath(CSIDL_PROGRAMS) + "\\Qavrix";
    const std::string commonGroup = test::ShellFolderPath(CSIDL_COMMON_PROGRAMS) + "\\Qavrix";
    const std::string desktopLink = test::ShellFolderPath(CSIDL_DESKTOPDIRECTORY) + "\\Qavrix.lnk";
    const std::string startMenuLink = test::ShellFolderPath(CSIDL_STARTMENU) + "\\Qavrix.lnk";
    ASSERT_FALSE(test::Exists(userGroup));
    ASSERT_FALSE(test::Exists(desktopLink));
    Lines registryBefore = Export();
    Lines filesBefore = Files();

    DWORD t0 = GetTickCount();
    SilentSetup();
    DWORD setupMs = GetTickCount() - t0;
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".zip", ""), "Qavrix.ZIP");
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".7z", ""), "Qavrix");
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".qav", ""), "Qavrix");
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".iso", ""), "DiscTool.Image");
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, "CLSID\\" + Guid + "\\InProcServer32", ""), In("qavext.dll"));
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, UninstallKey, "UninstallString"), "\"" + exe_ + "\"");
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, AppPathKey, ""), In("Qavrix.exe"));
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, AppPathKey, "Path"), dir_);
    ExpectGroup(userGroup);
    EXPECT_EQ(test::Exists(commonGroup), nt) << "the all-users group exists on the NT family only";
    if (nt) ExpectGroup(commonGroup);
    EXPECT_FALSE(test::Exists(desktopLink)) << "not chosen by default";
    EXPECT_FALSE(test::Exists(startMenuLink)) << "not chosen by default";
    EXPECT_EQ(Has("zipnew.dat"), nt) << "a New-menu template file on the NT family, a \"Data\" value on Windows 98";

    t0 = GetTickCount();
    std::vector<Box> boxes = Run("/S");
    DWORD uninstallMs = GetTickCount() - t0;
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    ASSERT_TRUE(WaitForBatch());
    std::printf("[ FIGURES  ] %s: silent setup %lu ms; silent uninstall run %lu ms, program folder gone after %lu ms\n",
                GetParam(), static_cast<unsigned long>(setupMs), static_cast<unsigned long>(uninstallMs),
                static_cast<unsigned long>(GetTickCount() - t0));
    EXPECT_FALSE(test::Exists(dir_)) << "program folder";

    // The foreign types, value by value.
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".zip", ""), "OtherArc.Zip");
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".zip", "Content Type"), "application/x-zip-compressed");
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".7z", ""), "Other7z.Archive");
    for (const char* key : {".zip\\ShellNew", ".7z\\ShellNew"})
        EXPECT_TRUE(test::HasRegValue(HKEY_CLASSES_ROOT, key, "NullFile")) << key;
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".iso", ""), "DiscTool.Image");

    // Everything else through the whole registry and drive C:, which also
    // covers the groups, the links, the program IDs, the volume extensions,
    // the App Paths and uninstall keys and the shell extension's approval.
    Lines registryAfter = Export();
    EXPECT_EQ(Minus(registryBefore, registryAfter), Lines{}) << "nothing that was there before setup is lost or changed";
    Lines added = Minus(Minus(registryAfter, registryBefore), KeptKeys());
    EXPECT_EQ(added, Lines{}) << "differences nobody keeps on purpose";
    EXPECT_TRUE(std::binary_search(registryAfter.begin(), registryAfter.end(),
                                   "[hkey_local_machine\\software\\classes\\*\\shellex\\contextmenuhandlers\\qavrix]"))
        << "the handler key other extensions may share stays";
    Lines filesAfter = Files();
    EXPECT_EQ(Minus(filesBefore, filesAfter), Lines{}) << "files lost or changed";
    EXPECT_EQ(Minus(filesAfter, filesBefore), Lines{}) << "files left behind";
}

INSTANTIATE_TEST_SUITE_P(Versions, WholeLife, ::testing::Values("win98", "winxp", "win7", "win10"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// Lives that leave something a later run must set right. Each row: what
// happens around the setup and the uninstall, and what must hold after it.
enum class Story {
    FolderOutsideCodePage,   // setup from a folder whose name the code page cannot write (silent or not)
    ReinstallBeforeRestart,  // uninstall with files in use, the new version written, the restart afterwards
    AnotherAccount,          // the uninstall runs under an account that has no record of the owners
};
struct LifeRow {
    const char* name;
    Story story;
    bool silent;
    const char* version = "";   // the Windows version Wine reports, when not its own
};

void PrintTo(const LifeRow& row, std::ostream* out) { *out << row.name; }

class TroubledLife : public LifecycleTest, public ::testing::WithParamInterface<LifeRow> {
protected:
    // The uninstall; its code is the uninstall run's own tests' business
    // (a restart still to come may end it with 3010).
    void SilentUninstall() {
        test::Process run;
        ASSERT_TRUE(run.Start(exe_, "/S", root_.path()));
        long code = run.Wait(60000);
        started_.push_back(run.Stamp());
        EXPECT_TRUE(code == test::ExitDone || code == 3010) << code;
        ASSERT_TRUE(WaitForBatch());
    }
    static void Restart() {
        test::Process boot;
        ASSERT_TRUE(boot.Start(test::SystemFolder() + "\\wineboot.exe", "-r"));
        EXPECT_EQ(boot.Wait(60000), 0);
    }
    // Scheduled for deletion at the restart: in wininit.ini on Windows 9x,
    // under the short name.
    bool Scheduled(const std::string& path) const {
        if (std::string(GetParam().version) != "win98") return test::IsScheduledForDeletion(path);
        char shortName[1024] = "";
        GetShortPathNameA(path.c_str(), shortName, sizeof shortName);
        return Lower(test::ReadBytes(uninstall_e2e::WininitPath())).find(Lower("NUL=" + std::string(shortName) + "\r\n")) !=
               std::string::npos;
    }
};

TEST_P(TroubledLife, EndsWithNothingBrokenAndNothingLost) {
    const LifeRow& row = GetParam();
    if (std::string(row.version) == "win98") QAV_ONLY_FOR_X86_PROGRAM_AS_WINDOWS_9X(program_);
    test::WineVersionScope version(row.version);
    test::SavedFile wininit(uninstall_e2e::WininitPath());
    switch (row.story) {
    case Story::FolderOutsideCodePage: {
        // "Qavrix" and a Thai letter, which code page 936 lacks; the program
        // is started by its name from the folder itself, as an installer
        // working in UTF-16 starts it.
        auto wide = [](const std::string& ansi) {
            wchar_t out[1024] = L"";
            MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, out, 1024);
            return std::wstring(out);
        };
        const std::wstring folder = wide(root_.path()) + L"\\Qavrix \x0e01", program = folder + L"\\uninstall.exe";
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        ASSERT_TRUE(CopyFileW(wide(exe_).c_str(), program.c_str(), FALSE));
        wchar_t saved[1024] = L"";
        GetCurrentDirectoryW(1024, saved);
        ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
        test::Process setup;
        bool started = setup.Start("uninstall.exe", row.silent ? "/setup /S" : "/setup");
        SetCurrentDirectoryW(saved);
        ASSERT_TRUE(started);
        started_.push_back(setup.Stamp());
        if (!row.silent) {
            HWND box = ui::WaitForDialog(setup.pid(), 20000, "", setup.handle());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(ui::Describe(box).MessageText(),
                      "Qavrix 所在文件夹的名称含有系统代码页无法表示的字符,无法在此设置 Qavrix。请将 Qavrix 安装到其他文件夹。");
            ui::Command(box, IDOK);
        }
        EXPECT_EQ(setup.Wait(30000), test::ExitCannotStart);
        EXPECT_TRUE(ui::DialogsOf(setup.pid()).empty());
        EXPECT_FALSE(test::RegKeyPresent(HKEY_LOCAL_MACHINE, UninstallKey)) << "nothing registered";
        EXPECT_FALSE(test::RegKeyPresent(HKEY_CURRENT_USER, test::ProductKey)) << "nothing saved";
        EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".zip", ""), "OtherArc.Zip");
        DeleteFileW(program.c_str());
        RemoveDirectoryW(folder.c_str());
        break;
    }
    case Story::ReinstallBeforeRestart: {
        ASSERT_TRUE(test::CopyTo(program_, In("qavext.dll")));
        SilentSetup();
        {
            // The licence open in a viewer (it can be neither deleted nor
            // moved aside), the shell extension loaded (it is moved aside).
            test::HeldFile license(In("license.txt"), test::Hold::NoDeleteSharing);
            test::HeldFile extension(In("qavext.dll"), test::Hold::AsLibrary);
            ASSERT_TRUE(license && extension);
            SilentUninstall();
            ASSERT_TRUE(Scheduled(In("license.txt")));
            ASSERT_TRUE(Scheduled(In("qavext.dll.0.tmp")));
            license.Release();
            // The new version, as an upgrade writes it, then its setup.
            for (const char* f : {"Qavrix.exe", "license.txt"}) Put(f, std::string("new ") + f);
            ASSERT_TRUE(test::CopyTo(program_, In("qavext.dll")));
            ASSERT_TRUE(test::CopyTo(program_, exe_));
            List("Qavrix.exe\r\nqavext.dll\r\nlicense.txt\r\nqavnew.dat\r\nzipnew.dat\r\n");
            SilentSetup();
            EXPECT_FALSE(Scheduled(In("license.txt"))) << "the new licence";
            EXPECT_TRUE(Scheduled(In("qavext.dll.0.tmp"))) << "the old extension";
        }
        Restart();
        EXPECT_EQ(test::ReadBytes(In("license.txt")), "new license.txt");
        EXPECT_TRUE(Has("qavext.dll"));
        EXPECT_FALSE(Has("qavext.dll.0.tmp"));
        SilentUninstall();   // the new installation goes as a whole
        EXPECT_TRUE(test::WaitUntilGone(dir_, 30000));
        break;
    }
    case Story::AnotherAccount:
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".zip");
        Set(".zip", "", "CompressedFolder");
        SilentSetup();
        EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".zip", ""), "Qavrix.ZIP");
        // The setup account's records are not the uninstalling account's.
        RegDeleteTreeA(HKEY_CURRENT_USER, test::ProductKey.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, test::ProductKey.c_str());
        SilentUninstall();
        EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".zip", ""), "CompressedFolder");
        EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".7z", ""), "Other7z.Archive");
        EXPECT_FALSE(test::HasRegValue(HKEY_CLASSES_ROOT, ".cab", "")) << "never an empty default";
        EXPECT_FALSE(test::RegKeyPresent(HKEY_LOCAL_MACHINE, test::ProductKey)) << "the machine-wide copy goes too";
        break;
    }
}

const LifeRow TroubledLives[] = {
    {"FolderOutsideCodePageSilent", Story::FolderOutsideCodePage, true},
    {"FolderOutsideCodePageShown", Story::FolderOutsideCodePage, false},
    {"ReinstallBeforeRestart", Story::ReinstallBeforeRestart, true},
    {"ReinstallBeforeRestartWin98", Story::ReinstallBeforeRestart, true, "win98"},
    {"AnotherAccount", Story::AnotherAccount, true},
};
INSTANTIATE_TEST_SUITE_P(Rows, TroubledLife, ::testing::ValuesIn(TroubledLives),
                         [](const ::testing::TestParamInfo<LifeRow>& info) { return std::string(info.param.name); });

// Leaves no shortcut of a failed run on the prefix's desktop or Start menu.
struct LinkFilesGone {
    std::vector<std::string> files;
    ~LinkFilesGone() {
        for (const std::string& f : files) DeleteFileA(f.c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, test::ProductKey.c_str());
    }
};

TEST_F(LifecycleTest, StoredLinkChoicesMakeDesktopAndStartMenuLinksThatTheUninstallRemoves) {
    const std::string desktopLink = test::ShellFolderPath(CSIDL_DESKTOPDIRECTORY) + "\\Qavrix.lnk";
    const std::string startMenuLink = test::ShellFolderPath(CSIDL_STARTMENU) + "\\Qavrix.lnk";
    const std::string userGroup = test::ShellFolderPath(CSIDL_PROGRAMS) + "\\Qavrix";
    LinkFilesGone cleanup{{desktopLink, startMenuLink}};
    ASSERT_FALSE(test::Exists(desktopLink));
    // An earlier setup chose both links; a Start-menu "Qavrix.lnk" of someone
    // else's is rewritten.
    for (const char* name : {"Desktop", "StartMenu"})
        test::SetRegDword(HKEY_CURRENT_USER, "Software\\Qavrix\\Setup\\Links", name, 1);
    ASSERT_TRUE(CreateShellLink((root_ / "Other.exe").c_str(), startMenuLink.c_str(), "someone else's"));

    SilentSetup();
    ExpectLink(desktopLink, "Qavrix.exe");
    ExpectLink(startMenuLink, "Qavrix.exe");
    ExpectGroup(userGroup);

    std::vector<Box> boxes = Run("/S");
    EXPECT_TRUE(boxes.empty());
    ASSERT_TRUE(WaitForBatch());
    EXPECT_FALSE(test::Exists(desktopLink));
    EXPECT_FALSE(test::Exists(startMenuLink));
    EXPECT_FALSE(test::Exists(userGroup));
    EXPECT_FALSE(test::RegKeyPresent(HKEY_CURRENT_USER, test::ProductKey));
    EXPECT_FALSE(test::Exists(dir_));
}

}  // namespace
