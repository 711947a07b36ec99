#include "document/qdxGraphics.h"

#include <cstdlib>

int32_t qdxMulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t n = static_cast<int64_t>(a) * b;
  int64_t q = n / c;
  int64_t r = n % c;
  // Round half away from zero: compare twice the remainder with the divisor.
  if (2 * std::llabs(r) >= std::llabs(static_cast<int64_t>(c))) q += ((n < 0) != (c < 0)) ? -1 : 1;
  if (q < INT32_MIN || q > INT32_MAX) return -1;
  return static_cast<int32_t>(q);
}

bool qdxIsSystemColor(TqdxColor color) { return (static_cast<uint32_t>(color) & 0xFF000000u) == 0x80000000u; }

namespace {
constexpr TqdxColor Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

// Default desktop colours by system colour index.
constexpr TqdxColor SystemColors[] = {
    Rgb(200, 200, 200),  // scroll bar
    Rgb(0, 0, 0),        // desktop
    Rgb(153, 180, 209),  // active caption
    Rgb(191, 205, 219),  // inactive caption
    Rgb(240, 240, 240),  // menu
    Rgb(255, 255, 255),  // window
    Rgb(100, 100, 100),  // window frame
    Rgb(0, 0, 0),        // menu text
    Rgb(0, 0, 0),        // window text
    Rgb(0, 0, 0),        // caption text
    Rgb(180, 180, 180),  // active border
    Rgb(244, 247, 252),  // inactive border
    Rgb(171, 171, 171),  // application workspace
    Rgb(0, 120, 215),    // highlight
    Rgb(255, 255, 255),  // highlight text
    Rgb(240, 240, 240),  // button face
    Rgb(160, 160, 160),  // button shadow
    Rgb(109, 109, 109),  // grey text
    Rgb(0, 0, 0),        // button text
    Rgb(0, 0, 0),        // inactive caption text
    Rgb(255, 255, 255),  // button highlight
    Rgb(105, 105, 105),  // 3D dark shadow
    Rgb(227, 227, 227),  // 3D light
    Rgb(0, 0, 0),        // tool tip text
    Rgb(255, 255, 225),  // tool tip background
    Rgb(0, 0, 0),        // (unused)
    Rgb(0, 102, 204),    // hot light
    Rgb(185, 209, 234),  // gradient active caption
    Rgb(215, 228, 242),  // gradient inactive caption
    Rgb(0, 120, 215),    // menu highlight
    Rgb(240, 240, 240),  // menu bar
};
}  // namespace

TqdxColor qdxColorToRGB(TqdxColor color) {
  if (!qdxIsSystemColor(color)) return color;
  uint32_t index = static_cast<uint32_t>(color) & 0xFFu;
  if (index < sizeof(SystemColors) / sizeof(SystemColors[0])) return SystemColors[index];
  return clBlack;
}

TqdxColor qdxMiddleColor(TqdxColor start, TqdxColor end) {
  TqdxColor s = qdxColorToRGB(start), e = qdxColorToRGB(end);
  TqdxColor result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    int32_t a = (s >> shift) & 0xFF, b = (e >> shift) & 0xFF;
    result |= ((a + qdxMulDiv(127, b - a, 255)) & 0xFF) << shift;
  }
  return result;
}
