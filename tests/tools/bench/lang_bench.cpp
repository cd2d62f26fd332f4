// Benchmarks of the language file code (run by hand, not a test): CRC-32
// throughput on 64 KiB against a byte-wise loop and zlib, the load of a
// 64 KiB language file, and lookups.
#include "lang/core/crc32.h"
#include "lang/core/translation.h"
#include "tests/support/lang_entries.h"
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>
#ifdef QAV_HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

template <typename F>
double SecondsPerRun(F&& f, int runs) {
    f();  // warm up (and build the CRC table)
    auto start = Clock::now();
    for (int i = 0; i < runs; ++i) f();
    return std::chrono::duration<double>(Clock::now() - start).count() / runs;
}

std::uint32_t ByteWise(const unsigned char* p, std::size_t n) {
    const std::uint32_t* table = Crc32Table();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return ~c;
}

volatile std::uint32_t sink;

void Report(const char* name, double seconds, std::size_t bytes) {
    std::printf("%-28s %9.2f us  %8.1f MB/s\n", name, seconds * 1e6, bytes / seconds / 1e6);
}

}  // namespace

int main() {
    const std::size_t size = 65536;
    std::vector<unsigned char> data(size + 8);
    std::uint32_t seed = 1;
    for (auto& b : data) b = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 16);
    const int runs = 4000;

    std::printf("CRC-32 of 64 KiB (%d runs each)\n", runs);
    Report("ours (8 bytes per step)", SecondsPerRun([&] { sink = Crc32(data.data(), size); }, runs), size);
    Report("ours, misaligned by 3", SecondsPerRun([&] { sink = Crc32(data.data() + 3, size); }, runs), size);
    Report("byte-wise table loop", SecondsPerRun([&] { sink = ByteWise(data.data(), size); }, runs), size);
#ifdef QAV_HAVE_ZLIB
    Report("zlib crc32", SecondsPerRun([&] { sink = static_cast<std::uint32_t>(crc32(0L, data.data(), size)); }, runs),
           size);
    if (crc32(0L, data.data(), size) != Crc32(data.data(), size)) std::printf("MISMATCH with zlib\n");
#else
    std::printf("zlib not available\n");
#endif

    // A language file of 64 KiB: header, comments and entries.
    std::string file = "; benchmark language file\r\n" + std::string(test::MessagesHeader);
    int entries = 0;
    for (; file.size() < size - 100; ++entries)
        file += test::MessageEntry("message text number " + std::to_string(entries),
                                   "translated text \\\"" + std::to_string(entries) + "\\\"\\n here");
    TranslationTable table;
    double load = SecondsPerRun([&] { table.LoadFromBytes(file.data(), file.size()); }, 500);
    std::printf("\nload of a %zu-byte language file with %d entries: %.1f us (%d lines indexed)\n", file.size(),
                entries, load * 1e6, table.LineIndex().Count());
    char out[512];
    int i = 0;
    double hit = SecondsPerRun(
        [&] {
            std::string text = "message text number " + std::to_string(i++ % entries);
            table.Translate(text.c_str(), out, sizeof out, TextKind::MessageText, nullptr);
        },
        200000);
    double miss = SecondsPerRun(
        [&] { table.Translate("no such text", out, sizeof out, TextKind::MessageText, nullptr); }, 20000);
    std::printf("lookup, found: %.3f us; not found (binary search, then the linear scan): %.3f us\n", hit * 1e6,
                miss * 1e6);
    return 0;
}
