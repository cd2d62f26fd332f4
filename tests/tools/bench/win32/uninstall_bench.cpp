// Benchmark of the uninstall run under Wine (not a test). Synthetic
// installations of N listed files in folders of 100 are removed by a minimal
// single-pass program (the baseline of the ratio) and by the uninstall run
// (uninstall_counted.exe: the product with its call counts; optionally also
// an earlier build of it, to compare in the same run). Each figure is the
// median of three runs. Run by tools/bench-uninstall.sh (which runs it with
// the display and then without one):
//   uninstall_bench [--before EXE] [--build LABEL EXE]... [--after EXE] [--runs K] [--bytes B] SIZE...
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

const int FilesPerFolder = 100;
std::size_t FileBytes = 0;   // --bytes

struct Size {
    int files = 0;
    bool foldersFirstOnly = false;   // else each folder before and after its files
    std::string Label() const { return std::to_string(files) + (foldersFirstOnly ? " dir-first" : ""); }
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

struct Method {
    std::string name;
    std::string exe;
    bool counted;
};

struct Sample {
    double seconds = -1;
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
    std::string folder = scratch / (m.name + " " + std::to_string(size.files) + "_" + std::to_string(run));
    for (char& c : folder)
        if (c == ' ') c = '_';
    lines = MakeInstallation(folder, m.exe, size);
    if (lines == 0) return s;
    std::string outFile = scratch / "output.txt";
    Timed t = m.counted ? TimeProcess(folder + "\\uninstall.exe", "/S", scratch.path(), outFile)
                        : TimeProcess(m.exe, "\"" + folder + "\"", scratch.path(), outFile);
    s.seconds = t.seconds;
    if (m.counted) {
        test::WaitUntilGone(folder, 60000);
        test::WaitForBatches(10000);
        s.fields = Fields(t.output);
    }
    s.left = Leftovers(folder);
    test::RemoveTree(folder);
    return s;
}

void RunSize(const test::ScratchDir& scratch, const std::vector<Method>& methods, const Size& size, int runs) {
    std::vector<std::vector<Sample>> samples(methods.size());
    int lines = 0;
    for (int run = 0; run < runs; ++run)
        for (std::size_t k = 0; k < methods.size(); ++k) {
            std::size_t m = (k + static_cast<std::size_t>(run)) % methods.size();   // rotate the order
            samples[m].push_back(RunOnce(scratch, methods[m], size, run, lines));
        }
    double baseline = -1;
    for (std::size_t m = 0; m < methods.size(); ++m) {
        std::vector<double> secs, perEntry, perRemoved, peak;
        int left = 0;
        for (const Sample& s : samples[m]) {
            if (s.seconds < 0) continue;
            secs.push_back(s.seconds);
            left = std::max(left, s.left);
            if (!s.fields.empty()) {
                double calls = s.fields.at("calls"), removals = s.fields.at("removals");
                perEntry.push_back(calls / lines);
                perRemoved.push_back(removals > 0 ? calls / removals : 0);
                peak.push_back(s.fields.at("peakWorkingSet") / (1024.0 * 1024.0));
            }
        }
        double median = Median(secs);
        if (m == 0) baseline = median;
        char calls[96] = "";
        if (!perEntry.empty())
            std::snprintf(calls, sizeof calls, "%6.2f  %6.2f  %7.1f", Median(perEntry), Median(perRemoved),
                          Median(peak));
        std::printf("%-14s %-24s %8.2f %7.1f %6.2f  %-22s %s\n", size.Label().c_str(), methods[m].name.c_str(),
                    median, median > 0 ? 1e6 * median / size.files : 0.0, baseline > 0 ? median / baseline : 0.0,
                    calls, left == 0 ? "all removed" : (std::to_string(left) + " left").c_str());
        std::fflush(stdout);
        // The call breakdown of the median run, for the closing note.
        if (!perEntry.empty()) {
            const Sample* mid = nullptr;
            for (const Sample& s : samples[m])
                if (s.seconds == median) mid = &s;
            if (mid) {
                std::printf("%-14s   per listed entry:", "");
                for (const char* k : {"open", "query", "disposition", "close", "rename", "attrWrite", "byName",
                                      "listing"})
                    if (mid->fields.count(k) && mid->fields.at(k) > 0)
                        std::printf(" %s %.3f", k, mid->fields.at(k) / lines);
                std::printf("  (%d lines, %.0f removals, %.0f entries visited)\n", lines, mid->fields.at("removals"),
                            mid->fields.at("entries"));
            }
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
    std::string before, after = test::BinDir() + "\\bench\\uninstall_counted.exe";
    std::vector<std::pair<std::string, std::string>> builds;   // --build LABEL EXE
    int runs = 3;
    bool start = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--before" && i + 1 < argc) before = argv[++i];
        else if (a == "--after" && i + 1 < argc) after = argv[++i];
        else if (a == "--build" && i + 2 < argc) {
            builds.emplace_back(argv[i + 1], argv[i + 2]);
            i += 2;
        }
        else if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--bytes" && i + 1 < argc)
            FileBytes = static_cast<std::size_t>(std::max(0, std::atoi(argv[++i])));
        else if (a == "start") start = true;

        else {
            Size s;
            s.files = std::atoi(a.c_str());
            s.foldersFirstOnly = !a.empty() && (a.back() == 'f' || a.back() == 'F');
            if (s.files > 0) sizes.push_back(s);
        }
    }
    if (sizes.empty() && !start) sizes = {{1000, false}, {10000, false}, {50000, false}, {100000, false}};
    std::vector<Method> methods = {{"single pass (baseline)", test::BinDir() + "\\bench\\uninstall_singlepass.exe", false}};
    if (!before.empty()) methods.push_back({"uninstall before", before, true});
    for (const auto& b : builds) methods.push_back({"uninstall " + b.first, b.second, true});
    methods.push_back({before.empty() ? "uninstall" : "uninstall after", after, true});

    test::ScratchDir scratch("uninstbench");
    if (start) {
        for (std::size_t m = 1; m < methods.size(); ++m) RunStart(scratch, methods[m], runs);
    }
    if (!sizes.empty())
        std::printf("%-14s %-24s %8s %7s %6s  %6s  %6s  %7s\n", "files", "method", "seconds", "us a", "ratio",
                    "calls/", "calls/", "peak WS");
    if (!sizes.empty())
        std::printf("%-14s %-24s %8s %7s %6s  %6s  %6s  %7s\n", "", "(median)", "", "file", "", "entry", "removed",
                    "MiB");
    for (const Size& size : sizes) RunSize(scratch, methods, size, runs);
    return 0;
}
