#include "platform/entry_open.h"
#include "platform/system_functions.h"
#include "platform/windows_version.h"
#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// ntdll's numbers.
constexpr ULONG ObjCaseInsensitive = 0x40;
constexpr ULONG FileOpenExisting = 1;   // FILE_OPEN
constexpr ULONG FileCreateNew = 2;      // FILE_CREATE: fails where any name exists
constexpr ULONG FileDirectoryFile = 0x1;
constexpr ULONG FileSynchronousIoNonAlert = 0x20;
constexpr ULONG FileNonDirectoryFile = 0x40;
constexpr ULONG FileOpenForBackupIntent = 0x4000;
constexpr ULONG FileOpenReparsePoint = 0x200000;
constexpr int FileDispositionInformationExClass = 64;
constexpr ULONG DispositionDelete = 0x1;
constexpr ULONG DispositionPosixSemantics = 0x2;
constexpr ULONG DispositionIgnoreReadOnly = 0x10;

struct BasicInformation {
    LARGE_INTEGER creation, lastAccess, lastWrite, change;   // 0: left as they are
    ULONG attributes;
};

struct RenameInformation {
    BOOLEAN replace;
    HANDLE root;
    ULONG length;   // in bytes
    wchar_t name[1];
};

FileCallObserver Observer = nullptr;
EntryOpenObserver OpenSeen = nullptr;

// Whether the system takes the extended disposition: asked until it refuses.
bool ExtendedDispositionRefused = false;
bool ExtendedDispositionTaken = false;

LONG SetInformation(HANDLE h, void* information, ULONG size, int informationClass) {
    auto set = System().ntSetInformationFile;
    if (!set) return nt_status::NotImplemented;
    IO_STATUS_BLOCK io{};
    return set(h, &io, information, size, informationClass);
}

}  // namespace

void ReportFileCall(FileCall call) {
    if (Observer) Observer(call);
}

FileCallObserver SetFileCallObserver(FileCallObserver observer) {
    FileCallObserver previous = Observer;
    Observer = observer;
    return previous;
}

EntryOpenObserver SetEntryOpenObserverForTests(EntryOpenObserver observer) {
    EntryOpenObserver previous = OpenSeen;
    OpenSeen = observer;
    return previous;
}

bool NameIsMissing(long status) {
    return status == nt_status::NameNotFound || status == nt_status::PathNotFound ||
           status == nt_status::NotADirectory;
}

bool HandleEngineAvailable() {
    const SystemFunctions& system = System();
    return system.ntCreateFile && system.ntSetInformationFile && system.ntQueryInformationFile;
}

bool OpensFollowFileLinks() { return System().wineGetVersion != nullptr; }

bool UnixNameOf(const wchar_t* dosPath, wchar_t* out, std::size_t capacity) {
    auto unixName = System().wineGetUnixFileName;
    if (!unixName || capacity == 0) return false;
    char* path = unixName(dosPath);
    if (!path) return false;
    // Wine may give "." and ".." in the path (a prefix named so), which it
    // does not take below "\??\unix": they are folded here by the text
    // alone, so the caller checks that the name leads where the path does.
    std::vector<char> folded;
    for (const char* p = path; *p != '\0';) {
        while (*p == '/') ++p;
        const char* end = p;
        while (*end != '\0' && *end != '/') ++end;
        const std::size_t n = static_cast<std::size_t>(end - p);
        if (n == 2 && p[0] == '.' && p[1] == '.') {
            while (!folded.empty() && folded.back() != '/') folded.pop_back();
            if (!folded.empty()) folded.pop_back();
        } else if (n != 0 && !(n == 1 && p[0] == '.')) {
            folded.push_back('/');
            folded.insert(folded.end(), p, end);
        }
        p = end;
    }
    folded.push_back('\0');
    static const wchar_t prefix[] = L"\\??\\unix";
    constexpr std::size_t prefixLength = sizeof prefix / sizeof prefix[0] - 1;
    bool made = false;
    // Wine writes Unix names in UTF-8; a name that is not (another Unix code
    // page) is not used.
    if (path[0] == '/' && folded[0] == '/' && capacity > prefixLength) {
        std::memcpy(out, prefix, prefixLength * sizeof(wchar_t));
        int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, folded.data(), -1, out + prefixLength,
                                    static_cast<int>(capacity - prefixLength));
        made = n > 0;
        for (wchar_t* p = out + prefixLength; made && *p != L'\0'; ++p) {
            if (*p == L'\\') made = false;   // a Unix name with a backslash: none that Wine reads back
            else if (*p == L'/') *p = L'\\';
        }
    }
    HeapFree(GetProcessHeap(), 0, path);
    return made;
}

DWORD ErrorOfStatus(long status) {
    auto convert = System().rtlNtStatusToDosError;
    return convert ? convert(status) : ERROR_MR_MID_NOT_FOUND;
}

namespace {

// NtCreateFile of `name` below `parent` (null: a full NT path), SYNCHRONIZE
// added to `access`; counted as an open and, when it succeeds, its close.
UniqueFileHandle CreateAt(HANDLE parent, const wchar_t* name, std::size_t length, ACCESS_MASK access, ULONG share,
                          ULONG disposition, ULONG how, ULONG attributes, long& result) {
    auto create = System().ntCreateFile;
    if (!create) {
        result = nt_status::NotImplemented;
        return UniqueFileHandle();
    }
    if (length == 0 || length > 0x7FFF) {
        result = nt_status::NameInvalid;
        return UniqueFileHandle();
    }
    ReportFileCall(FileCall::Open);
    const auto bytes = static_cast<USHORT>(length * sizeof(wchar_t));
    UNICODE_STRING text{bytes, bytes, const_cast<PWSTR>(name)};   // only read
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &text, ObjCaseInsensitive, parent, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE h = INVALID_HANDLE_VALUE;
    result = create(&h, access | SYNCHRONIZE, &object, &io, nullptr, attributes, share, disposition, how, nullptr, 0);
    if (result < 0) return UniqueFileHandle();
    ReportFileCall(FileCall::Close);
    return UniqueFileHandle(h);
}

ULONG KindOption(EntryOpen kind) {
    return kind == EntryOpen::File ? FileNonDirectoryFile : kind == EntryOpen::Folder ? FileDirectoryFile : 0;
}

}  // namespace

UniqueFileHandle OpenEntryAt(HANDLE parent, const wchar_t* name, std::size_t length, ACCESS_MASK access, ULONG share,
                             EntryOpen options, long* status) {
    long dummy;
    long& result = status ? *status : dummy;
    ULONG how = FileSynchronousIoNonAlert | FileOpenForBackupIntent | KindOption(options);
    // Reparse points begin with Windows 2000; NT 4.0 refuses the option.
    DWORD major = NtMajorVersion();
    if (major == 0 || major >= 5) how |= FileOpenReparsePoint;
    if (OpenSeen && System().ntCreateFile && length != 0 && length <= 0x7FFF)
        OpenSeen(name, length, access, share, how);
    return CreateAt(parent, name, length, access, share, FileOpenExisting, how, 0, result);
}

UniqueFileHandle CreateEntryAt(HANDLE parent, const wchar_t* name, std::size_t length, ACCESS_MASK access,
                               ULONG share, EntryOpen kind, long* status) {
    long dummy;
    return CreateAt(parent, name, length, access, share, FileCreateNew, FileSynchronousIoNonAlert | KindOption(kind),
                    FILE_ATTRIBUTE_NORMAL, status ? *status : dummy);
}

Marked MarkForDeletion(HANDLE h, long* status) {
    long dummy;
    long& result = status ? *status : dummy;
    if (!System().ntSetInformationFile) {
        result = nt_status::NotImplemented;
        return Marked::NoWay;
    }
    if (!ExtendedDispositionRefused) {
        ReportFileCall(FileCall::Disposition);
        ULONG flags = DispositionDelete | DispositionPosixSemantics | DispositionIgnoreReadOnly;
        result = SetInformation(h, &flags, sizeof flags, FileDispositionInformationExClass);
        if (result >= 0) {
            ExtendedDispositionTaken = true;
            return Marked::Yes;
        }
        if (result == nt_status::DirectoryNotEmpty) return Marked::NotEmpty;
        // A system (or file system) without the extended class says so once;
        // Wine 8 answers that it is not implemented.
        if (result != nt_status::InvalidInfoClass && result != nt_status::NotSupported &&
            result != nt_status::InvalidParameter && result != nt_status::NotImplemented)
            return Marked::Failed;
        ExtendedDispositionRefused = true;
    }
    ReportFileCall(FileCall::Disposition);
    BOOLEAN deleteFile = TRUE;   // the whole of FILE_DISPOSITION_INFORMATION
    result = SetInformation(h, &deleteFile, sizeof deleteFile, FileDispositionInformation);
    if (result >= 0) return Marked::Yes;
    return result == nt_status::DirectoryNotEmpty ? Marked::NotEmpty : Marked::Failed;
}

bool DeletionFreesNameAtOnce() { return ExtendedDispositionTaken && !ExtendedDispositionRefused; }

bool ReadEntryAttributes(HANDLE h, DWORD& attributes) {
    auto query = System().ntQueryInformationFile;
    if (!query) return false;
    ReportFileCall(FileCall::Query);
    BasicInformation basic{};
    IO_STATUS_BLOCK io{};
    if (query(h, &io, &basic, sizeof basic, FileBasicInformation) < 0) return false;
    attributes = basic.attributes;
    return true;
}

bool WriteEntryAttributes(HANDLE h, DWORD attributes) {
    ReportFileCall(FileCall::AttributeWrite);
    BasicInformation basic{};
    // 0 would leave the attributes as they are.
    basic.attributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    return SetInformation(h, &basic, sizeof basic, FileBasicInformation) >= 0;
}

bool RenameEntryAt(HANDLE h, HANDLE newParent, const wchar_t* name, std::size_t length, bool replace,
                   long* status) {
    long dummy;
    long& result = status ? *status : dummy;
    result = nt_status::NameInvalid;
    if (length == 0 || length > 0x7FFF) return false;
    ReportFileCall(FileCall::Rename);
    const std::size_t bytes = length * sizeof(wchar_t);
    std::vector<unsigned char> buffer(offsetof(RenameInformation, name) + bytes + sizeof(RenameInformation));
    auto* rename = reinterpret_cast<RenameInformation*>(buffer.data());
    rename->replace = replace ? TRUE : FALSE;
    rename->root = newParent;
    rename->length = static_cast<ULONG>(bytes);
    std::memcpy(rename->name, name, bytes);
    result = SetInformation(h, rename, static_cast<ULONG>(buffer.size()), FileRenameInformation);
    return result >= 0;
}
