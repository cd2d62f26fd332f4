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

inline std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// `args` is written after the program name as it stands (quote paths).
inline ToolRun RunLngTool(const std::string& args) {
    test::ScratchDir dir("lngrun");
    ToolRun run;
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        auto create = [&](const char* name) {
            return UniqueFileHandle(CreateFileA((dir / name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                                CREATE_ALWAYS, 0, nullptr));
        };
        UniqueFileHandle out = create("out.txt"), err = create("err.txt");
        test::Process tool;
        if (tool.Start(test::BinDir() + "\\lngtool.exe", args, "", out.get(), err.get())) run.exitCode = tool.Wait(60000);
    }
    run.out = test::ReadBytes(dir / "out.txt");
    run.err = test::ReadBytes(dir / "err.txt");
    return run;
}

}  // namespace lngtest
