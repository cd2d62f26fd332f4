// Switch classification and scanning for the entry procedure.
#include "app/core/switches.h"
#include <cctype>
#include <cstring>

namespace {

// Case-insensitive comparison of at most `n` characters, upper-casing each
// byte through the C locale; a text shorter than the prefix does not match.
bool HasPrefixNoCase(const char* text, const char* prefix) {
    std::size_t n = std::strlen(prefix);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char a = static_cast<unsigned char>(text[i]);
        unsigned char b = static_cast<unsigned char>(prefix[i]);
        if (a == '\0') return false;
        if (std::toupper(a) != std::toupper(b)) return false;
    }
    return true;
}

bool IsSilentSwitch(const char* text) {
    unsigned char first = static_cast<unsigned char>(text[0]);
    if (first == '\0' || std::toupper(first) != 'S') return false;
    return !std::isalpha(static_cast<unsigned char>(text[1]));
}

// The file name after "LOG=": up to the closing quote when it or the whole
// switch is quoted, else up to the next blank or tab. An unquoted name
// followed by a word that is no switch held a blank and was cut there
// ("/LOG=C:\Program Files\x.log"): no name is handed on and `cut` is set.
// Returns where the scan goes on.
const char* TakeLogFileName(const char* value, bool wholeQuoted, SwitchHandler& handler, bool& cut) {
    bool quoted = wholeQuoted || *value == '"';
    if (*value == '"') ++value;
    const char* end = quoted ? std::strchr(value, '"') : std::strpbrk(value, " \t");
    if (!end) end = value + std::strlen(value);
    const char* next = end + std::strspn(end, " \t");
    cut = !quoted && *next != '\0' && *next != '/' && *next != '-';
    if (!cut) handler.OnLogFile(std::string(value, end));
    return *end == '\0' ? end : end + 1;
}

}  // namespace

SwitchKind ClassifySwitch(const char* text) {
    if (HasPrefixNoCase(text, "setup")) return SwitchKind::Setup;
    if (IsSilentSwitch(text)) return SwitchKind::Silent;
    if (HasPrefixNoCase(text, "wait")) return SwitchKind::Wait;
    if (HasPrefixNoCase(text, "warning")) return SwitchKind::Warning;
    if (HasPrefixNoCase(text, "log=")) return SwitchKind::Log;
    return SwitchKind::Other;
}

int ScanSwitches(const char* args, SwitchHandler& handler) {
    int count = 0;
    if (!args) return 0;
    const char* p = args;
    while ((p = std::strpbrk(p, "/-")) != nullptr) {
        const char* text = p + 1;
        SwitchKind kind = ClassifySwitch(text);
        if (kind != SwitchKind::Silent && kind != SwitchKind::Log) ++count;
        handler.OnSwitch(kind);
        if (kind == SwitchKind::Log) {
            bool wholeQuoted = p > args && p[-1] == '"';
            bool cut = false;
            text = TakeLogFileName(text + 4, wholeQuoted, handler, cut);
            // A cut name counts as a switch the program does not know.
            if (cut) {
                ++count;
                handler.OnSwitch(SwitchKind::Other);
            }
        }
        p = text;
    }
    return count;
}
