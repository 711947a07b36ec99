#pragma once
// Colours, points and rectangles of the drawing services.

#include <cstdint>

// A colour as the report files store it: red in the low byte, then green and
// blue; the high byte is 0 for plain RGB colours.
using TColor = uint32_t;

constexpr TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) {
  return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}
constexpr uint8_t GetRValue(TColor c) { return uint8_t(c & 0xFF); }
constexpr uint8_t GetGValue(TColor c) { return uint8_t((c >> 8) & 0xFF); }
constexpr uint8_t GetBValue(TColor c) { return uint8_t((c >> 16) & 0xFF); }

constexpr TColor clBlackRGB = 0x000000;
constexpr TColor clWhiteRGB = 0xFFFFFF;

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Sub-pixel position; pixel (x, y) is sampled at the point (x, y).
struct TPointF {
  double X = 0;
  double Y = 0;
};

// Left and top included, right and bottom excluded.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  TRect Intersect(const TRect& o) const {
    TRect r{Left > o.Left ? Left : o.Left, Top > o.Top ? Top : o.Top,
            Right < o.Right ? Right : o.Right, Bottom < o.Bottom ? Bottom : o.Bottom};
    return r;
  }
  TRect Normalized() const {
    return TRect{Left < Right ? Left : Right, Top < Bottom ? Top : Bottom,
                 Left < Right ? Right : Left, Top < Bottom ? Bottom : Top};
  }
  friend bool operator==(const TRect&, const TRect&) = default;
};
