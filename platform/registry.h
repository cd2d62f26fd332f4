// The registry access layer: every registry read, write and deletion of the
// program goes through these functions. Each opens its key, does one thing
// and closes it; no key handle leaves the layer. Under HKEY_CURRENT_USER,
// paths are relative to "Software\Qavrix" unless they begin with a backslash.
// No write or deletion goes through a registry link (see registry.cpp).
#pragma once
#include <windows.h>
#include <cstddef>

// Builds the path handed to the system; false (output untouched) when the
// caller's path is longer than size - 20 characters.
bool RegMakeKeyPath(HKEY root, const char* path, char* output, std::size_t size);

void RegWriteString(HKEY root, const char* path, const char* valueName, const char* text);
void RegWriteDword(HKEY root, const char* path, const char* valueName, DWORD value);
void RegWriteBinary(HKEY root, const char* path, const char* valueName, const void* bytes, DWORD count);
// Reads a value into `buffer` (always terminated inside it); on failure the
// default text is copied and the result is false. A value too large for the
// buffer fails, and so does one that fills it exactly without a terminator.
bool RegReadString(HKEY root, const char* path, const char* valueName, char* buffer,
                   const char* defaultText, std::size_t size);
DWORD RegGetDword(HKEY root, const char* path, const char* valueName, DWORD defaultValue);
void RegRemoveKey(HKEY root, const char* path);
void RegRemoveValue(HKEY root, const char* path, const char* valueName);
void RegRemoveTree(HKEY root, const char* path);
bool RegKeyExists(HKEY root, const char* path);
// RegRemoveTree, with a line in the run's log saying whether the key went; a
// key that is not there is passed over in silence.
void RemoveKeyTreeLogged(HKEY root, const char* path);

void RegWriteUserString(const char* path, const char* valueName, const char* text);
void RegWriteUserDword(const char* path, const char* valueName, DWORD value);
bool RegReadUserString(const char* path, const char* valueName, char* buffer,
                       const char* defaultText, std::size_t size);
DWORD RegGetUserDword(const char* path, const char* valueName, DWORD defaultValue);

// Every registry call the layer has made since the process started (the
// benchmark compares call counts with it).
unsigned long RegistryCallCount();

// Tests only: the layer calls `deleteKey` with the root and the key's path
// instead of deleting the key itself (nullptr restores the layer's own
// deletion), so a key that cannot be deleted can be staged; returns the
// previous one.
using RegDeleteKeyFunction = LONG (WINAPI*)(HKEY root, LPCSTR path);
RegDeleteKeyFunction SetRegDeleteKeyForTests(RegDeleteKeyFunction deleteKey);
