// Composing wininit.ini with one more scheduled deletion.
#include "platform/core/wininit.h"
#include <cstddef>
#include <functional>

namespace {

// The line starting at `begin` is a section header; its name goes to `name`.
bool IsSectionHeader(const std::string& text, std::size_t begin, std::size_t end, std::string& name) {
    std::size_t i = begin;
    while (i < end && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i == end || text[i] != '[') return false;
    std::size_t close = text.find(']', i);
    if (close == std::string::npos || close >= end) return false;
    name = text.substr(i + 1, close - i - 1);
    return true;
}

// `text` is `lower` but for the letter case.
bool SameLetters(const std::string& text, const char* lower) {
    std::size_t i = 0;
    for (; i < text.size() && lower[i] != '\0'; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lower[i]) return false;
    }
    return i == text.size() && lower[i] == '\0';
}

bool IsRename(const std::string& name) { return SameLetters(name, "rename"); }

// Calls `visit(begin, end, next, rename)` for each line of `text`: where it
// begins, where its line feed (or the text) ends it, where the next begins,
// and whether it lies in a [Rename] section (`first`: the first one only).
template <typename Visit>
void ForEachLine(const std::string& text, bool first, Visit visit) {
    bool inRename = false, seen = false;
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t lf = text.find('\n', begin);
        std::size_t end = lf == std::string::npos ? text.size() : lf;
        std::size_t next = lf == std::string::npos ? text.size() : lf + 1;
        std::string name;
        if (IsSectionHeader(text, begin, end, name)) {
            inRename = IsRename(name) && !(first && seen);   // a section ends where the next begins
            seen = seen || inRename;
        }
        if (!visit(begin, end, next, inRename)) return;
        begin = next;
    }
}

}  // namespace

std::string AddWininitDeletion(const std::string& existing, const std::string& path) {
    const std::string line = "NUL=" + path + "\r\n";
    std::size_t insertAt = std::string::npos;   // end of the [Rename] section
    ForEachLine(existing, true, [&](std::size_t, std::size_t, std::size_t next, bool rename) {
        if (rename) insertAt = next;
        return rename || insertAt == std::string::npos;
    });
    std::string out = existing;
    if (insertAt == std::string::npos) {
        if (!out.empty() && out.back() != '\n') out += "\r\n";
        return out + "[Rename]\r\n" + line;
    }
    std::string add = line;
    if (insertAt > 0 && out[insertAt - 1] != '\n') add = "\r\n" + add;
    return out.insert(insertAt, add);
}

std::string WithoutWininitDeletions(const std::string& existing,
                                    const std::function<bool(const std::string& path)>& drop) {
    std::string out;
    ForEachLine(existing, false, [&](std::size_t begin, std::size_t end, std::size_t next, bool rename) {
        std::string line = existing.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        bool deletion = rename && line.size() > 4 && SameLetters(line.substr(0, 4), "nul=");
        if (!(deletion && drop(line.substr(4)))) out.append(existing, begin, next - begin);
        return true;
    });
    return out;
}
