// Language-file text for tests: translation keys and entries as a
// translator writes them. Platform-free (no <windows.h>): the native core
// tests use it as well as the tests under Wine. Texts are bytes in the
// program's code page; tests under Wine turn their UTF-8 sources into that
// with test::Ansi first.
#pragma once
#include "lang/core/translation.h"
#include <string>

namespace test {

// The header line that opens the messages section, with its line end.
constexpr char MessagesHeader[] = "***messages***\r\n";

// The eight hexadecimal digits of a text's key.
inline std::string TranslationKey(TextKind kind, const char* context, const std::string& text) {
    char key[9];
    FormatTranslationKey(TranslationKeyValue(kind, context, text.c_str()), key);
    return key;
}

// One entry line: key="replacement" and CR LF. The replacement is written as
// it stands, escapes included.
inline std::string TranslationEntry(TextKind kind, const char* context, const std::string& text,
                                    const std::string& replacement) {
    return TranslationKey(kind, context, text) + "=\"" + replacement + "\"\r\n";
}

// A message of the program's string table.
inline std::string MessageEntry(const std::string& text, const std::string& replacement) {
    return TranslationEntry(TextKind::MessageText, nullptr, text, replacement);
}

// A window text of the dialog `dialog` (its title, a control's text, or "" for
// the dialog's scale entry such as "150*100").
inline std::string WindowEntry(const char* dialog, const std::string& text, const std::string& replacement) {
    return TranslationEntry(TextKind::WindowText, dialog, text, replacement);
}

// The reading-order entry ("RTL" mirrors every dialog).
inline std::string ReadingOrderEntry(const std::string& value) { return WindowEntry("LTR", "LTR", value); }

}  // namespace test
