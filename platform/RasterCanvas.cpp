#include "platform/RasterCanvas.h"

#include "platform/GlyphRasterizer.h"
#include "platform/PenStroker.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

namespace {

TGlyphRasterizer* GDefaultGlyphs = nullptr;

std::vector<TPointF> ToF(std::span<const TPoint> pts) {
  std::vector<TPointF> out;
  out.reserve(pts.size());
  for (const TPoint& p : pts)
    out.push_back(TPointF{double(p.X), double(p.Y)});
  return out;
}

// Points on the ellipse through the pixel centres cx +- a, cy +- b.
void EllipsePath(double cx, double cy, double a, double b, std::vector<TPointF>& out) {
  int n = std::clamp(int(std::ceil(std::numbers::pi * (a + b))), 16, 4000);
  for (int i = 0; i < n; ++i) {
    double t = 2 * std::numbers::pi * i / n;
    out.push_back(TPointF{cx + a * std::cos(t), cy + b * std::sin(t)});
  }
}

// Rounded rectangle path through the pixel centres of [l, r] x [t, b].
void RoundRectPath(double l, double t, double r, double b, double rx, double ry, std::vector<TPointF>& out) {
  rx = std::clamp(rx, 0.0, (r - l) / 2);
  ry = std::clamp(ry, 0.0, (b - t) / 2);
  if (rx <= 0 || ry <= 0) {
    out.insert(out.end(), {{l, t}, {r, t}, {r, b}, {l, b}});
    return;
  }
  int n = std::clamp(int(std::ceil(std::numbers::pi * (rx + ry) / 4)), 4, 1000);
  auto arc = [&](double cx, double cy, double from) {
    for (int i = 0; i <= n; ++i) {
      double a = from + std::numbers::pi / 2 * i / n;
      out.push_back(TPointF{cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
  };
  arc(r - rx, t + ry, -std::numbers::pi / 2);  // top right
  arc(r - rx, b - ry, 0);                      // bottom right
  arc(l + rx, b - ry, std::numbers::pi / 2);   // bottom left
  arc(l + rx, t + ry, std::numbers::pi);       // top left
}

std::vector<TPoint> Rounded(const std::vector<TPointF>& pts) {
  std::vector<TPoint> out;
  for (const TPointF& p : pts) {
    TPoint q{int(std::lround(p.X)), int(std::lround(p.Y))};
    if (out.empty() || !(out.back() == q))
      out.push_back(q);
  }
  if (out.size() > 1 && out.front() == out.back())
    out.pop_back();
  return out;
}

}  // namespace

TRasterCanvas::TRasterCanvas(TBitmap& bitmap) : FBitmap(bitmap) {
  if (bitmap.PixelFormat() != TPixelFormat::pf24bit)
    throw EImageError("the raster canvas draws on 24-bit bitmaps only");
  ClipChanged();
}

void TRasterCanvas::SetDefaultGlyphRasterizer(TGlyphRasterizer* glyphs) { GDefaultGlyphs = glyphs; }

void TRasterCanvas::ClipChanged() {
  TRect all{0, 0, FBitmap.Width(), FBitmap.Height()};
  FClip.clear();
  FBands.clear();
  if (const TRegion* clip = ClipRegion()) {
    TRegion r(all);
    r.Combine(*clip, TRegionOp::roIntersect);
    FClip = r.Rects();
  } else if (!all.IsEmpty()) {
    FClip.push_back(all);
  }
  for (size_t i = 0; i < FClip.size(); ++i) {
    if (FBands.empty() || FBands.back().Top != FClip[i].Top)
      FBands.push_back(TBand{FClip[i].Top, FClip[i].Bottom, i, i + 1});
    else
      FBands.back().Last = i + 1;
  }
}

std::span<const TRect> TRasterCanvas::RowClip(int y) const {
  auto it = std::upper_bound(FBands.begin(), FBands.end(), y, [](int v, const TBand& b) { return v < b.Bottom; });
  if (it == FBands.end() || it->Top > y)
    return {};
  return std::span<const TRect>(FClip.data() + it->First, it->Last - it->First);
}

bool TRasterCanvas::Visible(int x, int y) const {
  for (const TRect& r : RowClip(y))
    if (x >= r.Left && x < r.Right)
      return true;
  return false;
}

void TRasterCanvas::Put(int x, int y, TColor c) {
  if (!Visible(x, y))
    return;
  uint8_t* p = FBitmap.ScanLine(y) + size_t(x) * 3;
  p[0] = GetBValue(c);
  p[1] = GetGValue(c);
  p[2] = GetRValue(c);
}

void TRasterCanvas::SolidSpans(const std::vector<TSpan>& spans, TColor c) {
  uint8_t b = GetBValue(c), g = GetGValue(c), r = GetRValue(c);
  for (const TSpan& s : spans)
    for (const TRect& cr : RowClip(s.Y)) {
      int x0 = std::max(s.X0, cr.Left), x1 = std::min(s.X1, cr.Right);
      uint8_t* p = FBitmap.ScanLine(s.Y) + size_t(std::max(x0, 0)) * 3;
      for (int x = x0; x < x1; ++x, p += 3) {
        p[0] = b;
        p[1] = g;
        p[2] = r;
      }
    }
}

void TRasterCanvas::BrushSpans(const std::vector<TSpan>& spans) {
  const TBrush& brush = Brush();
  if (brush.Style == TBrushStyle::bsClear)
    return;
  if (brush.Style == TBrushStyle::bsSolid) {
    SolidSpans(spans, brush.Color);
    return;
  }
  bool opaque = State().BkMode == TBkMode::bkOpaque;
  TColor bk = State().BkColor;
  for (const TSpan& s : spans)
    for (const TRect& cr : RowClip(s.Y)) {
      int x0 = std::max(s.X0, cr.Left), x1 = std::min(s.X1, cr.Right);
      for (int x = x0; x < x1; ++x) {
        if (HatchPixel(brush.Style, x, s.Y))
          FBitmap.SetPixel(x, s.Y, brush.Color);
        else if (opaque)
          FBitmap.SetPixel(x, s.Y, bk);
      }
    }
}

void TRasterCanvas::MoveTo(int x, int y) {
  TCanvas::MoveTo(x, y);
  FDashOn.clear();  // the next line starts the pattern afresh
}

void TRasterCanvas::CosmeticLine(int x0, int y0, int x1, int y1) {
  const TPen& pen = Pen();
  std::vector<int> dashes = CosmeticDashes(pen.Style);
  if (dashes.empty()) {
    BresenhamLine(x0, y0, x1, y1, Limit(), [&](int x, int y, long long) { Put(x, y, pen.Color); });
    return;
  }
  if (FDashOn.empty()) {
    for (size_t i = 0; i < dashes.size(); ++i)
      FDashOn.insert(FDashOn.end(), size_t(dashes[i]), char(i % 2 == 0));
    FDashPhase = 0;
  }
  bool opaque = State().BkMode == TBkMode::bkOpaque;
  TColor bk = State().BkColor;
  long long period = (long long)FDashOn.size();
  BresenhamLine(x0, y0, x1, y1, Limit(), [&](int x, int y, long long step) {
    if (FDashOn[size_t((FDashPhase + step) % period)])
      Put(x, y, pen.Color);
    else if (opaque)
      Put(x, y, bk);  // gaps of styled lines show the background
  });
  long long steps = std::max(std::llabs((long long)x1 - x0), std::llabs((long long)y1 - y0));
  FDashPhase = (FDashPhase + steps) % period;
}

void TRasterCanvas::CosmeticPath(std::span<const TPoint> points, bool closed) {
  if (points.empty())
    return;
  FDashOn.clear();
  for (size_t i = 0; i + 1 < points.size(); ++i)
    CosmeticLine(points[i].X, points[i].Y, points[i + 1].X, points[i + 1].Y);
  if (closed && points.size() > 1)
    CosmeticLine(points.back().X, points.back().Y, points.front().X, points.front().Y);
  FDashOn.clear();
}

void TRasterCanvas::GeometricPath(const std::vector<TPointF>& points, bool closed) {
  std::vector<std::vector<TPointF>> polys;
  StrokePath(points, closed, StrokeStyleOf(Pen()), polys);
  FSpans.clear();
  RasterizePolygons(polys, TFillRule::frWinding, TRect{0, 0, FBitmap.Width(), FBitmap.Height()}, FSpans);
  SolidSpans(FSpans, Pen().Color);
}

void TRasterCanvas::FillRect(const TRect& rect) {
  TRect r = rect.Intersect(TRect{0, 0, FBitmap.Width(), FBitmap.Height()});
  if (r.IsEmpty())
    return;
  FSpans.clear();
  for (int y = r.Top; y < r.Bottom; ++y)
    FSpans.push_back(TSpan{y, r.Left, r.Right});
  BrushSpans(FSpans);
}

void TRasterCanvas::LineTo(int x, int y) {
  TPoint from = State().Position;
  MutableState().Position = TPoint{x, y};
  if (!PenVisible())
    return;
  if (Pen().IsCosmetic())
    CosmeticLine(from.X, from.Y, x, y);
  else
    GeometricPath({TPointF{double(from.X), double(from.Y)}, TPointF{double(x), double(y)}}, false);
}

void TRasterCanvas::Polyline(std::span<const TPoint> points) {
  if (!PenVisible() || points.empty())
    return;
  if (Pen().IsCosmetic())
    CosmeticPath(points, false);
  else
    GeometricPath(ToF(points), false);
}

void TRasterCanvas::Polygon(std::span<const TPoint> points) {
  if (points.size() < 2)
    return;
  std::vector<std::vector<TPointF>> contour{ToF(points)};
  FSpans.clear();
  TFillRule rule = State().PolyFillMode == TPolyFillMode::pfWinding ? TFillRule::frWinding : TFillRule::frAlternate;
  RasterizePolygons(contour, rule, TRect{0, 0, FBitmap.Width(), FBitmap.Height()}, FSpans);
  BrushSpans(FSpans);
  if (!PenVisible())
    return;
  if (Pen().IsCosmetic())
    CosmeticPath(points, true);
  else
    GeometricPath(contour[0], true);
}

double TRasterCanvas::InsideInset() const {
  // An inside-frame pen keeps its whole width within the box.
  if (Pen().Style == TPenStyle::psInsideFrame && Pen().Width > 1)
    return (Pen().Width - 1) / 2.0;
  return 0;
}

void TRasterCanvas::FillAndStroke(const std::vector<TPointF>& path, const std::vector<TSpan>* cosmeticOutline,
                                  const std::vector<TSpan>* inside) {
  if (inside) {
    BrushSpans(*inside);
  } else {
    std::vector<std::vector<TPointF>> contour{path};
    FSpans.clear();
    RasterizePolygons(contour, TFillRule::frWinding, TRect{0, 0, FBitmap.Width(), FBitmap.Height()}, FSpans);
    BrushSpans(FSpans);
  }
  if (!PenVisible())
    return;
  if (!Pen().IsCosmetic()) {
    GeometricPath(path, true);
  } else if (cosmeticOutline && CosmeticDashes(Pen().Style).empty()) {
    SolidSpans(*cosmeticOutline, Pen().Color);
  } else {
    std::vector<TPoint> pts = Rounded(path);
    CosmeticPath(pts, true);
  }
}

void TRasterCanvas::Rectangle(const TRect& box) {
  TRect b = box.Normalized();
  if (!PenVisible()) {
    FillRect(TRect{b.Left, b.Top, b.Right - 1, b.Bottom - 1});
    return;
  }
  double in = InsideInset();
  double l = b.Left + in, t = b.Top + in, r = b.Right - 1 - in, bt = b.Bottom - 1 - in;
  if (r < l || bt < t)
    return;
  std::vector<TPointF> path{{l, t}, {r, t}, {r, bt}, {l, bt}};
  if (Pen().IsCosmetic()) {
    // The outline takes the edge pixels; the brush fills what lies between.
    FillRect(TRect{b.Left + 1, b.Top + 1, b.Right - 1, b.Bottom - 1});
    std::vector<TPoint> pts{{b.Left, b.Top}, {b.Right - 1, b.Top}, {b.Right - 1, b.Bottom - 1}, {b.Left, b.Bottom - 1}};
    if (b.Width() == 1 || b.Height() == 1)
      pts.resize(2);
    CosmeticPath(pts, true);
    if (b.Width() == 1 || b.Height() == 1)
      Put(pts[1].X, pts[1].Y, Pen().Color);
    return;
  }
  FillAndStroke(path, nullptr, nullptr);
}

void TRasterCanvas::Ellipse(const TRect& box) {
  TRect b = box.Normalized();
  if (!PenVisible()) {
    FSpans.clear();
    EllipseSpans(b.Left, b.Top, b.Right - 2, b.Bottom - 2, FSpans, 0, FBitmap.Height() - 1);
    BrushSpans(FSpans);
    return;
  }
  double in = InsideInset();
  std::vector<TPointF> path;
  double l = b.Left + in, t = b.Top + in, r = b.Right - 1 - in, bt = b.Bottom - 1 - in;
  if (r < l || bt < t)
    return;
  EllipsePath((l + r) / 2, (t + bt) / 2, (r - l) / 2, (bt - t) / 2, path);
  if (Pen().IsCosmetic()) {
    std::vector<TSpan> shape, outline, inside;
    // One row beyond the bitmap on each side keeps the outline test right.
    EllipseSpans(b.Left, b.Top, b.Right - 1, b.Bottom - 1, shape, -1, FBitmap.Height());
    SplitOutline(shape, outline, inside);
    FillAndStroke(path, &outline, &inside);
  } else {
    FillAndStroke(path, nullptr, nullptr);
  }
}

void TRasterCanvas::RoundRect(const TRect& box, int ellipseWidth, int ellipseHeight) {
  TRect b = box.Normalized();
  ellipseWidth = std::abs(ellipseWidth);
  ellipseHeight = std::abs(ellipseHeight);
  if (!PenVisible()) {
    FSpans.clear();
    RoundRectSpans(b.Left, b.Top, b.Right - 2, b.Bottom - 2, ellipseWidth, ellipseHeight, FSpans, 0,
                   FBitmap.Height() - 1);
    BrushSpans(FSpans);
    return;
  }
  double in = InsideInset();
  double l = b.Left + in, t = b.Top + in, r = b.Right - 1 - in, bt = b.Bottom - 1 - in;
  if (r < l || bt < t)
    return;
  std::vector<TPointF> path;
  RoundRectPath(l, t, r, bt, (ellipseWidth - 1) / 2.0, (ellipseHeight - 1) / 2.0, path);
  if (Pen().IsCosmetic()) {
    std::vector<TSpan> shape, outline, inside;
    RoundRectSpans(b.Left, b.Top, b.Right - 1, b.Bottom - 1, ellipseWidth, ellipseHeight, shape, -1,
                   FBitmap.Height());
    SplitOutline(shape, outline, inside);
    FillAndStroke(path, &outline, &inside);
  } else {
    FillAndStroke(path, nullptr, nullptr);
  }
}

namespace {

// Source pixel as premultiplied blue, green, red, alpha in 0..255 scale.
struct TPix {
  float B, G, R, A;
};

struct TTap {
  int Index;
  float Weight;
};

// Contributions of source samples to each destination sample along one axis:
// a box filter when shrinking, linear interpolation when enlarging.
std::vector<std::vector<TTap>> Taps(int srcLen, int dstLen, int from, int to) {
  std::vector<std::vector<TTap>> taps(size_t(to - from));
  double scale = double(srcLen) / dstLen;
  for (int d = from; d < to; ++d) {
    auto& t = taps[size_t(d - from)];
    if (scale > 1) {
      double a = d * scale, b = (d + 1) * scale;
      for (int s = int(std::floor(a)); s < int(std::ceil(b)); ++s) {
        double w = std::min(b, s + 1.0) - std::max(a, double(s));
        if (w > 0)
          t.push_back(TTap{std::clamp(s, 0, srcLen - 1), float(w / scale)});
      }
    } else {
      double c = (d + 0.5) * scale - 0.5;
      int s0 = int(std::floor(c));
      double f = c - s0;
      t.push_back(TTap{std::clamp(s0, 0, srcLen - 1), float(1 - f)});
      t.push_back(TTap{std::clamp(s0 + 1, 0, srcLen - 1), float(f)});
    }
  }
  return taps;
}

}  // namespace

void TRasterCanvas::StretchDraw(const TRect& dest, const TBitmap& bitmap, std::optional<TColor> transparent) {
  TRect d = dest.Normalized();
  if (d.IsEmpty() || bitmap.Empty())
    return;
  // Mirror when the destination was given right to left or bottom to top.
  bool flipX = dest.Right < dest.Left, flipY = dest.Bottom < dest.Top;
  TRect vis = d.Intersect(TRect{0, 0, FBitmap.Width(), FBitmap.Height()});
  if (vis.IsEmpty())
    return;
  int sw = bitmap.Width(), sh = bitmap.Height(), dw = d.Width(), dh = d.Height();
  auto src = [&](int x, int y) {
    TColor c = bitmap.GetPixel(x, y);
    float a = bitmap.GetAlpha(x, y);
    if (transparent && c == *transparent)
      a = 0;
    float k = a / 255.0f;
    return TPix{GetBValue(c) * k, GetGValue(c) * k, GetRValue(c) * k, a};
  };
  auto blend = [&](int x, int y, const TPix& p) {
    if (p.A <= 0.5f || !Visible(x, y))
      return;
    uint8_t* q = FBitmap.ScanLine(y) + size_t(x) * 3;
    float keep = 1 - p.A / 255.0f;
    q[0] = uint8_t(std::clamp(p.B + q[0] * keep + 0.5f, 0.0f, 255.0f));
    q[1] = uint8_t(std::clamp(p.G + q[1] * keep + 0.5f, 0.0f, 255.0f));
    q[2] = uint8_t(std::clamp(p.R + q[2] * keep + 0.5f, 0.0f, 255.0f));
  };
  // Destination offsets inside d (mirrored as asked).
  auto dxOf = [&](int x) { return flipX ? d.Right - 1 - x : x - d.Left; };
  auto dyOf = [&](int y) { return flipY ? d.Bottom - 1 - y : y - d.Top; };
  if (State().StretchMode == TStretchMode::smNearest) {
    std::vector<int> sx(size_t(vis.Width()));
    for (int x = vis.Left; x < vis.Right; ++x)
      sx[size_t(x - vis.Left)] = int((2 * int64_t(dxOf(x)) + 1) * sw / (2 * int64_t(dw)));
    for (int y = vis.Top; y < vis.Bottom; ++y) {
      int sy = int((2 * int64_t(dyOf(y)) + 1) * sh / (2 * int64_t(dh)));
      for (int x = vis.Left; x < vis.Right; ++x)
        blend(x, y, src(sx[size_t(x - vis.Left)], sy));
    }
    return;
  }
  auto tx = Taps(sw, dw, 0, dw);
  auto ty = Taps(sh, dh, 0, dh);
  // Source rows resampled horizontally, kept while destination rows still
  // use them (taps move down monotonically, so few are alive at a time).
  std::map<int, std::vector<TPix>> rows;
  auto row = [&](int sy) -> const std::vector<TPix>& {
    auto [it, added] = rows.try_emplace(sy);
    if (added) {
      it->second.resize(size_t(vis.Width()));
      for (int x = vis.Left; x < vis.Right; ++x) {
        TPix acc{0, 0, 0, 0};
        for (const TTap& t : tx[size_t(dxOf(x))]) {
          TPix p = src(t.Index, sy);
          acc.B += p.B * t.Weight;
          acc.G += p.G * t.Weight;
          acc.R += p.R * t.Weight;
          acc.A += p.A * t.Weight;
        }
        it->second[size_t(x - vis.Left)] = acc;
      }
    }
    return it->second;
  };
  for (int y = vis.Top; y < vis.Bottom; ++y) {
    const auto& taps = ty[size_t(dyOf(y))];
    int lowest = sh;
    for (const TTap& t : taps)
      lowest = std::min(lowest, t.Index);
    // Rows above every tap of this row are done with (mirroring reverses the
    // order, so only drop them when not mirrored).
    if (!flipY)
      rows.erase(rows.begin(), rows.lower_bound(lowest));
    std::vector<const std::vector<TPix>*> used;
    for (const TTap& t : taps)
      used.push_back(&row(t.Index));
    for (int x = vis.Left; x < vis.Right; ++x) {
      TPix acc{0, 0, 0, 0};
      for (size_t k = 0; k < taps.size(); ++k) {
        const TTap& t = taps[k];
        const TPix& p = (*used[k])[size_t(x - vis.Left)];
        acc.B += p.B * t.Weight;
        acc.G += p.G * t.Weight;
        acc.R += p.R * t.Weight;
        acc.A += p.A * t.Weight;
      }
      blend(x, y, acc);
    }
  }
}

void TRasterCanvas::TextOutRun(int x, int y, const TFont& font, std::u16string_view text,
                               std::span<const int> advances, const TTextRunOptions& options) {
  if (options.Opaque) {
    TBrush old = Brush();
    TBrush bk{TBrushStyle::bsSolid, State().BkColor};
    TCanvas::SetBrush(bk);
    FillRect(options.Rect.Normalized());
    TCanvas::SetBrush(old);
  }
  TGlyphRasterizer* glyphs = FGlyphs ? FGlyphs : GDefaultGlyphs ? GDefaultGlyphs : &FreeTypeGlyphRasterizer();
  if (text.empty())
    return;
  std::vector<TRect> clip;
  for (const TRect& r : FClip) {
    TRect c = options.Clipped ? r.Intersect(options.Rect.Normalized()) : r;
    if (!c.IsEmpty())
      clip.push_back(c);
  }
  if (clip.empty())
    return;
  TGlyphRasterizer::TRun run;
  run.X = x;
  run.Y = y;
  run.Font = &font;
  run.Text = text;
  run.Advances = advances;
  run.Color = State().TextColor;
  run.HAlign = State().TextHAlign;
  run.VAlign = State().TextVAlign;
  run.Escapement = options.Escapement;
  run.GlyphIndices = options.GlyphIndices;
  glyphs->DrawRun(FBitmap, clip, run);
}
