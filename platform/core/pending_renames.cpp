// Reading and rewriting the NT family's schedule of renames at the next start.
#include "platform/core/pending_renames.h"

namespace {

// The pair that begins at `begin`: where its first name ends and where the
// next pair begins; false where no whole pair begins (the end of the list,
// an empty first name, a name without its NUL).
bool NextPair(const std::u16string& data, std::size_t begin, std::size_t& firstEnd, std::size_t& next) {
    if (begin >= data.size() || data[begin] == u'\0') return false;
    firstEnd = data.find(u'\0', begin);
    if (firstEnd == std::u16string::npos) return false;
    std::size_t secondEnd = data.find(u'\0', firstEnd + 1);
    if (secondEnd == std::u16string::npos) return false;
    next = secondEnd + 1;
    return true;
}

}  // namespace

std::u16string WithoutPendingDeletions(const std::u16string& data,
                                       const std::function<bool(const std::u16string& name)>& drop) {
    std::u16string out;
    std::size_t begin = 0, firstEnd = 0, next = 0;
    for (; NextPair(data, begin, firstEnd, next); begin = next) {
        bool deletion = next == firstEnd + 2;
        if (!(deletion && drop(data.substr(begin, firstEnd - begin)))) out.append(data, begin, next - begin);
    }
    return out.append(data, begin, std::u16string::npos);
}

bool HoldsPendingRename(const std::u16string& data) {
    std::size_t firstEnd = 0, next = 0;
    return NextPair(data, 0, firstEnd, next);
}
