#include "platform/core/codepages.h"

bool ConversionTakesNoFlags(unsigned codePage) {
    return codePage == 42 || (codePage >= 50220 && codePage <= 50229) || codePage == 52936 || codePage == 54936 ||
           (codePage >= 57002 && codePage <= 57011) || codePage == 65000 || codePage == 65001;
}
