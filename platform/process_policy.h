// The policies the process asks the system for at start-up.
#pragma once

// Where the system offers it (recent Windows), has it refuse this process
// every open that a link made by someone other than an administrator would
// redirect. Looked up at run time; elsewhere nothing happens. True when the
// system took the policy.
bool TrustNoRedirection();
