// Benchmark of the uninstall run under Wine (not a test): a synthetic
// installation of N listed files in folders of 100, each folder listed both
// before and after its contents, removed by the real uninstall.exe /S, by a
// minimal single-pass program, and by "cmd /c rd /s /q". Run by
// tools/bench-uninstall.sh:  uninstall_bench N...
#include "tests/support/harness.h"
#include "tests/tools/bench/win32/seconds.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const int FilesPerFolder = 100;
using test::WriteBytes;

// Makes `folder` with uninstall.exe, `files` files in folders of 100 and the
// list that names them all (each folder before and after its files).
bool MakeInstallation(const std::string& folder, int files) {
    if (!test::MakeDir(folder)) return false;
    if (!test::CopyTo(test::ProgramUnderTest(), folder + "\\uninstall.exe")) return false;
    std::string list;
    list.reserve(static_cast<std::size_t>(files) * 20);
    for (int first = 0; first < files; first += FilesPerFolder) {
        char sub[32];
        std::snprintf(sub, sizeof sub, "d%04d", first / FilesPerFolder);
        if (!test::MakeDir(folder + "\\" + sub)) return false;
        list += std::string(sub) + "\r\n";
        for (int i = first; i < files && i < first + FilesPerFolder; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "%s\\file%05d.dat", sub, i);
            if (!WriteBytes(folder + "\\" + name, "installed file contents")) return false;
            list += std::string(name) + "\r\n";
        }
        list += std::string(sub) + "\r\n";
    }
    list += "uninstall.exe\r\nUninstall.lst\r\n";
    return WriteBytes(folder + "\\Uninstall.lst", list);
}

// Files and folders still below `folder` (0 when it is gone).
int Leftovers(const std::string& folder) {
    int count = 0;
    for (const std::string& name : test::FilesIn(folder))
        count += 1 + (name.back() == '\\' ? Leftovers(folder + "\\" + name.substr(0, name.size() - 1)) : 0);
    return count;
}

// Runs a program to its end with its standard handles on NUL (the batch the
// uninstaller starts inherits them and would echo every line); the elapsed
// seconds, or -1 on failure.
double TimeProcess(const std::string& exe, const std::string& args, const std::string& cwd) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueFileHandle nul(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                     OPEN_EXISTING, 0, nullptr));
    test::Process process;
    double start = Seconds();
    if (!process.Start(exe, args, cwd, nul.get(), nul.get())) return -1;
    return process.Wait(30 * 60 * 1000) == -1 ? -1 : Seconds() - start;
}

std::string BatchPath() { return test::TempFolder() + "Uninstall_Qav.Bat"; }

struct Result {
    const char* method;
    double seconds;
    int left;
};

void Report(int files, const Result& r, double baseline) {
    if (r.seconds < 0) {
        std::printf("%8d  %-26s  failed\n", files, r.method);
        return;
    }
    double rate = r.seconds > 0 ? files / r.seconds : 0;
    double ratio = baseline > 0 ? r.seconds / baseline : 0;
    std::printf("%8d  %-26s  %9.2f  %11.0f  %6.2f  %s\n", files, r.method, r.seconds, rate, ratio,
                r.left == 0 ? "all removed" : (std::to_string(r.left) + " left").c_str());
    std::fflush(stdout);
}

void RunSize(const test::ScratchDir& scratch, int files) {
    std::string cmd = std::string(std::getenv("COMSPEC") ? std::getenv("COMSPEC") : "C:\\windows\\system32\\cmd.exe");
    std::string baselineExe = test::BinDir() + "\\bench\\uninstall_singlepass.exe";
    Result results[3] = {{"single pass (baseline)", -1, 0}, {"uninstall.exe /S", -1, 0}, {"cmd /c rd /s /q", -1, 0}};

    std::string folder = scratch / ("single" + std::to_string(files));
    if (MakeInstallation(folder, files)) {
        results[0].seconds = TimeProcess(baselineExe, "\"" + folder + "\"", scratch.path());
        results[0].left = Leftovers(folder);
    }

    folder = scratch / ("uninst" + std::to_string(files));
    if (MakeInstallation(folder, files)) {
        // Timed to the program's end; the batch's removal of the program
        // and its folder (after its 2 s wait) is waited for but not timed.
        results[1].seconds = TimeProcess(folder + "\\uninstall.exe", "/S", scratch.path());
        test::WaitUntilGone(folder, 60000);
        test::WaitUntilGone(BatchPath(), 10000);
        results[1].left = Leftovers(folder);
    }

    folder = scratch / ("rd" + std::to_string(files));
    if (MakeInstallation(folder, files)) {
        results[2].seconds = TimeProcess(cmd, "/c rd /s /q \"" + folder + "\"", scratch.path());
        results[2].left = Leftovers(folder);
    }
    for (const Result& r : results) Report(files, r, results[0].seconds);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {1000, 10000, 50000};
    test::ScratchDir scratch("uninstbench");
    std::printf("%8s  %-26s  %9s  %11s  %6s\n", "files", "method", "seconds", "files/s", "ratio");
    for (int files : sizes)
        if (files > 0) RunSize(scratch, files);
    return 0;
}
