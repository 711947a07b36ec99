#include "platform/PenStroker.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

using TContour = std::vector<TPointF>;

TPointF Add(TPointF a, TPointF b) { return {a.X + b.X, a.Y + b.Y}; }
TPointF Sub(TPointF a, TPointF b) { return {a.X - b.X, a.Y - b.Y}; }
TPointF Mul(TPointF a, double k) { return {a.X * k, a.Y * k}; }
double Len(TPointF a) { return std::hypot(a.X, a.Y); }

double SignedArea(const TContour& c) {
  double s = 0;
  for (size_t i = 0; i < c.size(); ++i) {
    const TPointF& a = c[i];
    const TPointF& b = c[(i + 1) % c.size()];
    s += a.X * b.Y - b.X * a.Y;
  }
  return s / 2;
}

void Emit(TContour c, std::vector<TContour>& out) {
  if (c.size() < 3)
    return;
  if (SignedArea(c) < 0)
    std::reverse(c.begin(), c.end());
  out.push_back(std::move(c));
}

void Circle(TPointF c, double r, std::vector<TContour>& out) {
  // About one vertex per pixel of circumference keeps the polygon within a
  // small fraction of a pixel of the circle.
  int n = std::clamp(int(std::ceil(2 * std::numbers::pi * r)), 8, 720);
  TContour poly;
  poly.reserve(size_t(n));
  for (int i = 0; i < n; ++i) {
    double a = 2 * std::numbers::pi * i / n;
    poly.push_back({c.X + r * std::cos(a), c.Y + r * std::sin(a)});
  }
  Emit(std::move(poly), out);
}

// The square around p oriented along the unit direction d.
void Square(TPointF p, TPointF d, double hw, std::vector<TContour>& out) {
  TPointF n{-d.Y, d.X};
  TPointF a = Mul(d, hw), b = Mul(n, hw);
  Emit({Sub(Sub(p, a), b), Sub(Add(p, a), b), Add(Add(p, a), b), Add(Sub(p, a), b)}, out);
}

void Join(TPointF p, TPointF d1, TPointF d2, const TStrokeStyle& st, std::vector<TContour>& out) {
  double hw = st.Width / 2;
  double cross = d1.X * d2.Y - d1.Y * d2.X;
  double dot = d1.X * d2.X + d1.Y * d2.Y;
  // Nearly straight on (as along a polygonized curve) the segments already
  // meet to well under a tenth of a pixel: no join needed.
  if (dot > 0 && hw * std::fabs(std::atan2(cross, dot)) < 0.1)
    return;
  if (st.Join == TPenJoin::pjRound) {
    Circle(p, hw, out);
    return;
  }
  // The outer side is where the path turns away from.
  double side = cross > 0 ? -1 : 1;
  TPointF n1 = Mul(TPointF{-d1.Y, d1.X}, side * hw), n2 = Mul(TPointF{-d2.Y, d2.X}, side * hw);
  TPointF o1 = Add(p, n1), o2 = Add(p, n2);
  if (st.Join == TPenJoin::pjMiter) {
    TPointF bis = Add(n1, n2);
    double bl = Len(bis);
    if (bl > 1e-12) {
      double cosHalf = bl / (2 * hw);  // cos of half the angle between the offsets
      double ratio = 1 / cosHalf;
      if (ratio <= st.MiterLimit) {
        TPointF m = Add(p, Mul(bis, hw * ratio / bl));
        Emit({p, o1, m, o2}, out);
        return;
      }
    }
  }
  Emit({p, o1, o2}, out);
}

// Strokes one connected dash or undashed path (no repeated points).
void StrokePiece(const std::vector<TPointF>& pts, bool closed, const TStrokeStyle& st, TPointF dir,
                 std::vector<TContour>& out) {
  double hw = st.Width / 2;
  if (pts.size() == 1) {
    // A dash of no length still shows its caps.
    if (st.Cap == TPenEndCap::pecRound)
      Circle(pts[0], hw, out);
    else if (st.Cap == TPenEndCap::pecSquare)
      Square(pts[0], dir, hw, out);
    return;
  }
  size_t n = pts.size();
  size_t segs = closed ? n : n - 1;
  std::vector<TPointF> dirs(segs);
  for (size_t i = 0; i < segs; ++i) {
    TPointF d = Sub(pts[(i + 1) % n], pts[i]);
    dirs[i] = Mul(d, 1 / Len(d));
  }
  for (size_t i = 0; i < segs; ++i) {
    TPointF a = pts[i], b = pts[(i + 1) % n], d = dirs[i];
    if (!closed && st.Cap == TPenEndCap::pecSquare) {
      if (i == 0)
        a = Sub(a, Mul(d, hw));
      if (i + 1 == segs)
        b = Add(b, Mul(d, hw));
    }
    TPointF nn = Mul(TPointF{-d.Y, d.X}, hw);
    Emit({Add(a, nn), Add(b, nn), Sub(b, nn), Sub(a, nn)}, out);
  }
  for (size_t i = closed ? 0 : 1; i < segs && i < n; ++i) {
    size_t prev = (i + segs - 1) % segs;
    if (!closed && i == 0)
      continue;
    Join(pts[i], dirs[prev], dirs[i], st, out);
  }
  if (!closed && st.Cap == TPenEndCap::pecRound) {
    Circle(pts.front(), hw, out);
    Circle(pts.back(), hw, out);
  }
}

}  // namespace

std::vector<int> CosmeticDashes(TPenStyle style) {
  switch (style) {
    case TPenStyle::psDash: return {18, 6};
    case TPenStyle::psDot: return {3, 3};
    case TPenStyle::psDashDot: return {9, 6, 3, 6};
    case TPenStyle::psDashDotDot: return {9, 3, 3, 3, 3, 3};
    default: return {};
  }
}

TStrokeStyle StrokeStyleOf(const TPen& pen) {
  TStrokeStyle st;
  double w = std::max(1, pen.Width);
  st.Width = w;
  st.Cap = pen.EndCap;
  st.Join = pen.Join;
  switch (pen.Style) {
    case TPenStyle::psDash: st.Dashes = {3 * w, w}; break;
    case TPenStyle::psDot: st.Dashes = {w, w}; break;
    case TPenStyle::psDashDot: st.Dashes = {3 * w, w, w, w}; break;
    case TPenStyle::psDashDotDot: st.Dashes = {3 * w, w, w, w, w, w}; break;
    case TPenStyle::psUserStyle:
      for (int d : pen.Dashes)
        st.Dashes.push_back(std::max(0, d));
      break;
    default: break;
  }
  // An odd-length pattern repeats with on and off swapped, as if written twice.
  if (st.Dashes.size() % 2 == 1) {
    std::vector<double> twice = st.Dashes;
    twice.insert(twice.end(), st.Dashes.begin(), st.Dashes.end());
    st.Dashes = std::move(twice);
  }
  double total = 0;
  for (double d : st.Dashes)
    total += d;
  if (total <= 0)
    st.Dashes.clear();
  return st;
}

void StrokePath(const std::vector<TPointF>& input, bool closed, const TStrokeStyle& st,
                std::vector<std::vector<TPointF>>& out) {
  std::vector<TPointF> pts;
  for (const TPointF& p : input)
    if (pts.empty() || p.X != pts.back().X || p.Y != pts.back().Y)
      pts.push_back(p);
  if (closed && pts.size() > 1 && pts.front().X == pts.back().X && pts.front().Y == pts.back().Y)
    pts.pop_back();
  if (pts.empty())
    return;
  if (pts.size() == 1) {
    // A path of one point shows its caps, like a dash of no length.
    if (!closed)
      StrokePiece(pts, false, st, TPointF{1, 0}, out);
    return;
  }
  if (closed && pts.size() == 2)
    closed = false;  // there and back: the open path covers the same pixels
  if (st.Dashes.empty()) {
    StrokePiece(pts, closed, st, TPointF{1, 0}, out);
    return;
  }
  if (closed)
    pts.push_back(pts.front());
  // Walk the path, cutting it into the "on" pieces of the pattern.
  size_t di = 0;
  double left = st.Dashes[0];
  std::vector<TPointF> piece{pts[0]};
  TPointF lastDir{1, 0};
  for (size_t i = 0; i + 1 < pts.size(); ++i) {
    TPointF a = pts[i], b = pts[i + 1];
    TPointF d = Sub(b, a);
    double len = Len(d);
    TPointF u = Mul(d, 1 / len);
    lastDir = u;
    double pos = 0;
    while (len - pos >= left) {
      pos += left;
      TPointF p = Add(a, Mul(u, pos));
      bool on = di % 2 == 0;
      if (on) {
        piece.push_back(p);
        std::vector<TPointF> clean;
        for (const TPointF& q : piece)
          if (clean.empty() || q.X != clean.back().X || q.Y != clean.back().Y)
            clean.push_back(q);
        StrokePiece(clean, false, st, u, out);
        piece.clear();
      } else {
        piece.assign(1, p);
      }
      di = (di + 1) % st.Dashes.size();
      left = st.Dashes[di];
    }
    left -= len - pos;
    if (di % 2 == 0)
      piece.push_back(b);
  }
  if (di % 2 == 0 && !piece.empty()) {
    std::vector<TPointF> clean;
    for (const TPointF& q : piece)
      if (clean.empty() || q.X != clean.back().X || q.Y != clean.back().Y)
        clean.push_back(q);
    StrokePiece(clean, false, st, lastDir, out);
  }
}
