// Files and folders opened as themselves relative to a folder the program
// holds open, and changed only through those handles: the one way the NT
// family deletes, renames or changes the attributes of an entry.
//
// An entry opened by name below a held folder cannot be reached through a
// link put on its path meanwhile: the folder itself is the start of the
// name, and the last name is opened as itself (a link is opened, not
// followed). Everything here goes through ntdll, which every NT system has
// whatever version it reports (a compatibility mode, Wine's Windows 98 mode);
// Windows 9x has none of it.
#pragma once
#include "platform/handles.h"
#include <windows.h>
#include <cstddef>

// True where ntdll offers NtCreateFile, NtSetInformationFile and
// NtQueryInformationFile: the whole NT family. False on Windows 9x.
bool HandleEngineAvailable();

// True where the system follows a file link even when asked to open the link
// itself (Wine, for Unix links; it exports wine_get_version): there the
// opened entry's final path is the only sign of where it really is. False on
// Windows, where an open of the entry itself is the check.
bool OpensFollowFileLinks();

// Wine only: the NT name ("\??\unix\...") under which Wine finds the full
// path `dosPath` ("\\?\C:\...") by its Unix path, in `out` (`capacity`
// characters). Wine looks a name up there as Unix does, letter case and all:
// a name missing below it is known missing at once, where under a drive
// letter Wine reads the whole folder for another spelling. False where the
// system is not Wine or the path has no such name.
bool UnixNameOf(const wchar_t* dosPath, wchar_t* out, std::size_t capacity);

enum class EntryOpen { Any, File, Folder };

// Opens `name` (`length` characters, no terminating null needed) below the
// open folder `parent`, as itself, with `access` (SYNCHRONIZE is added) and
// `share`; a null `parent` takes `name` as a full NT path ("\??\C:\...").
// Nothing is created. An empty owner when it fails; the NT status goes to
// `*status` (0 on success).
UniqueFileHandle OpenEntryAt(HANDLE parent, const wchar_t* name, std::size_t length, ACCESS_MASK access, ULONG share,
                             EntryOpen options, long* status = nullptr);

// Creates `name` below the open folder `parent` where no name exists, so that
// nothing there (a link neither) is opened: a file or a folder as `kind`
// says (Any: a file), with `access` (SYNCHRONIZE is added) and `share`.
UniqueFileHandle CreateEntryAt(HANDLE parent, const wchar_t* name, std::size_t length, ACCESS_MASK access,
                               ULONG share, EntryOpen kind, long* status = nullptr);

// The NT statuses the engine and its callers tell apart.
namespace nt_status {
constexpr long NotImplemented = static_cast<long>(0xC0000002);
constexpr long InvalidInfoClass = static_cast<long>(0xC0000003);
constexpr long InvalidParameter = static_cast<long>(0xC000000D);
constexpr long AccessDenied = static_cast<long>(0xC0000022);
constexpr long NameInvalid = static_cast<long>(0xC0000033);
constexpr long NameNotFound = static_cast<long>(0xC0000034);
constexpr long NameCollision = static_cast<long>(0xC0000035);
constexpr long PathNotFound = static_cast<long>(0xC000003A);
constexpr long SharingViolation = static_cast<long>(0xC0000043);
constexpr long DeletePending = static_cast<long>(0xC0000056);
constexpr long NotSupported = static_cast<long>(0xC00000BB);
constexpr long DirectoryNotEmpty = static_cast<long>(0xC0000101);
constexpr long NotADirectory = static_cast<long>(0xC0000103);
}  // namespace nt_status
// Nothing of that name there: the name, a folder on its way, or a folder
// where a file is.
bool NameIsMissing(long status);

// The Win32 error of an NT status (ERROR_MR_MID_NOT_FOUND where the system
// cannot tell).
DWORD ErrorOfStatus(long status);

// Marks the entry open on `h` (with DELETE access) for deletion: with POSIX
// semantics where the system has them (its name goes at once, even while
// another program holds it with delete sharing; read-only is no obstacle),
// else when the last handle closes. NotEmpty: a folder with entries in it;
// Failed: the system refused (the status goes to `*status`); NoWay: a system
// without deletion through handles.
enum class Marked { Yes, NotEmpty, Failed, NoWay };
Marked MarkForDeletion(HANDLE h, long* status = nullptr);
// True once the system has taken the POSIX disposition: a marked entry's
// name is gone when MarkForDeletion returns, whoever else holds it.
bool DeletionFreesNameAtOnce();

// The attributes of the entry open on `h` (with FILE_READ_ATTRIBUTES).
bool ReadEntryAttributes(HANDLE h, DWORD& attributes);
// Sets them through `h` (with FILE_WRITE_ATTRIBUTES); 0 clears them all.
bool WriteEntryAttributes(HANDLE h, DWORD attributes);
// Renames the entry open on `h` (with DELETE) to `name` (`length`
// characters) in the open folder `newParent`; with `replace` an entry of
// that name gives way, else the rename fails where the name exists.
bool RenameEntryAt(HANDLE h, HANDLE newParent, const wchar_t* name, std::size_t length, bool replace,
                   long* status = nullptr);

// The file-system calls made to open, check and change entries, as an
// observer sees them: each call is reported once, a successful open with the
// close its owner will make.
enum class FileCall { Open, Query, Disposition, Close, Rename, AttributeWrite, ByName, Listing };
using FileCallObserver = void (*)(FileCall);
// Installs `observer` (null: none); returns the previous one.
FileCallObserver SetFileCallObserver(FileCallObserver observer);
// For calls made outside this module on the same entries (by name, listings).
void ReportFileCall(FileCall call);

// Tests only: sees the arguments of every OpenEntryAt before it is made
// (`options` as NtCreateFile gets them). Returns the previous observer; null
// removes it.
using EntryOpenObserver = void (*)(const wchar_t* name, std::size_t length, ACCESS_MASK access, ULONG share,
                                   ULONG options);
EntryOpenObserver SetEntryOpenObserverForTests(EntryOpenObserver observer);
