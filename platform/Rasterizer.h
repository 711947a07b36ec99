#pragma once
// The scanline rasterizer behind the raster canvas and region building.
// Pixel (x, y) is sampled at the point (x, y); a shape covers the pixels whose
// sample lies inside it, with left and top edges inside and right and bottom
// edges outside, so adjacent shapes never share or miss a pixel.

#include "platform/GraphicsTypes.h"
#include "platform/Region.h"

#include <algorithm>
#include <cstdlib>
#include <span>
#include <vector>

// A run of pixels [X0, X1) on row Y.
struct TSpan {
  int Y;
  int X0;
  int X1;
  friend bool operator==(const TSpan&, const TSpan&) = default;
};

// Appends the spans of the polygons under the fill rule, limited to bounds:
// rows ascending, spans of a row ascending and disjoint.
void RasterizePolygons(std::span<const std::vector<TPointF>> contours, TFillRule rule, const TRect& bounds,
                       std::vector<TSpan>& out);

// The pixels of the ellipse inscribed in the inclusive pixel box
// [l, r] x [t, b]: one span per row from t to b.
// Rows outside [rowFrom, rowTo] are left out.
void EllipseSpans(int l, int t, int r, int b, std::vector<TSpan>& out, int rowFrom = INT32_MIN,
                  int rowTo = INT32_MAX);
// The same for a rectangle with corners rounded by an ellipse of the given size.
void RoundRectSpans(int l, int t, int r, int b, int ellipseWidth, int ellipseHeight, std::vector<TSpan>& out,
                    int rowFrom = INT32_MIN, int rowTo = INT32_MAX);

// Splits one-span-per-row shapes (as above) into their one-pixel outline, the
// pixels with a neighbour outside, and the interior.
void SplitOutline(const std::vector<TSpan>& shape, std::vector<TSpan>& outline, std::vector<TSpan>& interior);

// Visits the pixels of the line from (x0, y0) towards (x1, y1), leaving out
// the end pixel: plot(x, y, step) with step counted from the start pixel.
// Along the major axis every step advances one pixel; the minor coordinate is
// the exact one rounded, halves away from the start. Steps whose major
// coordinate lies outside limit are skipped without being walked, so a line
// far longer than the bitmap costs no more than the bitmap's size.
template <class F>
void BresenhamLine(int x0, int y0, int x1, int y1, const TRect& limit, F&& plot) {
  long long dx = (long long)x1 - x0, dy = (long long)y1 - y0;
  long long adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  bool xMajor = adx >= ady;
  long long a = xMajor ? adx : ady, b = xMajor ? ady : adx;  // major and minor extents
  if (a == 0)
    return;
  int s = (xMajor ? dx : dy) < 0 ? -1 : 1, t = (xMajor ? dy : dx) < 0 ? -1 : 1;
  long long major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
  long long lo = xMajor ? limit.Left : limit.Top, hi = xMajor ? limit.Right : limit.Bottom;
  long long from = 0, to = a;
  if (s > 0) {
    from = std::max(from, lo - major0);
    to = std::min(to, hi - major0);
  } else {
    from = std::max(from, major0 - (hi - 1));
    to = std::min(to, major0 - lo + 1);
  }
  if (from >= to)
    return;
  // m = round(from * b / a) with halves up; e = 2*b*from + a - 2*a*m in [0, 2a).
  __int128 num = (__int128)2 * b * from + a;
  long long m = (long long)(num / (2 * a));
  long long e = (long long)(num - (__int128)2 * a * m);
  for (long long i = from; i < to; ++i) {
    long long major = major0 + s * i, minor = minor0 + t * m;
    if (xMajor)
      plot(int(major), int(minor), i);
    else
      plot(int(minor), int(major), i);
    e += 2 * b;
    if (e >= 2 * a) {
      ++m;
      e -= 2 * a;
    }
  }
}
