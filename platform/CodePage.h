#pragma once
// Text conversions. The system code page on Linux is UTF-8, so 8-bit text is
// UTF-8; bytes that are not valid UTF-8 (files written elsewhere in a Windows
// code page) are taken as Windows-1252, so no text is ever dropped.

#include <string>
#include <string_view>

// UTF-8 to UTF-16; each byte of an invalid sequence is read as Windows-1252.
std::u16string Utf8ToUtf16(std::string_view s);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view s);
// Valid UTF-8 unchanged; invalid bytes re-read as Windows-1252 and re-encoded.
std::string FixUtf8(std::string_view s);
bool IsValidUtf8(std::string_view s);
// The Unicode character of a Windows-1252 byte.
char16_t Cp1252ToUnicode(unsigned char b);
