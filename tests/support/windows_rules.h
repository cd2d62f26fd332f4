// Rules Windows enforces and Wine does not, checked on the calls a test
// program makes through its own import table (the product linked into it
// calls the system directly; the layer sits between the two):
//
// - handle rights: every file and registry handle opened through the table
//   is recorded with the rights Windows grants it (generic rights mapped as
//   Windows maps them; CreateFile adds SYNCHRONIZE and FILE_READ_ATTRIBUTES,
//   NtCreateFile and NtOpenFile add nothing), and every later call on it is
//   checked against the right that call needs on Windows (AccessRules());
// - code-page flags: WideCharToMultiByte and MultiByteToWideChar refuse every
//   flag but the invalid-characters one for UTF-8, GB18030, the ISO 2022 and
//   ISCII code pages, UTF-7 and Symbol, and a default character with them.
//
// A call against a rule fails the running test and fails as Windows would
// fail it (ERROR_ACCESS_DENIED, STATUS_ACCESS_DENIED, ERROR_INVALID_FLAGS),
// whatever Wine answered. Handles the layer did not see opened (predefined
// keys, handles the system or the harness made before) are not checked.
// The optional functions the product looks up by name (GetProcAddress) are
// handed out checked as well.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace test {

// Puts the layer into this program's import table (once; later calls do
// nothing). True when it is in place.
bool EnforceWindowsRules();

// For a program run under the layer rather than a test program (the checked
// build of uninstall.exe the end-to-end tests can run): each breach is
// appended to `file` instead of failing a test, and counted.
void WriteBreachesTo(const std::string& file);
unsigned long BreachCount();

// What a call needs, as the layer checks it: `call` (a function name, with the
// information class where the class decides) needs `right` on its handle.
struct AccessRule {
    const char* call;
    int informationClass;   // -1: any
    DWORD right;            // 0: nothing beyond the open
};
const std::vector<AccessRule>& AccessRules();

// The rights Windows grants an open that asks for `requested`.
DWORD GrantedFileRights(DWORD requested, bool throughCreateFile);
DWORD GrantedKeyRights(REGSAM requested);
// 0 when WideCharToMultiByte (`toWide` false) or MultiByteToWideChar takes
// these arguments on Windows, else the error Windows gives.
DWORD ConversionArgumentError(UINT codePage, DWORD flags, bool toWide, bool defaultCharacter);

// While one lives, CreateFile grants exactly the rights asked for, as
// NtCreateFile and NtOpenFile do (Windows' CreateFile adds SYNCHRONIZE and
// FILE_READ_ATTRIBUTES): code that asks a handle for its attributes must
// then have asked for FILE_READ_ATTRIBUTES itself, as a removal through
// handles opened relative to held folders will have to.
class ExactRights {
public:
    ExactRights();
    ~ExactRights();
    ExactRights(const ExactRights&) = delete;
    ExactRights& operator=(const ExactRights&) = delete;
private:
    bool previous_;
};

// While one lives, calls against the rules are collected here instead of
// failing the test (the tests of the layer itself).
class RuleBreaches {
public:
    RuleBreaches();
    ~RuleBreaches();
    RuleBreaches(const RuleBreaches&) = delete;
    RuleBreaches& operator=(const RuleBreaches&) = delete;
    const std::vector<std::string>& seen() const { return seen_; }
    void add(std::string breach) { seen_.push_back(std::move(breach)); }
private:
    std::vector<std::string> seen_;
    RuleBreaches* previous_;
};

}  // namespace test
