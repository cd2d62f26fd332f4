#include "uninstall/file_calls.h"
#include "platform/text.h"
#include <cstring>
#include <cwchar>
#include <vector>

FileCallCounts FileCalls;
RunMoments RunTimes;
EntryOpenObserver EntryOpenSeen = nullptr;

EntryOpenObserver SetEntryOpenObserverForTests(EntryOpenObserver observer) {
    EntryOpenObserver previous = EntryOpenSeen;
    EntryOpenSeen = observer;
    return previous;
}

void LongName::Convert(const char* path) {
    if (NtMajorVersion() == 0) return;
    // A name of n bytes has at most n characters.
    std::vector<wchar_t> wide(std::strlen(path) + 1);
    if (path[0] == '\0' || !WideFromAnsi(path, wide.data(), wide.size())) return;
    // The prefix passes the name on as it is: "/", "." and ".." are resolved first.
    DWORD needed = GetFullPathNameW(wide.data(), 0, nullptr, nullptr);
    if (needed == 0) return;
    std::vector<wchar_t> full(needed);
    DWORD got = GetFullPathNameW(wide.data(), needed, full.data(), nullptr);
    if (got == 0 || got >= needed) return;
    const wchar_t* text = full.data();
    const bool unc = text[0] == L'\\' && text[1] == L'\\';
    const wchar_t* prefix = unc ? L"\\\\?\\UNC" : L"\\\\?\\";
    const wchar_t* rest = unc ? text + 1 : text;
    name_.assign(prefix, prefix + std::wcslen(prefix));
    name_.insert(name_.end(), rest, rest + std::wcslen(rest) + 1);
}

