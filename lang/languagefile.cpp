// Language-file loading and lookup for the program (Win32 side).
#include "lang/languagefile.h"
#include "platform/core/textwalk.h"
#include <cstring>

LanguageResources::LanguageResources() = default;
LanguageResources::~LanguageResources() = default;
bool LanguageResources::HasTranslations() const { return false; }

bool HasTranslations() { return TheLanguageResources().HasTranslations(); }

void LoadLanguageFile(const char*) {}

void Translate(const char* source, char* dest, std::size_t capacity, TextKind, const char*) {
    if (source != dest) CopyText(dest, capacity, source);
}
