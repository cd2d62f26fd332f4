// The policies the process asks the system for at start-up.
#include "platform/process_policy.h"
#include "platform/system_functions.h"
#include <windows.h>

bool TrustNoRedirection() {
    constexpr DWORD EnforceRedirectionTrust = 1;
    auto setPolicy = System().setProcessMitigationPolicy;
    DWORD flags = EnforceRedirectionTrust;
    return setPolicy && setPolicy(ProcessRedirectionTrustPolicy, &flags, sizeof flags);
}
