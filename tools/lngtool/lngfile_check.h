// Checking a language file against the program it translates: the file is
// loaded by the program's own code, and every line is examined as the
// loader will treat it.
#pragma once
#include "program_texts.h"
#include <string>
#include <vector>

struct Finding {
    int line = 0;          // 1-based; 0 for the file as a whole
    bool error = true;     // else a warning
    std::string text;
};

struct CheckResult {
    std::vector<Finding> findings;
    std::vector<std::string> summary;  // lines of the closing summary
    int Errors() const;
    int Warnings() const;
};

// `bytes`: the whole language file; `texts`: the program's texts in the
// same code page.
CheckResult CheckLanguageFile(const std::string& bytes, const ProgramTexts& texts, UINT codePage);
