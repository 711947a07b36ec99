#include "platform/MetafilePlayer.h"

#include "platform/BmpFile.h"
#include "platform/CodePage.h"
#include "platform/CodePageConv.h"
#include "platform/EmfFormat.h"
#include "platform/Font.h"
#include "platform/TextMeasure.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <set>
#include <variant>

using namespace Emf;

namespace {

// A 2 x 3 affine map in the row-vector convention of the format:
// x' = x M11 + y M21 + Dx, y' = x M12 + y M22 + Dy.
struct TXForm {
  double M11 = 1, M12 = 0, M21 = 0, M22 = 1, Dx = 0, Dy = 0;
};

// a, then b.
TXForm Then(const TXForm& a, const TXForm& b) {
  return TXForm{a.M11 * b.M11 + a.M12 * b.M21, a.M11 * b.M12 + a.M12 * b.M22,
                a.M21 * b.M11 + a.M22 * b.M21, a.M21 * b.M12 + a.M22 * b.M22,
                a.Dx * b.M11 + a.Dy * b.M21 + b.Dx, a.Dx * b.M12 + a.Dy * b.M22 + b.Dy};
}

TPointF Apply(const TXForm& m, double x, double y) {
  return TPointF{x * m.M11 + y * m.M21 + m.Dx, x * m.M12 + y * m.M22 + m.Dy};
}

// Far beyond any canvas, yet far from overflowing when canvases add to it.
constexpr double CoordLimit = 1 << 28;

int ToInt(double v) {
  if (!(v == v))
    return 0;
  return int(std::floor(std::clamp(v, -CoordLimit, CoordLimit) + 0.5));
}

TPoint Round(const TPointF& p) { return TPoint{ToInt(p.X), ToInt(p.Y)}; }

struct TPenObject {
  TPen Pen;
  bool Scaled = true;  // widths are logical units (a cosmetic pen is always one pixel)
};
using TObject = std::variant<std::monostate, TPenObject, TBrush, TFontDesc>;

struct TFigure {
  std::vector<TPointF> Points;  // destination pixels
  bool Closed = false;
};

struct TDc {
  uint32_t MapMode = MM_TEXT;
  TPoint WindowOrg, ViewportOrg;
  TPoint WindowExt{1, 1}, ViewportExt{1, 1};
  TXForm World;
  TPenObject Pen;
  TBrush Brush;
  TFontDesc Font;
  TColor BkColor = clWhiteRGB;
  TBkMode BkMode = TBkMode::bkOpaque;
  TColor TextColor = clBlackRGB;
  uint32_t TextAlign = 0;
  TPolyFillMode PolyFillMode = TPolyFillMode::pfAlternate;
  TStretchMode StretchMode = TStretchMode::smNearest;
  TPoint Position;
  // Destination pixels; shared because saved states copy them unchanged.
  std::shared_ptr<const TRegion> Clip;
  std::shared_ptr<const TRegion> MetaClip;
};

constexpr size_t MaxSaveDepth = 1000;
constexpr size_t MaxFlatPoints = size_t(1) << 20;  // points one Bezier record may flatten into
constexpr size_t MaxPathPoints = size_t(1) << 22;  // points an open path may hold
constexpr int64_t MaxCropPixels = int64_t(1) << 24;  // pixels of a bitmap part cut out for drawing
constexpr int MaxFontHeight = 16384;
constexpr size_t MaxCachedFonts = 16;

class TPlayer {
public:
  TPlayer(TCanvas& target, const TRect& dest) : FTarget(target), FDest(dest) {}
  TMetafilePlayResult Play(std::string_view emf);

private:
  // --- result ---
  void Message(std::string text) {
    if (FResult.Messages.size() < TMetafilePlayResult::MaxMessages && FSeen.insert(text).second)
      FResult.Messages.push_back(std::move(text));
  }
  void Skip(const TEmfRecord& rec, const std::string& why) {
    ++FResult.Skipped;
    Message(RecordName(rec.Type) + ": " + why);
    FHandled = true;
  }

  // --- coordinates ---
  bool SetFrame(const TEmfHeader& h);
  TXForm PageToDest() const;
  TXForm Full() const { return Then(FDc.World, PageToDest()); }
  TPointF Map(TPoint p) const { return Apply(Full(), p.X, p.Y); }
  TPointF DeviceToDest(double x, double y) const {
    return TPointF{FDest.Left + (x - FFrameX) * FScaleX, FDest.Top + (y - FFrameY) * FScaleY};
  }
  bool AxisAligned() const {
    TXForm m = Full();
    return std::abs(m.M12) < 1e-9 && std::abs(m.M21) < 1e-9;
  }
  double ScaleX() const {
    TXForm m = Full();
    return std::hypot(m.M11, m.M12);
  }
  double ScaleY() const {
    TXForm m = Full();
    return std::hypot(m.M21, m.M22);
  }
  TRect MapRect(const TRect& r) const {
    TPoint a = Round(Map(TPoint{r.Left, r.Top})), b = Round(Map(TPoint{r.Right, r.Bottom}));
    return TRect{a.X, a.Y, b.X, b.Y};
  }

  // --- state onto the target ---
  void ApplyPen();
  void ApplyBrush(const TBrush& brush);
  void ApplyBackground();
  void ApplyClip();
  void SetClip(std::optional<TRegion> clip);
  const TFont* FontFor(const TFontDesc& desc);

  // --- geometry ---
  // Adds a figure to the open path, or draws it.
  void Shape(std::vector<TPointF> points, bool closed);
  void PathLineTo(const std::vector<TPointF>& points);
  void StrokeFigures(const std::vector<TFigure>& figures);
  void FillFigures(const std::vector<TFigure>& figures);
  std::vector<TPointF> EllipsePoints(const TRect& box) const;
  std::vector<TPointF> RoundRectPoints(const TRect& box, int w, int h) const;
  void FlattenBezier(TPointF p0, TPointF p1, TPointF p2, TPointF p3, int maxSegments, std::vector<TPointF>& out) const;
  // False (with a message) when the open path would grow past its limit.
  bool PathRoom(const TEmfRecord& rec, size_t points);
  std::optional<TRegion> ReadRegion(TEmfReader& r, size_t offset, uint32_t cb);
  const TObject* Object(uint32_t index);
  std::optional<TBitmap> ReadDib(TEmfReader& r, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits,
                                 uint32_t usage, std::string& why);

  // --- records ---
  void Record(const TEmfRecord& rec);
  void PolyRecord(const TEmfRecord& rec, bool small);
  void PolyPolyRecord(const TEmfRecord& rec, bool small);
  void TextRecord(const TEmfRecord& rec, bool wide);
  void BitmapRecord(const TEmfRecord& rec);
  void ObjectRecord(const TEmfRecord& rec);
  void SelectRecord(const TEmfRecord& rec);
  void ClipRecord(const TEmfRecord& rec);
  void PathRecord(const TEmfRecord& rec);

  TCanvas& FTarget;
  TRect FDest;
  TMetafilePlayResult FResult;
  std::set<std::string> FSeen;
  bool FHandled = false;

  double FFrameX = 0, FFrameY = 0;  // frame's top-left, reference device pixels
  double FScaleX = 1, FScaleY = 1;  // reference device pixels to destination pixels
  double FPixelsPerMmX = 96 / 25.4, FPixelsPerMmY = 96 / 25.4;
  TRegion FBaseClip;

  TDc FDc;
  std::vector<TDc> FSaved;
  std::vector<TObject> FObjects;
  bool FPathOpen = false;
  std::vector<TFigure> FPath;
  size_t FPathPoints = 0;
  std::vector<std::pair<TFontDesc, std::unique_ptr<TFont>>> FFonts;
};

// --- coordinates ---

bool TPlayer::SetFrame(const TEmfHeader& h) {
  auto ratio = [](double px, double mm, double fallback) {
    double v = mm > 0 && px > 0 ? px / mm : 0;
    return std::isfinite(v) && v > 0 ? v : fallback;
  };
  FPixelsPerMmX = ratio(h.DeviceCx, h.MicrometersCx ? h.MicrometersCx / 1000.0 : h.MillimetersCx, 96 / 25.4);
  FPixelsPerMmY = ratio(h.DeviceCy, h.MicrometersCy ? h.MicrometersCy / 1000.0 : h.MillimetersCy, 96 / 25.4);
  // The frame in whole reference pixels: the writer derived it from whole
  // pixels, so rounding gives them back exactly.
  double l = std::round(h.Frame.Left * FPixelsPerMmX / 100), r = std::round(h.Frame.Right * FPixelsPerMmX / 100);
  double t = std::round(h.Frame.Top * FPixelsPerMmY / 100), b = std::round(h.Frame.Bottom * FPixelsPerMmY / 100);
  if (!(r > l && b > t)) {
    // No usable frame: the bounds (inclusive pixels) stand in for it.
    l = h.Bounds.Left, t = h.Bounds.Top, r = double(h.Bounds.Right) + 1, b = double(h.Bounds.Bottom) + 1;
    if (!(r > l && b > t))
      return false;
    Message("the header has no frame; its bounds are used");
  }
  FFrameX = l;
  FFrameY = t;
  FScaleX = (double(FDest.Right) - FDest.Left) / (r - l);
  FScaleY = (double(FDest.Bottom) - FDest.Top) / (b - t);
  return true;
}

TXForm TPlayer::PageToDest() const {
  double sx = 1, sy = 1;
  auto fixed = [&](double mmPerUnit, bool yUp) {
    sx = mmPerUnit * FPixelsPerMmX;
    sy = (yUp ? -1 : 1) * mmPerUnit * FPixelsPerMmY;
  };
  switch (FDc.MapMode) {
    case MM_LOMETRIC: fixed(0.1, true); break;
    case MM_HIMETRIC: fixed(0.01, true); break;
    case MM_LOENGLISH: fixed(0.254, true); break;
    case MM_HIENGLISH: fixed(0.0254, true); break;
    case MM_TWIPS: fixed(25.4 / 1440, true); break;
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC:
      sx = double(FDc.ViewportExt.X) / FDc.WindowExt.X;
      sy = double(FDc.ViewportExt.Y) / FDc.WindowExt.Y;
      if (FDc.MapMode == MM_ISOTROPIC) {
        double m = std::min(std::abs(sx), std::abs(sy));
        sx = std::copysign(m, sx);
        sy = std::copysign(m, sy);
      }
      break;
    default: break;
  }
  TXForm page{sx, 0, 0, sy, FDc.ViewportOrg.X - FDc.WindowOrg.X * sx, FDc.ViewportOrg.Y - FDc.WindowOrg.Y * sy};
  TXForm device{FScaleX, 0, 0, FScaleY, FDest.Left - FFrameX * FScaleX, FDest.Top - FFrameY * FScaleY};
  return Then(page, device);
}

// --- state onto the target ---

void TPlayer::ApplyPen() {
  TPen pen = FDc.Pen.Pen;
  if (FDc.Pen.Scaled && pen.Style != TPenStyle::psClear) {
    double s = (ScaleX() + ScaleY()) / 2;
    if (s != 1) {
      auto scale = [&](int v) { return v <= 0 ? v : std::clamp(ToInt(v * s), 1, 100000); };
      pen.Width = scale(pen.Width);
      for (int& d : pen.Dashes)
        d = scale(d);
    }
  }
  if (!(pen == FTarget.Pen()))
    FTarget.SetPen(pen);
}

void TPlayer::ApplyBrush(const TBrush& brush) {
  if (!(brush == FTarget.Brush()))
    FTarget.SetBrush(brush);
}

void TPlayer::ApplyBackground() {
  if (FTarget.State().BkColor != FDc.BkColor)
    FTarget.SetBkColor(FDc.BkColor);
  if (FTarget.State().BkMode != FDc.BkMode)
    FTarget.SetBkMode(FDc.BkMode);
  if (FTarget.State().PolyFillMode != FDc.PolyFillMode)
    FTarget.SetPolyFillMode(FDc.PolyFillMode);
}

void TPlayer::ApplyClip() {
  TRegion clip = FBaseClip;
  if (FDc.MetaClip)
    clip.Combine(*FDc.MetaClip, TRegionOp::roIntersect);
  if (FDc.Clip)
    clip.Combine(*FDc.Clip, TRegionOp::roIntersect);
  FTarget.SelectClipRgn(&clip);
}

void TPlayer::SetClip(std::optional<TRegion> clip) {
  FDc.Clip = clip ? std::make_shared<const TRegion>(std::move(*clip)) : nullptr;
  ApplyClip();
}

const TFont* TPlayer::FontFor(const TFontDesc& desc) {
  for (auto& [d, font] : FFonts)
    if (d == desc)
      return font.get();
  if (FFonts.size() >= MaxCachedFonts)
    FFonts.clear();
  try {
    FFonts.emplace_back(desc, std::make_unique<TFont>(desc));
    return FFonts.back().second.get();
  } catch (const std::exception& e) {
    Message(std::string("no font for text: ") + e.what());
    return nullptr;
  }
}

// --- geometry ---

bool TPlayer::PathRoom(const TEmfRecord& rec, size_t points) {
  if (FPathPoints + points <= MaxPathPoints) {
    FPathPoints += points;
    return true;
  }
  Skip(rec, "the path grows too large");
  return false;
}

void TPlayer::Shape(std::vector<TPointF> points, bool closed) {
  if (FPathOpen) {
    FPath.push_back(TFigure{std::move(points), closed});
    return;
  }
  std::vector<TPoint> p(points.size());
  std::transform(points.begin(), points.end(), p.begin(), Round);
  ApplyPen();
  ApplyBackground();
  if (closed) {
    ApplyBrush(FDc.Brush);
    FTarget.Polygon(p);
  } else {
    FTarget.Polyline(p);
  }
}

void TPlayer::PathLineTo(const std::vector<TPointF>& points) {
  if (FPath.empty() || FPath.back().Closed)
    FPath.push_back(TFigure{{Map(FDc.Position)}, false});
  FPath.back().Points.insert(FPath.back().Points.end(), points.begin(), points.end());
}

void TPlayer::StrokeFigures(const std::vector<TFigure>& figures) {
  ApplyPen();
  ApplyBackground();
  ApplyBrush(TBrush{TBrushStyle::bsClear, clWhiteRGB});
  for (const TFigure& f : figures) {
    std::vector<TPoint> p(f.Points.size());
    std::transform(f.Points.begin(), f.Points.end(), p.begin(), Round);
    if (f.Closed)
      FTarget.Polygon(p);
    else
      FTarget.Polyline(p);
  }
}

void TPlayer::FillFigures(const std::vector<TFigure>& figures) {
  std::vector<std::vector<TPointF>> contours;
  for (const TFigure& f : figures)
    if (f.Points.size() >= 3)
      contours.push_back(f.Points);
  if (contours.empty())
    return;
  TRegion area = TRegion::FromPolygons(
      contours, FDc.PolyFillMode == TPolyFillMode::pfWinding ? TFillRule::frWinding : TFillRule::frAlternate);
  if (const TRegion* clip = FTarget.ClipRegion())
    area.Combine(*clip, TRegionOp::roIntersect);
  if (area.IsEmpty())
    return;
  ApplyBackground();
  ApplyBrush(FDc.Brush);
  FTarget.SelectClipRgn(&area);
  FTarget.FillRect(area.Bounds());
  ApplyClip();
}

std::vector<TPointF> TPlayer::EllipsePoints(const TRect& box) const {
  double cx = (double(box.Left) + box.Right) / 2, cy = (double(box.Top) + box.Bottom) / 2;
  double rx = (double(box.Right) - box.Left) / 2, ry = (double(box.Bottom) - box.Top) / 2;
  TXForm m = Full();
  double size = (std::abs(rx) * ScaleX() + std::abs(ry) * ScaleY());
  int n = std::clamp(int(size / 2), 16, 256);
  std::vector<TPointF> p;
  for (int i = 0; i < n; ++i) {
    double a = 2 * std::numbers::pi * i / n;
    p.push_back(Apply(m, cx + rx * std::cos(a), cy + ry * std::sin(a)));
  }
  return p;
}

std::vector<TPointF> TPlayer::RoundRectPoints(const TRect& box, int w, int h) const {
  TRect b = box.Normalized();
  double rx = std::min(std::abs(w) / 2.0, b.Width() / 2.0), ry = std::min(std::abs(h) / 2.0, b.Height() / 2.0);
  TXForm m = Full();
  std::vector<TPointF> p;
  const double corners[4][3] = {{b.Right - rx, b.Top + ry, -0.5}, {b.Left + rx, b.Top + ry, 0.0},
                                {b.Left + rx, b.Bottom - ry, 0.5}, {b.Right - rx, b.Bottom - ry, 1.0}};
  for (const auto& c : corners)
    for (int i = 0; i <= 8; ++i) {
      double a = std::numbers::pi * (c[2] + i / 16.0);
      p.push_back(Apply(m, c[0] + rx * std::cos(a + std::numbers::pi), c[1] + ry * std::sin(a + std::numbers::pi)));
    }
  return p;
}

void TPlayer::FlattenBezier(TPointF p0, TPointF p1, TPointF p2, TPointF p3, int maxSegments,
                            std::vector<TPointF>& out) const {
  double length = std::hypot(p1.X - p0.X, p1.Y - p0.Y) + std::hypot(p2.X - p1.X, p2.Y - p1.Y) +
                  std::hypot(p3.X - p2.X, p3.Y - p2.Y);
  int n = std::isfinite(length) ? int(std::clamp(length / 4, 1.0, double(maxSegments))) : 1;
  for (int i = 1; i <= n; ++i) {
    double t = double(i) / n, u = 1 - t;
    double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    out.push_back(TPointF{a * p0.X + b * p1.X + c * p2.X + d * p3.X, a * p0.Y + b * p1.Y + c * p2.Y + d * p3.Y});
  }
}

std::optional<TRegion> TPlayer::ReadRegion(TEmfReader& r, size_t offset, uint32_t cb) {
  if (!r.Has(offset, cb) || cb < RgnDataHeader::Size)
    return std::nullopt;
  uint32_t headerSize = r.U32(offset + RgnDataHeader::dwSize);
  uint32_t count = r.U32(offset + RgnDataHeader::nCount);
  if (headerSize < RgnDataHeader::Size || headerSize > cb || uint64_t(count) * 16 > cb - headerSize)
    return std::nullopt;
  std::vector<TRect> rects;
  rects.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    TRect d = r.RectL(offset + headerSize + 16 * size_t(i));
    TPoint a = Round(DeviceToDest(d.Left, d.Top)), b = Round(DeviceToDest(d.Right, d.Bottom));
    rects.push_back(TRect{a.X, a.Y, b.X, b.Y}.Normalized());
  }
  return TRegion(rects);
}

TObject StockPen(TPenStyle style, TColor color) {
  TPen pen;
  pen.Style = style;
  pen.Width = 0;
  pen.Color = color;
  return TPenObject{pen, false};
}

const TObject* TPlayer::Object(uint32_t index) {
  static const TObject stock[] = {
      TBrush{TBrushStyle::bsSolid, clWhiteRGB},
      TBrush{TBrushStyle::bsSolid, RGBColor(0xC0, 0xC0, 0xC0)},
      TBrush{TBrushStyle::bsSolid, RGBColor(0x80, 0x80, 0x80)},
      TBrush{TBrushStyle::bsSolid, RGBColor(0x40, 0x40, 0x40)},
      TBrush{TBrushStyle::bsSolid, clBlackRGB},
      TBrush{TBrushStyle::bsClear, clWhiteRGB},
      StockPen(TPenStyle::psSolid, clWhiteRGB),
      StockPen(TPenStyle::psSolid, clBlackRGB),
      StockPen(TPenStyle::psClear, clBlackRGB),
      TObject{},
      TFontDesc{}, TFontDesc{}, TFontDesc{}, TFontDesc{}, TFontDesc{},
      TObject{},  // the default palette
      TFontDesc{}, TFontDesc{},
      TBrush{TBrushStyle::bsSolid, clWhiteRGB},                        // DC brush
      StockPen(TPenStyle::psSolid, clBlackRGB),                          // DC pen
  };
  if (index & StockObject) {
    uint32_t n = index & ~StockObject;
    return n < std::size(stock) ? &stock[n] : nullptr;
  }
  return index > 0 && index < FObjects.size() ? &FObjects[index] : nullptr;
}

std::optional<TBitmap> TPlayer::ReadDib(TEmfReader& r, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
                                        uint32_t cbBits, uint32_t usage, std::string& why) {
  if (usage != DIB_RGB_COLORS) {
    why = "palette-index bitmaps are not supported";
    return std::nullopt;
  }
  if (cbBmi < 12 || !r.Has(offBmi, cbBmi) || !r.Has(offBits, cbBits)) {
    why = "the bitmap lies outside the record";
    return std::nullopt;
  }
  // Read through the BMP reader, which checks every size in the bitmap itself.
  std::string file = "BM";
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i)
      file.push_back(char((v >> (8 * i)) & 0xFF));
  };
  u32(uint32_t(14 + uint64_t(cbBmi) + cbBits));
  u32(0);
  u32(14 + cbBmi);
  file.append(r.Sub(offBmi, cbBmi));
  file.append(r.Sub(offBits, cbBits));
  try {
    TMemoryStream stream(std::move(file));
    return ReadBmp(stream);
  } catch (const std::exception& e) {
    why = std::string("bad bitmap: ") + e.what();
    return std::nullopt;
  }
}

// --- records ---

TMetafilePlayResult TPlayer::Play(std::string_view emf) {
  TEmfRecordList list = EnumerateEmfRecords(emf);
  std::optional<TEmfHeader> header;
  if (!list.Records.empty())
    header = ParseEmfHeader(list.Records[0].Bytes);
  if (!header) {
    Message(list.Records.empty() ? list.Error : "the header record is damaged");
    FResult.Skipped = int(list.Records.size());
    return FResult;
  }
  if (!SetFrame(*header)) {
    Message("the header has neither frame nor bounds");
    FResult.Skipped = int(list.Records.size());
    return FResult;
  }
  FObjects.resize(std::max<size_t>(header->Handles, 1));

  int depth = FTarget.SaveDC();
  FBaseClip = TRegion(FDest.Normalized());
  if (const TRegion* clip = FTarget.ClipRegion())
    FBaseClip.Combine(*clip, TRegionOp::roIntersect);
  ApplyClip();
  for (const TEmfRecord& rec : list.Records) {
    FHandled = false;
    int skipped = FResult.Skipped;
    Record(rec);
    if (!FHandled) {
      ++FResult.Skipped;
      Message(RecordName(rec.Type) + " is not supported");
    } else if (FResult.Skipped == skipped) {
      ++FResult.Played;
    }
  }
  FTarget.RestoreDC(depth);
  if (list.Error.empty())
    FResult.Complete = true;
  else
    Message(list.Error);
  return FResult;
}

void TPlayer::Record(const TEmfRecord& rec) {
  TEmfReader r(rec.Bytes);
  constexpr size_t F = FirstField;
  auto tooShort = [&] { Skip(rec, "the record is too short for its fields"); };
  auto valueOf = [&](uint32_t& v) {
    v = r.U32(F);
    if (!r.Ok())
      tooShort();
    return r.Ok();
  };
  uint32_t v = 0;
  FHandled = true;
  // An open path takes at most about as many points as the record's bytes
  // allow (curves flatten further, within their own limit).
  if (FPathOpen && !PathRoom(rec, rec.Type == EMR_POLYBEZIER16 || rec.Type == EMR_POLYBEZIERTO16 ||
                                           rec.Type == EMR_POLYBEZIER || rec.Type == EMR_POLYBEZIERTO
                                       ? MaxFlatPoints / 4
                                       : rec.Bytes.size() / 4 + 256))
    return;
  switch (rec.Type) {
    case EMR_HEADER:
    case EMR_EOF:
    case EMR_GDICOMMENT:
    case EMR_SETMITERLIMIT:
    case EMR_SETBRUSHORGEX:
    case EMR_SETMAPPERFLAGS:
    case EMR_SETICMMODE:
    case EMR_SETLAYOUT:
    case EMR_SETARCDIRECTION:
    case EMR_REALIZEPALETTE:
    case EMR_SELECTPALETTE:
    case EMR_CREATEPALETTE:
    case EMR_SETPALETTEENTRIES:
    case EMR_SETCOLORADJUSTMENT:
    case EMR_FLATTENPATH:  // paths are kept flat already
      return;
    case EMR_SETROP2:
      if (valueOf(v) && v != 13)  // R2_COPYPEN
        Message("mix modes other than copying the pen are drawn as copying");
      return;

    // --- attributes ---
    case EMR_SETMAPMODE:
      if (valueOf(v)) {
        if (v >= MM_TEXT && v <= MM_ANISOTROPIC)
          FDc.MapMode = v;
        else
          Skip(rec, "unknown mapping mode " + std::to_string(v));
      }
      return;
    case EMR_SETWINDOWEXTEX:
    case EMR_SETVIEWPORTEXTEX: {
      TPoint ext = r.PointL(F);
      if (!r.Ok())
        return tooShort();
      if (ext.X == 0 || ext.Y == 0)
        return Skip(rec, "an extent of 0");
      // Extents only count in the two scalable modes; elsewhere they are
      // remembered for when one is chosen.
      (rec.Type == EMR_SETWINDOWEXTEX ? FDc.WindowExt : FDc.ViewportExt) = ext;
      return;
    }
    case EMR_SETWINDOWORGEX:
    case EMR_SETVIEWPORTORGEX: {
      TPoint org = r.PointL(F);
      if (!r.Ok())
        return tooShort();
      (rec.Type == EMR_SETWINDOWORGEX ? FDc.WindowOrg : FDc.ViewportOrg) = org;
      return;
    }
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX: {
      int32_t xn = r.I32(ScaleExt::xNum), xd = r.I32(ScaleExt::xDenom), yn = r.I32(ScaleExt::yNum),
              yd = r.I32(ScaleExt::yDenom);
      if (!r.Ok())
        return tooShort();
      if (FDc.MapMode != MM_ISOTROPIC && FDc.MapMode != MM_ANISOTROPIC)
        return;
      TPoint& ext = rec.Type == EMR_SCALEWINDOWEXTEX ? FDc.WindowExt : FDc.ViewportExt;
      if (xd == 0 || yd == 0)
        return Skip(rec, "a denominator of 0");
      int64_t x = int64_t(ext.X) * xn / xd, y = int64_t(ext.Y) * yn / yd;
      if (x == 0 || y == 0 || std::abs(x) > INT32_MAX || std::abs(y) > INT32_MAX)
        return Skip(rec, "the extent would leave the valid range");
      ext = TPoint{int(x), int(y)};
      return;
    }
    case EMR_SETWORLDTRANSFORM:
    case EMR_MODIFYWORLDTRANSFORM: {
      TXForm x{r.F32(F), r.F32(F + 4), r.F32(F + 8), r.F32(F + 12), r.F32(F + 16), r.F32(F + 20)};
      uint32_t mode = rec.Type == EMR_SETWORLDTRANSFORM ? MWT_SET : r.U32(ModifyWorldTransform::Mode);
      if (!r.Ok())
        return tooShort();
      if (mode == MWT_IDENTITY) {
        FDc.World = TXForm{};
        return;
      }
      for (double d : {x.M11, x.M12, x.M21, x.M22, x.Dx, x.Dy})
        if (!std::isfinite(d) || std::abs(d) > 1e9)
          return Skip(rec, "a transform out of range");
      if (std::abs(x.M11 * x.M22 - x.M12 * x.M21) < 1e-12)
        return Skip(rec, "a transform that cannot be inverted");
      if (mode == MWT_LEFTMULTIPLY)
        FDc.World = Then(x, FDc.World);
      else if (mode == MWT_RIGHTMULTIPLY)
        FDc.World = Then(FDc.World, x);
      else if (mode == MWT_SET)
        FDc.World = x;
      else
        Skip(rec, "unknown mode " + std::to_string(mode));
      return;
    }
    case EMR_SETBKMODE:
      if (valueOf(v))
        FDc.BkMode = v == TRANSPARENT ? TBkMode::bkTransparent : TBkMode::bkOpaque;
      return;
    case EMR_SETBKCOLOR:
      if (valueOf(v))
        FDc.BkColor = v & 0xFFFFFF;
      return;
    case EMR_SETTEXTCOLOR:
      if (valueOf(v))
        FDc.TextColor = v & 0xFFFFFF;
      return;
    case EMR_SETTEXTALIGN:
      if (valueOf(v))
        FDc.TextAlign = v;
      return;
    case EMR_SETPOLYFILLMODE:
      if (valueOf(v))
        FDc.PolyFillMode = v == WINDING ? TPolyFillMode::pfWinding : TPolyFillMode::pfAlternate;
      return;
    case EMR_SETSTRETCHBLTMODE:
      if (valueOf(v))
        FDc.StretchMode = v == HALFTONE ? TStretchMode::smHalftone : TStretchMode::smNearest;
      return;
    case EMR_SAVEDC:
      if (FSaved.size() >= MaxSaveDepth)
        return Skip(rec, "too many saved states");
      FSaved.push_back(FDc);
      return;
    case EMR_RESTOREDC: {
      int32_t n = r.I32(F);
      if (!r.Ok())
        return tooShort();
      int64_t depth = int64_t(FSaved.size());
      int64_t target = n < 0 ? depth + n + 1 : n;
      if (target < 1 || target > depth)
        return Skip(rec, "no saved state " + std::to_string(n));
      FDc = std::move(FSaved[size_t(target - 1)]);
      FSaved.resize(size_t(target - 1));
      ApplyClip();
      return;
    }

    // --- objects ---
    case EMR_CREATEPEN:
    case EMR_EXTCREATEPEN:
    case EMR_CREATEBRUSHINDIRECT:
    case EMR_CREATEDIBPATTERNBRUSHPT:
    case EMR_CREATEMONOBRUSH:
    case EMR_EXTCREATEFONTINDIRECTW:
      return ObjectRecord(rec);
    case EMR_SELECTOBJECT:
    case EMR_DELETEOBJECT:
      return SelectRecord(rec);

    // --- clipping ---
    case EMR_INTERSECTCLIPRECT:
    case EMR_EXCLUDECLIPRECT:
    case EMR_EXTSELECTCLIPRGN:
    case EMR_OFFSETCLIPRGN:
    case EMR_SETMETARGN:
      return ClipRecord(rec);

    // --- drawing ---
    case EMR_MOVETOEX: {
      TPoint p = r.PointL(F);
      if (!r.Ok())
        return tooShort();
      FDc.Position = p;
      TPoint d = Round(Map(p));
      if (FPathOpen)
        FPath.push_back(TFigure{{Map(p)}, false});
      else
        FTarget.MoveTo(d.X, d.Y);
      return;
    }
    case EMR_LINETO: {
      TPoint p = r.PointL(F);
      if (!r.Ok())
        return tooShort();
      if (FPathOpen) {
        PathLineTo({Map(p)});
      } else {
        TPoint from = Round(Map(FDc.Position)), to = Round(Map(p));
        ApplyPen();
        ApplyBackground();
        // A move restarts the dash pattern, so it is made only when needed.
        if (!(FTarget.State().Position == from))
          FTarget.MoveTo(from.X, from.Y);
        FTarget.LineTo(to.X, to.Y);
      }
      FDc.Position = p;
      return;
    }
    case EMR_RECTANGLE:
    case EMR_ELLIPSE:
    case EMR_ROUNDRECT: {
      TRect box = r.RectL(F);
      TPoint corner = rec.Type == EMR_ROUNDRECT ? r.PointL(RoundRect::Corner) : TPoint{};
      if (!r.Ok())
        return tooShort();
      if (!FPathOpen && AxisAligned()) {
        TRect d = MapRect(box);
        ApplyPen();
        ApplyBrush(FDc.Brush);
        ApplyBackground();
        if (rec.Type == EMR_RECTANGLE)
          FTarget.Rectangle(d);
        else if (rec.Type == EMR_ELLIPSE)
          FTarget.Ellipse(d);
        else
          FTarget.RoundRect(d, ToInt(corner.X * ScaleX()), ToInt(corner.Y * ScaleY()));
        return;
      }
      // Turned or in a path: as a polygon.
      if (rec.Type == EMR_RECTANGLE)
        Shape({Map(TPoint{box.Left, box.Top}), Map(TPoint{box.Right, box.Top}), Map(TPoint{box.Right, box.Bottom}),
               Map(TPoint{box.Left, box.Bottom})},
              true);
      else if (rec.Type == EMR_ELLIPSE)
        Shape(EllipsePoints(box), true);
      else
        Shape(RoundRectPoints(box, corner.X, corner.Y), true);
      return;
    }
    case EMR_POLYLINE16:
    case EMR_POLYGON16:
    case EMR_POLYBEZIER16:
    case EMR_POLYLINETO16:
    case EMR_POLYBEZIERTO16:
      return PolyRecord(rec, true);
    case EMR_POLYLINE:
    case EMR_POLYGON:
    case EMR_POLYBEZIER:
    case EMR_POLYLINETO:
    case EMR_POLYBEZIERTO:
      return PolyRecord(rec, false);
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16:
      return PolyPolyRecord(rec, true);
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
      return PolyPolyRecord(rec, false);
    case EMR_SETPIXELV: {
      TPoint p = r.PointL(SetPixelV::Pixel);
      uint32_t color = r.U32(SetPixelV::Color);
      if (!r.Ok())
        return tooShort();
      TPoint d = Round(Map(p));
      FTarget.FillRect(TRect{d.X, d.Y, d.X + 1, d.Y + 1}, TBrush{TBrushStyle::bsSolid, color & 0xFFFFFF});
      return;
    }
    case EMR_FILLRGN:
    case EMR_PAINTRGN: {
      bool fill = rec.Type == EMR_FILLRGN;
      uint32_t cb = r.U32(fill ? FillRgn::cbRgnData : PaintRgn::cbRgnData);
      uint32_t brushIndex = fill ? r.U32(FillRgn::ihBrush) : 0;
      if (!r.Ok())
        return tooShort();
      std::optional<TRegion> region = ReadRegion(r, fill ? FillRgn::RgnData : PaintRgn::RgnData, cb);
      if (!region)
        return Skip(rec, "damaged region data");
      TBrush brush = FDc.Brush;
      if (fill) {
        const TObject* o = Object(brushIndex);
        if (!o || !std::holds_alternative<TBrush>(*o))
          return Skip(rec, "handle " + std::to_string(brushIndex) + " is not a brush");
        brush = std::get<TBrush>(*o);
      }
      if (const TRegion* clip = FTarget.ClipRegion())
        region->Combine(*clip, TRegionOp::roIntersect);
      if (region->IsEmpty())
        return;
      ApplyBackground();
      FTarget.SelectClipRgn(&*region);
      FTarget.FillRect(region->Bounds(), brush);
      ApplyClip();
      return;
    }
    case EMR_BEGINPATH:
    case EMR_ENDPATH:
    case EMR_ABORTPATH:
    case EMR_CLOSEFIGURE:
    case EMR_FILLPATH:
    case EMR_STROKEPATH:
    case EMR_STROKEANDFILLPATH:
    case EMR_SELECTCLIPPATH:
      return PathRecord(rec);
    case EMR_EXTTEXTOUTW:
    case EMR_EXTTEXTOUTA:
      return TextRecord(rec, rec.Type == EMR_EXTTEXTOUTW);
    case EMR_STRETCHDIBITS:
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_TRANSPARENTBLT:
      return BitmapRecord(rec);
    default:
      FHandled = false;
      return;
  }
}

void TPlayer::ObjectRecord(const TEmfRecord& rec) {
  TEmfReader r(rec.Bytes);
  uint32_t index = r.U32(FirstField);
  TObject object;
  switch (rec.Type) {
    case EMR_CREATEPEN: {
      uint32_t style = r.U32(CreatePen::Style);
      int32_t width = r.I32(CreatePen::WidthX);
      uint32_t color = r.U32(CreatePen::Color);
      TPen pen;
      uint32_t s = style & PS_STYLE_MASK;
      pen.Style = s <= PS_INSIDEFRAME ? TPenStyle(s) : TPenStyle::psSolid;
      pen.Width = std::clamp(width, 0, 100000);
      pen.Color = color & 0xFFFFFF;
      object = TPenObject{pen, true};
      break;
    }
    case EMR_EXTCREATEPEN: {
      uint32_t style = r.U32(ExtCreatePen::PenStyle);
      uint32_t width = r.U32(ExtCreatePen::Width);
      uint32_t brushStyle = r.U32(ExtCreatePen::BrushStyle);
      uint32_t color = r.U32(ExtCreatePen::Color);
      uint32_t entries = r.U32(ExtCreatePen::NumStyleEntries);
      TPen pen;
      uint32_t s = style & PS_STYLE_MASK;
      pen.Style = s <= PS_USERSTYLE ? TPenStyle(s) : s == PS_ALTERNATE ? TPenStyle::psDot : TPenStyle::psSolid;
      if (brushStyle == BS_NULL)
        pen.Style = TPenStyle::psClear;
      pen.Color = color & 0xFFFFFF;
      bool geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
      pen.Geometric = geometric;
      pen.Width = geometric ? int(std::min<uint32_t>(width, 100000)) : 1;
      uint32_t cap = style & PS_ENDCAP_MASK, join = style & PS_JOIN_MASK;
      pen.EndCap = cap == PS_ENDCAP_SQUARE ? TPenEndCap::pecSquare
                   : cap == PS_ENDCAP_FLAT ? TPenEndCap::pecFlat
                                           : TPenEndCap::pecRound;
      pen.Join = join == PS_JOIN_BEVEL ? TPenJoin::pjBevel : join == PS_JOIN_MITER ? TPenJoin::pjMiter : TPenJoin::pjRound;
      if (pen.Style == TPenStyle::psUserStyle) {
        if (!r.Has(ExtCreatePen::StyleEntries, entries, 4) || entries == 0 || entries > 16)
          return Skip(rec, "a damaged dash pattern");
        for (uint32_t i = 0; i < entries; ++i)
          pen.Dashes.push_back(int(std::min<uint32_t>(r.U32(ExtCreatePen::StyleEntries + 4 * size_t(i)), 100000)));
        if (!geometric) {
          // A cosmetic pen with its own dashes: one-pixel wide.
          pen.Geometric = true;
          pen.Width = 1;
        }
      }
      object = TPenObject{pen, geometric};
      break;
    }
    case EMR_CREATEBRUSHINDIRECT: {
      uint32_t style = r.U32(CreateBrush::Style);
      uint32_t color = r.U32(CreateBrush::Color);
      uint32_t hatch = r.U32(CreateBrush::Hatch);
      TBrush brush{TBrushStyle::bsSolid, color & 0xFFFFFF};
      if (style == BS_NULL)
        brush.Style = TBrushStyle::bsClear;
      else if (style == BS_HATCHED && hatch <= HS_DIAGCROSS)
        brush.Style = TBrushStyle(int(TBrushStyle::bsHorizontal) + int(hatch));
      else if (style != BS_SOLID && r.Ok())
        Message(RecordName(rec.Type) + ": brush style " + std::to_string(style) + " is drawn solid");
      object = brush;
      break;
    }
    case EMR_CREATEDIBPATTERNBRUSHPT:
    case EMR_CREATEMONOBRUSH: {
      // Patterns are drawn in their average colour.
      std::string why;
      std::optional<TBitmap> bitmap =
          ReadDib(r, r.U32(CreateDibPatternBrush::offBmi), r.U32(CreateDibPatternBrush::cbBmi),
                  r.U32(CreateDibPatternBrush::offBits), r.U32(CreateDibPatternBrush::cbBits),
                  rec.Type == EMR_CREATEMONOBRUSH ? DIB_RGB_COLORS : r.U32(CreateDibPatternBrush::Usage), why);
      if (!r.Ok())
        return Skip(rec, "the record is too short for its fields");
      TColor average = RGBColor(0x80, 0x80, 0x80);
      if (bitmap) {
        // A sample of at most 64 x 64 pixels is plenty for an average.
        uint64_t sum[3] = {0, 0, 0}, n = 0;
        int stepX = std::max(1, bitmap->Width() / 64), stepY = std::max(1, bitmap->Height() / 64);
        for (int y = 0; y < bitmap->Height(); y += stepY)
          for (int x = 0; x < bitmap->Width(); x += stepX, ++n) {
            TColor c = bitmap->GetPixel(x, y);
            sum[0] += GetRValue(c), sum[1] += GetGValue(c), sum[2] += GetBValue(c);
          }
        average = RGBColor(uint8_t(sum[0] / n), uint8_t(sum[1] / n), uint8_t(sum[2] / n));
      }
      Message(RecordName(rec.Type) + ": pattern brushes are drawn in their average colour");
      object = TBrush{TBrushStyle::bsSolid, average};
      break;
    }
    case EMR_EXTCREATEFONTINDIRECTW: {
      TFontDesc font;
      font.Height = r.I32(Font::Height);
      font.Escapement = r.I32(Font::Escapement);
      font.Orientation = r.I32(Font::Orientation);
      font.Weight = std::clamp(r.I32(Font::Weight), 0, 1000);
      font.Italic = r.U8(Font::Italic) != 0;
      font.Underline = r.U8(Font::Underline) != 0;
      font.StrikeOut = r.U8(Font::StrikeOut) != 0;
      font.CharSet = r.U8(Font::CharSet);
      std::u16string face = r.Utf16(Font::FaceName, Font::FaceNameChars);
      face.resize(std::min(face.find(u'\0'), face.size()));
      font.FaceName = Utf16ToUtf8(face);
      object = font;
      break;
    }
  }
  if (!r.Ok())
    return Skip(rec, "the record is too short for its fields");
  if (index == 0 || index >= FObjects.size())
    return Skip(rec, "handle " + std::to_string(index) + " is outside the handle table");
  FObjects[index] = std::move(object);
}

void TPlayer::SelectRecord(const TEmfRecord& rec) {
  TEmfReader r(rec.Bytes);
  uint32_t index = r.U32(FirstField);
  if (!r.Ok())
    return Skip(rec, "the record is too short for its fields");
  if (rec.Type == EMR_DELETEOBJECT) {
    // What is selected stays selected: the context holds its own copy.
    if (index == 0 || index >= FObjects.size() || (index & StockObject))
      return Skip(rec, "handle " + std::to_string(index) + " is outside the handle table");
    FObjects[index] = TObject{};
    return;
  }
  const TObject* o = Object(index);
  if (!o || std::holds_alternative<std::monostate>(*o))
    return Skip(rec, "handle " + std::to_string(index & ~StockObject) + ((index & StockObject) ? " (stock)" : "") +
                         " holds no object");
  if (auto pen = std::get_if<TPenObject>(o))
    FDc.Pen = *pen;
  else if (auto brush = std::get_if<TBrush>(o))
    FDc.Brush = *brush;
  else if (auto font = std::get_if<TFontDesc>(o))
    FDc.Font = *font;
}

void TPlayer::ClipRecord(const TEmfRecord& rec) {
  TEmfReader r(rec.Bytes);
  auto everything = [&] { return FBaseClip; };
  switch (rec.Type) {
    case EMR_INTERSECTCLIPRECT:
    case EMR_EXCLUDECLIPRECT: {
      TRect logical = r.RectL(FirstField);
      if (!r.Ok())
        return Skip(rec, "the record is too short for its fields");
      TRegion area;
      if (AxisAligned()) {
        area = TRegion(MapRect(logical).Normalized());
      } else {
        std::vector<TPointF> corners{Map(TPoint{logical.Left, logical.Top}), Map(TPoint{logical.Right, logical.Top}),
                                     Map(TPoint{logical.Right, logical.Bottom}),
                                     Map(TPoint{logical.Left, logical.Bottom})};
        area = TRegion::FromPolygons(std::span(&corners, 1), TFillRule::frAlternate);
      }
      TRegion clip = FDc.Clip ? *FDc.Clip : everything();
      clip.Combine(area, rec.Type == EMR_INTERSECTCLIPRECT ? TRegionOp::roIntersect : TRegionOp::roDifference);
      return SetClip(std::move(clip));
    }
    case EMR_EXTSELECTCLIPRGN: {
      uint32_t cb = r.U32(ExtSelectClipRgn::cbRgnData);
      uint32_t mode = r.U32(ExtSelectClipRgn::Mode);
      if (!r.Ok())
        return Skip(rec, "the record is too short for its fields");
      if (mode < RGN_AND || mode > RGN_COPY)
        return Skip(rec, "unknown region mode " + std::to_string(mode));
      if (cb == 0) {
        if (mode != RGN_COPY)
          return Skip(rec, "no region to combine");
        return SetClip(std::nullopt);
      }
      std::optional<TRegion> region = ReadRegion(r, ExtSelectClipRgn::RgnData, cb);
      if (!region)
        return Skip(rec, "damaged region data");
      TRegion clip = FDc.Clip ? *FDc.Clip : everything();
      const TRegionOp ops[] = {TRegionOp::roIntersect, TRegionOp::roUnion, TRegionOp::roXor, TRegionOp::roDifference,
                               TRegionOp::roCopy};
      clip.Combine(*region, ops[mode - RGN_AND]);
      return SetClip(std::move(clip));
    }
    case EMR_OFFSETCLIPRGN: {
      TPoint offset = r.PointL(FirstField);
      if (!r.Ok())
        return Skip(rec, "the record is too short for its fields");
      if (!FDc.Clip)
        return;
      TPointF o = Map(offset), z = Map(TPoint{0, 0});
      TRegion clip = *FDc.Clip;
      clip.Offset(ToInt(o.X - z.X), ToInt(o.Y - z.Y));
      return SetClip(std::move(clip));
    }
    case EMR_SETMETARGN: {
      // The clip so far becomes a fixed limit and the clip starts afresh.
      if (FDc.Clip) {
        TRegion meta = FDc.MetaClip ? *FDc.MetaClip : everything();
        meta.Combine(*FDc.Clip, TRegionOp::roIntersect);
        FDc.MetaClip = std::make_shared<const TRegion>(std::move(meta));
      }
      return SetClip(std::nullopt);
    }
  }
}

void TPlayer::PolyRecord(const TEmfRecord& rec, bool small) {
  TEmfReader r(rec.Bytes);
  uint32_t count = r.U32(Poly::Count);
  size_t item = small ? 4 : 8;
  if (!r.Has(Poly::Points, count, item))
    return Skip(rec, "the points do not fit the record");
  std::vector<TPointF> pts;
  pts.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    size_t at = Poly::Points + item * i;
    pts.push_back(Map(small ? r.PointS(at) : r.PointL(at)));
  }
  TPoint last = count ? (small ? r.PointS(Poly::Points + item * (count - 1)) : r.PointL(Poly::Points + item * (count - 1)))
                      : FDc.Position;
  uint32_t type = rec.Type;
  bool bezier = type == EMR_POLYBEZIER16 || type == EMR_POLYBEZIER || type == EMR_POLYBEZIERTO16 ||
                type == EMR_POLYBEZIERTO;
  bool to = type == EMR_POLYLINETO16 || type == EMR_POLYLINETO || type == EMR_POLYBEZIERTO16 ||
            type == EMR_POLYBEZIERTO;
  if (bezier) {
    // From the current position (the ...To forms) or the first point, three
    // points per curve.
    TPointF start = to ? Map(FDc.Position) : (pts.empty() ? TPointF{} : pts[0]);
    size_t first = to ? 0 : 1;
    if (!to && pts.empty())
      return;
    if ((pts.size() - first) % 3 != 0)
      return Skip(rec, "the points do not make whole curves");
    std::vector<TPointF> flat{start};
    // Up to 64 segments a curve, fewer when there are very many curves, so
    // that no record flattens into more than MaxFlatPoints.
    size_t curves = (pts.size() - first) / 3;
    int segments = int(std::clamp<size_t>(MaxFlatPoints / std::max<size_t>(curves, 1), 1, 64));
    for (size_t i = first; i + 2 < pts.size(); i += 3)
      FlattenBezier(flat.back(), pts[i], pts[i + 1], pts[i + 2], segments, flat);
    pts = std::move(flat);
  } else if (to) {
    pts.insert(pts.begin(), Map(FDc.Position));
  }
  if (to) {
    FDc.Position = last;
    if (FPathOpen) {
      pts.erase(pts.begin());
      PathLineTo(pts);
      return;
    }
  }
  if (pts.empty())
    return;
  Shape(std::move(pts), type == EMR_POLYGON16 || type == EMR_POLYGON);
  if (to && !FPathOpen) {
    TPoint end = Round(Map(last));
    FTarget.MoveTo(end.X, end.Y);
  }
}

void TPlayer::PolyPolyRecord(const TEmfRecord& rec, bool small) {
  TEmfReader r(rec.Bytes);
  uint32_t polys = r.U32(PolyPoly::nPolys);
  uint32_t count = r.U32(PolyPoly::Count);
  size_t item = small ? 4 : 8;
  if (!r.Has(PolyPoly::PolyCounts, polys, 4))
    return Skip(rec, "the polygon counts do not fit the record");
  size_t pointsAt = PolyPoly::PolyCounts + 4 * size_t(polys);
  if (!r.Has(pointsAt, count, item))
    return Skip(rec, "the points do not fit the record");
  uint64_t total = 0;
  for (uint32_t i = 0; i < polys; ++i)
    total += r.U32(PolyPoly::PolyCounts + 4 * size_t(i));
  if (total != count)
    return Skip(rec, "the polygon counts do not add up to the points");
  bool closed = rec.Type == EMR_POLYPOLYGON16 || rec.Type == EMR_POLYPOLYGON;
  std::vector<TFigure> figures;
  size_t at = pointsAt;
  for (uint32_t i = 0; i < polys; ++i) {
    TFigure f{{}, closed};
    uint32_t n = r.U32(PolyPoly::PolyCounts + 4 * size_t(i));
    for (uint32_t k = 0; k < n; ++k, at += item)
      f.Points.push_back(Map(small ? r.PointS(at) : r.PointL(at)));
    figures.push_back(std::move(f));
  }
  if (FPathOpen) {
    FPath.insert(FPath.end(), figures.begin(), figures.end());
    return;
  }
  if (!closed || figures.size() == 1) {
    for (TFigure& f : figures)
      Shape(std::move(f.Points), closed);
    return;
  }
  // Several polygons fill as one area under the fill mode, then get outlined.
  FillFigures(figures);
  StrokeFigures(figures);
}

void TPlayer::PathRecord(const TEmfRecord& rec) {
  TEmfReader r(rec.Bytes);
  switch (rec.Type) {
    case EMR_BEGINPATH:
      FPathOpen = true;
      FPath.clear();
      FPathPoints = 0;
      return;
    case EMR_ENDPATH:
      FPathOpen = false;
      return;
    case EMR_ABORTPATH:
      FPathOpen = false;
      FPath.clear();
      FPathPoints = 0;
      return;
    case EMR_CLOSEFIGURE:
      if (!FPath.empty())
        FPath.back().Closed = true;
      return;
    default: break;
  }
  // Filling, stroking or clipping: the path is used up.
  if (FPathOpen)
    return Skip(rec, "the path is still open");
  std::vector<TFigure> path = std::move(FPath);
  FPath.clear();
  FPathPoints = 0;
  if (rec.Type == EMR_FILLPATH || rec.Type == EMR_STROKEANDFILLPATH) {
    FillFigures(path);
  }
  if (rec.Type == EMR_STROKEPATH || rec.Type == EMR_STROKEANDFILLPATH) {
    if (rec.Type == EMR_STROKEANDFILLPATH)
      for (TFigure& f : path)
        f.Closed = true;
    StrokeFigures(path);
  }
  if (rec.Type == EMR_SELECTCLIPPATH) {
    uint32_t mode = r.U32(FirstField);
    if (!r.Ok())
      return Skip(rec, "the record is too short for its fields");
    if (mode < RGN_AND || mode > RGN_COPY)
      return Skip(rec, "unknown region mode " + std::to_string(mode));
    std::vector<std::vector<TPointF>> contours;
    for (const TFigure& f : path)
      contours.push_back(f.Points);
    TRegion area = TRegion::FromPolygons(
        contours, FDc.PolyFillMode == TPolyFillMode::pfWinding ? TFillRule::frWinding : TFillRule::frAlternate);
    TRegion clip = FDc.Clip ? *FDc.Clip : FBaseClip;
    const TRegionOp ops[] = {TRegionOp::roIntersect, TRegionOp::roUnion, TRegionOp::roXor, TRegionOp::roDifference,
                             TRegionOp::roCopy};
    clip.Combine(area, ops[mode - RGN_AND]);
    SetClip(std::move(clip));
  }
}

void TPlayer::TextRecord(const TEmfRecord& rec, bool wide) {
  namespace E = ExtTextOut;
  TEmfReader r(rec.Bytes);
  TPoint reference = r.PointL(E::Reference);
  uint32_t chars = r.U32(E::nChars);
  uint32_t offString = r.U32(E::offString);
  uint32_t options = r.U32(E::Options);
  TRect rect = r.RectL(E::Rectangle);
  uint32_t offDx = r.U32(E::offDx);
  if (!r.Ok())
    return Skip(rec, "the record is too short for its fields");
  if (!r.Has(offString, chars, wide ? 2 : 1))
    return Skip(rec, "the text does not fit the record");
  bool pdy = options & ETO_PDY;
  bool hasDx = offDx != 0;
  if (hasDx && !r.Has(offDx, chars, pdy ? 8 : 4))
    return Skip(rec, "the spacing does not fit the record");
  if (FPathOpen)
    return Skip(rec, "text in a path is not supported");

  std::u16string text = wide ? r.Utf16(offString, chars) : CodePageToUtf16(r.Sub(offString, chars), 1252);
  std::vector<int64_t> dx(text.size(), 0);
  for (size_t i = 0; hasDx && i < text.size() && i < chars; ++i)
    dx[i] = r.I32(offDx + (pdy ? 8 : 4) * i);

  TFontDesc desc = FDc.Font;
  double sx = ScaleX(), sy = ScaleY();
  if (sy != 1)
    desc.Height = desc.Height == 0 ? -ToInt(16 * sy) : ToInt(desc.Height * sy);
  desc.Height = std::clamp(desc.Height, -MaxFontHeight, MaxFontHeight);
  const TFont* font = text.empty() ? nullptr : FontFor(desc);
  if (!text.empty() && !font)
    return Skip(rec, "no font");
  if (!hasDx && !text.empty()) {
    if (options & ETO_GLYPH_INDEX)
      return Skip(rec, "glyph indices without spacing");
    // The font's own advances, measured in logical units.
    TFontDesc logical = FDc.Font;
    const TFont* measuring = FontFor(logical);
    if (!measuring)
      return Skip(rec, "no font");
    std::vector<int32_t> extents;
    TextPartialExtents(*measuring, text, extents);
    for (size_t i = 0; i < text.size() && i < extents.size(); ++i)
      dx[i] = extents[i] - (i ? extents[i - 1] : 0);
    font = FontFor(desc);
    if (!font)
      return Skip(rec, "no font");
  }
  // Advances in destination pixels, rounded along the run so that no error
  // accumulates.
  std::vector<int> advances(text.size());
  int64_t sum = 0, prev = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    sum += dx[i];
    int64_t at = ToInt(double(sum) * sx);
    advances[i] = int(at - prev);
    prev = at;
  }
  bool updateCp = FDc.TextAlign & TA_UPDATECP;
  TPoint ref = Round(Map(updateCp ? FDc.Position : reference));
  if (updateCp) {
    uint32_t h = FDc.TextAlign & TA_HMASK;
    int64_t x = FDc.Position.X + (h == TA_RIGHT ? -sum : h == TA_CENTER ? 0 : sum);
    FDc.Position.X = int(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX));
  }
  TTextRunOptions run;
  run.Opaque = options & ETO_OPAQUE;
  run.Clipped = options & ETO_CLIPPED;
  run.Rect = MapRect(rect).Normalized();
  run.Escapement = desc.Escapement;
  run.GlyphIndices = options & ETO_GLYPH_INDEX;
  uint32_t h = FDc.TextAlign & TA_HMASK, v = FDc.TextAlign & TA_VMASK;
  FTarget.SetTextAlign(h == TA_CENTER ? TTextHAlign::taCenter : h == TA_RIGHT ? TTextHAlign::taRight : TTextHAlign::taLeft,
                       v == TA_BASELINE ? TTextVAlign::taBaseline
                       : v == TA_BOTTOM ? TTextVAlign::taBottom
                                        : TTextVAlign::taTop);
  if (FTarget.State().TextColor != FDc.TextColor)
    FTarget.SetTextColor(FDc.TextColor);
  ApplyBackground();
  if (text.empty()) {
    if (run.Opaque)
      FTarget.FillRect(run.Rect, TBrush{TBrushStyle::bsSolid, FDc.BkColor});
    return;
  }
  FTarget.TextOutRun(ref.X, ref.Y, *font, text, advances, run);
}

void TPlayer::BitmapRecord(const TEmfRecord& rec) {
  TEmfReader r(rec.Bytes);
  TRect dest;
  TRect src;
  uint32_t rop, offBmi, cbBmi, offBits, cbBits, usage;
  std::optional<TColor> transparent;
  bool fromBottom = false;  // source y counted from the last row (bottom-up bitmaps of StretchDIBits)
  if (rec.Type == EMR_STRETCHDIBITS) {
    namespace S = StretchDIBits;
    dest = TRect{r.I32(S::xDest), r.I32(S::yDest), r.I32(S::cxDest), r.I32(S::cyDest)};
    src = TRect{r.I32(S::xSrc), r.I32(S::ySrc), r.I32(S::cxSrc), r.I32(S::cySrc)};
    rop = r.U32(S::Rop);
    offBmi = r.U32(S::offBmiSrc), cbBmi = r.U32(S::cbBmiSrc), offBits = r.U32(S::offBitsSrc),
    cbBits = r.U32(S::cbBitsSrc), usage = r.U32(S::UsageSrc);
    TEmfReader info(rec.Bytes);
    fromBottom = info.I32(size_t(offBmi) + BitmapInfoHeader::biHeight) > 0;
  } else {
    dest = TRect{r.I32(Blt::xDest), r.I32(Blt::yDest), r.I32(Blt::cxDest), r.I32(Blt::cyDest)};
    rop = r.U32(Blt::Rop);
    offBmi = r.U32(Blt::offBmiSrc), cbBmi = r.U32(Blt::cbBmiSrc), offBits = r.U32(Blt::offBitsSrc),
    cbBits = r.U32(Blt::cbBitsSrc), usage = r.U32(Blt::UsageSrc);
    src = rec.Type == EMR_BITBLT ? TRect{r.I32(Blt::xSrc), r.I32(Blt::ySrc), dest.Right, dest.Bottom}
                                 : TRect{r.I32(Blt::xSrc), r.I32(Blt::ySrc), r.I32(Blt::cxSrc), r.I32(Blt::cySrc)};
    if (rec.Type == EMR_TRANSPARENTBLT) {
      transparent = rop & 0xFFFFFF;
      rop = SRCCOPY;
    }
  }
  if (!r.Ok())
    return Skip(rec, "the record is too short for its fields");
  // dest and src hold x, y, width, height here.
  auto corner = [&](int64_t x, int64_t y) {
    return Round(Map(TPoint{int(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)),
                            int(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX))}));
  };
  TPoint a = corner(dest.Left, dest.Top), b = corner(int64_t(dest.Left) + dest.Right, int64_t(dest.Top) + dest.Bottom);
  TRect target{a.X, a.Y, b.X, b.Y};
  if (cbBmi == 0) {
    // No source: a pattern fill or a fixed colour.
    if (rop == PATCOPY) {
      ApplyBackground();
      FTarget.FillRect(target.Normalized(), FDc.Brush);
    } else if (rop == BLACKNESS || rop == WHITENESS) {
      FTarget.FillRect(target.Normalized(), TBrush{TBrushStyle::bsSolid, rop == BLACKNESS ? clBlackRGB : clWhiteRGB});
    } else {
      Skip(rec, "raster operation " + std::to_string(rop) + " is not supported");
    }
    return;
  }
  if (rop != SRCCOPY)
    return Skip(rec, "raster operation " + std::to_string(rop) + " is not supported");
  std::string why;
  std::optional<TBitmap> bitmap = ReadDib(r, offBmi, cbBmi, offBits, cbBits, usage, why);
  if (!bitmap)
    return Skip(rec, why);
  // The part of the bitmap the record names.
  int64_t sx = src.Left, sw = src.Right, sh = src.Bottom;
  int64_t sy = fromBottom ? int64_t(bitmap->Height()) - src.Top - sh : src.Top;
  if (sw < 0)
    sx += sw, sw = -sw;
  if (sh < 0)
    sy += sh, sh = -sh;
  int64_t x0 = std::max<int64_t>(sx, 0), y0 = std::max<int64_t>(sy, 0);
  int64_t x1 = std::min<int64_t>(sx + sw, bitmap->Width()), y1 = std::min<int64_t>(sy + sh, bitmap->Height());
  if (x1 <= x0 || y1 <= y0)
    return;
  if (x0 != 0 || y0 != 0 || x1 != bitmap->Width() || y1 != bitmap->Height()) {
    if ((x1 - x0) * (y1 - y0) > MaxCropPixels)
      return Skip(rec, "the part of the bitmap is too large");
    TPixelFormat format = bitmap->PixelFormat() == TPixelFormat::pf32bit ? TPixelFormat::pf32bit : TPixelFormat::pf24bit;
    TBitmap part(int(x1 - x0), int(y1 - y0), format);
    for (int y = 0; y < part.Height(); ++y)
      for (int x = 0; x < part.Width(); ++x)
        part.SetPixel(x, y, bitmap->GetPixel(int(x0) + x, int(y0) + y), bitmap->GetAlpha(int(x0) + x, int(y0) + y));
    bitmap = std::move(part);
  }
  if (FTarget.State().StretchMode != FDc.StretchMode)
    FTarget.SetStretchMode(FDc.StretchMode);
  FTarget.StretchDraw(target, *bitmap, transparent);
}

}  // namespace

TMetafilePlayResult PlayMetafile(std::string_view emf, TCanvas& target, const TRect& dest) {
  TPlayer player(target, dest);
  return player.Play(emf);
}
