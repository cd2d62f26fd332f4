// The archive-type table, the names built from an extension and the
// empty-archive images, checked byte for byte.
#include "integration/core/archive_types.h"
#include "integration/core/empty_archives.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const char* extensions, std::size_t size = ExtensionSize) {
    std::vector<std::string> out;
    std::vector<char> buffer(size + 1, '#');
    for (const char* next = NextExtension(extensions, buffer.data(), size); next;
         next = NextExtension(next, buffer.data(), size)) {
        EXPECT_EQ(buffer[size], '#');
        out.push_back(buffer.data());
    }
    return out;
}

using V = std::vector<std::string>;

TEST(ArchiveTypes, ExtensionsSplitAtEveryDotAfterTheFirstCharacter) {
    EXPECT_EQ(Split(".qav"), V({".qav"}));
    EXPECT_EQ(Split(".uue.xxe.uu"), V({".uue", ".xxe", ".uu"}));
    EXPECT_EQ(Split(".z.taz"), V({".z", ".taz"}));
    EXPECT_EQ(Split(""), V());
    // An extension too long for the buffer is skipped, never cut.
    EXPECT_EQ(Split(".ab.abcdef.c", 5), V({".ab", ".c"}));
}

// What every row must hold for the settings keys, the associations and the
// dialog to work: each extension whole in the walk's buffer and in one row
// only, one check box per row, a product class to point at, and a primary
// extension that is the first of the row.
TEST(ArchiveTypes, EveryRowIsUsable) {
    std::set<std::string> seen;
    std::set<int> boxes;
    for (const ArchiveType& type : ArchiveTypeTable) {
        V all = Split(type.extensions);
        ASSERT_FALSE(all.empty()) << type.extensions;
        EXPECT_EQ(Split(type.extensions, 1000), all) << type.extensions << ": an extension too long to walk";
        std::string joined;
        for (const std::string& extension : all) {
            EXPECT_EQ(extension[0], '.') << type.extensions;
            EXPECT_TRUE(seen.insert(extension).second) << extension << " is in two rows";
            joined += extension;
        }
        EXPECT_EQ(joined, type.extensions);
        char primary[ExtensionSize];
        PrimaryExtension(type, primary);
        EXPECT_EQ(primary, all[0]);
        EXPECT_TRUE(boxes.insert(type.checkBox).second) << "check box " << type.checkBox << " twice";
        EXPECT_TRUE(std::strcmp(type.programId, ArchiveProgramId) == 0 || std::strcmp(type.programId, ZipProgramId) == 0)
            << type.programId;
    }
}

TEST(ArchiveTypes, NamesBuiltFromAnExtension) {
    char out[ExtensionSize + 16];
    ASSERT_TRUE(RecordPath(".zip", out, sizeof out));
    EXPECT_STREQ(out, "Setup\\.zip");
    ASSERT_TRUE(ShellNewPath(".qav", out, sizeof out));
    EXPECT_STREQ(out, ".qav\\ShellNew");
    EXPECT_FALSE(ShellNewPath(".qav", out, 8));
    EXPECT_STREQ(out, "");
    ASSERT_TRUE(VolumeExtension(0, out, sizeof out));
    EXPECT_STREQ(out, ".q00");
    ASSERT_TRUE(VolumeExtension(99, out, sizeof out));
    EXPECT_STREQ(out, ".q99");
    EXPECT_FALSE(VolumeExtension(100, out, sizeof out));
}

// Bitwise CRC-32 (reflected, polynomial 0xEDB88320), kept apart from the product's.
uint32_t ReferenceCrc32(const unsigned char* data, std::size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

TEST(EmptyArchives, ImagesAreHeldWithoutTheirFirstByteThenExact) {
    EXPECT_EQ(sizeof QavEmptyArchive, 20u);
    EXPECT_EQ(sizeof ZipEmptyArchive, 22u);
    PutTemplateFirstBytes();
    const std::string qav("Qav!\x1A\x07\x00\xCF\x90\x73\x00\x00\x0D\x00\x00\x00\x00\x00\x00\x00", 20);
    std::string zip("PK\x05\x06", 4);
    zip.append(18, '\0');
    EXPECT_EQ(std::string(reinterpret_cast<char*>(QavEmptyArchive), 20), qav);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(ZipEmptyArchive), 22), zip);
}

TEST(EmptyArchives, QavHeaderCrcIsTheLowHalfOfTheCrcOfTheHeaderThatFollows) {
    EXPECT_EQ(ReferenceCrc32(reinterpret_cast<const unsigned char*>("123456789"), 9), 0xCBF43926u);
    uint32_t crc = ReferenceCrc32(QavEmptyArchive + 9, 11);
    unsigned stored = QavEmptyArchive[7] | QavEmptyArchive[8] << 8;
    EXPECT_EQ(crc & 0xFFFFu, stored);
    EXPECT_EQ(stored, 0x90CFu);
}

}  // namespace
