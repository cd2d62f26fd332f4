// The deletion schedule of Windows 9x: lines "NUL=<path>" in the [Rename]
// section of wininit.ini, one per file, carried out at the next start.
#pragma once
#include <functional>
#include <string>

// `existing` (the file's bytes, empty when it does not exist) with the line
// "NUL=" + `path` added at the end of its [Rename] section (the section name's
// letter case ignored; the first such section when there are several), or
// with a new [Rename] section at the end of the file when it has none. Every
// other byte is kept; lines end in CR LF, and a last line without a line end
// gets one before anything is added after it.
std::string AddWininitDeletion(const std::string& existing, const std::string& path);

// `existing` without the "NUL=" lines (letter case ignored) of its [Rename]
// sections whose path `drop` gives true for; every other byte stays.
std::string WithoutWininitDeletions(const std::string& existing,
                                    const std::function<bool(const std::string& path)>& drop);
