// The system's schedules of deletions at the next start as setup and the
// uninstall share them: wininit.ini of Windows 9x, read and replaced whole,
// and the deletions setup takes out of them again.
#pragma once
#include "platform/core/textwalk.h"
#include <cstddef>
#include <string>

// "<Windows folder>\wininit.ini"; false when it does not fit.
bool WininitPath(char (&path)[PathSize]);

// The whole file's bytes (none when it does not exist); false when it exists
// but cannot be read.
bool ReadWholeFile(const char* path, std::string& bytes);

// Replaces `path` by a file with `bytes`, written whole beside it first, so
// that a crash leaves either the old file or the new one, never half a line.
bool ReplaceWholeFile(const char* path, const std::string& bytes);

// Takes out of the schedule (PendingFileRenameOperations on the NT family,
// wininit.ini on Windows 9x) every deletion of a file in `folder` (with its
// trailing backslash) or below it that exists again under that name: a file
// of a new installation, written before the restart that would delete it.
// A name the uninstall moved a file aside to stays scheduled, and so do
// folders (the restart removes a folder only when it is empty) and every
// rename. Returns how many deletions were taken out.
int KeepFilesFromRestart(const char* folder);
