#pragma once
// Metrics of a font: the text metrics of a font at a size, in device pixels
// after the documented GDI definitions, and the outline metrics of a face in
// its design units, as font embedding needs them.

#include <cstdint>
#include <string>

// Device pixels at the font's height. From the OS/2 table (hhea when a face
// has none), with cell = usWinAscent + usWinDescent:
//   Ascent, Descent    usWinAscent, usWinDescent scaled
//   Height             Ascent + Descent
//   InternalLeading    Height - em (the character height)
//   ExternalLeading    max(0, hhea lineGap - (cell - (hhea ascender - descender))) scaled
//   AveCharWidth       xAvgCharWidth scaled
//   MaxCharWidth       hhea advanceWidthMax scaled
struct TFontTextMetrics {
  int32_t Height = 0;
  int32_t Ascent = 0;
  int32_t Descent = 0;
  int32_t InternalLeading = 0;
  int32_t ExternalLeading = 0;
  int32_t AveCharWidth = 0;
  int32_t MaxCharWidth = 0;
  int32_t Weight = 400;  // the face's weight, or the requested one when bold is simulated
  int32_t Overhang = 0;  // extra advance per character of a simulated bold
  bool Italic = false;
  bool Underlined = false;
  bool StruckOut = false;
  bool FixedPitch = false;
  uint8_t CharSet = 1;
  char16_t FirstChar = 0;
  char16_t LastChar = 0;
  char16_t DefaultChar = 0;  // 0: the face's missing-glyph shape
  char16_t BreakChar = 0x20;
};

// Design units of the face (UnitsPerEm to the em).
struct TFontOutlineMetrics {
  int32_t UnitsPerEm = 1000;
  int32_t XMin = 0, YMin = 0, XMax = 0, YMax = 0;  // bounding box of all glyphs
  int32_t Ascender = 0, Descender = 0, LineGap = 0;  // hhea (Descender negative)
  int32_t TypoAscender = 0, TypoDescender = 0, TypoLineGap = 0;  // OS/2
  int32_t WinAscent = 0, WinDescent = 0;  // OS/2 (both positive)
  int32_t CapHeight = 0;  // OS/2, or the height of "H" in older faces
  int32_t XHeight = 0;    // OS/2, or the height of "x"
  double ItalicAngle = 0;  // degrees, counter-clockwise from vertical (negative leans right)
  int32_t UnderlinePosition = 0, UnderlineThickness = 0;  // post; position negative below
  int32_t StrikeoutPosition = 0, StrikeoutSize = 0;        // OS/2
  int32_t AvgCharWidth = 0;  // OS/2 xAvgCharWidth
  int32_t MaxAdvance = 0;    // hhea advanceWidthMax
  int32_t WeightClass = 400;
  char16_t FirstChar = 0, LastChar = 0;           // OS/2 character range
  char16_t DefaultChar = 0, BreakChar = 0x20;     // OS/2 version 2 and later
  bool FixedPitch = false;
  bool Serif = false;   // from the OS/2 family class or the PANOSE serif style
  bool Italic = false;  // the face is designed italic or oblique
  bool Symbolic = false;  // characters are reached through a symbol cmap
  std::string FamilyName;      // name ID 1
  std::string FullName;        // name ID 4
  std::string PostScriptName;  // name ID 6
};
