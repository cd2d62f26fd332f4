#include "uninstall/run_moments.h"

RunMoments RunTimes;
RunCounts RunCount;
