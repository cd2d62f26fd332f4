// Text conversions of the translators' kit: UTF-16 to and from a code page
// (the system's own conversion functions) and UTF-8 for people to read.
#pragma once
#include <windows.h>
#include <string>

// True when the system can convert to and from code page `cp`.
bool IsUsableCodePage(UINT cp);

// `wide` in code page `cp`, as the system's conversion writes it; `lossy`
// reports characters the code page cannot hold (written as its default).
std::string ToCodePage(const std::wstring& wide, UINT cp, bool* lossy = nullptr);
std::wstring FromCodePage(const std::string& bytes, UINT cp);

inline std::string ToUtf8(const std::wstring& wide) { return ToCodePage(wide, CP_UTF8); }
inline std::wstring FromUtf8(const std::string& utf8) { return FromCodePage(utf8, CP_UTF8); }

// The longest start of `text` (code page `cp`) of at most `limit` bytes
// that does not end inside a double-byte character.
std::string CutToBytes(const std::string& text, std::size_t limit, UINT cp);

// Text written for a language file: backslash, CR, LF and TAB as escapes,
// so that the loader gives back exactly these bytes on one line.
std::string EscapeForLanguageFile(const std::string& bytes);
// The same escapes undone, for a text typed on the command line.
std::wstring UnescapeLikeLanguageFile(const std::wstring& text);

// A system error number as text ("error 2: The system cannot find ...").
std::string SystemErrorText(DWORD error);
