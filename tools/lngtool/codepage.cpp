// Code-page conversions through MultiByteToWideChar and WideCharToMultiByte.
#include "codepage.h"
#include "platform/core/codepages.h"

bool IsUsableCodePage(UINT cp) {
    if (cp == CP_UTF8) return true;
    if (!IsValidCodePage(cp)) return false;
    CPINFO info{};
    return GetCPInfo(cp, &info) != 0;
}

std::string ToCodePage(const std::wstring& wide, UINT cp, bool* lossy) {
    if (lossy) *lossy = false;
    if (wide.empty()) return {};
    const int count = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    if (cp == CP_ACP) cp = GetACP();
    // UTF-8 (the ANSI code page of a system set to it), UTF-7 and the like take
    // no default-character report: a lost character is found by converting back.
    bool reported = !ConversionTakesNoFlags(cp);
    BOOL* report = reported ? &usedDefault : nullptr;
    int size = WideCharToMultiByte(cp, 0, wide.data(), count, nullptr, 0, nullptr, report);
    if (size <= 0) return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(cp, 0, wide.data(), count, &out[0], size, nullptr, report);
    if (lossy) *lossy = reported ? usedDefault != FALSE : FromCodePage(out, cp) != wide;
    return out;
}

std::wstring FromCodePage(const std::string& bytes, UINT cp) {
    if (bytes.empty()) return {};
    const int count = static_cast<int>(bytes.size());
    int size = MultiByteToWideChar(cp, 0, bytes.data(), count, nullptr, 0);
    if (size <= 0) return {};
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(cp, 0, bytes.data(), count, &out[0], size);
    return out;
}

std::string CutToBytes(const std::string& text, std::size_t limit, UINT cp) {
    if (text.size() <= limit) return text;
    CPINFO info{};
    if (cp == CP_UTF8 || !GetCPInfo(cp, &info) || info.MaxCharSize < 2) {
        std::size_t n = limit;
        // UTF-8: never end inside a sequence.
        if (cp == CP_UTF8)
            while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
        return text.substr(0, n);
    }
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t step = IsDBCSLeadByteEx(cp, static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return text.substr(0, i);
}

std::string EscapeForLanguageFile(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + 8);
    for (char c : bytes) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::wstring UnescapeLikeLanguageFile(const std::wstring& text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\\' && i + 1 < text.size()) {
            wchar_t next = text[i + 1];
            wchar_t escaped = next == L'"' ? L'"' : next == L'\\' ? L'\\' : next == L'n' ? L'\n'
                            : next == L'r' ? L'\r' : next == L't' ? L'\t' : 0;
            if (escaped) {
                out += escaped;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::string SystemErrorText(DWORD error) {
    char text[512] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.'))
        text[--n] = '\0';
    std::string out = "error " + std::to_string(error);
    if (n > 0) out += std::string(": ") + text;
    return out;
}
