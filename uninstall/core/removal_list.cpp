// Holding the entries of Uninstall.lst for the removal passes.
#include "uninstall/core/removal_list.h"
#include <cstring>
#include <new>
#include <utility>

bool HeldList::Load(std::FILE* list, std::size_t limit) {
    text_.reset();
    starts_.reset();
    remaining_ = 0;
    long here = std::ftell(list);
    if (here < 0 || std::fseek(list, 0, SEEK_END) != 0) return false;
    long end = std::ftell(list);
    if (end < here || std::fseek(list, here, SEEK_SET) != 0) return false;
    std::size_t bytes = static_cast<std::size_t>(end - here);
    if (bytes > limit || bytes > 0x7fffffffu) return false;
    // The rest of the file in one read, taken apart in memory: a list of
    // 100,000 lines read a line at a time cost a tenth of a second before the
    // first deletion. A file that changed size meanwhile is not held.
    std::unique_ptr<char[]> raw(new (std::nothrow) char[bytes + 1]);
    if (!raw) return false;
    if (std::fread(raw.get(), 1, bytes, list) != bytes || std::fgetc(list) != EOF) return false;
    // Every entry is at most its line's bytes plus a terminator, and a line
    // longer than the buffer adds one terminator per piece.
    std::size_t capacity = bytes + bytes / (ListLineBufferSize - 1) + 2;
    std::unique_ptr<char[]> text(new (std::nothrow) char[capacity]);
    if (!text) return false;
    std::size_t used = 0;
    std::size_t count = 0;
    char entry[ListLineBufferSize];
    for (std::size_t at = 0; NextListEntry(raw.get(), bytes, at, entry, sizeof entry);) {
        std::size_t len = std::strlen(entry) + 1;
        if (len > capacity - used) return false;   // the file grew meanwhile
        std::memcpy(text.get() + used, entry, len);
        used += len;
        ++count;
    }
    std::unique_ptr<std::uint32_t[]> starts(new (std::nothrow) std::uint32_t[count + 1]);
    if (!starts) return false;
    for (std::size_t i = 0, at = 0; i < count; ++i, at += std::strlen(text.get() + at) + 1)
        starts[i] = static_cast<std::uint32_t>(at);
    text_ = std::move(text);
    starts_ = std::move(starts);
    remaining_ = count;
    return true;
}
