// Holding the entries of Uninstall.lst for the removal passes.
#include "uninstall/core/removal_list.h"
#include <cstring>
#include <new>

bool HeldList::Load(std::FILE* list, std::size_t limit) {
    text_.clear();
    starts_.clear();
    long here = std::ftell(list);
    if (here < 0 || std::fseek(list, 0, SEEK_END) != 0) return false;
    long end = std::ftell(list);
    if (end < here || std::fseek(list, here, SEEK_SET) != 0) return false;
    std::size_t bytes = static_cast<std::size_t>(end - here);
    if (bytes > limit || bytes > 0x7fffffffu) return false;
    try {
        // Every entry is at most its line's bytes plus a terminator, and a line
        // longer than the buffer adds one terminator per piece.
        text_.reserve(bytes + bytes / (ListLineBufferSize - 1) + 2);
        char entry[ListLineBufferSize];
        while (ReadListEntry(list, entry, sizeof entry)) {
            std::size_t len = std::strlen(entry) + 1;
            if (text_.size() + len > text_.capacity()) throw std::bad_alloc();   // the file grew meanwhile
            starts_.push_back(static_cast<std::uint32_t>(text_.size()));
            text_.insert(text_.end(), entry, entry + len);
        }
    } catch (const std::bad_alloc&) {
        std::vector<char>().swap(text_);
        std::vector<std::uint32_t>().swap(starts_);
        return false;
    }
    return true;
}
