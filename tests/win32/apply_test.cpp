// The apply pass in scratch registry keys and shell folders: every flag
// false, the application path, the uninstall entry and a repeated setup.
#include "integration/apply.h"
#include "tests/support/sandbox.h"
#include <gtest/gtest.h>

namespace {

const std::string& AppPath = test::AppPathsKey;
const std::string& Uninstall = test::UninstallEntryKey;
const std::string ClsidKey = "CLSID\\{6F2A94C1-3D58-4E07-B2A9-71C5E08D3F46}";

IntegrationSettings Everything(bool on) {
    IntegrationSettings s{};
    for (bool& a : s.associate) a = on;
    s.desktopLink = s.startMenuLink = s.programGroup = s.shellExt = on;
    return s;
}

std::string OwnPath() {
    char path[1024];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n);
}

class ApplyTest : public ::testing::Test {
protected:
    void SetUp() override { test::WriteBytes(box_.In("qavext.dll"), "MZ"); }
    test::Lines Registry() {
        return test::Snapshot({{HKEY_CLASSES_ROOT, ""}, {HKEY_LOCAL_MACHINE, ""}, {HKEY_CURRENT_USER, "Software\\Qavrix"}});
    }

    test::Nt nt_;
    test::IntegrationSandbox box_{"apply"};
    const std::string& install_ = box_.install;
    const test::ShellFolders& folders_ = box_.folders;
    test::CurrentDirectoryScope cwd_{box_.root.path()};
};

TEST_F(ApplyTest, EveryFlagFalseKeepsAppPathClassesAndUninstallEntryAndRemovesTheRest) {
    char groupPath[1024] = "";
    ApplyIntegration(Everything(true), groupPath, sizeof groupPath);
    ASSERT_TRUE(test::RegKeyPresent(HKEY_CLASSES_ROOT, ClsidKey));
    ASSERT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".qav", ""), "Qavrix");
    ASSERT_TRUE(test::Exists(folders_.programs + "\\Qavrix\\Qavrix.lnk"));

    char untouched[1024] = "";
    ApplyIntegration(Everything(false), untouched, sizeof untouched);
    RegisterUninstallEntry();
    EXPECT_STREQ(untouched, "");

    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, AppPath, ""), install_ + "\\Qavrix.exe");
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, "Qavrix\\shell\\open\\command", ""),
              "\"" + install_ + "\\Qavrix.exe\" \"%1\"");
    EXPECT_EQ(test::ReadRegString(HKEY_CLASSES_ROOT, ".rev", ""), "Qavrix.REV");
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "UninstallString"), "\"" + OwnPath() + "\"");

    EXPECT_FALSE(test::RegKeyPresent(HKEY_CLASSES_ROOT, ClsidKey));
    EXPECT_FALSE(test::HasRegValue(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\Qavrix", ""));
    EXPECT_FALSE(test::HasRegValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
                                 "{6F2A94C1-3D58-4E07-B2A9-71C5E08D3F46}"));
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "DisplayName"), test::Ansi("Qavrix 压缩文件管理器"));
    for (const char* ext : {".qav", ".zip", ".iso", ".taz", ".q00", ".q29"})
        EXPECT_FALSE(test::RegKeyPresent(HKEY_CLASSES_ROOT, ext)) << ext;
    for (const std::string& link : {folders_.desktop + "\\Qavrix.lnk", folders_.startMenu + "\\Qavrix.lnk",
                                    folders_.programs + "\\Qavrix", folders_.commonPrograms + "\\Qavrix"})
        EXPECT_FALSE(test::Exists(link)) << link;
}

// Whatever the current directory ("Change" in the programs list starts setup
// from the system folder), both name the program's own folder.
TEST_F(ApplyTest, AppPathNamesTheArchiverAndPathInTheProgramFolder) {
    test::CurrentDirectoryScope cwd{test::SystemFolder()};
    RegisterAppPath();
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, AppPath, ""), install_ + "\\Qavrix.exe");
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, AppPath, "Path"), install_);
    EXPECT_EQ(test::ValueCount(HKEY_LOCAL_MACHINE, AppPath), 2);
}

// The archiver beside the program, as setup may find it.
enum class Archiver { Missing, Versioned, DamagedSignature, Truncated, NoVersionResource };

std::string ArchiverBytes(Archiver kind) {
    std::string bytes = test::ReadBytes(test::ResourceDll("versioned"));
    const std::string signature("\xBD\x04\xEF\xFE", 4);
    switch (kind) {
    case Archiver::Missing: return "";
    case Archiver::Versioned: return bytes;
    case Archiver::DamagedSignature: {
        std::size_t at = bytes.find(signature);
        if (at != std::string::npos) bytes[at] = 'X';
        return bytes;
    }
    case Archiver::Truncated: {  // cut inside its version resource
        std::size_t at = bytes.find(signature);
        return bytes.substr(0, at == std::string::npos ? bytes.size() / 2 : at + 8);
    }
    case Archiver::NoVersionResource: return test::ReadBytes(test::ResourceDll("testlng"));
    }
    return "";
}

constexpr DWORD Absent = 0xDEADBEEF;

TEST_F(ApplyTest, UninstallEntryCarriesWhatInstalledProgramListsLookFor) {
    const std::string own = OwnPath();
    ASSERT_TRUE(test::WriteBytes(box_.root / "outside.bin", std::string(5000, 'o')));
    ASSERT_TRUE(test::WriteBytes(box_.In("a.bin"), std::string(1500, 'a')));
    ASSERT_TRUE(test::WriteBytes(box_.In("b.bin"), std::string(3072, 'b')));
    ASSERT_TRUE(test::MakeDir(box_.In("sub")));
    const char* everyKind = "a.bin\r\nb.bin\r\nsub\r\ngone.txt\r\n..\\outside.bin\r\n";
    struct Case {
        const char* name;
        Archiver archiver;
        const char* list;     // nullptr: no Uninstall.lst
        const char* version;  // nullptr: no "DisplayVersion"
        DWORD kib;            // Absent: no "EstimatedSize"
    };
    const Case cases[] = {
        // 1500 + 3072 bytes of existing listed files; the folder, the missing
        // file and the file outside the folder count nothing.
        {"versioned archiver, full list", Archiver::Versioned, everyKind, "5.50.1.2", 5},
        {"no archiver", Archiver::Missing, everyKind, nullptr, 5},
        {"damaged signature", Archiver::DamagedSignature, everyKind, nullptr, 5},
        {"truncated resource", Archiver::Truncated, everyKind, nullptr, 5},
        {"no version resource", Archiver::NoVersionResource, "a.bin\r\n", nullptr, 2},
        {"nothing listed exists", Archiver::Versioned, "sub\r\ngone.txt\r\n", "5.50.1.2", Absent},
        {"no list", Archiver::Versioned, nullptr, "5.50.1.2", Absent},
        {"empty list", Archiver::Missing, "", nullptr, Absent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, Uninstall.c_str());
        DeleteFileA(box_.In("Qavrix.exe").c_str());
        DeleteFileA(box_.In("Uninstall.lst").c_str());
        if (c.archiver != Archiver::Missing) {
            ASSERT_TRUE(test::WriteBytes(box_.In("Qavrix.exe"), ArchiverBytes(c.archiver)));
        }
        if (c.list) {
            ASSERT_TRUE(test::WriteBytes(box_.In("Uninstall.lst"), c.list));
        }

        RegisterUninstallEntry();
        RegisterUninstallEntry();  // a second setup rewrites, nothing accumulates

        EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "DisplayName"), test::Ansi("Qavrix 压缩文件管理器"));
        EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "UninstallString"), "\"" + own + "\"");
        EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "QuietUninstallString"), "\"" + own + "\" /S");
        EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "ModifyPath"), "\"" + own + "\" /setup");
        EXPECT_EQ(test::ReadRegDword(HKEY_LOCAL_MACHINE, Uninstall, "NoRepair", Absent), 1u);
        EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "DisplayIcon"),
                  (c.archiver == Archiver::Missing ? own : box_.In("Qavrix.exe")) + ",0");
        EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "InstallLocation"), install_);
        EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "URLInfoAbout"), "https://www.qavrix.example/");
        bool hasVersion = false;
        std::string version = test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "DisplayVersion", &hasVersion);
        EXPECT_EQ(hasVersion, c.version != nullptr);
        if (c.version) {
            EXPECT_EQ(version, c.version);
        }
        EXPECT_EQ(test::ReadRegDword(HKEY_LOCAL_MACHINE, Uninstall, "EstimatedSize", Absent), c.kib);
        EXPECT_EQ(test::ValueCount(HKEY_LOCAL_MACHINE, Uninstall), 8 + (c.version != nullptr) + (c.kib != Absent));
        EXPECT_EQ(test::DumpTree(HKEY_LOCAL_MACHINE, Uninstall).size(),
                  static_cast<std::size_t>(test::ValueCount(HKEY_LOCAL_MACHINE, Uninstall) + 1)) << "no subkeys";
    }
}

TEST_F(ApplyTest, UninstallEntryAtTheFolderBufferSizeLeavesOutWhatDoesNotFit) {
    // A program folder of 1022 characters and its backslash fill the 1024-byte
    // buffer: the folder itself fits, the archiver's and the list's paths do not.
    std::string folder = "C:\\" + std::string(1019, 'f');
    ASSERT_EQ(folder.size(), 1022u);
    test::ProgramFolderScope longFolder{folder};
    RegisterUninstallEntry();
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "InstallLocation"), folder);
    EXPECT_EQ(test::ReadRegString(HKEY_LOCAL_MACHINE, Uninstall, "DisplayIcon"), OwnPath() + ",0");
    EXPECT_FALSE(test::HasRegValue(HKEY_LOCAL_MACHINE, Uninstall, "DisplayVersion"));
    EXPECT_FALSE(test::HasRegValue(HKEY_LOCAL_MACHINE, Uninstall, "EstimatedSize"));
}

TEST_F(ApplyTest, RepeatingSetupRewritesTheSameValuesAndLinks) {
    IntegrationSettings settings = Everything(true);
    settings.associate[test::ArchiveTypeRow(".iso")] = false;
    char first[1024] = "", second[1024] = "";
    ApplyIntegration(settings, first, sizeof first);
    RegisterUninstallEntry();
    std::vector<std::string> once = Registry();
    std::vector<std::string> groupOnce = test::FilesIn(first);
    ApplyIntegration(settings, second, sizeof second);
    RegisterUninstallEntry();
    EXPECT_EQ(Registry(), once);
    EXPECT_STREQ(first, (folders_.programs + "\\Qavrix").c_str());
    EXPECT_STREQ(second, first);
    EXPECT_EQ(test::FilesIn(second), groupOnce);
    EXPECT_EQ(groupOnce.size(), 3u);
}

}  // namespace
