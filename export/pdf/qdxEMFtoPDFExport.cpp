#include "export/pdf/qdxEMFtoPDFExport.h"

#include "export/pdf/qdxExportPDFHelpers.h"
#include "export/pdf/qdxPDFDocument.h"
#include "export/pdf/qdxPDFFont.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

using namespace Emf;

namespace {
enum : int { pmClose = 1, pmStroke = 2, pmFill = 4, pmContinue = 8 };
// Coordinates are kept inside what every PDF reader takes.
constexpr double MaxCoordinate = 1e7;
// Beyond this the drawing is not worth a page: playing stops.
constexpr size_t MaxContentBytes = size_t(64) << 20;

double Sane(double v) {
  if (!std::isfinite(v)) return 0;
  return std::clamp(v, -MaxCoordinate, MaxCoordinate);
}

}  // namespace

// --- rotation ---

void TRotation2D::Set(double cx, double cy, double angle) {
  CX = cx;
  CY = cy;
  Cos = std::cos(angle);
  Sin = std::sin(angle);
  E = cx - cx * Cos + cy * Sin;
  F = cy - cx * Sin - cy * Cos;
}

std::string TRotation2D::Matrix() const {
  return FloatToPdf(Cos) + " " + FloatToPdf(Sin) + " " + FloatToPdf(-Sin) + " " + FloatToPdf(Cos) + " " +
         FloatToPdf(E) + " " + FloatToPdf(F);
}

TPointF TRotation2D::Rotate(const TPointF& p) const {
  return TPointF{(p.X - CX) * Cos + (p.Y - CY) * Sin + CX, -(p.X - CX) * Sin + (p.Y - CY) * Cos + CY};
}

// --- renderer ---

TEMFtoPDFExport::TEMFtoPDFExport(std::string_view metafile, bool pdfA, TqdxPDFDocument* doc,
                                 const TEMFTargetRect& target, std::string& out)
    : TEMFAbstractExport(metafile), FOut(out), FDoc(doc), FTarget(target), FPdfA(pdfA) {}

std::string TEMFtoPDFExport::Num(double v) { return FloatToPdfCompact(Sane(v), 3); }

std::string TEMFtoPDFExport::Color(uint32_t c) {
  if (c == TDeviceContext::ColorNone) return "0 0 0";
  // Drawings repeat one colour record after record (gradient stripes change
  // it only every few lines): the last text is kept.
  thread_local bool known = false;
  thread_local uint32_t last = 0;
  thread_local std::string text;
  if (!known || c != last) {
    text = Num((c & 0xFF) / 255.0) + " " + Num(((c >> 8) & 0xFF) / 255.0) + " " + Num(((c >> 16) & 0xFF) / 255.0);
    last = c;
    known = true;
  }
  return text;
}

void TEMFtoPDFExport::Comment(const std::string& text) {
  if (!text.empty()) FOut += "%--" + text + "\r\n";
}

void TEMFtoPDFExport::CreateDeviceContext() { DC = new TPDFDeviceContext; }

void TEMFtoPDFExport::WriteOp(std::string_view line) {
  // Every record of a drawing passes here, several times: no copies.
  const size_t at = line.find_last_of(' ');
  const std::string_view op = at == std::string_view::npos ? line : line.substr(at + 1);
  const bool pathOp = op == "m" || op == "l" || op == "c" || op == "v" || op == "re" || op == "h" || op == "W" ||
                      op == "W*";
  if (op == "m" || op == "re") Path.Pending = true;
  if (FOut.size() + Path.Buffer.size() > MaxContentBytes) Stop("the drawing is too large for a page");
  if (Path.Pending && pathOp) {
    Path.Buffer.append(line).append("\r\n");
    return;
  }
  if (line == "q") ++SaveDepth;
  if (line == "Q") {
    // Never more "Q" than the metafile opened.
    if (SaveDepth <= 0) return;
    --SaveDepth;
  }
  FOut.append(line).append("\r\n");
}

TPointF TEMFtoPDFExport::DevicePdfPoint(const TPointF& dev) const {
  return TPointF{Sane(dev.X * PointsPerPixelX + FTarget.Left), Sane(FTarget.Top - dev.Y * PointsPerPixelY)};
}

TPointF TEMFtoPDFExport::PdfPoint(double x, double y) const { return DevicePdfPoint(LogicalToDevice(x, y)); }

std::string TEMFtoPDFExport::ToPdfRect(const TRect& r) const {
  const TPointF a = PdfPoint(r.Left, r.Top), b = PdfPoint(r.Right, r.Bottom);
  const double left = std::min(a.X, b.X), bottom = std::min(a.Y, b.Y);
  return Num(left) + " " + Num(bottom) + " " + Num(std::max(a.X, b.X) - left) + " " + Num(std::max(a.Y, b.Y) - bottom);
}

double TEMFtoPDFExport::ToPdfLength(double v) const {
  return Sane(ScaleXY(v) * (PointsPerPixelX + PointsPerPixelY) / 2);
}

void TEMFtoPDFExport::BeginShape() {
  if (!DC->Data.PathOpen) WriteOp("q");
}

void TEMFtoPDFExport::EndShape(int mode) {
  if (DC->Data.PathOpen) return;
  PaintPath(EffectiveMode(mode), false);
  WriteOp("Q");
  if (mode & pmContinue) WriteOp(ToPdfPoint(DC->Data.NextPosition) + " m");
}

int TEMFtoPDFExport::EffectiveMode(int mode) const {
  int result = 0;
  if ((mode & pmStroke) && (DC->PenStyle() & PS_STYLE_MASK) != PS_NULL) result |= pmStroke;
  const uint32_t brush = DC->BrushStyle();
  if ((mode & pmFill) && !IgnoreBrush && brush != BS_NULL && brush != 7 && brush != 8 && brush != 9) result |= pmFill;
  if ((mode & pmClose) && (result & pmStroke)) result |= pmClose;
  return result;
}

std::string TEMFtoPDFExport::DashPattern(uint32_t style, double w) {
  const std::string d = FloatToPdfCompact(6 * w, 3), t = FloatToPdfCompact(2 * w, 3);
  switch (style & PS_STYLE_MASK) {
    case PS_SOLID:
    case PS_NULL:
    case PS_INSIDEFRAME: return "";
    case PS_DASH: return d;
    case PS_DOT: return t + " " + d;
    case PS_DASHDOT: return d + " " + d + " " + t + " " + d;
    case PS_DASHDOTDOT: return d + " " + d + " " + t + " " + d + " " + t + " " + d;
    case PS_ALTERNATE: return t + " " + t;
    default: return d + " " + t;
  }
}

void TEMFtoPDFExport::Hatch() {
  // Hatch lines of the brush over the target, clipped by the path (already
  // set as clip by the caller), 8 device pixels apart as the raster draws them.
  const double step = 8 * PointsPerPixelX, stepY = 8 * PointsPerPixelY;
  if (!(step > 0) || !(stepY > 0)) return;
  const double l = FTarget.Left, r = FTarget.Right, b = FTarget.Bottom, t = FTarget.Top;
  const uint32_t h = DC->BrushHatch();
  // A runaway target would give millions of lines.
  if ((r - l) / step > 2000 || (t - b) / stepY > 2000) return;
  WriteOp(Color(DC->BrushColor()) + " RG");
  WriteOp(Num(ToPdfLength(1) / std::max(1.0, ScaleXY(1))) + " w");
  WriteOp("[] 0 d");
  auto line = [&](double x0, double y0, double x1, double y1) {
    FOut += Num(x0) + " " + Num(y0) + " m\r\n" + Num(x1) + " " + Num(y1) + " l\r\n";
  };
  const double diag = (t - b) + (r - l);
  if (h == HS_HORIZONTAL || h == HS_CROSS)
    for (double y = t - stepY / 2; y > b; y -= stepY) line(l, y, r, y);
  if (h == HS_VERTICAL || h == HS_CROSS)
    for (double x = l + step / 2; x < r; x += step) line(x, b, x, t);
  if (h == HS_FDIAGONAL || h == HS_DIAGCROSS)
    for (double x = l - (t - b); x < r; x += step) line(x, t, x + (t - b), b);
  if (h == HS_BDIAGONAL || h == HS_DIAGCROSS)
    for (double x = l; x < r + diag; x += step) line(x, t, x - (t - b), b);
  WriteOp("S");
}

void TEMFtoPDFExport::PaintPath(int mode, bool useBkColor) {
  static const char* const ops[] = {"n", nullptr, "S", "s", "f", nullptr, "B", "b"};
  if (mode < 0 || mode > 7 || !ops[mode]) throw std::runtime_error("Invalid Patch Painting");
  Path.Pending = false;
  if (Path.Buffer.empty()) return;  // nothing to paint: no operator without a path
  const bool alternate = DC->Data.PolyFillMode == ALTERNATE;
  const bool hatched = (mode & pmFill) && !useBkColor && DC->BrushStyle() == BS_HATCHED;
  if (hatched) {
    // The hatch needs the path as a clip and again for the outline.
    const std::string path = Path.Buffer;
    Path.Buffer.clear();
    if (DC->Data.BkMode == OPAQUE) {
      FOut += Color(DC->Data.BkColor) + " rg\r\n" + path + (alternate ? "f*" : "f") + "\r\n";
    }
    WriteOp("q");
    FOut += path + (alternate ? "W* n" : "W n") + "\r\n";
    Hatch();
    WriteOp("Q");
    mode &= ~pmFill;
    if (!(mode & pmStroke)) return;
    Path.Buffer = path;
  }
  if (mode & pmFill) WriteOp(Color(useBkColor ? DC->Data.BkColor : DC->BrushColor()) + " rg");
  if (mode & pmStroke) {
    const double w = ToPdfLength(DC->PenWidth());
    const uint32_t style = DC->PenStyle();
    WriteOp("[" + DashPattern(style, w) + "] 0 d");
    WriteOp(Color(DC->PenColor()) + " RG");
    WriteOp(Num(w) + " w");
    float miter;
    std::memcpy(&miter, &DC->Data.MiterLimit, 4);
    double m = std::isfinite(miter) && miter >= 1 ? miter : double(DC->Data.MiterLimit);
    if (m < 1 || m > 1000) m = 10;
    WriteOp(Num(m) + " M");
    const uint32_t cap = style & PS_ENDCAP_MASK, join = style & PS_JOIN_MASK;
    WriteOp(SquareCapsOnly ? "2 J" : cap == PS_ENDCAP_ROUND ? "1 J" : cap == PS_ENDCAP_SQUARE ? "2 J" : "0 J");
    WriteOp(MiterJoinsOnly ? "0 j" : join == PS_JOIN_ROUND ? "1 j" : join == PS_JOIN_BEVEL ? "2 j" : "0 j");
  }
  Path.Flush(FOut);
  std::string op = ops[mode];
  if ((op == "f" || op == "B" || op == "b") && alternate) op += "*";
  WriteOp(op);
}

void TEMFtoPDFExport::RoundRectPath(double left, double top, double right, double bottom, double rx, double ry) {
  auto p = [](double x, double y) { return Num(x) + " " + Num(y); };
  WriteOp(p(left + rx, bottom) + " m");
  WriteOp(p(right - rx, bottom) + " l");
  WriteOp(p(right - rx / 2, bottom) + " " + p(right, bottom + ry / 2) + " " + p(right, bottom + ry) + "  c");
  WriteOp(p(right, top - ry) + " l");
  WriteOp(p(right, top - ry / 2) + " " + p(right - rx / 2, top) + " " + p(right - rx, top) + "  c");
  WriteOp(p(left + rx, top) + " l");
  WriteOp(p(left + rx / 2, top) + " " + p(left, top - ry / 2) + " " + p(left, top - ry) + "  c");
  WriteOp(p(left, bottom + ry) + " l");
  WriteOp(p(left, bottom + ry / 2) + " " + p(left + rx / 2, bottom) + " " + p(left + rx, bottom) + "  c");
}

void TEMFtoPDFExport::ArcPath(double cx, double cy, double rx, double ry, double start, double sweep, bool move) {
  if (!std::isfinite(start) || !std::isfinite(sweep) || sweep == 0) return;
  sweep = std::clamp(sweep, -360.0, 360.0);
  const int n = int(std::ceil(std::fabs(sweep) / 60));
  const double phi = sweep / n * M_PI / 180;
  const double k = (std::sqrt(4 + 3 * std::pow(std::tan(phi / 2), 2)) - 1) * std::sin(phi) / 3;
  auto P = [&](double a) { return TPointF{cx + rx * std::cos(a), cy - ry * std::sin(a)}; };
  for (int i = 0; i < n; ++i) {
    const double a0 = start * M_PI / 180 + i * phi, a1 = a0 + phi;
    const TPointF s = P(a0), e = P(a1);
    const TPointF c1{s.X - k * rx * std::sin(a0), s.Y - k * ry * std::cos(a0)};
    const TPointF c2{e.X + k * rx * std::sin(a1), e.Y + k * ry * std::cos(a1)};
    if (i == 0) WriteOp(PointText(PdfPoint(s.X, s.Y)) + (move ? " m" : " l"));
    WriteOp(PointText(PdfPoint(c1.X, c1.Y)) + " " + PointText(PdfPoint(c2.X, c2.Y)) + " " +
            PointText(PdfPoint(e.X, e.Y)) + " c");
  }
}

// --- start, end, saving ---

void TEMFtoPDFExport::BeforePlay() {
  const double w = FTarget.Right - FTarget.Left, h = FTarget.Top - FTarget.Bottom;
  FOut += "q\r\n" + Num(std::min(FTarget.Left, FTarget.Right)) + " " + Num(std::min(FTarget.Top, FTarget.Bottom)) +
          " " + Num(std::fabs(w)) + " " + Num(std::fabs(h)) + " re\r\nW* n\r\n";
}

void TEMFtoPDFExport::CloseAll() {
  if (FClosed) return;
  FClosed = true;
  if (Path.Pending) PaintPath(0);
  Path.Buffer.clear();
  Path.Pending = false;
  if (PdfDC().RegionClipOpen) {
    PdfDC().RegionClipOpen = false;
    WriteOp("Q");
  }
  while (SaveDepth > 0) WriteOp("Q");
}

void TEMFtoPDFExport::AfterPlay() {
  // A metafile without its end record must not leave states open for the
  // rest of the page.
  CloseAll();
  FOut += "Q\r\n";
}

void TEMFtoPDFExport::DoHeader() {
  const bool first = !HeaderPlayed;
  TEMFAbstractExport::DoHeader();
  if (!first) return;
  SaveDepth = 0;
  if (FrameWidthPx > 0 && FrameHeightPx > 0) {
    PointsPerPixelX = (FTarget.Right - FTarget.Left) / FrameWidthPx;
    PointsPerPixelY = (FTarget.Top - FTarget.Bottom) / FrameHeightPx;
  }
}

void TEMFtoPDFExport::DoEoF() {
  TEMFAbstractExport::DoEoF();
  CloseAll();
}

void TEMFtoPDFExport::DoSaveDC() {
  const size_t before = DCList.size();
  TEMFAbstractExport::DoSaveDC();
  if (DCList.size() > before) WriteOp("q");
}

void TEMFtoPDFExport::DoRestoreDC() {
  // Each context the restore frees closes its region clip, then its level.
  TEnhMetaObj peek(RecordBytes());
  const int32_t n = peek.I32(FirstField);
  if (peek.Valid() && n < 0) {
    const size_t levels = size_t(std::min<int64_t>(-int64_t(n), int64_t(DCList.size())));
    for (size_t i = 0; i < levels; ++i) {
      auto* freed = static_cast<TPDFDeviceContext*>(i == 0 ? DC : DCList[DCList.size() - i]);
      if (freed->RegionClipOpen) {
        freed->RegionClipOpen = false;
        WriteOp("Q");
      }
      WriteOp("Q");
    }
  }
  TEMFAbstractExport::DoRestoreDC();
}

// --- shapes ---

void TEMFtoPDFExport::DoRectangle() {
  TEMFAbstractExport::DoRectangle();
  if (!RecordOk()) return;
  const TRect box = CurrentRecord()->RectL(FirstField);
  BeginShape();
  const TXForm& x = DC->Data.XForm;
  if (!DC->IsIdentity() && (std::fabs(x.eM12) > 1e-6 || std::fabs(x.eM21) > 1e-6)) {
    // Turned by the world transform: the corners, not an upright rectangle.
    WriteOp(ToPdfPoint({box.Left, box.Top}) + " m");
    WriteOp(ToPdfPoint({box.Right, box.Top}) + " l");
    WriteOp(ToPdfPoint({box.Right, box.Bottom}) + " l");
    WriteOp(ToPdfPoint({box.Left, box.Bottom}) + " l");
    WriteOp("h");
  } else {
    WriteOp(ToPdfRect(box) + " re");
  }
  EndShape(pmStroke | pmFill);
}

void TEMFtoPDFExport::DoEllipse() {
  TEMFAbstractExport::DoEllipse();
  if (!RecordOk()) return;
  const TRect box = CurrentRecord()->RectL(FirstField);
  const TPointF a = PdfPoint(box.Left, box.Top), b = PdfPoint(box.Right, box.Bottom);
  const double l = std::min(a.X, b.X), r = std::max(a.X, b.X), bo = std::min(a.Y, b.Y), t = std::max(a.Y, b.Y);
  BeginShape();
  RoundRectPath(l, t, r, bo, (r - l) / 2, (t - bo) / 2);
  EndShape(pmStroke | pmFill);
}

void TEMFtoPDFExport::DoRoundRect() {
  TEMFAbstractExport::DoRoundRect();
  if (!RecordOk()) return;
  const TRect box = CurrentRecord()->RectL(RoundRect::Box);
  const TPoint corner = CurrentRecord()->PointL(RoundRect::Corner);
  const TPointF a = PdfPoint(box.Left, box.Top), b = PdfPoint(box.Right, box.Bottom);
  const double l = std::min(a.X, b.X), r = std::max(a.X, b.X), bo = std::min(a.Y, b.Y), t = std::max(a.Y, b.Y);
  // Corners larger than the box would turn the outline inside out.
  const double rx = std::min(ToPdfLength(std::abs(double(corner.X))) / 2, (r - l) / 2);
  const double ry = std::min(ToPdfLength(std::abs(double(corner.Y))) / 2, (t - bo) / 2);
  BeginShape();
  RoundRectPath(l, t, r, bo, rx, ry);
  EndShape(pmStroke | pmFill);
}

void TEMFtoPDFExport::ArcRecord(int mode, bool pieLines) {
  if (!RecordOk()) return;
  const TEnhMetaObj& r = *CurrentRecord();
  const TRect box = r.RectL(8);
  const TPoint s = r.PointL(24), e = r.PointL(32);
  if (!r.Valid()) return;
  const double cx = (double(box.Left) + box.Right) / 2, cy = (double(box.Top) + box.Bottom) / 2;
  const double rx = std::fabs(double(box.Right) - box.Left) / 2, ry = std::fabs(double(box.Bottom) - box.Top) / 2;
  // Angles counter-clockwise with y downwards.
  const double as = std::atan2(cy - s.Y, s.X - cx) * 180 / M_PI, ae = std::atan2(cy - e.Y, e.X - cx) * 180 / M_PI;
  double sweep = ae - as;
  if (DC->Data.ArcDirection == 2) {  // clockwise
    if (sweep > 0) sweep -= 360;
    if (sweep == 0) sweep = -360;
  } else {
    if (sweep < 0) sweep += 360;
    if (sweep == 0) sweep = 360;
  }
  BeginShape();
  ArcPath(cx, cy, rx, ry, as, sweep, true);
  if (pieLines) WriteOp(PointText(PdfPoint(cx, cy)) + " l");
  if (mode & pmClose) WriteOp("h");
  EndShape(mode);
}

void TEMFtoPDFExport::DoPie() {
  TEMFAbstractExport::DoPie();
  ArcRecord(pmClose | pmStroke | pmFill, true);
}

void TEMFtoPDFExport::DoChord() {
  TEMFAbstractExport::DoChord();
  ArcRecord(pmClose | pmStroke | pmFill, false);
}

void TEMFtoPDFExport::DoArc() {
  TEMFAbstractExport::DoArc();
  ArcRecord(pmStroke, false);
}

void TEMFtoPDFExport::DoAngleArc() {
  TEMFAbstractExport::DoAngleArc();
  if (!RecordOk()) return;
  const TEnhMetaObj& r = *CurrentRecord();
  const TPoint c = r.PointL(8);
  const double radius = r.U32(16);
  const double start = r.F32(20), sweep = r.F32(24);
  if (!r.Valid()) return;
  BeginShape();
  ArcPath(c.X, c.Y, radius, radius, start, sweep, true);
  EndShape(pmStroke);
}

void TEMFtoPDFExport::Poly(int mode, bool close, bool fromCurrent) {
  if (!RecordOk()) return;
  std::vector<TPoint> pts = CurrentRecord()->PolyPoints();
  if (!CurrentRecord()->Valid() || pts.size() < (fromCurrent ? 1u : 2u)) return;
  BeginShape();
  if (fromCurrent) {
    // A path must start with a move: from the current point.
    if (!Path.Pending) WriteOp(ToPdfPoint(DC->Data.CurrentPosition) + " m");
  } else {
    WriteOp(ToPdfPoint(pts[0]) + " m");
  }
  for (size_t i = fromCurrent ? 0 : 1; i < pts.size(); ++i) WriteOp(ToPdfPoint(pts[i]) + " l");
  if (close) WriteOp("h");
  EndShape(mode);
}

void TEMFtoPDFExport::DoPolygon() { TEMFAbstractExport::DoPolygon(); Poly(pmStroke | pmFill, true, false); }
void TEMFtoPDFExport::DoPolygon16() { TEMFAbstractExport::DoPolygon16(); Poly(pmStroke | pmFill, true, false); }
void TEMFtoPDFExport::DoPolyline() { TEMFAbstractExport::DoPolyline(); Poly(pmStroke, false, false); }
void TEMFtoPDFExport::DoPolyline16() { TEMFAbstractExport::DoPolyline16(); Poly(pmStroke, false, false); }
void TEMFtoPDFExport::DoPolylineTo() { TEMFAbstractExport::DoPolylineTo(); Poly(pmStroke | pmContinue, false, true); }
void TEMFtoPDFExport::DoPolylineTo16() {
  TEMFAbstractExport::DoPolylineTo16();
  Poly(pmStroke | pmContinue, false, true);
}

void TEMFtoPDFExport::Polys(const std::vector<uint32_t>& counts, const std::vector<TPoint>& points, bool close) {
  if (counts.empty()) return;
  BeginShape();
  size_t at = 0;
  for (uint32_t n : counts) {
    for (uint32_t i = 0; i < n; ++i) WriteOp(ToPdfPoint(points[at + i]) + (i == 0 ? " m" : " l"));
    if (close && n > 0) WriteOp("h");
    at += n;
  }
  EndShape(close ? pmStroke | pmFill : pmStroke);
}

void TEMFtoPDFExport::DoPolyPolygon() {
  TEMFAbstractExport::DoPolyPolygon();
  if (const auto* r = Current<TEMRPolyPolygonObj>(); r && r->Valid()) Polys(r->Counts(), r->Points(), true);
}
void TEMFtoPDFExport::DoPolyPolygon16() {
  TEMFAbstractExport::DoPolyPolygon16();
  if (const auto* r = Current<TEMRPolyPolygon16Obj>(); r && r->Valid()) Polys(r->Counts(), r->Points(), true);
}
void TEMFtoPDFExport::DoPolyPolyline() {
  TEMFAbstractExport::DoPolyPolyline();
  if (const auto* r = Current<TEMRPolyPolygon16Obj>(); r && r->Valid()) Polys(r->Counts(), r->Points(), false);
}
void TEMFtoPDFExport::DoPolyPolyline16() {
  TEMFAbstractExport::DoPolyPolyline16();
  if (const auto* r = Current<TEMRPolyPolygon16Obj>(); r && r->Valid()) Polys(r->Counts(), r->Points(), false);
}

void TEMFtoPDFExport::Bezier(const std::vector<TPoint>& points, size_t from) {
  size_t i = from;
  while (points.size() - i > 1) {
    const size_t left = points.size() - i;
    if (left == 2 || left == 4) {
      WriteOp(ToPdfPoint(points[i]) + " " + ToPdfPoint(points[i + 1]) + " v");
      i += 2;
    } else {
      WriteOp(ToPdfPoint(points[i]) + " " + ToPdfPoint(points[i + 1]) + " " + ToPdfPoint(points[i + 2]) + " c");
      i += 3;
    }
  }
}

void TEMFtoPDFExport::DoPolyBezier() {
  TEMFAbstractExport::DoPolyBezier();
  if (!RecordOk()) return;
  std::vector<TPoint> pts = CurrentRecord()->PolyPoints();
  if (pts.size() < 2) return;
  BeginShape();
  WriteOp(ToPdfPoint(pts[0]) + " m");
  Bezier(pts, 1);
  EndShape(pmStroke);
}
void TEMFtoPDFExport::DoPolyBezier16() {
  TEMFAbstractExport::DoPolyBezier16();
  if (!RecordOk()) return;
  std::vector<TPoint> pts = CurrentRecord()->PolyPoints();
  if (pts.size() < 2) return;
  BeginShape();
  WriteOp(ToPdfPoint(pts[0]) + " m");
  Bezier(pts, 1);
  EndShape(pmStroke);
}
void TEMFtoPDFExport::DoPolyBezierTo() {
  TEMFAbstractExport::DoPolyBezierTo();
  if (!RecordOk()) return;
  std::vector<TPoint> pts = CurrentRecord()->PolyPoints();
  if (pts.size() < 2) return;
  BeginShape();
  if (!Path.Pending) WriteOp(ToPdfPoint(DC->Data.CurrentPosition) + " m");
  Bezier(pts, 0);
  EndShape(pmStroke | pmContinue);
}
void TEMFtoPDFExport::DoPolyBezierTo16() {
  TEMFAbstractExport::DoPolyBezierTo16();
  if (!RecordOk()) return;
  std::vector<TPoint> pts = CurrentRecord()->PolyPoints();
  if (pts.size() < 2) return;
  BeginShape();
  if (!Path.Pending) WriteOp(ToPdfPoint(DC->Data.CurrentPosition) + " m");
  Bezier(pts, 0);
  EndShape(pmStroke | pmContinue);
}

void TEMFtoPDFExport::DoMoveToEx() {
  TEMFAbstractExport::DoMoveToEx();
  if (RecordOk()) WriteOp(ToPdfPoint(DC->Data.NextPosition) + " m");
}

void TEMFtoPDFExport::DoLineTo() {
  TEMFAbstractExport::DoLineTo();
  if (!RecordOk()) return;
  BeginShape();
  if (!Path.Pending) WriteOp(ToPdfPoint(DC->Data.CurrentPosition) + " m");
  WriteOp(ToPdfPoint(DC->Data.NextPosition) + " l");
  EndShape(pmStroke | pmContinue);
}

void TEMFtoPDFExport::DoCloseFigure() {
  TEMFAbstractExport::DoCloseFigure();
  if (Path.Pending) WriteOp("h");
}

// --- paths and clipping ---

void TEMFtoPDFExport::DoFillPath() {
  TEMFAbstractExport::DoFillPath();
  PaintPath(EffectiveMode(pmFill));
}
void TEMFtoPDFExport::DoStrokePath() {
  TEMFAbstractExport::DoStrokePath();
  PaintPath(EffectiveMode(pmStroke));
}
void TEMFtoPDFExport::DoStrokeAndFillPath() {
  TEMFAbstractExport::DoStrokeAndFillPath();
  PaintPath(EffectiveMode(pmStroke | pmFill));
}

void TEMFtoPDFExport::DoSelectClipPath() {
  TEMFAbstractExport::DoSelectClipPath();
  if (!Path.Pending) return;
  WriteOp(DC->Data.PolyFillMode == ALTERNATE ? "W*" : "W");
  PaintPath(0);
}

void TEMFtoPDFExport::WriteRegionClip() {
  TPDFDeviceContext& dc = PdfDC();
  // The path of a pending move is not part of the clip.
  if (Path.Pending) PaintPath(0);
  if (dc.RegionClipOpen) WriteOp("Q");
  else dc.RegionClipOpen = true;
  WriteOp("q");
  if (!dc.Data.HasClipRgn) return;
  std::vector<TRect> rects = dc.Data.ClipRgn.Rects();
  if (rects.empty()) {
    // An empty clip region shows nothing.
    rects.push_back(TRect{0, 0, 0, 0});
  }
  if (rects.size() > 10000) return;
  for (const TRect& r : rects) {
    const TPointF a = DevicePdfPoint(TPointF{double(r.Left) - dc.Data.FrameOrigin.X, double(r.Top) - dc.Data.FrameOrigin.Y});
    const TPointF b =
        DevicePdfPoint(TPointF{double(r.Right) - dc.Data.FrameOrigin.X, double(r.Bottom) - dc.Data.FrameOrigin.Y});
    const double l = std::min(a.X, b.X), bo = std::min(a.Y, b.Y);
    WriteOp(Num(l) + " " + Num(bo) + " " + Num(std::max(a.X, b.X) - l) + " " + Num(std::max(a.Y, b.Y) - bo) + " re");
  }
  WriteOp(dc.Data.PolyFillMode == ALTERNATE ? "W*" : "W");
  PaintPath(0);
}

void TEMFtoPDFExport::DoExtSelectClipRgn() {
  TEMFAbstractExport::DoExtSelectClipRgn();
  if (RecordOk()) WriteRegionClip();
}
void TEMFtoPDFExport::DoIntersectClipRect() {
  TEMFAbstractExport::DoIntersectClipRect();
  if (RecordOk()) WriteRegionClip();
}
void TEMFtoPDFExport::DoExcludeClipRect() {
  TEMFAbstractExport::DoExcludeClipRect();
  if (RecordOk() && DC->Data.HasClipRgn) WriteRegionClip();
}
void TEMFtoPDFExport::DoOffsetClipRgn() {
  TEMFAbstractExport::DoOffsetClipRgn();
  if (RecordOk() && DC->Data.HasClipRgn) WriteRegionClip();
}
void TEMFtoPDFExport::DoSetMetaRgn() {
  TEMFAbstractExport::DoSetMetaRgn();
  if (PdfDC().RegionClipOpen) WriteRegionClip();
}

// --- bitmaps ---

void TEMFtoPDFExport::PlaceImage(int index, const std::string& rect) {
  if (!FDoc || !FDoc->CurrentPage()) return;
  const std::string name = FDoc->CurrentPage()->UseImage(index);
  // rect: left bottom width height
  double v[4] = {0, 0, 0, 0};
  size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t end = rect.find(' ', at);
    v[i] = std::strtod(rect.substr(at, end - at).c_str(), nullptr);
    at = end == std::string::npos ? rect.size() : end + 1;
  }
  if (Path.Pending) PaintPath(0);
  WriteOp("q");
  WriteOp(Num(v[2]) + " 0 0 " + Num(v[3]) + " " + Num(v[0]) + " " + Num(v[1]) + " cm");
  WriteOp(name + " Do");
  WriteOp("Q");
}

void TEMFtoPDFExport::DrawBitmap(const TEMRBitmap& rec, uint32_t rop) {
  if (!rec.Valid()) return;
  const TRect d = rec.Dest();
  const TRect box{d.Left, d.Top, int(std::clamp<int64_t>(int64_t(d.Left) + d.Right, INT32_MIN, INT32_MAX)),
                  int(std::clamp<int64_t>(int64_t(d.Top) + d.Bottom, INT32_MIN, INT32_MAX))};
  const std::string rect = ToPdfRect(box);
  auto fill = [&](const std::string& color) {
    if (Path.Pending) PaintPath(0);
    WriteOp("q");
    WriteOp(color + " rg");
    FOut += rect + " re\r\nf\r\n";
    WriteOp("Q");
  };
  const bool alphaBlend = rec.Type() == EMR_ALPHABLEND;
  const bool transparent = rec.Type() == EMR_TRANSPARENTBLT;
  if (alphaBlend && rop != 0x01FF0000 && rop != 0x00FF0000) {
    Comment(" Unsupported dwRop: " + std::to_string(rop));
    return;
  }
  if (!alphaBlend && !transparent) {
    switch (rop) {
      case 0x00CC0020:
      case 0x00660046:
      case 0x008800C6:
      case 0x00EE0086: break;
      case 0x00AA0029: return;
      case PATCOPY:
        if (EffectiveMode(pmFill) & pmFill) {
          if (Path.Pending) PaintPath(0);
          WriteOp("q");
          WriteOp(rect + " re");
          PaintPath(pmFill);
          WriteOp("Q");
        }
        return;
      case BLACKNESS: fill("0 0 0"); return;
      case WHITENESS: fill("1 1 1"); return;
      default: Comment(" Unsupported dwRop: " + std::to_string(rop)); return;
    }
  }
  const TEMFDib& dib = rec.Dib();
  if (!dib.Valid() || !FDoc || !FDoc->CurrentPage()) return;
  TqdxPDFPixels pixels;
  pixels.Width = dib.Width;
  pixels.Height = dib.Height;
  pixels.RGB = dib.RGB;
  if (alphaBlend && !dib.Alpha.empty() && (rop >> 24) == 1) {
    // Premultiplied colours back to straight ones.
    pixels.Alpha = dib.Alpha;
    for (size_t i = 0; i < pixels.Alpha.size(); ++i) {
      const unsigned a = uint8_t(pixels.Alpha[i]);
      for (int c = 0; c < 3; ++c) {
        const unsigned v = uint8_t(pixels.RGB[i * 3 + size_t(c)]);
        pixels.RGB[i * 3 + size_t(c)] = char(a == 0 ? 0 : std::min(255u, (v * 255 + a / 2) / a));
      }
    }
  } else if (transparent) {
    // The transparent colour becomes a mask.
    pixels.Alpha.assign(size_t(dib.Width) * dib.Height, char(255));
    const uint8_t r = rop & 0xFF, g = (rop >> 8) & 0xFF, b = (rop >> 16) & 0xFF;
    for (size_t i = 0; i < pixels.Alpha.size(); ++i)
      if (uint8_t(pixels.RGB[i * 3]) == r && uint8_t(pixels.RGB[i * 3 + 1]) == g && uint8_t(pixels.RGB[i * 3 + 2]) == b)
        pixels.Alpha[i] = 0;
  }
  const int index = FDoc->AddImage(pixels, pixels.Alpha.empty() ? JpegQuality : -1);
  PlaceImage(index, rect);
}

void TEMFtoPDFExport::DoBitBlt() {
  TEMFAbstractExport::DoBitBlt();
  if (const auto* r = Current<TEMRBitmap>()) DrawBitmap(*r, r->Rop());
}
void TEMFtoPDFExport::DoStretchBlt() {
  TEMFAbstractExport::DoStretchBlt();
  if (const auto* r = Current<TEMRBitmap>()) DrawBitmap(*r, r->Rop());
}
void TEMFtoPDFExport::DoMaskBlt() {
  TEMFAbstractExport::DoMaskBlt();
  if (const auto* r = Current<TEMRBitmap>()) DrawBitmap(*r, r->Rop());
}
void TEMFtoPDFExport::DoStretchDIBits() {
  TEMFAbstractExport::DoStretchDIBits();
  if (const auto* r = Current<TEMRBitmap>()) DrawBitmap(*r, r->Rop());
}
void TEMFtoPDFExport::DoAlphaBlend() {
  TEMFAbstractExport::DoAlphaBlend();
  if (const auto* r = Current<TEMRBitmap>()) DrawBitmap(*r, r->Rop());
}
void TEMFtoPDFExport::DoTransparentBlt() {
  TEMFAbstractExport::DoTransparentBlt();
  if (const auto* r = Current<TEMRBitmap>()) DrawBitmap(*r, r->Rop());
}

// --- text ---

void TEMFtoPDFExport::DoExtTextOutW() {
  TEMFAbstractExport::DoExtTextOutW();
  if (const auto* r = Current<TEMRExtTextOutWObj>(); r && r->Valid()) Text(*r);
}
void TEMFtoPDFExport::DoExtTextOutA() {
  TEMFAbstractExport::DoExtTextOutA();
  if (const auto* r = Current<TEMRExtTextOutWObj>(); r && r->Valid()) Text(*r);
}

void TEMFtoPDFExport::Text(const TEMRExtTextOutWObj& rec) {
  const TDeviceContextData& d = DC->Data;
  const uint8_t charset = DC->FontCharSet();
  const bool rtl = (rec.Options() & 0x80) || (d.TextAlign & 0x100) || (d.Layout & 1) || charset == 177 || charset == 178;
  const bool glyphIds = (rec.Options() & ETO_GLYPH_INDEX) != 0;
  std::u16string text = RecordText(rec, glyphIds, rtl);
  // Glyphs the character map does not reach are drawn by their ids.
  const bool glyphMode = glyphIds && !rtl && text.find(u'\uFFFD') != std::u16string::npos;
  if (glyphMode) text = rec.Text();
  if (text.empty() || !FDoc) return;
  if (Path.Pending) PaintPath(0);
  WriteOp("q");
  if (rec.Options() & ETO_OPAQUE) {
    WriteOp(ToPdfRect(rec.Rectangle()) + " re");
    PaintPath(pmFill, true);
  }
  if (rec.Options() & ETO_CLIPPED) {
    WriteOp(ToPdfRect(rec.Rectangle()) + " re");
    WriteOp(d.PolyFillMode == ALTERNATE ? "W*" : "W");
    PaintPath(0);
  }
  TFontDesc desc = CreateFontFromDC();
  TqdxPDFFont& font = TqdxPDFFont::Use(*FDoc, desc, [this](const std::string& m) { Error(m); });
  const double h = DC->FontHeight();
  // A size that rounds to nothing would divide by zero in the spacing.
  const double size = std::max(1.0, std::nearbyint(ToPdfLength(h)));
  const double width = double(rec.TextWidth());
  const double a = DC->FontEscapementRadians();
  const TEMFHAlign ha = DC->HAlign();
  const TEMFVAlign va = DC->VAlign();
  const double hf = ha == TEMFHAlign::Left ? 0 : ha == TEMFHAlign::Right ? -1 : -0.5;
  const double vf = va == TEMFVAlign::Top ? 0.92 : va == TEMFVAlign::Bottom ? -0.92 : 0;
  TPoint ref = rec.Reference();
  if (d.TextAlign & TA_UPDATECP) ref = d.CurrentPosition;
  const double x = ref.X + width * hf * std::cos(a) + h * vf * std::sin(a);
  const double y = ref.Y - width * hf * std::sin(a) + h * vf * std::cos(a);
  TPointF start = PdfPoint(x, y);
  if (a != 0) {
    Rotation.Set(0, 0, a);
    WriteOp(Rotation.Matrix() + " cm");
    start = Rotation.Rotate(start);
  }
  WriteOp("BT");
  WriteOp(font.Name() + " " + Num(size) + " Tf");
  WriteOp("[] 0 d");
  WriteOp(Color(d.TextColor) + " rg");
  WriteOp(PointText(start) + " Td");
  TRemapedString line = font.RemapString(text, (d.TextAlign & 0x100) != 0, glyphMode);
  if (font.ItalicSimulated()) WriteOp(font.ItalicSimulation(start.X, start.Y) + " Tm");
  const bool bold = font.BoldSimulated();
  if (bold) WriteOp(font.BoldSimulation(size, d.TextColor));
  const std::vector<int32_t> dx = rec.Advances();
  if (rtl || !line.Small || dx.size() != line.Widths.size() || line.Glyphs.empty()) {
    WriteOp(TqdxPDFFont::HexGlyphs(line) + " Tj");
  } else {
    // After each glyph, the difference between its own advance and the
    // record's spacing, so the text runs the record's width.
    const double f = ToPdfLength(1) * 1000 / size;
    std::string s = "[<";
    static constexpr char Digits[] = "0123456789ABCDEF";
    for (size_t k = 0; k < line.Glyphs.size(); ++k) {
      const unsigned g = line.Glyphs[k];
      const char hex[4] = {Digits[(g >> 12) & 15], Digits[(g >> 8) & 15], Digits[(g >> 4) & 15], Digits[g & 15]};
      s.append(hex, 4);
      if (k + 1 < line.Glyphs.size()) {
        const double own = line.Widths[k] < 0 ? 0 : line.Widths[k];
        const double n = std::nearbyint(own - dx[k] * f);
        if (std::isfinite(n) && n != 0) s += ">" + FloatToPdfCompact(std::clamp(n, -1e6, 1e6), 0) + "<";
      }
    }
    WriteOp(s + ">] TJ");
  }
  WriteOp("ET");
  if (bold) WriteOp(TqdxPDFFont::BoldSimulationEnd());
  if (DC->FontUnderline() || DC->FontStrikeOut()) {
    const double len = ToPdfLength(width);
    WriteOp("[] 0 d");
    WriteOp(Color(d.TextColor) + " RG");
    auto rule = [&](double w, double dy) {
      WriteOp(Num(w) + " w");
      FOut += PointText({start.X, start.Y + dy}) + " m\r\n" + PointText({start.X + len, start.Y + dy}) + " l\r\nS\r\n";
    };
    if (DC->FontUnderline()) rule(0.07125 * size, -0.125 * size);
    if (DC->FontStrikeOut()) rule(0.035625 * size, 0.29 * size);
  }
  WriteOp("Q");
}
