#include "platform/Rasterizer.h"

#include <algorithm>
#include <cmath>

namespace {

struct TEdge {
  double X0, Y0, X1, Y1;  // oriented top to bottom
  int Dir;                // +1 when the contour runs downwards here
  int RowFirst, RowEnd;   // sampled rows [RowFirst, RowEnd)
  double At(int y) const {
    // Multiplying before dividing keeps crossings that are whole numbers exact.
    return X0 + (double(y) - Y0) * (X1 - X0) / (Y1 - Y0);
  }
};

struct TCrossing {
  double X;
  int Dir;
};

int CeilToInt(double v, int lo, int hi) {
  double c = std::ceil(v);
  if (c < lo)
    return lo;
  if (c > hi)
    return hi;
  return int(c);
}

}  // namespace

void RasterizePolygons(std::span<const std::vector<TPointF>> contours, TFillRule rule, const TRect& bounds,
                       std::vector<TSpan>& out) {
  if (bounds.IsEmpty())
    return;
  std::vector<TEdge> edges;
  for (const auto& c : contours) {
    size_t n = c.size();
    if (n < 3)
      continue;
    for (size_t i = 0; i < n; ++i) {
      TPointF a = c[i], b = c[(i + 1) % n];
      if (a.Y == b.Y || !std::isfinite(a.X) || !std::isfinite(a.Y) || !std::isfinite(b.X) || !std::isfinite(b.Y))
        continue;
      TEdge e;
      e.Dir = a.Y < b.Y ? 1 : -1;
      if (a.Y > b.Y)
        std::swap(a, b);
      e.X0 = a.X;
      e.Y0 = a.Y;
      e.X1 = b.X;
      e.Y1 = b.Y;
      e.RowFirst = CeilToInt(a.Y, bounds.Top, bounds.Bottom);
      e.RowEnd = CeilToInt(b.Y, bounds.Top, bounds.Bottom);
      if (e.RowFirst < e.RowEnd)
        edges.push_back(e);
    }
  }
  if (edges.empty())
    return;
  std::sort(edges.begin(), edges.end(), [](const TEdge& a, const TEdge& b) { return a.RowFirst < b.RowFirst; });
  int yEnd = 0;
  for (const TEdge& e : edges)
    yEnd = std::max(yEnd, e.RowEnd);

  std::vector<const TEdge*> active;
  std::vector<TCrossing> xs;
  size_t next = 0;
  for (int y = edges[0].RowFirst; y < yEnd; ++y) {
    if (active.empty() && next < edges.size() && edges[next].RowFirst > y)
      y = edges[next].RowFirst;
    while (next < edges.size() && edges[next].RowFirst <= y)
      active.push_back(&edges[next++]);
    active.erase(std::remove_if(active.begin(), active.end(), [y](const TEdge* e) { return e->RowEnd <= y; }),
                 active.end());
    if (active.empty())
      continue;
    xs.clear();
    for (const TEdge* e : active)
      xs.push_back(TCrossing{e->At(y), e->Dir});
    std::sort(xs.begin(), xs.end(), [](const TCrossing& a, const TCrossing& b) { return a.X < b.X; });
    size_t rowStart = out.size();
    auto emit = [&](double xl, double xr) {
      int a = CeilToInt(xl, bounds.Left, bounds.Right);
      int b = CeilToInt(xr, bounds.Left, bounds.Right);
      if (a >= b)
        return;
      if (out.size() > rowStart && out.back().X1 >= a)
        out.back().X1 = std::max(out.back().X1, b);
      else
        out.push_back(TSpan{y, a, b});
    };
    if (rule == TFillRule::frAlternate) {
      for (size_t i = 0; i + 1 < xs.size(); i += 2)
        emit(xs[i].X, xs[i + 1].X);
    } else {
      int wind = 0;
      double start = 0;
      for (const TCrossing& c : xs) {
        int before = wind;
        wind += c.Dir;
        if (before == 0 && wind != 0)
          start = c.X;
        else if (before != 0 && wind == 0)
          emit(start, c.X);
      }
    }
  }
}

namespace {

// Inclusive pixel range of row y of the ellipse inscribed in [l, r] x [t, b];
// false when the row misses it.
bool EllipseRow(int l, int t, int r, int b, int y, int& xa, int& xb) {
  double cx = (double(l) + r) / 2, cy = (double(t) + b) / 2;
  // Half a pixel more than the centre-to-centre radius so that the extreme
  // pixels of the box belong to the ellipse.
  double a = (double(r) - l) / 2 + 0.5, bb = (double(b) - t) / 2 + 0.5;
  double dy = (y - cy) / bb;
  double q = 1 - dy * dy;
  if (q < 0 || y < t || y > b)
    return false;
  double half = a * std::sqrt(q);
  xa = int(std::ceil(cx - half));
  xb = int(std::floor(cx + half));
  xa = std::max(xa, l);
  xb = std::min(xb, r);
  return xa <= xb;
}

}  // namespace

void EllipseSpans(int l, int t, int r, int b, std::vector<TSpan>& out, int rowFrom, int rowTo) {
  if (r < l || b < t)
    return;
  for (int y = std::max(t, rowFrom); y <= std::min(b, rowTo); ++y) {
    int xa, xb;
    if (EllipseRow(l, t, r, b, y, xa, xb))
      out.push_back(TSpan{y, xa, xb + 1});
  }
}

void RoundRectSpans(int l, int t, int r, int b, int ellipseWidth, int ellipseHeight, std::vector<TSpan>& out,
                    int rowFrom, int rowTo) {
  if (r < l || b < t)
    return;
  // Corner ellipses larger than the box are clamped to it.
  int ew = std::clamp(std::abs(ellipseWidth), 0, r - l + 1);
  int eh = std::clamp(std::abs(ellipseHeight), 0, b - t + 1);
  int yFrom = std::max(t, rowFrom), yTo = std::min(b, rowTo);
  if (ew < 2 || eh < 2) {
    for (int y = yFrom; y <= yTo; ++y)
      out.push_back(TSpan{y, l, r + 1});
    return;
  }
  // The rounded rectangle is the corner ellipse cut in halves and pulled apart
  // by the straight parts.
  int stretchX = (r - l + 1) - ew, stretchY = (b - t + 1) - eh;
  int el = l, et = t, er = l + ew - 1, eb = t + eh - 1;
  int midTop = t + (eh - 1) / 2, midBottom = b - (eh - 1) / 2;
  for (int y = yFrom; y <= yTo; ++y) {
    int ey;
    if (y <= midTop)
      ey = y;
    else if (y >= midBottom)
      ey = y - stretchY;
    else {
      out.push_back(TSpan{y, l, r + 1});
      continue;
    }
    int xa, xb;
    if (!EllipseRow(el, et, er, eb, ey, xa, xb))
      continue;
    double ecx = (double(el) + er) / 2;
    int left = xa <= ecx ? xa : int(std::floor(ecx));
    int right = (xb >= ecx ? xb : int(std::ceil(ecx))) + stretchX;
    out.push_back(TSpan{y, left, right + 1});
  }
}

void SplitOutline(const std::vector<TSpan>& shape, std::vector<TSpan>& outline, std::vector<TSpan>& interior) {
  for (size_t i = 0; i < shape.size(); ++i) {
    const TSpan& s = shape[i];
    bool hasUp = i > 0 && shape[i - 1].Y == s.Y - 1;
    bool hasDown = i + 1 < shape.size() && shape[i + 1].Y == s.Y + 1;
    int ia = s.X1, ib = s.X1;  // interior [ia, ib)
    if (hasUp && hasDown) {
      ia = std::max({shape[i - 1].X0, shape[i + 1].X0, s.X0 + 1});
      ib = std::min({shape[i - 1].X1, shape[i + 1].X1, s.X1 - 1});
    }
    if (ia >= ib) {
      outline.push_back(s);
      continue;
    }
    if (s.X0 < ia)
      outline.push_back(TSpan{s.Y, s.X0, ia});
    interior.push_back(TSpan{s.Y, ia, ib});
    if (ib < s.X1)
      outline.push_back(TSpan{s.Y, ib, s.X1});
  }
}
