// Reading Uninstall.lst: one entry per line, read through a fixed buffer, so a
// line longer than the buffer yields several entries.
#pragma once
#include <cstddef>
#include <cstdio>

// The list's name in the program folder.
constexpr char ListFileName[] = "Uninstall.lst";

// The list's line buffer: a read returns at most 2047 bytes.
constexpr std::size_t ListLineBufferSize = 2048;

// Reads the next entry into `line` (`capacity` bytes, at least 2): each read
// takes at most capacity - 1 bytes up to and including a line feed; trailing
// CR, LF, blanks and tabs are cut, leading blanks stay, and reads that leave
// nothing are passed over. Returns false at the end of the list.
bool ReadListEntry(std::FILE* list, char* line, std::size_t capacity = ListLineBufferSize);
// The same entries from the list's bytes in memory (`size` bytes of `text`
// from `*at` on, which moves past what is taken): one read of the whole list
// instead of a library call, with its lock, for every byte.
bool NextListEntry(const char* text, std::size_t size, std::size_t& at, char* line,
                   std::size_t capacity = ListLineBufferSize);

// What the list's bytes are, read once from the start to the end: ANSI text
// (with or without a UTF-8 byte-order mark, which is passed over), UTF-16
// text (a byte-order mark FF FE or FE FF), or a file a read failed in.
enum class ListText { Ansi, Utf16, Unreadable };
// Leaves `list` at its first entry.
ListText ReadListText(std::FILE* list);

// Back to the list's first entry: its start, or past a UTF-8 byte-order mark.
void RewindList(std::FILE* list);
