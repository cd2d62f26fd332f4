// Composing wininit.ini with one more scheduled deletion.
#include "uninstall/core/wininit.h"
#include <cstddef>

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

bool IsRename(const std::string& name) {
    static const char rename[] = "rename";
    if (name.size() != sizeof rename - 1) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != rename[i]) return false;
    }
    return true;
}

}  // namespace

std::string AddWininitDeletion(const std::string& existing, const std::string& path) {
    const std::string line = "NUL=" + path + "\r\n";
    std::size_t insertAt = std::string::npos;   // end of the [Rename] section
    bool inRename = false;
    for (std::size_t begin = 0; begin < existing.size();) {
        std::size_t lf = existing.find('\n', begin);
        std::size_t end = lf == std::string::npos ? existing.size() : lf;
        std::size_t next = lf == std::string::npos ? existing.size() : lf + 1;
        std::string name;
        if (IsSectionHeader(existing, begin, end, name)) {
            if (inRename) break;   // the section ends where the next begins
            inRename = insertAt == std::string::npos && IsRename(name);
        }
        if (inRename) insertAt = next;
        begin = next;
    }
    std::string out = existing;
    if (insertAt == std::string::npos) {
        if (!out.empty() && out.back() != '\n') out += "\r\n";
        return out + "[Rename]\r\n" + line;
    }
    std::string add = line;
    if (insertAt > 0 && out[insertAt - 1] != '\n') add = "\r\n" + add;
    return out.insert(insertAt, add);
}
