// Message lookup and the optional language DLL beside the program.
#include "lang/messages.h"
#include "lang/languagefile.h"
#include "platform/text.h"

HMODULE CurrentResourceModule = nullptr;
HMODULE OwnModule = nullptr;

ExtResource& TheExtResource();

ExtResource::~ExtResource() { UnloadLanguageDll(); }

bool LanguageDllLoaded() { return TheExtResource().dllLoaded; }

void UnloadLanguageDll() {
    ExtResource& ext = TheExtResource();
    if (!ext.dllLoaded) return;
    FreeLibrary(CurrentResourceModule);
    CurrentResourceModule = OwnModule;
    ext.dllLoaded = false;
}

void LoadLanguageDll(HINSTANCE instance) {
    UnloadLanguageDll();
    char path[1024];
    DWORD len = GetModuleFileNameA(nullptr, path, sizeof path);
    HMODULE dll = nullptr;
    if (len > 0 && len < sizeof path) {
        char* name = FileNamePart(path);
        std::size_t room = sizeof path - static_cast<std::size_t>(name - path);
        if (CopyText(name, room, "qavlng.dll")) dll = LoadLibraryA(path);
    }
    TheExtResource().dllLoaded = dll != nullptr;
    CurrentResourceModule = dll ? dll : instance;
    OwnModule = instance;
}

namespace {
char MessageBuffers[8][MessageBufferSize];
int rotationIndex = 0;
}

const char* GetMessageText(int number) {
    rotationIndex = rotationIndex + 1 == 8 ? 0 : rotationIndex + 1;
    char* buffer = MessageBuffers[rotationIndex];
    buffer[0] = '\0';
    UINT id = static_cast<UINT>(number);
    if (HasTranslations()) {
        LoadStringA(OwnModule, id, buffer, MessageBufferSize);
    } else if (LoadStringA(CurrentResourceModule, id, buffer, MessageBufferSize) == 0) {
        LoadStringA(OwnModule, id, buffer, MessageBufferSize);
    }
    Translate(buffer, buffer, MessageBufferSize, TextKind::MessageText, nullptr);
    return buffer;
}
