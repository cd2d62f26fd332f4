// The translation table on language files built in memory: the header
// search, the section limit, escapes, line ends, the lookup and the
// bounds of every copy it makes.
#include "lang/core/translation.h"
#include "tests/support/lang_entries.h"
#include <gtest/gtest.h>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char Header[] = "***messages***";

constexpr auto Key = &test::TranslationKey;
constexpr auto Entry = &test::TranslationEntry;
constexpr auto Msg = &test::MessageEntry;

// Translates through the table into a buffer of exactly `capacity` bytes
// followed by guard bytes that must stay untouched.
std::string Lookup(const TranslationTable& t, const std::string& source, std::size_t capacity = 512,
                   TextKind kind = TextKind::MessageText, const char* context = nullptr,
                   const LeadBytes* lead = nullptr) {
    std::vector<char> buffer(capacity + 16, '#');
    t.Translate(source.c_str(), buffer.data(), capacity, kind, context, lead);
    for (std::size_t i = capacity; i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], '#') << "written past the buffer at " << i;
        if (buffer[i] != '#') break;
    }
    return std::string(buffer.data(), strnlen(buffer.data(), capacity));
}

// A source that counts the header search's reads and can fail the section read.
class CountingSource : public ByteSource {
public:
    explicit CountingSource(const std::string& bytes, int failFromRead = -1)
        : inner_(bytes.data(), bytes.size()), failFrom_(failFromRead) {}
    int Read(void* buffer, int count) override {
        ++reads;
        maxCount = std::max(maxCount, count);
        starts.push_back(inner_.Tell());
        if (failFrom_ >= 0 && reads > failFrom_) return -1;
        return inner_.Read(buffer, count);
    }
    long long Tell() override { return inner_.Tell(); }
    bool Seek(long long p) override { return inner_.Seek(p); }
    int reads = 0;
    int maxCount = 0;
    std::vector<long long> starts;

private:
    MemorySource inner_;
    int failFrom_;
};

TEST(MessagesHeader, FoundWithinTheSearchedRangeOnly) {
    struct Case {
        std::size_t offset;
        bool found;
    } cases[] = {
        {0, true},       {100, true},     {8176, true},    // last offset of the first read
        {8180, true},                                        // across the 8,192-byte boundary
        {8190, true},    {130816, true},  {130817, false}, {140000, false},
    };
    for (const Case& c : cases) {
        std::string file(c.offset, 'x');
        file += Header;
        file += "\r\n" + Msg("a", "b") + std::string(64, 'y');
        TranslationTable t;
        EXPECT_EQ(t.LoadFromBytes(file.data(), file.size()), c.found) << c.offset;
        EXPECT_EQ(Lookup(t, "a"), c.found ? "b" : "a") << c.offset;
    }
}

TEST(MessagesHeader, NeedsSixteenBytesBeforeTheEndOfTheFile) {
    for (std::size_t tail = 0; tail <= 4; ++tail) {
        std::string file = std::string(5000, ' ') + Header;  // 14 bytes
        file += std::string(tail, '*');
        TranslationTable t;
        EXPECT_EQ(t.LoadFromBytes(file.data(), file.size()), 14 + tail >= 16) << tail;
    }
}

TEST(MessagesHeader, OnlyTheFirstElevenCharactersAfterTwoAsterisksCount) {
    const struct {
        const char* header;
        bool found;
    } cases[] = {
        {"***messages***", true},       {"***messages*********", true}, {"***messages**x", true},
        {"***messages**", true},        {"***messages*", false},        {"***Messages***", false},
        {"**messages***", false},       {"* *messages***", false},      {"****messages***", true},
    };
    for (const auto& c : cases) {
        std::string file = std::string("intro\r\n") + c.header + "\r\n" + Msg("a", "b") + std::string(40, ' ');
        TranslationTable t;
        EXPECT_EQ(t.LoadFromBytes(file.data(), file.size()), c.found) << c.header;
    }
}

TEST(MessagesHeader, SearchReadsAtMostSixteenOverlappingBlocks) {
    std::string file(300000, 'z');
    CountingSource missing(file);
    EXPECT_EQ(FindMessagesHeader(missing), -1);
    EXPECT_EQ(missing.reads, lng::HeaderSearchPasses);
    EXPECT_EQ(missing.maxCount, lng::HeaderBlockSize);
    for (std::size_t i = 1; i < missing.starts.size(); ++i)
        EXPECT_EQ(missing.starts[i] - missing.starts[i - 1], lng::HeaderBlockSize - lng::HeaderOverlap);

    file.replace(20000, std::strlen(Header), Header);
    CountingSource present(file);
    EXPECT_EQ(FindMessagesHeader(present), 20000);
    EXPECT_EQ(present.reads, 3);  // stops at the block that holds it
}

TEST(SectionLoad, ReadFailureAfterTheHeaderLeavesAnEmptySection) {
    std::string file = std::string(Header) + "\r\n" + Msg("a", "b") + std::string(40, ' ');
    CountingSource source(file, /*failFromRead=*/1);
    TranslationTable t;
    EXPECT_TRUE(t.Load(source));
    EXPECT_TRUE(t.HasTranslations());
    EXPECT_EQ(t.Length(), 0);
    EXPECT_EQ(t.LineIndex().Count(), 0);
    EXPECT_EQ(Lookup(t, "a"), "a");
}

TEST(SectionLoad, TextBeyondSixtyFourKibibytesIsNeverFound) {
    std::string file = std::string("preamble\r\n") + Header + "\r\n" + Msg("first", "1");
    std::string filler = "; " + std::string(70, '-') + "\r\n";
    while (file.size() < 10 + 65536 - 200) file += filler;
    file += Msg("inside", "in");
    while (file.size() < 10 + 65536 + 100) file += filler;
    file += Msg("outside", "out") + filler;
    TranslationTable t;
    ASSERT_TRUE(t.LoadFromBytes(file.data(), file.size()));
    EXPECT_LE(t.Length(), lng::SectionLimit);
    EXPECT_EQ(Lookup(t, "first"), "1");
    EXPECT_EQ(Lookup(t, "inside"), "in");
    EXPECT_EQ(Lookup(t, "outside"), "outside");
}

TEST(SectionLoad, NulByteEndsTheSection) {
    std::string file = std::string(Header) + "\r\n" + Msg("a", "1");
    file += std::string(1, '\0') + "\r\n" + Msg("b", "2") + std::string(20, ' ');
    TranslationTable t;
    ASSERT_TRUE(t.LoadFromBytes(file.data(), file.size()));
    EXPECT_EQ(Lookup(t, "a"), "1");
    EXPECT_EQ(Lookup(t, "b"), "b");
}

TEST(Escapes, ProcessedInPlaceWithLineEndMarks) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"a\\nb", "a\nb"},          {"a\\\"b", "a\"b"},        {"a\\\\b", "a\\b"},
        {"a\\rb\\tc", "a\rb\tc"},   {"a\\xb", "a\\xb"},        {"a\\\\nb", "a\\nb"},
        {"a\r\nb\rc\nd", "a\f\fb\fc\fd"},                      {"end\\", "end\\"},
        {"\\\\\\n", "\\\n"},        {"a\\\nb", "a\\\fb"},
    };
    for (const auto& c : cases) {
        std::vector<char> text(c.in.begin(), c.in.end());
        text.push_back('\0');
        int n = ProcessEscapes(text.data(), static_cast<int>(c.in.size()));
        EXPECT_EQ(std::string(text.data(), n), c.out) << c.in;
        EXPECT_EQ(text[n], '\0');
    }
}

TEST(Translate, ReplacementTextsAsTheFileWritesThem) {
    const struct {
        std::string written, shown;
    } cases[] = {
        {"plain", "plain"},
        {"two\\nlines", "two\nlines"},
        {"say \\\"hi\\\"", "say \"hi\""},
        {"keep \\x as is", "keep \\x as is"},
        {"inner \"quotes\" kept", "inner \"quotes\" kept"},
        {"tab\\there", "tab\there"},
        {"", ""},
    };
    std::string file = std::string(Header) + "\r\n";
    for (std::size_t i = 0; i < std::size(cases); ++i) file += Msg("src" + std::to_string(i), cases[i].written);
    file += "; trailing comment line\r\n";
    TranslationTable t;
    ASSERT_TRUE(t.LoadFromBytes(file.data(), file.size()));
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(Lookup(t, "src" + std::to_string(i)), cases[i].shown) << cases[i].written;
    // Text after the closing quote is dropped up to the last quote only.
    std::string file2 = std::string(Header) + "\r\n" + Key(TextKind::MessageText, nullptr, "q") +
                        "=\"a\" b \"c\" ; note\r\n" + std::string(20, ' ');
    ASSERT_TRUE(t.LoadFromBytes(file2.data(), file2.size()));
    EXPECT_EQ(Lookup(t, "q"), "a\" b \"c");
}

TEST(Translate, KindsContextsAndNearMisses) {
    std::string file = std::string("\xEF\xBB\xBF") + Header + "\n" +
                       Entry(TextKind::WindowText, "SETUPDLG", "OK", "Fine") +
                       Entry(TextKind::WindowText, "DONEDLG", "OK", "Done") +
                       Msg("OK", "message ok") +
                       // Capital hexadecimal digits, a blank before the key.
                       [] {
                           std::string k = Key(TextKind::MessageText, nullptr, "upper");
                           for (char& c : k) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                           return k;
                       }() + "=\"U\"\r\n" +
                       " " + Key(TextKind::MessageText, nullptr, "blank") + "=\"B\"\r\n" +
                       "\f\f\r\n\r\n" + Msg("after gaps", "found") + "; end";
    TranslationTable t;
    ASSERT_TRUE(t.LoadFromBytes(file.data(), file.size()));
    EXPECT_EQ(Lookup(t, "OK", 1024, TextKind::WindowText, "SETUPDLG"), "Fine");
    EXPECT_EQ(Lookup(t, "OK", 1024, TextKind::WindowText, "DONEDLG"), "Done");
    EXPECT_EQ(Lookup(t, "OK", 1024, TextKind::WindowText, "CONTEXTITEMS"), "OK");
    EXPECT_EQ(Lookup(t, "OK"), "message ok");
    EXPECT_EQ(Lookup(t, "upper"), "upper");
    EXPECT_EQ(Lookup(t, "blank"), "blank");
    // The index matches on the key alone; the text still starts at the 11th byte.
    EXPECT_EQ(Lookup(t, "after gaps"), "found");
}

TEST(Translate, SameBufferAndMissingArguments) {
    std::string file = std::string(Header) + "\r\n" + Msg("hello", "bonjour") + Msg("", "empty");
    TranslationTable t;
    ASSERT_TRUE(t.LoadFromBytes(file.data(), file.size()));
    char buffer[512] = "hello";
    t.Translate(buffer, buffer, sizeof buffer, TextKind::MessageText, nullptr);
    EXPECT_STREQ(buffer, "bonjour");
    t.Translate(buffer, buffer, sizeof buffer, TextKind::MessageText, nullptr);
    EXPECT_STREQ(buffer, "bonjour");
    t.Translate(nullptr, buffer, sizeof buffer, TextKind::MessageText, nullptr);
    EXPECT_STREQ(buffer, "empty");
    t.Translate("hello", buffer, 0, TextKind::MessageText, nullptr);  // no room: untouched
    EXPECT_STREQ(buffer, "empty");
}

TEST(Translate, ReplacementIsCutToTheDestinationNeverPast) {
    std::string longText(2000, 'L');
    std::string chinese;  // 中 in code page 936, 600 times
    for (int i = 0; i < 600; ++i) chinese += "\xD6\xD0";
    std::string file = std::string(Header) + "\r\n" + Msg("long", longText) + Msg("cn", chinese) +
                       Msg("short", "abc");
    TranslationTable t;
    ASSERT_TRUE(t.LoadFromBytes(file.data(), file.size()));
    EXPECT_EQ(Lookup(t, "long", 512), std::string(511, 'L'));
    EXPECT_EQ(Lookup(t, "long", 1024), std::string(1023, 'L'));
    EXPECT_EQ(Lookup(t, "short", 4), "abc");
    EXPECT_EQ(Lookup(t, "short", 3), "ab");
    EXPECT_EQ(Lookup(t, "short", 1), "");
    // Untranslated sources are cut the same way.
    EXPECT_EQ(Lookup(t, "untranslated", 5), "untr");
    LeadBytes cp936 = MakeCodePage936LeadBytes();
    // 511 bytes would end inside a character: 510 it is.
    EXPECT_EQ(Lookup(t, "cn", 512, TextKind::MessageText, nullptr, &cp936), chinese.substr(0, 510));
    EXPECT_EQ(Lookup(t, "cn", 2, TextKind::MessageText, nullptr, &cp936), "");
    EXPECT_EQ(Lookup(t, "cn", 3, TextKind::MessageText, nullptr, &cp936), "\xD6\xD0");
}

TEST(Translate, MalformedLinesStayBounded) {
    std::string k = Key(TextKind::MessageText, nullptr, "open");
    const struct {
        std::string tail;  // the file after the header line
        std::string shown;
    } cases[] = {
        {k + "=\"no closing quote\r\nnext line\r\n", "no closing quote"},
        {"x\r\n" + k + "=\"last line, no end", "last line, no end"},
        {"x\r\n" + k + "=\"last line quoted\"", "last line quoted"},
        {"x\r\n" + k + "=\"" + std::string(400, 'n'), std::string(255, 'n')},
        // 255 bytes of a last line without end, none of them a quote.
        {"x\r\n" + k + "=\"" + std::string(400, 'q') + "\"", std::string(255, 'q')},
        {"x\r\n" + k + "\r\nshort next\r\n", ""},        // key alone on its line
        {"x\r\n" + k + "=\r\n\"elsewhere\"\r\n", ""},   // no quote after '='
    };
    for (const auto& c : cases) {
        std::string file = std::string(Header) + "\r\n" + c.tail;
        TranslationTable t;
        ASSERT_TRUE(t.LoadFromBytes(file.data(), file.size()));
        EXPECT_EQ(Lookup(t, "open"), c.shown) << c.tail.substr(0, 40);
    }
}

TEST(Translate, ManyEntriesAreAllFoundThroughTheIndex) {
    std::string file = std::string(Header) + "\r\n";
    for (int i = 0; i < 3000; ++i) file += Msg("text " + std::to_string(i), "tr " + std::to_string(i));
    file += Msg("dup", "one") + Msg("dup", "two");
    TranslationTable t;
    ASSERT_TRUE(t.LoadFromBytes(file.data(), file.size()));
    EXPECT_EQ(t.LineIndex().Count(), 3002);
    for (int i = 0; i < 3000; i += 7) EXPECT_EQ(Lookup(t, "text " + std::to_string(i)), "tr " + std::to_string(i));
    std::string dup = Lookup(t, "dup");
    EXPECT_TRUE(dup == "one" || dup == "two") << dup;
    // The index is sorted by the first eight bytes and skips the header line.
    for (int i = 1; i < t.LineIndex().Count(); ++i)
        EXPECT_LE(std::strncmp(t.Text() + t.LineIndex()[i - 1], t.Text() + t.LineIndex()[i], 8), 0);
    for (int offset : t.LineIndex()) EXPECT_GT(offset, 0);
}

TEST(LineIndex, LinesStartingInTheLastEightBytesAreNotIndexed) {
    char text[] = "hdr\fabcdefghij\f\fxyzw\f12";
    int length = static_cast<int>(std::strlen(text));
    Array<int> index;
    BuildLineIndex(text, length, index);
    ASSERT_EQ(index.Count(), 1);
    EXPECT_EQ(index[0], 4);
}

[[noreturn]] void ThrowOutOfMemory() { throw std::runtime_error("out of memory"); }

TEST(ArrayOfInt, GrowsByAQuarterPlusThirtyTwoAndFailsThroughTheHandler) {
    Array<int> a;
    EXPECT_EQ(a.Capacity(), 0);
    std::vector<int> capacities;
    for (int i = 0; i < 200; ++i) {
        a.Append(i);
        if (capacities.empty() || capacities.back() != a.Capacity()) capacities.push_back(a.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{32, 72, 122, 184, 262}));
    for (int i = 0; i < 200; ++i) ASSERT_EQ(a[i], i);

    OutOfMemoryHandler previous = SetOutOfMemoryHandler(&ThrowOutOfMemory);
    EXPECT_THROW(a.Grow(INT_MAX), std::runtime_error);
    SetOutOfMemoryHandler(previous);
    EXPECT_EQ(a.Count(), 200);  // intact after the failed growth
    EXPECT_EQ(a[199], 199);
}

}  // namespace
