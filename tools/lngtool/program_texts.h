// The texts a language file can translate, read from a built uninstall.exe
// (or a language DLL) through the system's resource functions, and keyed
// exactly as the program keys them when it looks them up.
#pragma once
#include <windows.h>
#include "lang/core/translation.h"
#include <cstdint>
#include <string>
#include <vector>

// The dialogs the program shows, in the order a translator meets them.
extern const char* const ProgramDialogs[3];

enum class TextRole { ReadingOrder, Message, Scale, Title, Control };

struct ProgramText {
    TextRole role = TextRole::Message;
    TextKind kind = TextKind::MessageText;
    std::string context;      // "" for messages, else the dialog name or "LTR"
    std::string bytes;        // in the target code page, as the program hashes it
    std::wstring wide;        // the same text, for the reader
    std::string where;        // "message 5107", "SETUPDLG control 5115 (Button)"
    std::size_t capacity = 0; // bytes of the buffer its replacement is copied into
    bool lossy = false;       // characters the code page cannot hold
    bool cut = false;         // longer than the program reads
    std::uint32_t key = 0;
    std::string KeyText() const;
};

struct ProgramTexts {
    std::vector<ProgramText> texts;       // each key once
    std::vector<std::string> missing;     // dialogs the module lacks
    const ProgramText* Find(std::uint32_t key) const;
};

// Reads every message of the string table and the title and control texts
// of the three dialogs, plus the reading-order and scale entries. False with
// `error` set when the module cannot be loaded or holds none of them.
// With `dialogPath` (a language DLL installed beside the program) the
// dialogs are read from it, as the program loads them from there; messages
// always come from the program, whose own texts they are keyed by.
bool ReadProgramTexts(const std::string& path, UINT codePage, ProgramTexts& out, std::string& error,
                      const std::string& dialogPath = "");

// The key of one text given in UTF-16, converted to the code page first.
std::uint32_t KeyOfText(TextKind kind, const char* context, const std::wstring& text, UINT codePage,
                        bool* lossy = nullptr);
