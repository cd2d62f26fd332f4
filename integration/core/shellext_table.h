// The shell extension's class identifier and every registry entry that ties
// it into the shell, each with the way unregistering takes it away again.
#pragma once

// {6F2A94C1-3D58-4E07-B2A9-71C5E08D3F46}: braces, upper-case hex, 38 characters.
extern const char ShellExtGuid[];
constexpr int ShellExtGuidLength = 38;

enum class ShellExtRoot { ClassesRoot, LocalMachine };

// What a registered value holds.
enum class ShellExtData {
    Text,        // the entry's fixed text (possibly empty)
    ModulePath,  // the full path of "qavext.dll" beside the program
    Guid,        // the class identifier text
};

// How unregistering undoes an entry.
enum class ShellExtRemoval {
    Key,         // the key goes (one level: a key that gained subkeys stays on the NT family)
    Value,       // only the value goes; the key is shared with others
    WithItsKey,  // nothing of its own: an earlier entry removes its key
};

struct ShellExtEntry {
    ShellExtRoot root;
    const char* key;
    const char* valueName;   // "" is the default value
    ShellExtData data;
    const char* text;        // for ShellExtData::Text
    bool needsModule;        // written only when "qavext.dll" exists
    ShellExtRemoval removal;
};

// Registering writes the entries in this order and unregistering walks them
// in the same order.
constexpr int ShellExtEntryCount = 17;
extern const ShellExtEntry ShellExtEntries[ShellExtEntryCount];
