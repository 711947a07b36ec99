#pragma once
// Colours, units and rectangles shared by the report objects.

#include <cstdint>

// A colour: red in the low byte, then green and blue. The high byte 0x80
// marks a system colour (the low byte is its index).
using TqdxColor = int32_t;

constexpr TqdxColor clNone = 536870911;  // no colour: transparent
constexpr TqdxColor clBlack = 0;
constexpr TqdxColor clRed = 255;
constexpr TqdxColor clGray = 8421504;
constexpr TqdxColor clWhite = 16777215;

// Pixels (96 per inch) per millimetre, kept as the decimal constant the files
// were written with rather than 96 / 25.4.
constexpr double qd01cm = 3.77953;

// a * b / c rounded half away from zero, as integer colour and font arithmetic
// expects; -1 when c is 0 or the result does not fit.
int32_t qdxMulDiv(int32_t a, int32_t b, int32_t c);

bool qdxIsSystemColor(TqdxColor color);
// A system colour as RGB (the usual desktop defaults); other colours,
// clNone included, are returned unchanged.
TqdxColor qdxColorToRGB(TqdxColor color);
// The colour halfway from start to end: each of red, green and blue is
// start + MulDiv(127, end - start, 255).
TqdxColor qdxMiddleColor(TqdxColor start, TqdxColor end);

// A rectangle in pixels (left, top, right, bottom).
struct TqdxRect {
  double Left = 0;
  double Top = 0;
  double Right = 0;
  double Bottom = 0;
};

// Ordinal of a set element as its bit.
constexpr uint32_t qdxBit(int element) { return uint32_t(1) << element; }
