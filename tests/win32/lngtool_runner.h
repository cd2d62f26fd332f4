// Runs the translators' kit lngtool.exe of the build and collects its exit
// status and both output streams (through files, as Wine prefers).
#pragma once
#include "tests/support/harness.h"
#include <string>

namespace lngtest {

struct ToolRun {
    long exitCode = -1;
    std::string out, err;
};

inline std::string LngTool() { return test::BinDir() + "\\lngtool.exe"; }

// `args` is written after the program name as it stands (quote paths).
inline ToolRun RunLngTool(const std::string& args) {
    test::ScratchDir dir("lngrun");
    ToolRun run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA((dir / "out.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    HANDLE err = CreateFileA((dir / "err.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    std::string line = "\"" + LngTool() + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(LngTool().c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(pi.hProcess, &code);
            run.exitCode = static_cast<long>(code);
        } else {
            TerminateProcess(pi.hProcess, 99);
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
    run.out = test::ReadBytes(dir / "out.txt");
    run.err = test::ReadBytes(dir / "err.txt");
    return run;
}

inline std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace lngtest
