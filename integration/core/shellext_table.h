// The shell extension's class identifier and every registry entry that ties
// it into the shell, with the order in which they are taken away again.
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

struct ShellExtEntry {
    ShellExtRoot root;
    const char* key;
    const char* valueName;   // "" is the default value
    ShellExtData data;
    const char* text;        // for ShellExtData::Text
    bool needsModule;        // written only when "qavext.dll" exists
};

constexpr int ShellExtEntryCount = 17;
extern const ShellExtEntry ShellExtEntries[ShellExtEntryCount];

// One step of unregistering: a single-level key deletion when `valueName`
// is null, else the deletion of that value (the key stays).
struct ShellExtRemoval {
    ShellExtRoot root;
    const char* key;
    const char* valueName;
};

constexpr int ShellExtRemovalCount = 16;
extern const ShellExtRemoval ShellExtRemovals[ShellExtRemovalCount];
