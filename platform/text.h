// Text and path utilities bound to the program's ANSI code page.
#pragma once
#include <windows.h>
#include <cstddef>
#include "platform/core/codepages.h"
#include "platform/core/textwalk.h"

// Filled from the ANSI code page before the entry procedure runs.
extern LeadBytes LeadByteTable;
void FillLeadByteTable(LeadBytes& table);

inline char* NextCharPos(char* p) { return NextCharPos(LeadByteTable, p); }
inline const char* NextCharPos(const char* p) { return NextCharPos(LeadByteTable, p); }
inline char* FileNamePart(char* path) { return FileNamePart(LeadByteTable, path); }
inline const char* FileNamePart(const char* path) { return FileNamePart(LeadByteTable, path); }
inline const char* LastCharPos(const char* s) { return LastCharPos(LeadByteTable, s); }
inline void AppendBackslash(char* path, std::size_t capacity) { AppendBackslash(LeadByteTable, path, capacity); }
template <std::size_t N>
void AppendBackslash(char (&path)[N]) {
    AppendBackslash(LeadByteTable, path, N);
}

// The conversions between the ANSI code page and UTF-16, valid on every code
// page the system may take as its ANSI one (with "Use Unicode UTF-8 for
// worldwide language support" that is UTF-8, whose conversions take no flags).
// Each fails rather than give another text: bytes the code page does not
// hold, a character it lacks or would write as a look-alike ("\" for a
// full-width backslash), or a result that does not fit `capacity` characters.
bool WideFromAnsi(const char* text, wchar_t* out, std::size_t capacity);
bool AnsiFromWide(const wchar_t* text, char* out, std::size_t capacity);
// Tests only: the two conversions take `codePage` for the ANSI code page (0
// restores the system's). Returns the previous one.
UINT SetAnsiCodePageForTests(UINT codePage);

// -1, 0, 1 for less, equal, greater (case ignored); -2 when the comparison fails.
int CompareTextNoCase(const char* a, const char* b);
