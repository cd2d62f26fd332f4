// Message texts by number: from the language DLL qavlng.dll or the program's
// own string table, passed through the language file's translation.
#pragma once
#include "platform/handles.h"

// The owner of the language DLL while it is loaded (one static instance, see
// app/statics.cpp); the DLL is freed when it is unloaded or at the latest
// when the program ends.
struct ExtResource {
    UniqueLibrary dll;
};

ExtResource& TheExtResource();

// The module dialogs, the icon and messages are loaded from.
extern HMODULE CurrentResourceModule;
// The program's own module, recorded by LoadLanguageDll.
extern HMODULE OwnModule;

// The module that holds the resource `name` of `type`: the language DLL when
// it has it, else the program itself, so that a DLL without dialogs or icon
// (an older edition, or one with texts only) still gets the program's own.
HMODULE ModuleWithResource(const char* name, const char* type);
inline HMODULE DialogModule(const char* name) { return ModuleWithResource(name, RT_DIALOG); }

void LoadLanguageDll(HINSTANCE instance);
void UnloadLanguageDll();
bool LanguageDllLoaded();

constexpr int MessageBufferSize = 512;
// The text of a message number, valid until eight further calls.
const char* GetMessageText(int number);
