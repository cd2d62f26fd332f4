// The two empty-archive images the shell's New menu offers for QAV and ZIP.
// Both are held with a zero first byte, which PutTemplateFirstBytes sets
// before they are written anywhere.
#pragma once
#include <cstddef>

constexpr std::size_t QavTemplateSize = 20;
constexpr std::size_t ZipTemplateSize = 22;

extern unsigned char QavEmptyArchive[QavTemplateSize];
extern unsigned char ZipEmptyArchive[ZipTemplateSize];

void PutTemplateFirstBytes();
