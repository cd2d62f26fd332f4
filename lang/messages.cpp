// Message lookup and the optional language DLL beside the program.
#include "lang/messages.h"
#include "lang/languagefile.h"
#include "platform/program_path.h"

HMODULE CurrentResourceModule = nullptr;
HMODULE OwnModule = nullptr;

bool LanguageDllLoaded() { return static_cast<bool>(TheExtResource().dll); }

HMODULE ModuleWithResource(const char* name, const char* type) {
    if (FindResourceA(CurrentResourceModule, name, type)) return CurrentResourceModule;
    return OwnModule ? OwnModule : CurrentResourceModule;
}

void UnloadLanguageDll() {
    UniqueLibrary& dll = TheExtResource().dll;
    if (!dll) return;
    dll.reset();
    CurrentResourceModule = OwnModule;
}

void LoadLanguageDll(HINSTANCE instance) {
    UnloadLanguageDll();
    UniqueLibrary& dll = TheExtResource().dll;
    char path[PathSize];
    if (FileBesideProgram("qavlng.dll", path)) dll.reset(LoadLibraryA(path));
    CurrentResourceModule = dll ? dll.get() : instance;
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
