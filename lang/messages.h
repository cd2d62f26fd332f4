// Message texts by number: from the language DLL qavlng.dll or the program's
// own string table, passed through the language file's translation.
#pragma once
#include <windows.h>

class ExtResource {
public:
    ExtResource() = default;
    ~ExtResource();  // unloads the language DLL if it is still loaded
    ExtResource(const ExtResource&) = delete;
    ExtResource& operator=(const ExtResource&) = delete;
    bool dllLoaded = false;
};

// The module dialogs, the icon and messages are loaded from.
extern HMODULE CurrentResourceModule;
// The program's own module, recorded by LoadLanguageDll.
extern HMODULE OwnModule;

void LoadLanguageDll(HINSTANCE instance);
void UnloadLanguageDll();
bool LanguageDllLoaded();

constexpr int MessageBufferSize = 512;
// The text of a message number, valid until eight further calls.
const char* GetMessageText(int number);
