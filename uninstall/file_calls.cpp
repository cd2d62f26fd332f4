#include "uninstall/file_calls.h"
#include "platform/text.h"
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
    int chars = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (chars <= 1) return;
    std::vector<wchar_t> wide(static_cast<std::size_t>(chars));
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, wide.data(), chars) != chars) return;
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
