// The file-system rule for every file and folder the program touches outside
// the uninstall list: a link is removed itself, never what it points at; a
// walk never enters a link; nothing is written or has its attributes changed
// through a link or through a file that has more than one name (a hard link):
// the link goes and a new file is made in its place. Each entry is opened
// below the folder it lies in, which is opened once, as itself (a folder that
// is a link is refused), and held sharing no deletion until the act is done
// (beside the list removal's own hold, which has DELETE access): nothing on
// the entry's path can be exchanged for a link meanwhile. Where
// the system follows a link whatever it is asked (Wine does for Unix links),
// the link is left alone and nothing is done through it. Windows 9x has no
// links: there the same functions work by name.
#pragma once
#include "platform/handles.h"
#include <windows.h>
#include <cstddef>

// The final path of the open file or folder (the system's own, where links
// lead), in the code page; false on a system without final paths or for a
// path that does not fit. Asked in wide characters: the ANSI form asks the
// system twice (for the length, then for the name), and under Wine each
// question is a trip to the server and a walk up the path. A path with a
// character the code page lacks or would write as a look-alike is false too:
// written as "?" it could match another path of such characters.
bool ReadFinalPath(HANDLE h, char* out, DWORD capacity);
// The same in wide characters ("\\?\C:\..."), `capacity` characters.
bool ReadFinalPathWide(HANDLE h, wchar_t* out, DWORD capacity);

// Removes the file, the empty folder or the link at `path` itself; with
// ClearAttributes, a file with a single name loses its read-only, hidden and
// system attributes first. True when nothing is left at the path.
enum class RemoveOptions { None, ClearAttributes };
bool RemoveEntryItself(const char* path, RemoveOptions options = RemoveOptions::None);

// Sets the attributes of the real file or folder at `path` (one of a single
// name) through its own handle. A link, a file with a second name, and what
// the system reached elsewhere keep theirs: false.
bool SetAttributesItself(const char* path, DWORD attributes);

// Renames the real file or folder at `from` to `to` through its own handle;
// with ReplaceExisting, a file already named `to` gives way (the name itself,
// link or not, never what a link there points at). A link at `from`, or what
// the system reached elsewhere, is not renamed: false.
enum class RenameOptions { None, ReplaceExisting };
bool RenameEntryItself(const char* from, const char* to, RenameOptions options);

// Schedules the real file or folder at `path` for deletion at the next start
// (the NT family's delayed move). What is not a real entry at the path now (a
// link, or nothing) is not scheduled: false.
bool ScheduleRemovalOfItself(const char* path);

// Removes the folder at `path` with everything in it, walking it through
// held handles: each folder is listed through its own handle and its entries
// opened below it. A link, at `path` or inside, is removed itself and never
// entered. True when nothing is left at `path`.
bool RemoveTreeItself(const char* path);

// What WriteNewFile does with what is already at the path: a real file of a
// single name is kept or replaced (a link or a second name of a file there
// is removed itself first); with Refuse, anything there keeps the file from
// being written.
enum class ExistingFile { Keep, Replace, Refuse };

// Writes `bytes` as a new file at `path`, created where no name exists (so
// never through a link), and flushes it to the disk. True when the file
// holds the bytes (or, kept, was there already); a file that could not be
// written whole is discarded.
bool WriteNewFile(const char* path, const void* bytes, std::size_t size, ExistingFile existing);

// Makes `path` a real folder: made where missing, a link there removed and
// the folder made in its place. `hold` then keeps the folder from being
// renamed, deleted or replaced until it is released (the NT family). False
// when the path is not a real folder.
bool HoldOwnFolder(const char* path, UniqueFileHandle& hold);

// A new file at `path`, never an existing name; also open for deletion, so a
// file that could not be written whole can be discarded through the handle.
// Others may open it as `share` allows; no process it starts inherits it.
UniqueFileHandle CreateNewFile(const char* path, DWORD share = 0);
// The same in place of what is at `path`, as WriteNewFile replaces it: a
// link or a second name of a file is removed itself, a file of a single name
// goes; no handle when that cannot be done (a folder, or a link the system
// follows whatever it is asked).
UniqueFileHandle ReplaceWithNewFile(const char* path, DWORD share = 0);
// The real file of a single name at `path`, open for appending, or a new
// file where nothing is there; a link or a second name there is replaced as
// ReplaceWithNewFile replaces it, never written through.
UniqueFileHandle AppendToFileItself(const char* path, DWORD share = 0);
bool WriteAll(HANDLE file, const void* bytes, std::size_t size);
// Deletes a file through the handle that created it and closes the handle.
void DiscardNewFile(UniqueFileHandle& file, const char* path);
