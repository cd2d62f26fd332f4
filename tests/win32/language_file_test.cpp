// The file object and the language file under Wine: reading through
// CreateFileA, finding uninstall.lng, messages passing through its
// translations with and without a language DLL, the reading order, and
// the fatal out-of-memory end.
#include "lang/languagefile.h"
#include "lang/messages.h"
#include "platform/file.h"
#include "platform/core/array.h"
#include "resource.h"
#include "tests/support/lang_entries.h"
#include "tests/support/sandbox.h"
#include "tests/support/windows_rules.h"
#include <gtest/gtest.h>
#include <climits>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using test::MessagesHeader;
using test::ForgetLanguageFile;
using test::ReadingOrderEntry;

// An entry for a message of the program's string table (UTF-8 in the test source).
std::string MessageEntry(const std::string& utf8Text, const std::string& replacement) {
    return test::MessageEntry(test::Ansi(utf8Text), replacement);
}

// ---------------------------------------------------------------- File

class FileTest : public ::testing::Test {
protected:
    test::ScratchDir dir_{"fileobj"};
};

TEST_F(FileTest, MissingFileStaysClosed) {
    File f;
    EXPECT_FALSE(f.Open((dir_ / "missing.lng").c_str()));
    EXPECT_FALSE(f.IsOpen());
    EXPECT_TRUE(f.Close());
    char b[4];
    EXPECT_EQ(f.Read(b, 4), -1);
}

TEST_F(FileTest, ReadsTellsAndSeeksIn64Bits) {
    std::string path = dir_ / "data.bin";
    ASSERT_TRUE(test::WriteBytes(path, "0123456789"));
    File f;
    ASSERT_TRUE(f.Open(path.c_str()));
    char b[16] = {};
    EXPECT_EQ(f.Read(b, 4), 4);
    EXPECT_EQ(std::string(b, 4), "0123");
    EXPECT_EQ(f.Tell(), 4);
    EXPECT_TRUE(f.Seek(7));
    EXPECT_EQ(f.Read(b, 16), 3);  // fewer near the end
    EXPECT_EQ(f.Tell(), 10);
    EXPECT_EQ(f.Read(b, 16), 0);  // at the end
    const long long beyond = 5LL * 1024 * 1024 * 1024 + 3;
    EXPECT_TRUE(f.Seek(beyond));
    EXPECT_EQ(f.Tell(), beyond);
    EXPECT_EQ(f.Read(b, 16), 0);  // beyond the end
    EXPECT_TRUE(f.Close());
    EXPECT_FALSE(f.IsOpen());
    EXPECT_TRUE(f.Close());  // nothing open any more
}

TEST_F(FileTest, ReadFailureIsMinusOneAndAWriterDoesNotBlockReading) {
    std::string path = dir_ / "shared.lng";
    ASSERT_TRUE(test::WriteBytes(path, "abc"));
    // Another program keeps the file open for writing.
    UniqueFileHandle writer(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    File reader;
    EXPECT_TRUE(reader.Open(path.c_str()));
    char b[8];
    EXPECT_EQ(reader.Read(b, 8), 3);
    File writeOnly;
    ASSERT_TRUE(writeOnly.Open(path.c_str(), GENERIC_WRITE));
    test::RuleBreaches refused;   // a read Windows refuses to such a handle
    EXPECT_EQ(writeOnly.Read(b, 8), -1);
    EXPECT_EQ(refused.seen().size(), 1u);
}

TEST_F(FileTest, SecondOpenReleasesTheFirstHandle) {
    std::string a = dir_ / "a.txt", b = dir_ / "b.txt";
    ASSERT_TRUE(test::WriteBytes(a, "a"));
    ASSERT_TRUE(test::WriteBytes(b, "b"));
    {
        File f;
        ASSERT_TRUE(f.Open(a.c_str()));
        ASSERT_TRUE(f.Open(b.c_str()));
        // The first file is no longer held: it can be deleted (opened without
        // FILE_SHARE_DELETE it could not).
        EXPECT_TRUE(DeleteFileA(a.c_str()));
        EXPECT_FALSE(DeleteFileA(b.c_str()));
    }
    EXPECT_TRUE(DeleteFileA(b.c_str()));  // the destructor closed it
}

TEST(ErrorStateDeathTest, OutOfMemoryEndsWithCodeEight) {
    EXPECT_EXIT(TheErrorState().FatalOutOfMemory(), ::testing::ExitedWithCode(8), "");
    // An array that cannot grow ends the program the same way.
    EXPECT_EXIT(
        {
            Array<int> a;
            a.Grow(INT_MAX);
        },
        ::testing::ExitedWithCode(8), "");
}

// ---------------------------------------------------------------- loading

class LanguageFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        UnloadLanguageDll();
        CurrentResourceModule = OwnModule = product_.module();
    }
    void TearDown() override {
        ForgetLanguageFile();
        CurrentResourceModule = OwnModule = GetModuleHandleA(nullptr);
    }
    // As if the language DLL were loaded: dialogs and messages from it.
    void UseLanguageDll(const std::string& name) {
        dll_.reset(LoadLibraryExA(test::ResourceDll(name).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(dll_);
        CurrentResourceModule = dll_.get();
    }
    std::string Write(const std::string& bytes, const std::string& name = "uninstall.lng") {
        std::string path = dir_ / name;
        EXPECT_TRUE(test::WriteBytes(path, bytes));
        return path;
    }
    static std::string Message(int number) { return test::Utf8FromAnsi(GetMessageText(number)); }

    test::ScratchDir dir_{"lngfile"};
    test::ProductResources product_;
    UniqueLibrary dll_;
};

TEST_F(LanguageFileTest, MessagesPassThroughTheTranslations) {
    LoadLanguageFile(Write(std::string("; English\r\n") + MessagesHeader + MessageEntry("卸载 Qavrix", "Uninstall Qavrix") +
                           MessageEntry("确实要卸载 Qavrix 吗?", "Really remove\\n\\\"Qavrix\\\"?"))
                         .c_str());
    EXPECT_TRUE(HasTranslations());
    EXPECT_FALSE(RightToLeft());
    EXPECT_EQ(Message(MSG_CAPTION), "Uninstall Qavrix");
    EXPECT_EQ(Message(MSG_CONFIRM), "Really remove\n\"Qavrix\"?");
    EXPECT_EQ(Message(MSG_UNINSTALL_DONE), "卸载已完成");  // no entry: as the program has it
}

TEST_F(LanguageFileTest, HeaderPositionsInARealFile) {
    const struct {
        std::size_t offset;
        bool found;
    } cases[] = {{8180, true}, {130816, true}, {130817, false}};
    for (const auto& c : cases) {
        std::string bytes(c.offset, ';');
        bytes += MessagesHeader + MessageEntry("卸载 Qavrix", "Caption") + std::string(100, ' ');
        LoadLanguageFile(Write(bytes).c_str());
        EXPECT_EQ(HasTranslations(), c.found) << c.offset;
        EXPECT_EQ(Message(MSG_CAPTION), c.found ? "Caption" : "卸载 Qavrix") << c.offset;
    }
}

TEST_F(LanguageFileTest, WithTranslationsTheDllIsNotAskedForMessages) {
    UseLanguageDll("testlng");
    LoadLanguageFile(Write(MessagesHeader + MessageEntry("卸载 Qavrix", "Caption")).c_str());
    EXPECT_EQ(Message(MSG_CAPTION), "Caption");
    EXPECT_EQ(Message(MSG_UNINSTALL_DONE), "卸载已完成");
}

TEST_F(LanguageFileTest, WithoutAUsableHeaderTheDllSuppliesMessages) {
    UseLanguageDll("testlng");
    for (const std::string& bytes : {std::string(140000, ' ') + MessagesHeader + MessageEntry("卸载 Qavrix", "Caption"),
                                     "**messages***\r\n" + MessageEntry("卸载 Qavrix", "Caption"),
                                     std::string()}) {
        LoadLanguageFile(Write(bytes).c_str());
        EXPECT_FALSE(HasTranslations());
        EXPECT_EQ(Message(MSG_CAPTION), "TEST Uninstall Qavrix");
        EXPECT_EQ(Message(MSG_LINK_DESCRIPTION), "处理 QAV、ZIP 和其他压缩格式");  // not in the DLL
    }
}

// The file's bytes, with every read after the first failing.
class FailingAfterHeader : public ByteSource {
public:
    explicit FailingAfterHeader(std::string bytes) : bytes_(std::move(bytes)), inner_(bytes_.data(), bytes_.size()) {}
    int Read(void* buffer, int count) override { return reads_++ == 0 ? inner_.Read(buffer, count) : -1; }
    long long Tell() override { return inner_.Tell(); }
    bool Seek(long long p) override { return inner_.Seek(p); }

private:
    std::string bytes_;
    MemorySource inner_;
    int reads_ = 0;
};

TEST_F(LanguageFileTest, ReadFailureAfterTheHeaderGivesUntranslatedOwnMessages) {
    UseLanguageDll("testlng");
    std::string bytes = MessagesHeader + MessageEntry("卸载 Qavrix", "Caption") + std::string(20000, ' ');
    FailingAfterHeader source(bytes);
    TheLanguageResources().LoadFrom(source);
    EXPECT_TRUE(HasTranslations());
    EXPECT_EQ(TheLanguageResources().Table().Length(), 0);
    EXPECT_EQ(Message(MSG_CAPTION), "卸载 Qavrix");  // neither translated nor the DLL's
    EXPECT_EQ(Message(MSG_UNINSTALL_DONE), "卸载已完成");
}

TEST_F(LanguageFileTest, ANameWithoutBackslashIsLookedForBesideTheProgram) {
    test::ProgramFolderScope programFolder(dir_.path());
    Write(MessagesHeader + MessageEntry("卸载 Qavrix", "Beside"), "langtest_beside.lng");
    LoadLanguageFile("langtest_beside.lng");
    EXPECT_EQ(Message(MSG_CAPTION), "Beside");
    // A name with a backslash is taken as it is: the current folder is not searched.
    LoadLanguageFile("nowhere\\langtest_beside.lng");
    EXPECT_FALSE(HasTranslations());
}

TEST_F(LanguageFileTest, ReadingOrderFromTheEntryOrTheDll) {
    const struct {
        std::string entry;
        bool rtl;
    } cases[] = {
        {ReadingOrderEntry("RTL"), true},
        {ReadingOrderEntry("rtl"), false},
        {ReadingOrderEntry("RTL "), false},
        {ReadingOrderEntry("LTR"), false},
        {"", false},
    };
    for (const auto& c : cases) {
        LoadLanguageFile(Write(MessagesHeader + c.entry).c_str());
        EXPECT_EQ(RightToLeft(), c.rtl) << c.entry;
    }
    UseLanguageDll("rtllng");
    LoadLanguageFile(Write(MessagesHeader + ReadingOrderEntry("LTR")).c_str());
    EXPECT_TRUE(RightToLeft());
    LoadLanguageFile((dir_ / "absent.lng").c_str());
    EXPECT_TRUE(RightToLeft());
}

TEST_F(LanguageFileTest, LongTranslationsAreCutToTheCallersBuffer) {
    std::string longText;
    for (int i = 0; i < 700; ++i) longText += "\xD6\xD0";  // 中 in code page 936
    LoadLanguageFile(
        Write(MessagesHeader + MessageEntry("卸载 Qavrix", longText) + test::WindowEntry("DLG", "x", longText)).c_str());
    const char* caption = GetMessageText(MSG_CAPTION);
    EXPECT_EQ(std::string(caption), longText.substr(0, 510));
    std::vector<char> window(WindowTextCapacity + 8, '#');
    Translate("x", window.data(), WindowTextCapacity, TextKind::WindowText, "DLG");
    EXPECT_EQ(std::string(window.data()), longText.substr(0, 1022));
    for (std::size_t i = WindowTextCapacity; i < window.size(); ++i) EXPECT_EQ(window[i], '#');
}

}  // namespace
