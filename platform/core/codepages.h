// What the system's code-page conversions accept, by code page.
#pragma once

// Whether WideCharToMultiByte and MultiByteToWideChar refuse every flag for
// `codePage` (but the invalid-characters one for UTF-8 and GB18030), and a
// default character with it: UTF-8 (the ANSI code page with "Use Unicode
// UTF-8 for worldwide language support"), GB18030, HZ, the ISO 2022 and ISCII
// code pages, UTF-7 and Symbol.
bool ConversionTakesNoFlags(unsigned codePage);
