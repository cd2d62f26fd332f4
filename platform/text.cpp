// The Win32 side of the text and path utilities: code-page facts, the
// conversions, locale comparison.
#include "platform/text.h"
#include "platform/windows_version.h"
#include <climits>
#include <cstring>
#include <cwchar>
#include <vector>
#include <string>

void FillLeadByteTable(LeadBytes& table) {
    CPINFO info{};
    table.multiByte = GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
    for (int b = 0; b < 256; ++b) table.lead[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
}

namespace {
UINT testCodePage = 0;
UINT AnsiCodePage() { return testCodePage != 0 ? testCodePage : GetACP(); }

// WC_NO_BEST_FIT_CHARS and the default-character report where the code page
// and the system take them (Windows 2000 on); elsewhere the text is converted
// back and compared, which refuses look-alikes and lost characters alike.
bool BestFitRefusable(UINT codePage) { return !ConversionTakesNoFlags(codePage) && NtMajorVersion() >= 5; }

bool RoundTrips(UINT codePage, const char* ansi, const wchar_t* wide) {
    std::vector<wchar_t> back(std::wcslen(wide) + 2, L'\0');
    int chars = MultiByteToWideChar(codePage, 0, ansi, -1, back.data(), static_cast<int>(back.size()));
    return chars > 0 && std::wcscmp(back.data(), wide) == 0;
}
}  // namespace

UINT SetAnsiCodePageForTests(UINT codePage) {
    UINT previous = testCodePage;
    testCodePage = codePage;
    return previous;
}

bool WideFromAnsi(const char* text, wchar_t* out, std::size_t capacity) {
    UINT codePage = AnsiCodePage();
    bool strict = !ConversionTakesNoFlags(codePage) || codePage == 65001 || codePage == 54936;
    int size = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
    if (size == 0 || MultiByteToWideChar(codePage, strict ? MB_ERR_INVALID_CHARS : 0, text, -1, out, size) == 0)
        return false;
    if (strict) return true;
    std::string back(std::strlen(text) + 2, '\0');
    return WideCharToMultiByte(codePage, 0, out, -1, &back[0], static_cast<int>(back.size()), nullptr, nullptr) >
               0 &&
           std::strcmp(back.c_str(), text) == 0;
}

bool AnsiFromWide(const wchar_t* text, char* out, std::size_t capacity) {
    UINT codePage = AnsiCodePage();
    int size = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
    if (size == 0) return false;
    if (BestFitRefusable(codePage)) {
        BOOL lossy = FALSE;
        return WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text, -1, out, size, nullptr, &lossy) > 0 &&
               !lossy;
    }
    return WideCharToMultiByte(codePage, 0, text, -1, out, size, nullptr, nullptr) > 0 &&
           RoundTrips(codePage, out, text);
}

int CompareTextNoCase(const char* a, const char* b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE | SORT_STRINGSORT, a, -1, b, -1) - 2;
}
