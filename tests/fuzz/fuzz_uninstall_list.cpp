// Fuzzes what the uninstall run does with the bytes of Uninstall.lst and of
// its command line: the list read through its fixed line buffer, each entry's
// containment check and path, the doubled-percent batch lines and the
// temporary names, each into a heap buffer exactly as large as its capacity
// so that any write past one is caught; and the switch scan.
#include "app/core/switches.h"
#include "uninstall/core/batchtext.h"
#include "platform/core/entrypath.h"
#include "platform/core/listfile.h"
#include "platform/core/names.h"
#include "uninstall/core/removal_list.h"
#include "platform/core/wininit.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct Buffer {
    explicit Buffer(std::size_t n) : size(n), bytes(new char[n]) {}
    std::size_t size;
    std::unique_ptr<char[]> bytes;
    void ExpectTerminated() const {
        if (strnlen(bytes.get(), size) >= size) std::abort();
    }
};

struct CountingHandler : SwitchHandler {
    int calls = 0;
    int suppressing = 0;
    void OnSwitch(SwitchKind kind) override {
        ++calls;
        if (kind != SwitchKind::Silent) ++suppressing;
    }
};

void CheckEntry(const LeadBytes& table, const char* entry) {
    static const char folder[] = "C:\\Program Files\\Qavrix\\";
    EntryStaysInside(table, entry);
    NamesDevice(table, entry);
    PathLiesInside(table, "\\\\?\\C:\\Qavrix", entry);
    PathLiesInside(table, entry, "\\\\?\\C:\\Qavrix\\a.txt");
    for (std::size_t capacity : {std::size_t{16}, std::size_t{260}, std::size_t{1024}}) {
        Buffer path(capacity);
        if (ComposeEntryPath(path.bytes.get(), path.size, folder, entry)) path.ExpectTerminated();

        Buffer doubled(capacity);
        if (!DoublePercents(table, entry, doubled.bytes.get(), doubled.size)) continue;
        doubled.ExpectTerminated();
        Buffer line(capacity);
        if (ComposeBatchAttempt(doubled.bytes.get(), doubled.bytes.get(), line.bytes.get(), line.size))
            line.ExpectTerminated();
        if (ComposeBatchStart(PlatformFamily::Win9x, doubled.bytes.get(), line.bytes.get(), line.size))
            line.ExpectTerminated();
        if (ComposeBatchClosing(doubled.bytes.get(), doubled.bytes.get(), true, line.bytes.get(), line.size))
            line.ExpectTerminated();

        Buffer temporary(capacity);
        if (ComposeTemporaryName(temporary.bytes.get(), temporary.size, entry, 999)) temporary.ExpectTerminated();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const LeadBytes cp936 = MakeCodePage936LeadBytes();
    if (size > 64 * 1024) return 0;

    std::FILE* list = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (list && size > 0) {
        Buffer line(ListLineBufferSize);
        int entries = 0;
        while (ReadListEntry(list, line.bytes.get(), line.size)) {
            line.ExpectTerminated();
            if (line.bytes[0] == '\0') std::abort();  // empty lines are passed over
            if (++entries <= 64) CheckEntry(cp936, line.bytes.get());
        }
    }
    if (list) std::fclose(list);

    // The held list gives the same entries as reading the file line by line.
    list = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (list && size > 0) {
        HeldList held;
        if (!held.Load(list, size)) std::abort();
        std::size_t visited = 0;
        std::rewind(list);
        Buffer line(ListLineBufferSize);
        held.Pass([&](const char* entry) {
            if (!ReadListEntry(list, line.bytes.get(), line.size) || std::strcmp(entry, line.bytes.get()) != 0)
                std::abort();
            return ++visited % 2 ? EntryOutcome::Stays : EntryOutcome::Removed;
        });
        if (ReadListEntry(list, line.bytes.get(), line.size)) std::abort();
        if (held.Remaining() != (visited + 1) / 2) std::abort();
    }
    if (list) std::fclose(list);

    // wininit.ini with one more deletion keeps every byte it had.
    std::string ini(reinterpret_cast<const char*>(data), size);
    std::string added = AddWininitDeletion(ini, "C:\\X\\A.DLL");
    if (added.size() < ini.size() + 14) std::abort();

    std::string args(reinterpret_cast<const char*>(data), size);
    args = args.c_str();  // the command line ends at its first NUL
    CountingHandler handler;
    int count = ScanSwitches(args.c_str(), handler);
    if (count != handler.suppressing) std::abort();
    return 0;
}
