// The text of the self-removal batch file and of the interpreter's command
// line. Values are written quoted, with every percent sign doubled, so that
// the command interpreter reads each path literally.
#pragma once
#include <array>
#include <cstddef>
#include "platform/core/textwalk.h"

constexpr const char BatchFileName[] = "Uninstall_Qav.Bat";
constexpr int BatchAttempts = 5;   // copies of the delete-and-remove block

enum class PlatformFamily { Nt, Win9x };

// The folders the batch's private folder can go into: the temporary folder,
// its short (8.3) form, the Windows temporary folder.
enum class BatchBase { Temp, ShortTemp, WindowsTemp };
struct BatchBaseOrder {
    std::array<BatchBase, 3> bases;
    std::size_t count;
    const BatchBase* begin() const { return bases.data(); }
    const BatchBase* end() const { return bases.data() + count; }
    BatchBase operator[](std::size_t i) const { return bases[i]; }
    bool operator==(const BatchBaseOrder& o) const {
        if (count != o.count) return false;
        for (std::size_t i = 0; i < count; ++i)
            if (bases[i] != o.bases[i]) return false;
        return true;
    }
};

// The order they are tried in. The temporary folder of a person's run is
// that person's own: in a run with the administrators' rights (after the
// elevation prompt) they could rename the private folder away and put a batch
// of their own at its path while the interpreter, which reopens the batch for
// each line, runs it. Such a run uses the Windows temporary folder only,
// which only the administrators control, and never falls back to the
// person's one: without a folder there the program is left to the restart.
// Other runs, and every run on Windows 9x (which knows no elevation), keep
// their own temporary folder first.
constexpr BatchBaseOrder BatchBasesInOrder(PlatformFamily family, bool administrators) {
    if (family == PlatformFamily::Nt && administrators)
        return {{BatchBase::WindowsTemp, BatchBase::Temp, BatchBase::ShortTemp}, 1};
    return {{BatchBase::Temp, BatchBase::ShortTemp, BatchBase::WindowsTemp}, 3};
}

// Copies `value` into `out` with each percent sign doubled (lead-byte aware).
// False, with `out` empty, when the result does not fit.
bool DoublePercents(const LeadBytes& table, const char* value, char* out, std::size_t capacity);

// The form of the batch's first line. Windows 9x's command.com does not wait
// for a Windows program that a batch runs, so the 9x line runs the program
// through "start /wait". cmd.exe, the interpreter of the NT family, waits by
// itself and reads a quoted name after "start" as a window title: with it
// (the NT family, or a 9x version reported to a program on the NT family or
// under Wine) the batch would open an idle console and never go on. So the
// NT line is used whenever the interpreter's file name is cmd.exe.
PlatformFamily BatchStartForm(const LeadBytes& table, PlatformFamily family, const char* interpreter);

// The three parts of the batch, from already doubled values: the first line
// (runs the program with /wait), the block written BatchAttempts times, and
// the closing lines (warning, then the batch deletes itself; no line end).
// After a silent run the warning run is silent too: it leaves the program and
// its folder to the restart instead of asking.
// Each returns false, with `out` empty, when the text does not fit.
bool ComposeBatchStart(PlatformFamily family, const char* program, char* out, std::size_t capacity);
bool ComposeBatchAttempt(const char* program, const char* folder, char* out, std::size_t capacity);
// A batch kept in a private folder of its own names that folder too
// (`privateFolder`, or null): cmd.exe removes it on the batch's last line,
// after the batch has deleted itself. command.com knows no "&", and there
// the folder stays. A silent run's batch passes /S on to the warning run.
bool ComposeBatchClosing(const char* program, const char* batch, bool silent, char* out, std::size_t capacity,
                         const char* privateFolder = nullptr);

// The command line that runs the batch through `interpreter`, the system's
// own (never the one a person's environment names). cmd.exe (the NT form) is
// run with /d, so that no AutoRun command of the registry runs first, and the
// quoted path in a second pair of quotes: cmd.exe takes away the outer pair
// whatever the path holds (& ( ) ^ and blanks included) and runs the inner
// one as it stands. command.com (the 9x form) gets "/c" and the quoted path.
// False when it does not fit.
bool ComposeInterpreterCommand(PlatformFamily form, const char* interpreter, const char* batch, char* out,
                               std::size_t capacity);
