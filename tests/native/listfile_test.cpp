// Reading Uninstall.lst: fixed-buffer line splitting, trimming, empty lines
// and bytes of the Chinese code page passed through unchanged.
#include "platform/core/listfile.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Entries(const std::string& bytes, std::size_t capacity = ListLineBufferSize) {
    std::FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    std::vector<char> line(capacity);
    std::vector<std::string> out;
    while (ReadListEntry(f, line.data(), capacity)) out.emplace_back(line.data());
    std::fclose(f);
    // The same bytes taken apart in memory give the same entries.
    std::vector<std::string> inMemory;
    for (std::size_t at = 0; NextListEntry(bytes.data(), bytes.size(), at, line.data(), capacity);)
        inMemory.emplace_back(line.data());
    EXPECT_EQ(inMemory, out);
    return out;
}

using V = std::vector<std::string>;

TEST(ListFile, LinesAreTrimmedAndEmptyOnesPassedOver) {
    struct Case { const char* name; std::string bytes; V expected; };
    const Case cases[] = {
        {"LF", "a.txt\nsub\\b.txt\n", V{"a.txt", "sub\\b.txt"}},
        {"CRLF", "a.txt\r\nb.txt\r\n", V{"a.txt", "b.txt"}},
        {"no final line end", "a.txt\r\nb.txt", V{"a.txt", "b.txt"}},
        {"trailing blanks and tabs", "a.txt \t \r\nb.txt\t\r\r\n", V{"a.txt", "b.txt"}},
        {"leading blanks stay", "  lead.txt\r\n\tt.txt\n", V{"  lead.txt", "\tt.txt"}},
        {"empty and blank lines", "\r\n\n   \r\n\t\na\r\n\r\n", V{"a"}},
        {"lone CR is not a line end", "a\rb\n", V{"a\rb"}},
        {"empty file", "", V{}},
        {"only line ends", "\n\n\r\n", V{}},
        {"inner blanks stay", "my file.txt  \n", V{"my file.txt"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Entries(c.bytes), c.expected) << c.name;
}

TEST(ListFile, DoubleByteNamesPassUnchanged) {
    // "中文\目录.txt" in code page 936, and a name whose second byte is 0x5C.
    std::string chinese = "\xd6\xd0\xce\xc4\\\xc4\xbf\xc2\xbc.txt";
    std::string trail5c = "\x95\x5c\xb0\xa1";
    EXPECT_EQ(Entries(chinese + "\r\n" + trail5c + " \r\n"), (V{chinese, trail5c}));
}

TEST(ListFile, LongLinesSplitAtTheBufferSize) {
    std::string a2047(2047, 'a');
    // Exactly 2047 bytes fit; the line feed is read as its own (empty) entry.
    EXPECT_EQ(Entries(a2047 + "\r\nb\n"), (V{a2047, "b"}));
    // 2048 bytes: the 2048th byte starts a new entry.
    EXPECT_EQ(Entries(std::string(2048, 'x') + "\n"), (V{std::string(2047, 'x'), "x"}));
    // 5000 bytes: 2047 + 2047 + 906.
    std::string big;
    for (int i = 0; i < 5000; ++i) big += static_cast<char>('a' + i % 26);
    EXPECT_EQ(Entries(big + "\n"), (V{big.substr(0, 2047), big.substr(2047, 2047), big.substr(4094)}));
    // A piece that ends in blanks is trimmed like any line.
    EXPECT_EQ(Entries(std::string(2040, 'k') + std::string(7, ' ') + "tail\n"),
              (V{std::string(2040, 'k'), "tail"}));
}

TEST(ListFile, SmallBuffersNeverOverrun) {
    EXPECT_EQ(Entries("abcdef\n", 4), (V{"abc", "def"}));
    EXPECT_EQ(Entries("abc\n", 2), (V{"a", "b", "c"}));
    std::FILE* f = std::tmpfile();
    char one[1] = {'z'};
    EXPECT_FALSE(ReadListEntry(f, one, 1));
    EXPECT_EQ(one[0], 'z');
    std::fclose(f);
}

// What the list's first bytes say; each list is left at its first entry,
// and a rewind for a further pass passes a UTF-8 mark over again.
TEST(ListFile, ByteOrderMarksAreToldApart) {
    struct Case { std::string bytes; ListText text; const char* first; };
    const Case cases[] = {
        {"a.txt\r\n", ListText::Ansi, "a.txt"},
        {"\xEF\xBB\xBF" "a.txt\r\n", ListText::Ansi, "a.txt"},
        {"\xEF\xBB" "a.txt\r\n", ListText::Ansi, "\xEF\xBB" "a.txt"},
        {std::string("\xFF\xFE" "a\0\r\0\n\0", 8), ListText::Utf16, "\xFF\xFE" "a"},
        {std::string("\xFE\xFF\0a\0\r\0\n", 8), ListText::Utf16, "\xFE\xFF"},
        {"", ListText::Ansi, ""},
    };
    for (const Case& c : cases) {
        std::FILE* f = std::tmpfile();
        std::fwrite(c.bytes.data(), 1, c.bytes.size(), f);
        EXPECT_EQ(ReadListText(f), c.text) << c.bytes;
        char line[64] = "";
        ReadListEntry(f, line, sizeof line);
        EXPECT_EQ(std::string(line), c.first) << c.bytes;
        RewindList(f);
        ReadListEntry(f, line, sizeof line);
        EXPECT_EQ(std::string(line), c.first) << c.bytes;
        std::fclose(f);
    }
}

TEST(ListFile, EmbeddedNulCutsTheEntry) {
    EXPECT_EQ(Entries(std::string("ab\0cd\nx\n", 8)), (V{"ab", "x"}));
}

}  // namespace
