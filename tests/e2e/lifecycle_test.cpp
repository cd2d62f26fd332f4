// The whole life of the product under Wine: a silent setup in a demo
// installation, then the silent uninstall run, and a full registry export of
// the prefix before and after that may differ only where the program keeps
// things on purpose.
#include "tests/e2e/uninstall_fixture.h"
#include "tests/win32/shortcut_fixture.h"
#include "integration/shortcuts.h"
#include <shlobj.h>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

namespace {

using uninstall_e2e::Box;
using Lines = std::set<std::string>;

const std::string Classes = "HKEY_LOCAL_MACHINE\\Software\\Classes\\";
const std::string Guid = "{6F2A94C1-3D58-4E07-B2A9-71C5E08D3F46}";

std::string SystemFile(const char* name) {
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\" + name;
}

std::string Utf8FromUtf16(const std::string& bytes) {
    std::size_t skip = bytes.size() >= 2 && bytes[0] == '\xff' && bytes[1] == '\xfe' ? 2 : 0;
    std::wstring wide((bytes.size() - skip) / 2, L'\0');
    if (!wide.empty()) memcpy(&wide[0], bytes.data() + skip, wide.size() * 2);
    return ui::ToUtf8(wide);
}

// The shell's and Wine's own bookkeeping, which any program start may change.
bool IsSystemNoise(const std::string& line) {
    static const char* const noisy[] = {
        "\\Explorer\\Shell Folders]",            // the shell's cache of folder paths
        "HKEY_CURRENT_USER\\Software\\Wine\\",  // Wine's per-user state
        "\\Session Manager]",                    // deletion schedules of the batch's last tries
        "\\Control\\Video\\",                    // the display driver, noted at each X connection
        "HKEY_LOCAL_MACHINE\\Software\\Wine\\",
    };
    std::string lower = line;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* n : noisy) {
        std::string pattern = n;
        for (char& c : pattern) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower.find(pattern) != std::string::npos) return true;
    }
    return false;
}

// `reg export` of a hive, as lines "[key]" and "[key] value=data".
Lines ExportHive(const std::string& hive, const std::string& file) {
    test::Process reg;
    EXPECT_TRUE(reg.Start(SystemFile("reg.exe"), "export " + hive + " \"" + file + "\" /y"));
    EXPECT_EQ(reg.Wait(120000), 0) << "reg export " << hive;
    std::string text = Utf8FromUtf16(test::ReadBytes(file));
    DeleteFileA(file.c_str());
    Lines lines;
    std::string key, pending;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!pending.empty()) line = pending + line.substr(line.find_first_not_of(' ') == std::string::npos ? line.size() : line.find_first_not_of(' '));
        pending.clear();
        if (!line.empty() && line.back() == '\\' && key.size() && line[0] != '[') {
            pending = line.substr(0, line.size() - 1);
            continue;
        }
        if (line.empty() || line[0] == ';' || line.rfind("Windows Registry", 0) == 0) continue;
        if (line[0] == '[') {
            key = line;  // key names are compared without regard to letter case
            for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (!IsSystemNoise(key)) lines.insert(key);
        } else if (line.rfind("#time=", 0) != 0 && !IsSystemNoise(key)) {
            lines.insert(key + " " + line);
        }
    }
    return lines;
}

Lines Minus(const Lines& a, const Lines& b) {
    Lines out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(out, out.end()));
    return out;
}

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// Wine's prefix has no ".zip" or ".iso" of its own: for the test they belong
// to two other programs, and they are deleted again afterwards.
class LifecycleTest : public uninstall_e2e::Installation {
protected:
    void SetUp() override {
        Installation::SetUp();
        ASSERT_FALSE(test::RegKeyPresent(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Qavrix archiver"))
            << "the prefix already holds an installation";
        for (const char* key : {".zip", ".iso"}) RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
        Set(".zip", "", "OtherArc.Zip");
        Set(".zip", "Content Type", "application/x-zip-compressed");
        Set(".zip\\ShellNew", "NullFile", "");
        Set(".iso", "", "DiscTool.Image");
        for (const char* f : {"Qavrix.exe", "qavext.dll", "Qavrix.hlp", "Qav.txt", "license.txt", "Docs\\order.htm"}) {
            if (std::string(f) == "Docs\\order.htm") Folder("Docs");
            Put(f, "MZ demo");
        }
        List("Qavrix.exe\r\nqavext.dll\r\nQavrix.hlp\r\nQav.txt\r\nlicense.txt\r\nDocs\\order.htm\r\nDocs\r\n"
             "qavnew.dat\r\nzipnew.dat\r\n");
    }
    void TearDown() override {
        Installation::TearDown();
        for (const char* key : {".zip", ".iso"}) RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
    }
    void Set(const std::string& key, const std::string& name, const std::string& text) {
        HKEY k;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), 0);
        RegSetValueExA(k, name.empty() ? nullptr : name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
        RegCloseKey(k);
    }
    Lines Export() {
        Lines all = ExportHive("HKLM", root_ / "hklm.reg");
        Lines user = ExportHive("HKCU", root_ / "hkcu.reg");
        all.insert(user.begin(), user.end());
        return all;
    }
    // The silent setup, from the installation folder, as the installer runs it.
    void SilentSetup() {
        test::Process setup;
        ASSERT_TRUE(setup.Start(exe_, "/setup /S", dir_));
        ASSERT_EQ(setup.Wait(60000), 0);
        EXPECT_TRUE(ui::DialogsOf(setup.pid()).empty());
    }
    // A shortcut read back through the shell's link object: the target beside
    // the program and the product's description.
    void ExpectLink(const std::string& link, const std::string& target) {
        itest::LinkInfo info = itest::ReadLink(link);
        ASSERT_TRUE(info.loaded) << test::Utf8FromAnsi(link);
        EXPECT_EQ(info.target, In(target)) << test::Utf8FromAnsi(link);
        EXPECT_EQ(info.description, Description) << test::Utf8FromAnsi(link);
    }
    void ExpectGroup(const std::string& group) {
        std::vector<std::string> names = {"Qavrix.lnk", HelpLink, ManualLink};
        std::sort(names.begin(), names.end());
        EXPECT_EQ(itest::FilesIn(group), names) << test::Utf8FromAnsi(group);
        ExpectLink(group + "\\Qavrix.lnk", "Qavrix.exe");
        ExpectLink(group + "\\" + HelpLink, "Qavrix.hlp");
        ExpectLink(group + "\\" + ManualLink, "Qav.txt");
    }
    const std::string Description = test::Ansi("处理 QAV、ZIP 和其他压缩格式");
    const std::string HelpLink = test::Ansi("Qavrix 中文帮助") + ".lnk";
    const std::string ManualLink = test::Ansi("控制台 QAV 中文手册") + ".lnk";
    itest::ComScope com_;
    const std::string UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Qavrix archiver";
    const std::string AppPathKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Qavrix.exe";
};

TEST_F(LifecycleTest, SilentSetupThenSilentUninstallLeavesOnlyWhatIsKeptOnPurpose) {
    const std::string userGroup = ShellFolder(CSIDL_PROGRAMS) + "\\Qavrix";
    const std::string commonGroup = ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Qavrix";
    const std::string desktopLink = ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Qavrix.lnk";
    const std::string startMenuLink = ShellFolder(CSIDL_STARTMENU) + "\\Qavrix.lnk";
    ASSERT_FALSE(test::Exists(userGroup));
    ASSERT_FALSE(test::Exists(desktopLink));
    Lines before = Export();

    DWORD t0 = GetTickCount();
    SilentSetup();
    DWORD setupMs = GetTickCount() - t0;
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".zip", ""), "Qavrix.ZIP");
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".qav", ""), "Qavrix");
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".iso", ""), "DiscTool.Image");
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, "CLSID\\" + Guid + "\\InProcServer32", ""), In("qavext.dll"));
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, UninstallKey, "UninstallString"), exe_);
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, AppPathKey, ""), In("Qavrix.exe"));
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, AppPathKey, "Path"), dir_);
    for (const std::string& group : {userGroup, commonGroup}) ExpectGroup(group);
    EXPECT_FALSE(test::Exists(desktopLink)) << "not chosen by default";
    EXPECT_FALSE(test::Exists(startMenuLink)) << "not chosen by default";
    EXPECT_TRUE(Has("zipnew.dat"));

    t0 = GetTickCount();
    std::vector<Box> boxes = Run("/S");
    DWORD uninstallMs = GetTickCount() - t0;
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    ASSERT_TRUE(WaitForBatch());
    DWORD removalMs = GetTickCount() - t0;
    std::printf("[ FIGURES  ] silent setup %lu ms; silent uninstall run %lu ms, program folder gone after %lu ms\n",
                static_cast<unsigned long>(setupMs), static_cast<unsigned long>(uninstallMs),
                static_cast<unsigned long>(removalMs));

    EXPECT_FALSE(test::Exists(dir_)) << "program folder";
    EXPECT_FALSE(test::Exists(userGroup));
    EXPECT_FALSE(test::Exists(commonGroup));
    EXPECT_FALSE(test::Exists(desktopLink));
    EXPECT_FALSE(test::Exists(startMenuLink));
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".zip", ""), "OtherArc.Zip");
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".zip", "Content Type"), "application/x-zip-compressed");
    bool nullFile = false;
    test::ReadRegString(HKEY_CLASSES_ROOT, ".zip\\ShellNew", "NullFile", &nullFile);
    EXPECT_TRUE(nullFile);
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".iso", ""), "DiscTool.Image");
    for (const std::string& key : {std::string("Qavrix"), std::string("Qavrix.ZIP"), std::string("Qavrix.REV"),
                                   std::string(".rev"), std::string(".qav"), "CLSID\\" + Guid}) {
        EXPECT_FALSE(test::RegKeyPresent(HKEY_CLASSES_ROOT, key)) << key;
    }
    for (int n = 0; n < 100; ++n) {
        char volume[8];
        std::snprintf(volume, sizeof volume, ".q%02d", n);
        EXPECT_FALSE(test::RegKeyPresent(HKEY_CLASSES_ROOT, volume)) << volume;
    }
    EXPECT_FALSE(test::RegKeyPresent(HKEY_LOCAL_MACHINE, UninstallKey));
    EXPECT_FALSE(test::RegKeyPresent(HKEY_LOCAL_MACHINE, AppPathKey));
    EXPECT_FALSE(test::RegKeyPresent(HKEY_CURRENT_USER, "Software\\Qavrix"));
    bool approval = false;
    test::ReadRegString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
                        Guid, &approval);
    EXPECT_FALSE(approval);

    Lines after = Export();
    EXPECT_EQ(Minus(before, after), Lines{}) << "nothing that was there before setup is lost or changed";
    // Kept on purpose: the handler keys that other extensions may share,
    // without their default value (with the parents made for them), the
    // emptied parent of the executable files' handler, and the system's
    // "Approved" key. An extension left with an empty default value (owned by
    // the product without a saved record) cannot occur in this life.
    Lines allowed;
    for (const char* type : {"*", "Folder", "Directory"})
        for (const char* part : {"\\shellex]", "\\shellex\\ContextMenuHandlers]", "\\shellex\\ContextMenuHandlers\\Qavrix]"})
            allowed.insert("[" + Classes + type + part);
    for (const char* type : {"Folder", "Drive", "Directory"})
        for (const char* part : {"\\shellex]", "\\shellex\\DragDropHandlers]", "\\shellex\\DragDropHandlers\\Qavrix]"})
            allowed.insert("[" + Classes + type + part);
    for (const char* part : {"exefile\\shellex]", "exefile\\shellex\\PropertySheetHandlers]"})
        allowed.insert("[" + Classes + part);
    allowed.insert("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions]");
    allowed.insert("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved]");
    for (const char* parent : {"*]", "Folder]", "Drive]", "Directory]", "exefile]"}) allowed.insert("[" + Classes + parent);
    Lines allowedKeys;
    for (std::string key : allowed) {
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        allowedKeys.insert(key);
    }
    allowed.swap(allowedKeys);
    Lines added = Minus(after, before);
    EXPECT_EQ(Minus(added, allowed), Lines{}) << "differences nobody keeps on purpose";
    EXPECT_TRUE(after.count("[hkey_local_machine\\software\\classes\\*\\shellex\\contextmenuhandlers\\qavrix]"));
}


// Leaves no shortcut of a failed run on the prefix's desktop or Start menu.
struct LinkFilesGone {
    std::vector<std::string> files;
    ~LinkFilesGone() {
        for (const std::string& f : files) DeleteFileA(f.c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Qavrix");
    }
};

TEST_F(LifecycleTest, StoredLinkChoicesMakeDesktopAndStartMenuLinksThatTheUninstallRemoves) {
    const std::string desktopLink = ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Qavrix.lnk";
    const std::string startMenuLink = ShellFolder(CSIDL_STARTMENU) + "\\Qavrix.lnk";
    const std::string userGroup = ShellFolder(CSIDL_PROGRAMS) + "\\Qavrix";
    LinkFilesGone cleanup{{desktopLink, startMenuLink}};
    ASSERT_FALSE(test::Exists(desktopLink));
    // An earlier setup chose both links; a Start-menu "Qavrix.lnk" of someone
    // else's is rewritten.
    HKEY links;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Qavrix\\Setup\\Links", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &links, nullptr), 0);
    const DWORD on = 1;
    for (const char* name : {"Desktop", "StartMenu"})
        RegSetValueExA(links, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
    RegCloseKey(links);
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
    EXPECT_FALSE(test::RegKeyPresent(HKEY_CURRENT_USER, "Software\\Qavrix"));
    EXPECT_FALSE(test::Exists(dir_));
}

}  // namespace
