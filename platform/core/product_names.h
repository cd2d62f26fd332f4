// The product's names, each spelled once: the archiver beside this program,
// the program identifiers setup registers and the clean-up removes, and the
// registry keys both of them use. No <windows.h>: the pure core uses them too.
#pragma once

#define QAV_ARCHIVER_FILE "Qavrix.exe"

// The archiver's main program, in this program's own folder.
constexpr char ArchiverFileName[] = QAV_ARCHIVER_FILE;

// The program identifiers (classes) under HKEY_CLASSES_ROOT: archives in
// general, ZIP archives and recovery volumes, and the extension that points
// at the last one. The first two also begin the shell extension's handler
// keys, hence their macros.
#define QAV_ARCHIVE_PROGRAM_ID "Qavrix"
#define QAV_ZIP_PROGRAM_ID "Qavrix.ZIP"
constexpr char ArchiveProgramId[] = QAV_ARCHIVE_PROGRAM_ID;
constexpr char ZipProgramId[] = QAV_ZIP_PROGRAM_ID;
constexpr char RecoveryProgramId[] = "Qavrix.REV";
constexpr char RecoveryExtension[] = ".rev";

// The per-user product key: relative HKEY_CURRENT_USER paths live under it.
constexpr char ProductKeyPath[] = "Software\\Qavrix";
// Under HKEY_LOCAL_MACHINE: the archiver's application path and the entry in
// the list of installed programs.
constexpr char AppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" QAV_ARCHIVER_FILE;
constexpr char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Qavrix archiver";
