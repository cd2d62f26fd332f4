// The language file uninstall.lng: its translation table, the lookup that
// replaces a program text by its translation, and the reading order.
#pragma once
#include "lang/core/translation.h"
#include <cstddef>

// Destination sizes of the callers of Translate.
constexpr std::size_t MessageTextCapacity = 512;
constexpr std::size_t WindowTextCapacity = 1024;

// The process-wide translation table (one static instance, see app/statics.cpp).
class LanguageResources {
public:
    LanguageResources();
    ~LanguageResources();
    LanguageResources(const LanguageResources&) = delete;
    LanguageResources& operator=(const LanguageResources&) = delete;

    // Reads the messages section of the file at `path` (a full path);
    // whatever was loaded before is forgotten first.
    void Load(const char* path);
    // The same from any source of the file's bytes.
    void LoadFrom(ByteSource& source);
    // Sets RightToLeft from the language DLL or the file's reading-order entry.
    void DetectReadingOrder();

    bool HasTranslations() const { return table_.HasTranslations(); }
    const TranslationTable& Table() const { return table_; }
    bool RightToLeft() const { return rightToLeft_; }
    void SetRightToLeft(bool rtl) { rightToLeft_ = rtl; }

private:
    TranslationTable table_;
    bool rightToLeft_ = false;
};

LanguageResources& TheLanguageResources();

// Loads the messages section of the language file (beside the program when
// the name has no backslash), then detects the reading order.
void LoadLanguageFile(const char* name);
bool HasTranslations();
bool RightToLeft();
// Writes the translation of `source` into `dest` (capacity bytes), or a copy
// of the source when there is none; source and dest may be the same buffer.
// A translation longer than the buffer is cut at a character boundary.
void Translate(const char* source, char* dest, std::size_t capacity, TextKind kind, const char* context);
