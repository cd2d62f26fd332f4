// The program's own path and the files beside it. The path is read once, at
// start-up (the one ProgramLocation is built in app/statics.cpp, right after
// the lead-byte table it walks with); everything else asks these functions.
#pragma once
#include "platform/core/textwalk.h"
#include <cstddef>
#include <string>

class ProgramLocation {
public:
    // Reads this program's path and splits off its folder.
    ProgramLocation();
    ProgramLocation(const ProgramLocation&) = delete;
    ProgramLocation& operator=(const ProgramLocation&) = delete;

    const char* Path() const { return path_; }
    const char* Folder() const { return folder_; }
    // False when the path is unknown, or when the ANSI code page cannot
    // write its name: the system then gives "?" or a look-alike in place of
    // a character, and the path names nothing, or something else.
    bool Written() const { return written_; }

private:
    char path_[PathSize] = "";
    char folder_[PathSize] = "";
    bool written_ = false;
};

ProgramLocation& TheProgramLocation();

// This program's full path; empty when it is unknown or does not fit PathSize.
const char* ProgramPath();
// True when ProgramPath() is known and names this program as it is: the ANSI
// code page can write every character of it.
bool ProgramPathInCodePage();
// The folder the program runs from, with its trailing backslash (the test
// folder while one is set); empty when unknown.
const char* ProgramFolder();
// That folder as the system names a folder, the installation folder: no
// trailing backslash except at a root ("C:\"); false, with `out` empty, when
// the folder is unknown or does not fit `size` bytes.
bool InstallationFolder(char* out, std::size_t size);
template <std::size_t N>
bool InstallationFolder(char (&out)[N]) {
    return InstallationFolder(out, N);
}
// `fileName` in that folder; false, with `path` empty, when the folder is
// unknown or the path does not fit `size` bytes.
bool FileBesideProgram(const char* fileName, char* path, std::size_t size);
template <std::size_t N>
bool FileBesideProgram(const char* fileName, char (&path)[N]) {
    return FileBesideProgram(fileName, path, N);
}

// Tests only: another folder instead of the program's own (nullptr restores
// it); returns the previous test folder, empty when there was none.
std::string SetProgramFolderForTests(const char* folder);
