// CRC-32 with a lazily built table and an 8-bytes-per-step inner loop.
#include "lang/core/crc32.h"
#include <cstdint>

namespace {

std::uint32_t table[256];

void BuildTable() {
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
}

inline std::uint32_t Step(std::uint32_t value) { return table[value & 0xFF] ^ (value >> 8); }

inline std::uint32_t FeedByte(std::uint32_t value, unsigned char byte) {
    return table[(value ^ byte) & 0xFF] ^ (value >> 8);
}

// A 32-bit little-endian word, whatever the host's byte order.
inline std::uint32_t LittleEndianWord(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// XORing a word in and taking four table steps is the same as feeding its
// four bytes one at a time.
inline std::uint32_t FeedWord(std::uint32_t value, const unsigned char* p) {
    value ^= LittleEndianWord(p);
    return Step(Step(Step(Step(value))));
}

}  // namespace

const std::uint32_t* Crc32Table() {
    // Entry 1 is never 0 once the table is built.
    if (table[1] == 0) BuildTable();
    return table;
}

std::uint32_t Crc32Update(std::uint32_t value, const void* data, std::size_t size) {
    Crc32Table();
    const unsigned char* p = static_cast<const unsigned char*>(data);
    while (size > 0 && reinterpret_cast<std::uintptr_t>(p) % 8 != 0) {
        value = FeedByte(value, *p++);
        --size;
    }
    while (size >= 8) {
        value = FeedWord(value, p);
        value = FeedWord(value, p + 4);
        p += 8;
        size -= 8;
    }
    while (size > 0) {
        value = FeedByte(value, *p++);
        --size;
    }
    return value;
}
