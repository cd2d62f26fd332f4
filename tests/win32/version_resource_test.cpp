// What the built files tell the system about themselves: the version
// resource read back as Explorer and installers read it, and the manifest
// with the build's own processor architecture.
#include "tests/support/harness.h"
#include "version.h"
#include <gtest/gtest.h>
#include <cstring>
#include <vector>

namespace {

struct VersionInfo {
    std::vector<unsigned char> data;
    WORD language = 0, codePage = 0;

    bool Read(const std::string& file) {
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
        if (size == 0) return false;
        data.resize(size);
        if (!GetFileVersionInfoA(file.c_str(), 0, size, data.data())) return false;
        void* p = nullptr;
        UINT len = 0;
        if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &p, &len) || len < 4) return false;
        std::memcpy(&language, p, 2);
        std::memcpy(&codePage, static_cast<char*>(p) + 2, 2);
        return true;
    }
    // A string of the file's own language block, in UTF-8.
    std::string Text(const char* name) {
        char query[96];
        wsprintfA(query, "\\StringFileInfo\\%04x%04x\\%s", language, codePage, name);
        void* p = nullptr;
        UINT len = 0;
        if (!VerQueryValueA(data.data(), query, &p, &len) || !p) return "<none>";
        return test::Utf8FromAnsi(static_cast<const char*>(p));
    }
    VS_FIXEDFILEINFO Fixed() {
        VS_FIXEDFILEINFO f{};
        void* p = nullptr;
        UINT len = 0;
        if (VerQueryValueA(data.data(), "\\", &p, &len) && len >= sizeof f) std::memcpy(&f, p, sizeof f);
        return f;
    }
};

TEST(VersionResource, ProgramAndEnglishLanguageDllCarryTheProductVersion) {
    struct Case { std::string file; WORD language; const char* description; const char* originalName; DWORD type; };
    const Case cases[] = {
        {test::ProductExe(), 0x0804, "Qavrix 卸载和外壳整合程序", "uninstall.exe", VFT_APP},
        {test::BinDir() + "\\en\\qavlng.dll", 0x0409, "Qavrix uninstall, English resources", "qavlng.dll", VFT_DLL},
    };
    const WORD parts[4] = {QAV_VERSION_COMMAS};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        VersionInfo info;
        ASSERT_TRUE(info.Read(c.file));
        EXPECT_EQ(info.language, c.language);
        EXPECT_EQ(info.codePage, 1200);
        EXPECT_EQ(info.Text("ProductName"), "Qavrix");
        EXPECT_EQ(info.Text("FileDescription"), c.description);
        EXPECT_EQ(info.Text("OriginalFilename"), c.originalName);
        EXPECT_EQ(info.Text("FileVersion"), QAV_VERSION_TEXT);
        EXPECT_EQ(info.Text("ProductVersion"), QAV_VERSION_TEXT);
        VS_FIXEDFILEINFO f = info.Fixed();
        EXPECT_EQ(f.dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(f.dwFileType, c.type);
        EXPECT_EQ(f.dwFileVersionMS, static_cast<DWORD>(MAKELONG(parts[1], parts[0])));
        EXPECT_EQ(f.dwFileVersionLS, static_cast<DWORD>(MAKELONG(parts[3], parts[2])));
        EXPECT_EQ(f.dwProductVersionMS, f.dwFileVersionMS);
        EXPECT_EQ(f.dwProductVersionLS, f.dwFileVersionLS);
    }
}

// The manifest of a program file, read from its resources without running it.
std::string ManifestOf(const std::string& file) {
    UniqueLibrary module(LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return "";
    std::string text;
    if (HRSRC r = FindResourceA(module.get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)))  // RT_MANIFEST
        text.assign(static_cast<const char*>(LockResource(LoadResource(module.get(), r))), SizeofResource(module.get(), r));
    return text;
}

TEST(Manifest, NamesTheBuildsArchitectureAndAsksForAdministratorRightsAndSystemDpi) {
    const bool x86 = test::BuildArch() == test::Arch::X86;
    EXPECT_EQ(test::ProgramArch(test::ProductExe()), test::BuildArch());
    std::string manifest = ManifestOf(test::ProductExe());
    ASSERT_FALSE(manifest.empty());
    const std::string own = std::string("name=\"Qavrix.Uninstall\" version=\"") + QAV_VERSION_TEXT +
                            "\" processorArchitecture=\"" + (x86 ? "x86" : "amd64") + "\"";
    EXPECT_NE(manifest.find(own), std::string::npos) << manifest;
    EXPECT_EQ(manifest.find(x86 ? "\"amd64\"" : "\"x86\""), std::string::npos) << "the other architecture";
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"),
              std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
    // Windows Vista, 7, 8, 8.1 and 10/11.
    for (const char* id : {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                           "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                           "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"{") + id + "}\"/>"), std::string::npos) << id;
}

}  // namespace
