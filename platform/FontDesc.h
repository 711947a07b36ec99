#pragma once
// The description of a font as the report objects ask for it: face name,
// height in device pixels, weight and style flags, character set and
// rotation. Heights follow the GDI convention the report files assume.

#include <cstdint>
#include <string>

// Character sets of the report files (the GDI numbers).
namespace FontCharset {
constexpr uint8_t Ansi = 0;
constexpr uint8_t Default = 1;
constexpr uint8_t Symbol = 2;
constexpr uint8_t Mac = 77;
constexpr uint8_t ShiftJis = 128;
constexpr uint8_t Hangeul = 129;
constexpr uint8_t Johab = 130;
constexpr uint8_t Gb2312 = 134;
constexpr uint8_t ChineseBig5 = 136;
constexpr uint8_t Greek = 161;
constexpr uint8_t Turkish = 162;
constexpr uint8_t Vietnamese = 163;
constexpr uint8_t Hebrew = 177;
constexpr uint8_t Arabic = 178;
constexpr uint8_t Baltic = 186;
constexpr uint8_t Russian = 204;
constexpr uint8_t Thai = 222;
constexpr uint8_t EastEurope = 238;
constexpr uint8_t Oem = 255;
}  // namespace FontCharset

constexpr int32_t FontWeightNormal = 400;
constexpr int32_t FontWeightBold = 700;

struct TFontDesc {
  std::string FaceName = "Arial";
  // Device pixels: negative = character height (the em), positive = cell
  // height (ascent + descent), 0 = 12 points at 96 ppi (16 pixels em).
  int32_t Height = 0;
  int32_t Weight = FontWeightNormal;  // 100..900; 0 counts as normal
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  uint8_t CharSet = FontCharset::Default;
  int32_t Escapement = 0;   // tenths of a degree, counter-clockwise
  int32_t Orientation = 0;  // tenths of a degree

  // Semi-bold and heavier select a bold face, as GDI matches them.
  bool IsBold() const { return Weight >= 600; }
  friend bool operator==(const TFontDesc&, const TFontDesc&) = default;
};

// -round(points * ppi / 72), ties to even, as the layout converts point sizes
// into character heights.
int32_t FontHeightFromPoints(double points, int ppi);
