// Benchmark of the uninstall run under Wine (not a test). Synthetic
// installations of N listed files in folders of 100 (--per-folder K) are removed, in turns in
// one run, by two baselines - the DeleteFileA loop (uninstall_singlepass.exe:
// one pass, by name, unchecked) and the safe loop (uninstall_safeloop.exe:
// the least a link-safe deletion does per file) -, by NSIS's RMDir /r when
// its program is given, and by the uninstall run (uninstall_counted.exe: the
// product with its call counts; optionally also earlier builds of it). Each
// figure is the median of three runs. Run by tools/bench-uninstall.sh (which
// runs it with the display and then without one):
//   uninstall_bench [--before EXE] [--build LABEL EXE]... [--after EXE] [--nsis EXE] [--runs K]
//                   [--bytes B[,B...]] [--per-folder K] [--sync-dir DIR] SIZE...
//   uninstall_bench --make FOLDER N     (an installation of N empty files with the uninstall in it)
// --bytes runs every size once for each byte count. --sync-dir names a folder
// where the script that started the benchmark writes every installation's
// data to disk on request (DIR\request, answered by DIR\done), so that no
// method pays for the write-back of files another made.
// SIZE is N (each folder listed before and after its files) or Nf (each
// folder listed only before its files, which needs a second pass), or
// "start": the time from the program's start to its first deletion, with an
// empty list and the full registry integration made by setup mode.
#include "tests/support/harness.h"
#include "tests/support/program_run.h"
#include "tests/support/registry_probe.h"
#include "tests/tools/bench/win32/seconds.h"
#include "integration/apply.h"
#include "integration/settings.h"
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

double TicksToMs(long long ticks) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(f.QuadPart);
}

int FilesPerFolder = 100;   // --per-folder
std::size_t FileBytes = 0;   // the byte count of the current sizes (--bytes)
std::string SyncDir;         // --sync-dir

struct Size {
    int files = 0;
    bool foldersFirstOnly = false;   // else each folder before and after its files
    std::string Label() const {
        return std::to_string(files) + (foldersFirstOnly ? " dir-first" : "") +
               (FilesPerFolder != 100 ? " by " + std::to_string(FilesPerFolder) : "");
    }
};

// Makes `folder` with `exe` as uninstall.exe, the files and the list that
// names them; returns the number of list lines (0 on failure). The files are
// empty unless --bytes asks for data: a file with data gets its blocks when the system writes it back
// (ext4 does so about 30 s after the write), and freeing them then costs far
// more than the removal itself (a discard each on a disk mounted with it).
// How many of an installation's files are written back when they are removed
// depends on how long it took to make and to remove it, so with data the
// cost per file grew with the size and with the slowness of the method, and
// told nothing about the method.
int MakeInstallation(const std::string& folder, const std::string& exe, const Size& size) {
    if (!test::MakeDir(folder)) return 0;
    if (!test::CopyTo(exe, folder + "\\uninstall.exe")) return 0;
    std::string list;
    int lines = 0;
    list.reserve(static_cast<std::size_t>(size.files) * 20);
    for (int first = 0; first < size.files; first += FilesPerFolder) {
        char sub[32];
        std::snprintf(sub, sizeof sub, "d%04d", first / FilesPerFolder);
        if (!test::MakeDir(folder + "\\" + sub)) return 0;
        list += std::string(sub) + "\r\n";
        ++lines;
        for (int i = first; i < size.files && i < first + FilesPerFolder; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "%s\\file%05d.dat", sub, i);
            if (!test::WriteBytes(folder + "\\" + name, std::string(FileBytes, 'x'))) return 0;
            list += std::string(name) + "\r\n";
            ++lines;
        }
        if (!size.foldersFirstOnly) {
            list += std::string(sub) + "\r\n";
            ++lines;
        }
    }
    list += "uninstall.exe\r\nUninstall.lst\r\n";
    lines += 2;
    return test::WriteBytes(folder + "\\Uninstall.lst", list) ? lines : 0;
}

// Asks the script for the installation's data to be written to disk and
// waits for its answer (at most two minutes); nothing without --sync-dir.
void WriteBack() {
    if (SyncDir.empty()) return;
    DeleteFileA((SyncDir + "\\done").c_str());
    if (!test::WriteBytes(SyncDir + "\\request", "sync")) return;
    for (int waited = 0; waited < 120000 && !test::Exists(SyncDir + "\\done"); waited += 20) Sleep(20);
    DeleteFileA((SyncDir + "\\done").c_str());
}

// Files and folders still below `folder` (0 when it is gone).
int Leftovers(const std::string& folder) { return static_cast<int>(test::TreeListing(folder).size()); }

struct Timed {
    double seconds = -1;
    double startTicks = 0;   // performance counter at the process start
    std::string output;      // what the program wrote to its standard output
};

// Runs a program to its end with standard input and error on NUL and standard
// output into a file (the batch the uninstaller starts inherits them).
Timed TimeProcess(const std::string& exe, const std::string& args, const std::string& cwd,
                  const std::string& outputFile) {
    Timed result;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueFileHandle nul(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                     OPEN_EXISTING, 0, nullptr));
    UniqueFileHandle out(CreateFileA(outputFile.c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS, 0,
                                     nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdError = nul ? nul.get() : nullptr;
    startup.hStdOutput = out ? out.get() : nullptr;
    std::string line = "\"" + exe + "\" " + args;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    PROCESS_INFORMATION info{};
    LARGE_INTEGER t0;
    QueryPerformanceCounter(&t0);
    result.startTicks = static_cast<double>(t0.QuadPart);
    double start = Seconds();
    BOOL started = CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, cwd.c_str(),
                                  &startup, &info);
    if (started) {
        UniqueHandle thread(info.hThread), process(info.hProcess);
        if (WaitForSingleObject(process.get(), 30 * 60 * 1000) == WAIT_OBJECT_0) result.seconds = Seconds() - start;
    }
    nul.reset();
    out.reset();
    result.output = test::ReadBytes(outputFile);
    return result;
}

// "name=value" fields of the counted program's line.
std::map<std::string, double> Fields(const std::string& line) {
    std::map<std::string, double> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t eq = line.find('=', i), end = line.find_first_of(" \r\n", i);
        if (end == std::string::npos) end = line.size();
        if (eq != std::string::npos && eq < end)
            fields[line.substr(i, eq - i)] = std::atof(line.substr(eq + 1, end - eq - 1).c_str());
        i = end + 1;
    }
    return fields;
}

// How a method is started: a loop with the folder, NSIS's program with /S
// and /D=, the uninstall copied into the installation.
enum class Kind { Loop, Nsis, Uninstall };

struct Method {
    std::string name;
    std::string exe;
    Kind kind;
};

struct Sample {
    double seconds = -1;
    double toFirst = -1;   // ms from the process start to its first removal
    int left = 0;
    std::map<std::string, double> fields;
};

double Median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Removes one installation with one method; the uninstaller is timed to its
// own end, and its batch (after a 2 s wait) is waited for but not timed.
Sample RunOnce(const test::ScratchDir& scratch, const Method& m, const Size& size, int run, int& lines) {
    Sample s;
    std::string name = m.name + " " + std::to_string(size.files) + "_" + std::to_string(run);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';   // "RMDir /r" names no subfolder
    std::string folder = scratch / name;
    lines = MakeInstallation(
        folder, m.kind == Kind::Uninstall ? m.exe : test::BinDir() + "\\bench\\uninstall_counted.exe", size);
    if (lines == 0) return s;
    WriteBack();
    std::string outFile = scratch / "output.txt";
    Timed t = m.kind == Kind::Uninstall ? TimeProcess(folder + "\\uninstall.exe", "/S", scratch.path(), outFile)
              : m.kind == Kind::Nsis    ? TimeProcess(m.exe, "/S /D=" + folder, scratch.path(), outFile)
                                        : TimeProcess(m.exe, "\"" + folder + "\"", scratch.path(), outFile);
    s.seconds = t.seconds;
    if (m.kind == Kind::Uninstall) {
        test::WaitUntilGone(folder, 60000);
        test::WaitForBatches(10000);
    }
    s.fields = Fields(t.output);
    if (s.fields.count("first") && s.fields["first"] > 0) s.toFirst = TicksToMs(static_cast<long long>(s.fields["first"] - t.startTicks));
    s.left = Leftovers(folder);
    test::RemoveTree(folder);
    return s;
}

// The median run's value of `field` per list line (-1 when not printed).
double PerLine(const std::vector<Sample>& samples, const char* field, int lines) {
    std::vector<double> v;
    for (const Sample& s : samples)
        if (s.seconds >= 0 && s.fields.count(field)) v.push_back(s.fields.at(field) / lines);
    return Median(v);
}

void RunSize(const test::ScratchDir& scratch, const std::vector<Method>& methods, const Size& size, int runs) {
    std::vector<std::vector<Sample>> samples(methods.size());
    int lines = 0;
    for (int run = 0; run < runs; ++run)
        for (std::size_t k = 0; k < methods.size(); ++k) {
            std::size_t m = (k + static_cast<std::size_t>(run)) % methods.size();   // rotate the order
            samples[m].push_back(RunOnce(scratch, methods[m], size, run, lines));
        }
    // Methods 0 and 1 are the two baselines: the DeleteFileA loop and the safe loop.
    std::vector<double> median(methods.size()), toFirst(methods.size());
    for (std::size_t m = 0; m < methods.size(); ++m) {
        std::vector<double> secs, first;
        for (const Sample& s : samples[m]) {
            if (s.seconds >= 0) secs.push_back(s.seconds);
            if (s.toFirst >= 0) first.push_back(s.toFirst);
        }
        median[m] = Median(secs);
        toFirst[m] = Median(first);
    }
    char label[48];
    std::snprintf(label, sizeof label, "%s %s", size.Label().c_str(),
                  FileBytes ? (std::to_string(FileBytes) + "B").c_str() : "empty");
    for (std::size_t m = 0; m < methods.size(); ++m) {
        int left = 0;
        for (const Sample& s : samples[m]) left = std::max(left, s.left);
        double calls = PerLine(samples[m], "calls", lines);
        char callText[16] = "     -", firstText[32] = "     -       ", peakText[16] = "";
        if (calls >= 0) std::snprintf(callText, sizeof callText, "%6.2f", calls);
        if (toFirst[m] >= 0)
            std::snprintf(firstText, sizeof firstText, "%6.0f %5.2fx", toFirst[m],
                          toFirst[0] > 0 ? toFirst[m] / toFirst[0] : 0.0);
        double peak = PerLine(samples[m], "peakWorkingSet", 1);
        if (peak >= 0) std::snprintf(peakText, sizeof peakText, " %5.1f MiB", peak / (1024.0 * 1024.0));
        std::printf("%-18s %-22s %7.2f %7.1f %6.2f %6.2f  %s  %s  %s%s\n", label, methods[m].name.c_str(), median[m],
                    median[m] > 0 ? 1e6 * median[m] / size.files : 0.0, median[0] > 0 ? median[m] / median[0] : 0.0,
                    median[1] > 0 ? median[m] / median[1] : 0.0, callText, firstText,
                    left == 0 ? "all removed" : (std::to_string(left) + " left").c_str(), peakText);
        std::fflush(stdout);
        // The uninstall's call breakdown of its median run.
        if (methods[m].kind != Kind::Uninstall) continue;
        for (const Sample& s : samples[m]) {
            if (s.seconds != median[m] || s.fields.empty()) continue;
            std::printf("%-18s   per listed entry:", "");
            for (const char* k : {"open", "query", "disposition", "close", "rename", "attrWrite", "byName",
                                  "listing"})
                if (s.fields.count(k) && s.fields.at(k) > 0) std::printf(" %s %.3f", k, s.fields.at(k) / lines);
            std::printf("  (%d lines, %.0f removals, %.0f entries visited)\n", lines, s.fields.at("removals"),
                        s.fields.at("entries"));
            break;
        }
    }
}

// Start-up: setup mode makes the full integration for an installation, then
// the uninstall run starts with an empty list; where the time goes up to the
// point where deletions begin.
void RunStart(const test::ScratchDir& scratch, const Method& m, int runs) {
    std::vector<double> toMain, toDriver, toIntegration, toPasses, total;
    for (int run = 0; run < runs; ++run) {
        std::string folder = scratch / ("start" + m.name.substr(0, 6) + std::to_string(run));
        for (char& c : folder)
            if (c == ' ') c = '_';
        test::MakeDir(folder);
        test::CopyTo(m.exe, folder + "\\uninstall.exe");
        test::WriteBytes(folder + "\\Qavrix.exe", "not a program");
        test::WriteBytes(folder + "\\Uninstall.lst", "uninstall.exe\r\nUninstall.lst\r\n");
        IntegrationSettings all;
        std::memset(&all, 1, sizeof all);
        SaveIntegrationSettings(all);
        std::string outFile = scratch / "output.txt";
        TimeProcess(folder + "\\uninstall.exe", "/setup /S", folder, outFile);
        if (run == 0)
            std::printf("start %-22s after setup: App Paths %s, uninstall entry %s, .zip class \"%s\"\n",
                        m.name.c_str(),
                        test::RegKeyPresent(HKEY_LOCAL_MACHINE, test::AppPathsKey) ? "present" : "missing",
                        test::RegKeyPresent(HKEY_LOCAL_MACHINE, test::UninstallEntryKey) ? "present" : "missing",
                        test::ReadRegString(HKEY_CLASSES_ROOT, ".zip", "").c_str());
        Timed t = TimeProcess(folder + "\\uninstall.exe", "/S", scratch.path(), outFile);
        // The folder stays (Qavrix.exe is not listed): the batch ends without it.
        Sleep(2500);
        test::WaitForBatches(20000);
        std::map<std::string, double> f = Fields(t.output);
        if (f.empty()) continue;
        toMain.push_back(TicksToMs(static_cast<long long>(f["started"] - t.startTicks)));
        toDriver.push_back(TicksToMs(static_cast<long long>(f["driver"] - f["started"])));
        toIntegration.push_back(TicksToMs(static_cast<long long>(f["integration"] - f["driver"])));
        toPasses.push_back(TicksToMs(static_cast<long long>(f["passes"] - f["integration"])));
        total.push_back(TicksToMs(static_cast<long long>(f["passes"] - t.startTicks)));
        test::RemoveTree(folder);
    }
    std::printf("start %-22s process start to first deletion %.0f ms: to WinMain %.0f, start-up to the driver %.0f, "
                "confirmation, list and registry integration removed %.0f, language DLL and help indexes %.0f "
                "(medians of %zu)\n",
                m.name.c_str(), Median(total), Median(toMain), Median(toDriver), Median(toIntegration),
                Median(toPasses), total.size());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Size> sizes;
    std::string before, after = test::BinDir() + "\\bench\\uninstall_counted.exe", nsis;
    std::vector<std::pair<std::string, std::string>> builds;   // --build LABEL EXE
    std::vector<std::size_t> byteCounts;
    int runs = 3;
    bool start = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--make" && i + 2 < argc) {   // an installation for the script's own runs
            Size s;
            s.files = std::atoi(argv[i + 2]);
            return s.files > 0 && MakeInstallation(argv[i + 1], after, s) > 0 ? 0 : 1;
        }
        if (a == "--before" && i + 1 < argc) before = argv[++i];
        else if (a == "--after" && i + 1 < argc) after = argv[++i];
        else if (a == "--nsis" && i + 1 < argc) nsis = argv[++i];
        else if (a == "--build" && i + 2 < argc) {
            builds.emplace_back(argv[i + 1], argv[i + 2]);
            i += 2;
        }
        else if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--per-folder" && i + 1 < argc) FilesPerFolder = std::max(1, std::atoi(argv[++i]));
        else if (a == "--bytes" && i + 1 < argc) {
            for (const char* p = argv[++i]; *p;) {
                char* end = nullptr;
                long n = std::strtol(p, &end, 10);
                if (end == p) break;
                byteCounts.push_back(static_cast<std::size_t>(std::max(0L, n)));
                p = *end == ',' ? end + 1 : end;
            }
        }
        else if (a == "--sync-dir" && i + 1 < argc) SyncDir = argv[++i];
        else if (a == "start") start = true;
        else {
            Size s;
            s.files = std::atoi(a.c_str());
            s.foldersFirstOnly = !a.empty() && (a.back() == 'f' || a.back() == 'F');
            if (s.files > 0) sizes.push_back(s);
        }
    }
    if (sizes.empty() && !start) sizes = {{1000, false}, {10000, false}, {50000, false}, {100000, false}};
    if (byteCounts.empty()) byteCounts.push_back(0);
    std::vector<Method> methods = {
        {"DeleteFileA loop", test::BinDir() + "\\bench\\uninstall_singlepass.exe", Kind::Loop},
        {"safe loop", test::BinDir() + "\\bench\\uninstall_safeloop.exe", Kind::Loop}};
    if (!nsis.empty()) methods.push_back({"NSIS RMDir /r", nsis, Kind::Nsis});
    if (!before.empty()) methods.push_back({"uninstall before", before, Kind::Uninstall});
    for (const auto& b : builds) methods.push_back({"uninstall " + b.first, b.second, Kind::Uninstall});
    methods.push_back({before.empty() ? "uninstall" : "uninstall after", after, Kind::Uninstall});

    test::ScratchDir scratch("uninstbench");
    if (start) {
        for (std::size_t m = 0; m < methods.size(); ++m)
            if (methods[m].kind == Kind::Uninstall) RunStart(scratch, methods[m], runs);
    }
    if (!sizes.empty()) {
        std::printf("%-18s %-22s %7s %7s %6s %6s  %6s  %6s %6s  %s\n", "files", "method", "seconds", "us a", "x loop",
                    "x safe", "calls/", "to 1st", "x loop", "");
        std::printf("%-18s %-22s %7s %7s %6s %6s  %6s  %6s %6s  %s\n", "", "(medians)", "", "file", "", "", "entry",
                    "del ms", "start", "");
    }
    for (std::size_t bytes : byteCounts) {
        FileBytes = bytes;
        for (const Size& size : sizes) RunSize(scratch, methods, size, runs);
    }
    return 0;
}
