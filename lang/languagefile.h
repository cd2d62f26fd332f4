// The language file uninstall.lng: its translation table, the lookup that
// replaces a program text by its translation, and the reading order.
#pragma once
#include <cstddef>

enum class TextKind { MessageText, WindowText };

// The process-wide translation table (one static instance, see app/statics.cpp).
class LanguageResources {
public:
    LanguageResources();
    ~LanguageResources();
    LanguageResources(const LanguageResources&) = delete;
    LanguageResources& operator=(const LanguageResources&) = delete;

    bool HasTranslations() const;
    bool RightToLeft() const { return rightToLeft_; }
    void SetRightToLeft(bool rtl) { rightToLeft_ = rtl; }

private:
    bool rightToLeft_ = false;
};

LanguageResources& TheLanguageResources();

// Loads the messages section of the language file (beside the program when
// the name has no backslash), then detects the reading order.
void LoadLanguageFile(const char* name);
bool HasTranslations();
// Writes the translation of `source` into `dest` (capacity bytes), or a copy
// of the source when there is none; source and dest may be the same buffer.
void Translate(const char* source, char* dest, std::size_t capacity, TextKind kind, const char* context);
