#pragma once
// Conversion between UTF-8 (the program's 8-bit text) and the Windows and OEM
// code pages some outputs are written in, by code page number, through iconv.
// A character the target cannot hold becomes "?", as does a byte with no
// meaning in the source code page; nothing is dropped silently. Invalid UTF-8
// input is read as Windows-1252 first, like all 8-bit text of the program.
//
// Code pages 0 (the system's) and 65001 are UTF-8; 1 (the OEM one) is 437, the
// OEM code page of the en-US settings; 1252 is converted with the same table
// as the rest of the program (CodePage.h).

#include <cstdint>
#include <string>
#include <string_view>

// The iconv name of a code page ("CP1251", "IBM437", "KOI8-R", ...).
std::string CodePageName(int codePage);
// Whether this system can convert the code page.
bool IsCodePageSupported(int codePage);

// Both throw std::invalid_argument for a code page that is not supported.
std::string Utf8ToCodePage(std::string_view utf8, int codePage);
std::string CodePageToUtf8(std::string_view bytes, int codePage);
std::string Utf16ToCodePage(std::u16string_view text, int codePage);
std::u16string CodePageToUtf16(std::string_view bytes, int codePage);

// The code page of a font character set (1252 for the ANSI and default sets,
// 0 for the symbol set, which has none).
int CharsetToCodePage(uint8_t charSet);
