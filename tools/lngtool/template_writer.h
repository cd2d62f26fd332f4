// The template language file: every text of the program as a ready entry,
// with a comment showing the source text in UTF-8.
#pragma once
#include "program_texts.h"
#include <string>

// The whole file, CR LF line ends, entry lines in code page `codePage`.
std::string MakeTemplate(const ProgramTexts& texts, const std::string& programName, UINT codePage);
