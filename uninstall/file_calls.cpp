#include "uninstall/file_calls.h"
#include "platform/text.h"
#include <cstring>
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
    if (text[0] == L'\\' && text[1] == L'\\') {
        name_ = L"\\\\?\\UNC";
        name_ += text + 1;
    } else {
        name_ = L"\\\\?\\";
        name_ += text;
    }
}
