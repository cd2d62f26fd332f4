// Walking 8-bit path text in the ANSI code page without splitting double-byte
// characters. Pure: the lead-byte table is passed in, so tests can use any code page.
#pragma once
#include <cstddef>

// The size of every full-path buffer of the program.
constexpr std::size_t PathSize = 1024;

struct LeadBytes {
    bool lead[256] = {};     // true for the lead bytes of double-byte characters
    bool multiByte = false;  // the code page has characters longer than one byte
};

// A table for code page 936 (GBK): lead bytes 0x81-0xFE.
LeadBytes MakeCodePage936LeadBytes();

inline bool IsSlashChar(char c) { return c == '\\' || c == '/'; }
inline bool IsColonChar(char c) { return c == ':'; }

// The next character: two bytes on after a lead byte, else one. A lead byte
// followed by the terminator steps only to the terminator, never past it.
const char* NextCharPos(const LeadBytes& table, const char* p);
char* NextCharPos(const LeadBytes& table, char* p);

// The name part of a path: after the last slash or backslash, else after a
// drive prefix such as "C:", else the whole path.
const char* FileNamePart(const LeadBytes& table, const char* path);
char* FileNamePart(const LeadBytes& table, char* path);

// The first byte of the last character; the string itself when it is empty.
const char* LastCharPos(const LeadBytes& table, const char* s);

// Appends one backslash unless the path is empty or already ends in one.
// The buffer holds `capacity` bytes; a path that leaves no room stays as it is.
void AppendBackslash(const LeadBytes& table, char* path, std::size_t capacity);

// Overwrites trailing CR, LF, blanks and tabs with terminators, in place.
char* TrimTrailingBlanks(char* s);

// Bounded copy and append: always terminated, never past `capacity` bytes;
// return false when the text had to be cut.
bool CopyText(char* dest, std::size_t capacity, const char* src);
bool AppendText(char* dest, std::size_t capacity, const char* src);
