// The CRC-32 of zlib and PNG (reflected polynomial 0xEDB88320), our own
// table-driven routine: the keys of the language file are made with it.
#pragma once
#include <cstddef>
#include <cstdint>

// The running value starts at Crc32Start and ends through Crc32Finish; any
// number of pieces can be fed one after the other in between.
constexpr std::uint32_t Crc32Start = 0xFFFFFFFFu;
inline std::uint32_t Crc32Finish(std::uint32_t value) { return ~value; }

// Feeds `size` bytes into the running value: single bytes up to an 8-byte
// aligned address, then 8 bytes per step, then the rest singly.
std::uint32_t Crc32Update(std::uint32_t value, const void* data, std::size_t size);

// The whole CRC-32 of one block.
inline std::uint32_t Crc32(const void* data, std::size_t size) {
    return Crc32Finish(Crc32Update(Crc32Start, data, size));
}

// The 256-entry table, built on first use.
const std::uint32_t* Crc32Table();
