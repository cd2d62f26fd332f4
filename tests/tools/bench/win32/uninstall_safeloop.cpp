// The second baseline of the uninstall benchmark: the least a link-safe
// deletion does under Wine, one pass over Uninstall.lst in file order, nothing
// retried. The installation folder is opened once and held; each listed
// entry is opened as itself relative to the folder that holds it
// (NtCreateFile with that folder as RootDirectory and FILE_OPEN_REPARSE_POINT),
// then one query tells where the opened entry really is: Wine follows a Unix
// link even on a reparse-point open, and the handle's object name is then the
// target's (one server round trip; the file name information costs two and
// names no drive). An entry found elsewhere than its listed place is left
// alone; otherwise the deletion is marked on the handle, which is closed.
// A folder is opened once: a listed folder that cannot go yet (its files come
// after it) stays open, held without delete sharing, and its files are opened
// relative to it; when it is listed again the mark is set on that handle.
//   uninstall_safeloop FOLDER [object|final|filename]
// The second argument picks the query, to compare their costs: the object
// name (the default), GetFinalPathNameByHandleW, or the file name information.
// Prints one line: its calls, the removals and the moments (performance
// counter) of its start and of its first removal.
#include <windows.h>
#include <winternl.h>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

using NtCreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                        ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using NtQueryObjectFn = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
using NtQueryInformationFileFn = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
using NtSetInformationFileFn = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
using NtCloseFn = NTSTATUS(NTAPI*)(HANDLE);

NtCreateFileFn ntCreateFile;
NtQueryObjectFn ntQueryObject;
NtQueryInformationFileFn ntQueryInformationFile;
NtSetInformationFileFn ntSetInformationFile;
NtCloseFn ntClose;

const ULONG ObjectNameInfo = 1;        // OBJECT_INFORMATION_CLASS ObjectNameInformation
const ULONG FileNameInfo = 9;          // FILE_INFORMATION_CLASS FileNameInformation
const ULONG FileDispositionInfo = 13;  // FILE_INFORMATION_CLASS FileDispositionInformation

enum class Query { ObjectName, FinalPath, FileName };
Query query = Query::ObjectName;

template <class Function>
void Lookup(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

unsigned long long calls = 0, removals = 0, refused = 0;
LONGLONG firstRemoval = 0;

LONGLONG Moment() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Opens `name` (no backslash) relative to `folder` as itself; null on failure.
HANDLE OpenRelative(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG share) {
    UNICODE_STRING text;
    text.Buffer = const_cast<wchar_t*>(name.c_str());
    text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io;
    HANDLE h = nullptr;
    ++calls;
    NTSTATUS status = ntCreateFile(&h, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &io, nullptr, 0,
                                   share, FILE_OPEN, FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    return status >= 0 ? h : nullptr;
}

void Close(HANDLE h) {
    ++calls;
    ntClose(h);
}

// The name the system gives the opened object (where it really is). The
// file name information leaves out the volume: it serves only to compare costs.
bool NameOf(HANDLE h, std::wstring& name) {
    alignas(8) unsigned char buffer[4096];
    ++calls;
    if (query == Query::FinalPath) {
        wchar_t* text = reinterpret_cast<wchar_t*>(buffer);
        DWORD n = GetFinalPathNameByHandleW(h, text, sizeof buffer / sizeof(wchar_t), FILE_NAME_NORMALIZED);
        if (n == 0 || n >= sizeof buffer / sizeof(wchar_t)) return false;
        name.assign(text, n);
    } else if (query == Query::FileName) {
        IO_STATUS_BLOCK io;
        if (ntQueryInformationFile(h, &io, buffer, sizeof buffer - sizeof(wchar_t), FileNameInfo) < 0) return false;
        const FILE_NAME_INFO* info = reinterpret_cast<const FILE_NAME_INFO*>(buffer);
        name.assign(info->FileName, info->FileNameLength / sizeof(wchar_t));
    } else {
        ULONG size = 0;
        if (ntQueryObject(h, ObjectNameInfo, buffer, sizeof buffer, &size) < 0) return false;
        const UNICODE_STRING* text = reinterpret_cast<const UNICODE_STRING*>(buffer);
        name.assign(text->Buffer, text->Length / sizeof(wchar_t));
    }
    return true;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

bool MarkForDeletion(HANDLE h) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    IO_STATUS_BLOCK io;
    ++calls;
    return ntSetInformationFile(h, &io, &disposition, sizeof disposition, FileDispositionInfo) >= 0;
}

// A folder of the installation (one level below it), opened once and held.
struct HeldFolder {
    std::wstring listed;   // its name in the list, empty when none is held
    std::wstring real;     // the name the system gives it
    HANDLE handle = nullptr;
    bool inside = false;
    void Release() {
        if (handle) Close(handle);
        handle = nullptr;
        listed.clear();
    }
};

std::wstring Wide(const char* text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring w(n > 0 ? static_cast<std::size_t>(n) : 1u, L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, &w[0], n);
    w.resize(w.size() - 1);
    return w;
}

void Removed() {
    ++removals;
    if (firstRemoval == 0) firstRemoval = Moment();
}

// Opens a folder of the installation and checks that it is where it is listed.
void Hold(HeldFolder& held, HANDLE root, const std::wstring& rootName, const std::wstring& name) {
    held.Release();
    held.listed = name;
    held.handle = OpenRelative(root, name, DELETE | FILE_LIST_DIRECTORY | FILE_TRAVERSE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE);
    held.inside = held.handle && NameOf(held.handle, held.real) && SameName(held.real, rootName + L"\\" + name);
}

// One entry of the list: "name" in the installation folder or "folder\name".
void RemoveEntry(HeldFolder& held, HANDLE root, const std::wstring& rootName, const std::wstring& entry) {
    std::size_t slash = entry.rfind(L'\\');
    if (slash == std::wstring::npos) {
        if (!held.listed.empty() && SameName(held.listed, entry)) {   // a held folder, listed after its files
            if (held.inside && MarkForDeletion(held.handle)) Removed();
            held.Release();
            return;
        }
        HANDLE h = OpenRelative(root, entry, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
        if (!h) return;
        std::wstring real;
        if (!NameOf(h, real) || !SameName(real, rootName + L"\\" + entry)) {
            ++refused;
            Close(h);
        } else if (MarkForDeletion(h)) {
            Close(h);
            Removed();
        } else {
            // A folder whose files come after it: held, without delete sharing.
            Close(h);
            Hold(held, root, rootName, entry);
        }
        return;
    }
    std::wstring folder = entry.substr(0, slash), name = entry.substr(slash + 1);
    if (folder.find(L'\\') != std::wstring::npos) return;   // deeper levels are not in the benchmark's lists
    if (held.listed.empty() || !SameName(held.listed, folder)) Hold(held, root, rootName, folder);
    if (!held.inside) {
        ++refused;
        return;
    }
    HANDLE h = OpenRelative(held.handle, name, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (!h) return;
    std::wstring real;
    if (!NameOf(h, real) || !SameName(real, held.real + L"\\" + name)) ++refused;
    else if (MarkForDeletion(h)) Removed();
    Close(h);
}

}  // namespace

int main(int argc, char** argv) {
    LONGLONG started = Moment();
    if (argc < 2) return 2;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    Lookup(ntdll, "NtCreateFile", ntCreateFile);
    Lookup(ntdll, "NtQueryObject", ntQueryObject);
    Lookup(ntdll, "NtQueryInformationFile", ntQueryInformationFile);
    Lookup(ntdll, "NtSetInformationFile", ntSetInformationFile);
    Lookup(ntdll, "NtClose", ntClose);
    if (!ntCreateFile || !ntQueryObject || !ntQueryInformationFile || !ntSetInformationFile || !ntClose) return 4;
    if (argc > 2) query = std::strcmp(argv[2], "final") == 0 ? Query::FinalPath
                        : std::strcmp(argv[2], "filename") == 0 ? Query::FileName : Query::ObjectName;
    std::string folder = argv[1];
    HANDLE root = CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (root == INVALID_HANDLE_VALUE) return 2;
    std::wstring rootName;
    if (!NameOf(root, rootName)) return 2;
    std::FILE* list = std::fopen((folder + "\\Uninstall.lst").c_str(), "rb");
    if (!list) return 3;
    HeldFolder held;
    char line[2048];
    while (std::fgets(line, sizeof line, list)) {
        std::size_t len = std::strlen(line);
        while (len > 0 && (line[len - 1] == '\r' || line[len - 1] == '\n')) line[--len] = '\0';
        if (len > 0) RemoveEntry(held, root, rootName, Wide(line));
    }
    std::fclose(list);
    held.Release();
    RemoveEntry(held, root, rootName, L"Uninstall.lst");   // held open by the reading until now
    CloseHandle(root);
    std::printf("calls=%llu removals=%llu refused=%llu started=%lld first=%lld\n", calls, removals, refused, started,
                firstRemoval);
    return 0;
}
