// uninstall.exe under the layer of Windows' rules (tests/support/windows_rules.h):
// the same program, whose file and registry calls are checked against the
// rights of their handles and whose conversions against the code-page flags.
// A run that broke a rule ends with RulesBrokenExit, whatever it would have
// ended with, so every end-to-end test that expects an exit code fails; the
// breaches are appended to the file QAV_RULE_BREACHES names, else to
// QavRuleBreaches.txt in the temporary folder.
#include "app/entry.h"
#include "tests/support/windows_rules.h"
#include <cstdlib>
#include <string>

constexpr int RulesBrokenExit = 0xACCE55;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR args, int) {
    test::EnforceWindowsRules();
    const char* named = std::getenv("QAV_RULE_BREACHES");
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    test::WriteBreachesTo(named ? named : std::string(temp) + "QavRuleBreaches.txt");
    int code = UninstallerMain(instance, args);
    return test::BreachCount() != 0 ? RulesBrokenExit : code;
}
