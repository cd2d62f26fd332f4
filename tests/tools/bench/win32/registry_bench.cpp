// Benchmark of the registry layer under Wine (not a test): tree removal
// against RegDeleteTreeA on the same trees, with call counts and times, and
// one full association pass with every flag set, then every flag clear.
// Run by tools/bench-registry.sh.
#include "integration/associations.h"
#include "platform/registry.h"
#include "platform/windows_version.h"
#include "tests/support/sandbox.h"
#include "tests/tools/bench/win32/seconds.h"
#include <cstdio>
#include <string>

namespace {

// Creates `count` keys below HKCR\<top>: wide puts them all on one level,
// deep puts them in chains of ten levels.
void MakeTree(const char* top, int count, bool deep) {
    const int depth = deep ? 10 : 1;
    for (int chain = 0; chain < count / depth; ++chain) {
        std::string path = top;
        for (int level = 0; level < depth; ++level) {
            char name[32];
            std::snprintf(name, sizeof name, "\\key%05d", level == 0 ? chain : level);
            path += name;
        }
        test::MakeKey(HKEY_CLASSES_ROOT, path);
    }
}

bool Gone(const char* top) { return !test::RegKeyPresent(HKEY_CLASSES_ROOT, top); }

// The best of three runs of each, on freshly built trees.
void CompareTreeRemoval(int count, bool deep) {
    const char* shape = deep ? "deep" : "wide";
    double ours = 1e9, theirs = 1e9;
    unsigned long calls = 0;
    bool oursGone = true, theirsGone = true;
    for (int run = 0; run < 3; ++run) {
        MakeTree("BenchTree", count, deep);
        unsigned long before = RegistryCallCount();
        double start = Seconds();
        RegRemoveTree(HKEY_CLASSES_ROOT, "BenchTree");
        double elapsed = Seconds() - start;
        if (elapsed < ours) ours = elapsed;
        calls = RegistryCallCount() - before;
        oursGone = oursGone && Gone("BenchTree");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "BenchTree");

        MakeTree("BenchTree", count, deep);
        start = Seconds();
        LONG result = RegDeleteTreeA(HKEY_CLASSES_ROOT, "BenchTree");
        elapsed = Seconds() - start;
        if (elapsed < theirs) theirs = elapsed;
        theirsGone = theirsGone && result == ERROR_SUCCESS && Gone("BenchTree");
    }
    std::printf("%s %5d keys: RegRemoveTree %.3f s, %lu registry calls (%s); RegDeleteTreeA %.3f s, 1 call (%s);"
                " time ratio %.2f, %.1f calls per key\n",
                shape, count, ours, calls, oursGone ? "removed" : "KEYS LEFT", theirs,
                theirsGone ? "removed" : "KEYS LEFT", theirs > 0 ? ours / theirs : 0.0,
                static_cast<double>(calls) / (count + 1));
    std::fflush(stdout);
}

void TimeAssociations() {
    test::ScratchDir folder("qavbench");
    test::ProgramFolderScope programFolder(folder.path());
    IntegrationSettings all{};
    for (bool& flag : all.associate) flag = true;
    all.desktopLink = all.startMenuLink = all.programGroup = all.shellExt = all.cascadedMenu = all.menuIcons = true;
    IntegrationSettings none{};
    for (IntegrationSettings* settings : {&all, &none}) {
        unsigned long calls = RegistryCallCount();
        double start = Seconds();
        ApplyAssociations(*settings);
        RegisterProgramIds();
        double elapsed = Seconds() - start;
        std::printf("ApplyAssociations + RegisterProgramIds, every flag %s: %.3f s, %lu registry calls\n",
                    settings == &all ? "set  " : "clear", elapsed, RegistryCallCount() - calls);
    }
}

}  // namespace

int main() {
    test::ScratchRegistry scratch;
    std::printf("platform: %s (NtMajorVersion %lu)\n", NtMajorVersion() ? "NT family" : "Windows 9x family",
                NtMajorVersion());
    for (int count : {1000, 10000})
        for (bool deep : {false, true}) CompareTreeRemoval(count, deep);
    TimeAssociations();
    return 0;
}
