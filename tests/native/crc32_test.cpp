// Our CRC-32 against the byte-wise definition (and zlib when present) on
// every length and alignment, and the keys the language file is made of.
#include "lang/core/crc32.h"
#include "lang/core/translation.h"
#include "tests/support/lang_entries.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <cstring>
#include <string>
#ifdef QAV_HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

// The definition, one bit at a time, with no table at all.
std::uint32_t BitwiseCrc32(const unsigned char* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int b = 0; b < 8; ++b) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    }
    return ~c;
}

using test::TranslationKey;

TEST(Crc32, EqualsTheDefinitionOnEveryLengthAndAlignment) {
    alignas(8) unsigned char buffer[64 + 8 + 8];
    std::uint32_t seed = 12345;
    for (unsigned char& b : buffer) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<unsigned char>(seed >> 16);
    }
    for (std::size_t align = 0; align < 8; ++align) {
        for (std::size_t len = 0; len <= 64; ++len) {
            const unsigned char* p = buffer + align;
            std::uint32_t expected = BitwiseCrc32(p, len);
            EXPECT_EQ(Crc32(p, len), expected) << "align " << align << " len " << len;
#ifdef QAV_HAVE_ZLIB
            EXPECT_EQ(crc32(0L, p, static_cast<uInt>(len)), expected) << "zlib, len " << len;
#endif
        }
    }
}

TEST(Crc32, PiecesFedOneAfterAnotherEqualTheWhole) {
    std::string data;
    for (int i = 0; i < 300; ++i) data += static_cast<char>(i * 7 + 3);
    std::uint32_t whole = Crc32(data.data(), data.size());
    for (std::size_t cut1 : {0u, 1u, 5u, 8u, 13u, 100u}) {
        for (std::size_t cut2 : {cut1, cut1 + 3, cut1 + 64, std::size_t{300}}) {
            if (cut2 > data.size()) continue;
            std::uint32_t v = Crc32Update(Crc32Start, data.data(), cut1);
            v = Crc32Update(v, data.data() + cut1, cut2 - cut1);
            v = Crc32Update(v, data.data() + cut2, data.size() - cut2);
            EXPECT_EQ(Crc32Finish(v), whole) << cut1 << "," << cut2;
        }
    }
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);  // the standard check value
    EXPECT_EQ(Crc32("", 0), 0u);
}

TEST(TranslationKey, WorkedKeys) {
    EXPECT_EQ(TranslationKey(TextKind::WindowText, "LTR", "LTR"), "50a17ae8");
    EXPECT_EQ(TranslationKey(TextKind::WindowText, "SETUPDLG", ""), "9b889d24");
    // Message 5105 in code page 936.
    EXPECT_EQ(TranslationKey(TextKind::MessageText, nullptr, "\xD0\xB6\xD4\xD8\xD2\xD1\xCD\xEA\xB3\xC9"), "9432898b");
    // The prefix, context and text are one running value: moving a byte
    // from the context to the text keeps the key.
    EXPECT_EQ(TranslationKey(TextKind::WindowText, "SETUP", "DLG"), TranslationKey(TextKind::WindowText, "SETUPDLG", ""));
    EXPECT_NE(TranslationKey(TextKind::MessageText, nullptr, "x"), TranslationKey(TextKind::WindowText, nullptr, "x"));
}

TEST(TranslationKey, FormattedAsEightLowerCaseDigits) {
    char key[9];
    FormatTranslationKey(0x0000ABCDu, key);
    EXPECT_STREQ(key, "0000abcd");
    FormatTranslationKey(0xFFFFFFFFu, key);
    EXPECT_STREQ(key, "ffffffff");
}

}  // namespace
