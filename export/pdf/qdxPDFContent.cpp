#include "export/pdf/qdxPDFContent.h"

#include "document/qdxCheckBoxView.h"
#include "document/qdxFill.h"
#include "document/qdxLineView.h"
#include "document/qdxShapeView.h"
#include "document/qdxView.h"
#include "export/pdf/qdxPDFDocument.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct TRGB {
  int R, G, B;
};

TRGB Channels(TqdxColor c) {
  uint32_t v = static_cast<uint32_t>(qdxColorToRGB(c));
  return {static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF)};
}

TqdxColor FromChannels(int r, int g, int b) {
  auto clamp = [](int x) { return std::clamp(x, 0, 255); };
  return static_cast<TqdxColor>(clamp(r) | (clamp(g) << 8) | (clamp(b) << 16));
}

double Round2(double v) { return std::nearbyint(v * 100) / 100; }

std::string Pt(double x, double y) { return PdfNum3(x) + " " + PdfNum3(y); }

}  // namespace

std::string PdfNum3(double v) { return FloatToPdfCompact(v, 3); }

std::string PdfStrokeColor(TqdxColor c) {
  if (c == clNone) c = clBlack;
  TRGB x = Channels(c);
  if (x.R == 0 && x.G == 0 && x.B == 0) return "0 0 0";
  if (x.R == 255 && x.G == 255 && x.B == 255) return "1 1 1";
  return FloatToPdf(x.R / 255.0) + " " + FloatToPdf(x.G / 255.0) + " " + FloatToPdf(x.B / 255.0);
}

std::string PdfFillColor(TqdxColor c) {
  if (c == clNone) return "0 0 0";
  TRGB x = Channels(c);
  return FloatToPdfCompact(x.R / 255.0, 3) + " " + FloatToPdfCompact(x.G / 255.0, 3) + " " +
         FloatToPdfCompact(x.B / 255.0, 3);
}

std::string PdfFrameColor(TqdxColor c) {
  if (c == clNone) c = clBlack;
  TRGB x = Channels(c);
  // Written for every side of every frame: digits by hand, not printf.
  std::string s;
  s.reserve(14);
  auto one = [&s](int v) {
    if (v == 0) {
      s += '0';
    } else if (v >= 255) {
      s += '1';
    } else {
      const int d = v * 100 / 256;
      s += "0.";
      s += static_cast<char>('0' + d / 10);
      s += static_cast<char>('0' + d % 10);
    }
  };
  one(x.R);
  s += ' ';
  one(x.G);
  s += ' ';
  one(x.B);
  return s;
}

std::string PdfDash(TqdxFrameStyle style, double w) {
  std::vector<double> d;
  if (w >= 0.01) {
    switch (style) {
      case fsDash: d = {6 * w}; break;
      case fsDot: d = {2 * w, 6 * w}; break;
      case fsDashDot: d = {6 * w, 6 * w, 2 * w, 6 * w}; break;
      case fsDashDotDot: d = {6 * w, 6 * w, 2 * w, 6 * w, 2 * w, 6 * w}; break;
      case fsSquare: d = {2 * w, 2 * w}; break;
      default: break;
    }
  }
  std::string s = "[";
  for (double v : d) s += FloatToPdf(v) + " ";
  return s + "] 0 d";
}

void TqdxPDFContentWriter::W(const std::string& s) { FPage.WriteLine(s); }

TqdxPDFObjRect TqdxPDFContentWriter::RectOf(const TqdxView& view) const {
  const TPDFPageGeometry& g = FPage.Geometry;
  const TqdxFrame& f = *view.GetFrame();
  double shadow = f.DropShadow ? f.ShadowWidth : 0;
  TqdxPDFObjRect r;
  r.Left = Round2(g.PdfX(view.AbsLeft()));
  r.Top = Round2(g.PdfY(view.AbsTop()));
  r.Right = Round2(g.PdfX(view.AbsLeft() + view.GetWidth() - shadow));
  r.Bottom = Round2(g.PdfY(view.AbsTop() + view.GetHeight() - shadow));
  return r;
}

std::string TqdxPDFContentWriter::ShapePath(const TqdxShapeView& shape, const TqdxPDFObjRect& r) const {
  const double l = r.Left, t = r.Top, rt = r.Right, b = r.Bottom;
  const double w = rt - l, h = t - b;
  switch (shape.Shape) {
    case skRoundRectangle: {
      double rad = (shape.Curve == 0 ? 2 : shape.Curve) * 3.74 * 0.75;
      rad = std::min({rad, std::fabs(w) / 2, std::fabs(h) / 2});
      double k = rad / 2;
      std::string p;
      p += Pt(l + rad, t) + " m\r\n";
      p += Pt(rt - rad, t) + " l\r\n";
      p += Pt(rt - k, t) + " " + Pt(rt, t - k) + " " + Pt(rt, t - rad) + " c\r\n";
      p += Pt(rt, b + rad) + " l\r\n";
      p += Pt(rt, b + k) + " " + Pt(rt - k, b) + " " + Pt(rt - rad, b) + " c\r\n";
      p += Pt(l + rad, b) + " l\r\n";
      p += Pt(l + k, b) + " " + Pt(l, b + k) + " " + Pt(l, b + rad) + " c\r\n";
      p += Pt(l, t - rad) + " l\r\n";
      p += Pt(l, t - k) + " " + Pt(l + k, t) + " " + Pt(l + rad, t) + " c";
      return p;
    }
    case skEllipse: {
      const double cx = l + w / 2, cy = b + h / 2, rx = w / 2, ry = h / 2, k = 0.5522847498;
      std::string p;
      p += Pt(cx + rx, cy) + " m\r\n";
      p += Pt(cx + rx, cy + ry * k) + " " + Pt(cx + rx * k, cy + ry) + " " + Pt(cx, cy + ry) + " c\r\n";
      p += Pt(cx - rx * k, cy + ry) + " " + Pt(cx - rx, cy + ry * k) + " " + Pt(cx - rx, cy) + " c\r\n";
      p += Pt(cx - rx, cy - ry * k) + " " + Pt(cx - rx * k, cy - ry) + " " + Pt(cx, cy - ry) + " c\r\n";
      p += Pt(cx + rx * k, cy - ry) + " " + Pt(cx + rx, cy - ry * k) + " " + Pt(cx + rx, cy) + " c";
      return p;
    }
    case skTriangle:
      return Pt(l + w / 2, t) + " m\r\n" + Pt(rt, b) + " l\r\n" + Pt(l, b) + " l\r\n" + Pt(l + w / 2, t) + " l";
    case skDiamond:
      return Pt(l + w / 2, t) + " m\r\n" + Pt(rt, b + h / 2) + " l\r\n" + Pt(l + w / 2, b) + " l\r\n" +
             Pt(l, b + h / 2) + " l\r\n" + Pt(l + w / 2, t) + " l";
    default:
      return PdfNum3(l) + " " + PdfNum3(b) + " " + PdfNum3(w) + " " + PdfNum3(h) + " re";
  }
}

std::string TqdxPDFContentWriter::OutlinePath(const TqdxView& view, const TqdxPDFObjRect& r) const {
  if (auto* shape = dynamic_cast<const TqdxShapeView*>(&view)) return ShapePath(*shape, r);
  return PdfNum3(r.Left) + " " + PdfNum3(r.Bottom) + " " + PdfNum3(r.Right - r.Left) + " " + PdfNum3(r.Top - r.Bottom) +
         " re";
}

void TqdxPDFContentWriter::Hatch(int style, TqdxColor color, const std::string& clip, const TqdxPDFObjRect& r) {
  W("[] 0 d");
  W(PdfFillColor(color) + " RG");
  W(FloatToPdf(0.75 * 0.75) + " w");
  W("0 J");
  W(clip);
  W("W");
  W("n");
  const double step = 8 * 0.75;
  const double w = r.Right - r.Left, h = r.Top - r.Bottom;
  const double ox = std::fmod(w, step) / 2, oy = std::fmod(h, step) / 2;
  const bool horiz = style == bsHorizontal || style == bsCross;
  const bool vert = style == bsVertical || style == bsCross;
  const bool fdiag = style == bsFDiagonal || style == bsDiagCross;
  const bool bdiag = style == bsBDiagonal || style == bsDiagCross;
  // Lines that cannot cross the page are left out: the first one written is
  // the first of the grid that can, so an object larger than its page (a
  // damaged size) writes no more lines than the page holds. Objects on the
  // page start at their first line as before.
  const double pw = FPage.Geometry.PageWidthPt, ph = FPage.Geometry.PageHeightPt;
  auto skip = [step](double excess) { return excess > step ? std::floor(excess / step) * step : 0.0; };
  const double yLow = std::max(r.Bottom, 0.0), xHigh = std::min(r.Right, pw);
  if (horiz)
    for (double y = r.Top - oy - skip(r.Top - oy - ph); y >= yLow; y -= step)
      W(Pt(r.Left, y) + " m " + Pt(r.Right, y) + " l");
  if (vert)
    for (double x = r.Left + ox + skip(-(r.Left + ox)); x <= xHigh; x += step)
      W(Pt(x, r.Bottom) + " m " + Pt(x, r.Top) + " l");
  // Diagonals run across the whole box; the clip trims them. A diagonal
  // from (left + d, top) to (left + d + h, bottom) meets the page only for d
  // between these bounds.
  const double yTop = std::min(r.Top, ph);
  if (fdiag) {
    const double from = -h + ox, dLow = -r.Left - (r.Top - yLow), dHigh = std::min(w, pw - r.Left - (r.Top - yTop));
    for (double d = from + skip(dLow - from); d <= dHigh; d += step)
      W(Pt(r.Left + d, r.Top) + " m " + Pt(r.Left + d + h, r.Bottom) + " l");
  }
  if (bdiag) {
    // From (left + d, bottom) up to (left + d + h, top).
    const double from = -h + ox, dLow = -r.Left - (yTop - r.Bottom), dHigh = std::min(w, pw - r.Left - (yLow - r.Bottom));
    for (double d = from + skip(dLow - from); d <= dHigh; d += step)
      W(Pt(r.Left + d, r.Bottom) + " m " + Pt(r.Left + d + h, r.Top) + " l");
  }
  W("S");
}

void TqdxPDFContentWriter::Gradient(TqdxColor start, TqdxColor end, int style, const std::string& clip,
                                    const TqdxPDFObjRect& r) {
  if (start == clNone && end == clNone) return;
  if (start == clNone) start = clWhite;
  if (end == clNone) end = clWhite;
  TRGB s = Channels(start), e = Channels(end);
  int n = std::max({std::abs(e.R - s.R), std::abs(e.G - s.G), std::abs(e.B - s.B), 1});
  W(clip);
  W("W");
  W("n");
  W("[] 0 d");
  W("0 J");
  const double w = r.Right - r.Left, h = r.Top - r.Bottom;
  if (style == gsElliptic || style == gsRectangle) style = h >= w ? gsHorizCenter : gsVertCenter;
  auto colorAt = [&](int k) {
    auto ch = [&](int a, int b) { return static_cast<int>(std::nearbyint(a + k * (b - a) / static_cast<double>(n))); };
    return FromChannels(ch(s.R, e.R), ch(s.G, e.G), ch(s.B, e.B));
  };
  // One run of n + 1 stripes from a start edge across distance d.
  auto run = [&](bool vertical, double from, double dir, double d) {
    const double stepLen = d / n;
    W(FloatToPdf(stepLen * 1.8) + " w");
    for (int k = 0; k <= n; ++k) {
      double p = from + dir * k * stepLen;
      W(PdfFillColor(colorAt(k)) + " RG");
      if (vertical) W(Pt(p, r.Bottom) + " m " + Pt(p, r.Top) + " l S");
      else W(Pt(r.Left, p) + " m " + Pt(r.Right, p) + " l S");
    }
  };
  switch (style) {
    case gsHorizontal: run(true, r.Left, 1, w); break;
    case gsVertical: run(false, r.Top, -1, h); break;
    case gsHorizCenter:
      run(true, r.Left, 1, w / 2);
      run(true, r.Right, -1, w / 2);
      break;
    default:
      run(false, r.Top, -1, h / 2);
      run(false, r.Bottom, 1, h / 2);
      break;
  }
}

void TqdxPDFContentWriter::Fill(const TqdxView& view, const TqdxPDFObjRect& r) {
  const TqdxCustomFill* fill = view.GetFill();
  // Most objects have no fill: their outline is not worth writing out.
  std::string path;
  if (auto* b = dynamic_cast<const TqdxBrushFill*>(fill)) {
    const bool hatch = b->Style != bsSolid && b->Style != bsClear;
    if (b->BackColor == clNone && !hatch) return;
    path = OutlinePath(view, r);
    W("q");
    if (b->BackColor != clNone) {
      W(PdfFillColor(b->BackColor) + " rg");
      W(path);
      W("f");
    }
    if (hatch) Hatch(b->Style, b->ForeColor, path, r);
    W("Q");
  } else if (auto* g = dynamic_cast<const TqdxGradientFill*>(fill)) {
    if (g->StartColor == clNone && g->EndColor == clNone) return;
    path = OutlinePath(view, r);
    W("q");
    Gradient(g->StartColor, g->EndColor, g->GradientStyle, path, r);
    W("Q");
  } else if (auto* s = dynamic_cast<const TqdxGlassFill*>(fill)) {
    if (s->Color == clNone) return;
    path = OutlinePath(view, r);
    TRGB c = Channels(s->Color);
    auto up = [&](int v) { return std::min(255, v + static_cast<int>(std::nearbyint((255 - v) * s->Blend))); };
    TqdxColor highlight = FromChannels(up(c.R), up(c.G), up(c.B));
    W("q");
    W(PdfFillColor(s->Color) + " rg");
    W(path);
    W("f");
    W(path);
    W("W");
    W("n");
    W(PdfFillColor(highlight) + " rg");
    const double w = r.Right - r.Left, h = r.Top - r.Bottom;
    double x = r.Left, y = r.Bottom, hw = w, hh = h;
    switch (s->Orientation) {
      case foVertical: hw = w / 2; break;
      case foHorizontal: y = r.Bottom + h / 2; hh = h / 2; break;
      case foVerticalMirror: x = r.Left + w / 2; hw = w / 2; break;
      case foHorizontalMirror: hh = h / 2; break;
    }
    W(PdfNum3(x) + " " + PdfNum3(y) + " " + PdfNum3(hw) + " " + PdfNum3(hh) + " re");
    W("f");
    if (s->Hatch) Hatch(bsFDiagonal, highlight, path, r);
    W("Q");
  }
}

void TqdxPDFContentWriter::Frame(const TqdxFrame& frame, const TqdxPDFObjRect& r) {
  const bool sides = frame.Typ != 0;
  if (!sides && !frame.DropShadow) return;
  W("q");
  if (frame.DropShadow) {
    const double s = frame.ShadowWidth;
    const std::string c = PdfFillColor(frame.ShadowColor);
    W(c + " rg");
    W(c + " RG");
    W("0.75 w");
    W(FloatToPdf(r.Right + 0.75) + " " + FloatToPdf(r.Top - s * 0.75) + " " + FloatToPdf((s - 1) * 0.75) + " " +
      FloatToPdf(r.Bottom - r.Top) + " re");
    W("B");
    W(FloatToPdf(r.Left + s * 0.75) + " " + FloatToPdf(r.Bottom - 0.75 - (s - 1) * 0.75) + " " +
      FloatToPdf(r.Right - r.Left) + " " + FloatToPdf((s - 1) * 0.75) + " re");
    W("B");
  }
  struct TSide {
    TqdxFrameType Type;
    const TqdxFrameLine* Line;
    double X1, Y1, X2, Y2;
    double InX, InY;  // direction towards the inside
  } order[] = {
      {ftBottom, frame.GetBottomLine(), r.Left, r.Bottom, r.Right, r.Bottom, 0, 1},
      {ftLeft, frame.GetLeftLine(), r.Left, r.Top, r.Left, r.Bottom, 1, 0},
      {ftTop, frame.GetTopLine(), r.Left, r.Top, r.Right, r.Top, 0, -1},
      {ftRight, frame.GetRightLine(), r.Right, r.Top, r.Right, r.Bottom, -1, 0},
  };
  for (const TSide& s : order) {
    if (!frame.HasSide(s.Type) || s.Line->Color == clNone || s.Line->Width < 0.01) continue;
    const double w = s.Line->Width * 0.75;
    // Every side of every framed cell comes here: the lines are put together
    // in one buffer and written at once.
    auto stroke = [&](double shift) {
      thread_local std::string b;
      b.clear();
      b += PdfDash(s.Line->Style, s.Line->Width);
      b += "\r\n";
      AppendFloatToPdf(b, w);
      b += " w\r\n2 J\r\n";
      b += PdfFrameColor(s.Line->Color);
      b += " RG\r\n";
      AppendFloatToPdf(b, s.X1 + s.InX * shift);
      b += ' ';
      AppendFloatToPdf(b, s.Y1 + s.InY * shift);
      b += " m\r\n";
      AppendFloatToPdf(b, s.X2 + s.InX * shift);
      b += ' ';
      AppendFloatToPdf(b, s.Y2 + s.InY * shift);
      b += " l\r\nS\r\n";
      FPage.WriteRaw(b);
    };
    if (s.Line->Style == fsDouble) {
      stroke(w / 2);
      stroke(-w);
    } else {
      stroke(0);
    }
  }
  W("Q");
}

void TqdxPDFContentWriter::Line(const TqdxCustomLineView& line, const TqdxPDFObjRect& rect) {
  const TqdxFrame& f = *line.GetFrame();
  TqdxPDFObjRect r = rect;
  // A straight line is horizontal or vertical, whatever its stored size.
  if (!line.Diagonal) {
    if (std::fabs(line.GetWidth()) >= std::fabs(line.GetHeight())) r.Bottom = r.Top;
    else r.Right = r.Left;
  }
  // A line without colour is not drawn, nor its arrow heads; one without
  // width keeps only its heads, as on screen.
  if (f.GetColor() == clNone) return;
  const bool stroked = f.GetWidth() >= 0.01;
  W("q");
  W(line.Diagonal ? std::string("[] 0 d") : PdfDash(f.GetStyle(), f.GetWidth()));
  const std::string color = PdfFrameColor(f.GetColor());
  const std::string width = FloatToPdf(f.GetWidth() * 0.75) + " w";
  auto seg = [&](double x1, double y1, double x2, double y2) {
    W(color + " RG");
    W(width);
    W(FloatToPdf(x1) + " " + FloatToPdf(y1) + " m");
    W(FloatToPdf(x2) + " " + FloatToPdf(y2) + " l");
    W("S");
  };
  if (!stroked) {
    // The heads alone, in the line's colour.
    W(color + " RG");
  } else if (f.GetStyle() != fsDouble) {
    seg(r.Left, r.Top, r.Right, r.Bottom);
  } else if (r.Top == r.Bottom) {
    seg(r.Left, r.Top + 1, r.Right, r.Bottom + 1);
    seg(r.Left, r.Top - 1, r.Right, r.Bottom - 1);
  } else if (r.Left == r.Right) {
    seg(r.Left - 1, r.Top, r.Right - 1, r.Bottom);
    seg(r.Left + 1, r.Top, r.Right + 1, r.Bottom);
  } else {
    // A double diagonal draws as one line, as on screen.
    seg(r.Left, r.Top, r.Right, r.Bottom);
  }
  auto arrow = [&](double tipX, double tipY, double fromX, double fromY) {
    double dx = tipX - fromX, dy = tipY - fromY;
    double len = std::hypot(dx, dy);
    if (len < 1e-9) return;
    dx /= len;
    dy /= len;
    const double al = line.ArrowLength * 0.75, aw = line.ArrowWidth * 0.75;
    const double bx = tipX - dx * al, by = tipY - dy * al;
    W("[] 0 d");
    W(FloatToPdf(bx - dy * aw) + " " + FloatToPdf(by + dx * aw) + " m " + FloatToPdf(tipX) + " " + FloatToPdf(tipY) +
      " l " + FloatToPdf(bx + dy * aw) + " " + FloatToPdf(by - dx * aw) + " l");
    if (line.ArrowSolid) {
      W("1 j");
      W(PdfFrameColor(f.GetColor()) + " rg");
      W("b");
    } else {
      W("S");
    }
  };
  if (line.ArrowStart) arrow(r.Left, r.Top, r.Right, r.Bottom);
  if (line.ArrowEnd) arrow(r.Right, r.Bottom, r.Left, r.Top);
  W("Q");
}

void TqdxPDFContentWriter::Shape(const TqdxShapeView& shape, const TqdxPDFObjRect& r) {
  const TqdxFrame& f = *shape.GetFrame();
  if (shape.Shape == skDiagonal1 || shape.Shape == skDiagonal2) {
    if (f.GetColor() == clNone) return;
    W("q");
    W(PdfDash(f.GetStyle(), f.GetWidth()));
    W(PdfFrameColor(f.GetColor()) + " RG");
    W(PdfNum3(f.GetWidth() * 0.75) + " w");
    if (shape.Shape == skDiagonal1) W(Pt(r.Left, r.Bottom) + " m " + Pt(r.Right, r.Top) + " l");
    else W(Pt(r.Left, r.Top) + " m " + Pt(r.Right, r.Bottom) + " l");
    W("S");
    W("Q");
    return;
  }
  Fill(shape, r);
  if (f.GetColor() == clNone) return;
  W("q");
  W(PdfDash(f.GetStyle(), f.GetWidth()));
  W(PdfFrameColor(f.GetColor()) + " RG");
  W(PdfNum3(f.GetWidth() * 0.75) + " w");
  W(ShapePath(shape, r));
  W("S");
  W("Q");
}

void TqdxPDFContentWriter::CheckBox(const TqdxCheckBoxView& box) {
  const TPDFPageGeometry& g = FPage.Geometry;
  const double L = box.AbsLeft(), T = box.AbsTop(), Wd = box.GetWidth(), H = box.GetHeight();
  const double f = box.GetFrame()->GetWidth();
  auto P = [&](double x, double y) { return FloatToPdf(g.PdfX(x)) + " " + FloatToPdf(g.PdfY(y)); };
  W("q");
  W("[] 0 d");
  W(PdfStrokeColor(box.GetFrame()->GetColor()) + " RG");
  const TqdxColor color = box.GetColor();
  W(FloatToPdf(f * 1.5) + " w " + PdfFillColor(color) + " rg");
  std::string mark;
  const bool cross = box.Checked ? box.CheckStyle == csCross : box.UncheckStyle == usCross;
  const bool lineCross = box.Checked ? box.CheckStyle == csLineCross : box.UncheckStyle == usLineCross;
  if (cross) {
    mark = FloatToPdf(f * 4.5) + " w 2 J " + P(L + Wd / 4, T + H / 4) + " m " + P(L + Wd - Wd / 4, T + H - H / 4) +
           " l " + P(L + Wd - Wd / 4, T + H / 4) + " m " + P(L + Wd / 4, T + H - H / 4) + " l";
  } else if (box.Checked && box.CheckStyle == csCheck) {
    mark = FloatToPdf(f * 0.75 * H / 10) + " w 2 J " + P(L + Wd / 5, T + H / 2) + " m " + P(L + Wd / 3, T + H - H / 4) +
           " l " + P(L + Wd - Wd / 5, T + H / 7) + " l";
  } else if (lineCross) {
    mark = P(L, T) + " m " + P(L + Wd, T + H) + " l " + P(L + Wd, T) + " m " + P(L, T + H) + " l";
  } else if (box.Checked && box.CheckStyle == csPlus) {
    mark = P(L, T + H / 2) + " m " + P(L + Wd, T + H / 2) + " l " + P(L + Wd / 2, T) + " m " + P(L + Wd / 2, T + H) + " l";
  } else if (!box.Checked && box.UncheckStyle == usMinus) {
    mark = P(L, T + H / 2) + " m " + P(L + Wd, T + H / 2) + " l";
  }
  if (!mark.empty()) W(mark);
  const bool outline = box.GetFrame()->Typ == 15;
  if (outline)
    W((mark.empty() ? "" : " S ") + FloatToPdf(f * 1.5) + " w " + P(L, T) + " m " + P(L + Wd, T) + " l " +
      P(L + Wd, T + H) + " l " + P(L, T + H) + " l " + P(L, T) + " l");
  // An empty box without a frame has no path to paint, and painting none is
  // an error in the content.
  if (outline || !mark.empty()) W(color == clNone ? "S" : "B");
  W("Q");
}

void TqdxPDFContentWriter::PageBackground(TqdxColor color, const TqdxPDFObjRect& m) {
  const std::string c = PdfFrameColor(color);
  W("q");
  W(FloatToPdf(0) + " w");
  W(c + " RG");
  W(c + " rg");
  W(FloatToPdf(m.Left) + " " + FloatToPdf(m.Bottom) + " m " + FloatToPdf(m.Right) + " " + FloatToPdf(m.Bottom) + " l " +
    FloatToPdf(m.Right) + " " + FloatToPdf(m.Top) + " l " + FloatToPdf(m.Left) + " " + FloatToPdf(m.Top) + " l");
  W("B");
  W("Q");
}
