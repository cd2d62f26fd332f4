#include "uninstall/file_calls.h"

FileCallCounts FileCalls;
RunMoments RunTimes;
EntryOpenObserver EntryOpenSeen = nullptr;

EntryOpenObserver SetEntryOpenObserverForTests(EntryOpenObserver observer) {
    EntryOpenObserver previous = EntryOpenSeen;
    EntryOpenSeen = observer;
    return previous;
}
