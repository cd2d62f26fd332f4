#include "uninstall/file_calls.h"

FileCallCounts FileCalls;
RunMoments RunTimes;
