#include "platform/MetafileCanvas.h"

#include "platform/Bitmap.h"
#include "platform/CodePage.h"
#include "platform/Font.h"

#include <algorithm>
#include <climits>

using namespace Emf;

namespace {

constexpr uint32_t Rgb(TColor c) { return c & 0x00FFFFFF; }

bool SamePen(const TPen& a, const TPen& b) {
  return a == b || (a.Style == TPenStyle::psClear && b.Style == TPenStyle::psClear);
}

bool SameBrush(const TBrush& a, const TBrush& b) {
  return a == b || (a.Style == TBrushStyle::bsClear && b.Style == TBrushStyle::bsClear);
}

uint32_t PenStyleBits(TPenStyle s) {
  switch (s) {
    case TPenStyle::psSolid: return PS_SOLID;
    case TPenStyle::psDash: return PS_DASH;
    case TPenStyle::psDot: return PS_DOT;
    case TPenStyle::psDashDot: return PS_DASHDOT;
    case TPenStyle::psDashDotDot: return PS_DASHDOTDOT;
    case TPenStyle::psClear: return PS_NULL;
    case TPenStyle::psInsideFrame: return PS_INSIDEFRAME;
    case TPenStyle::psUserStyle: return PS_USERSTYLE;
  }
  return PS_SOLID;
}

uint32_t HatchOf(TBrushStyle s) {
  switch (s) {
    case TBrushStyle::bsHorizontal: return HS_HORIZONTAL;
    case TBrushStyle::bsVertical: return HS_VERTICAL;
    case TBrushStyle::bsFDiagonal: return HS_FDIAGONAL;
    case TBrushStyle::bsBDiagonal: return HS_BDIAGONAL;
    case TBrushStyle::bsCross: return HS_CROSS;
    case TBrushStyle::bsDiagCross: return HS_DIAGCROSS;
    default: return 0;
  }
}

uint32_t TextAlignBits(TTextHAlign h, TTextVAlign v) {
  uint32_t bits = h == TTextHAlign::taRight ? TA_RIGHT : h == TTextHAlign::taCenter ? TA_CENTER : TA_LEFT;
  bits |= v == TTextVAlign::taBottom ? TA_BOTTOM : v == TTextVAlign::taBaseline ? TA_BASELINE : TA_TOP;
  return bits;
}

bool Fits16(std::span<const TPoint> points) {
  return std::all_of(points.begin(), points.end(), [](const TPoint& p) {
    return p.X >= INT16_MIN && p.X <= INT16_MAX && p.Y >= INT16_MIN && p.Y <= INT16_MAX;
  });
}

// Inclusive bounds of points.
TRect PointBounds(std::span<const TPoint> points) {
  TRect r{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (const TPoint& p : points)
    r = TRect{std::min(r.Left, p.X), std::min(r.Top, p.Y), std::max(r.Right, p.X), std::max(r.Bottom, p.Y)};
  return r;
}

// The inclusive rectangle of the pixels a box [Left, Right) x [Top, Bottom) covers.
TRect Inclusive(const TRect& box) {
  TRect n = box.Normalized();
  return TRect{n.Left, n.Top, std::max(n.Left, n.Right - 1), std::max(n.Top, n.Bottom - 1)};
}

void WriteIdentityXform(TEmfWriter& w) {
  for (float v : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f})
    w.F32(v);
}

}  // namespace

TMetafileCanvas::TMetafileCanvas(int width, int height, std::u16string_view description)
    : FWidth(std::max(width, 1)), FHeight(std::max(height, 1)), FDescription(description) {
  // "program\0picture\0\0": whatever was given ends with two NULs.
  while (!FDescription.empty() && (FDescription.size() < 2 || FDescription.back() != u'\0' ||
                                   FDescription[FDescription.size() - 2] != u'\0'))
    FDescription.push_back(u'\0');
}

TMetafileCanvas::~TMetafileCanvas() = default;

int32_t TMetafileCanvas::PixelsToFrame(int pixels) {
  // pixels * 2540 / 96, rounded half away from zero.
  int64_t n = int64_t(pixels) * 2540;
  return int32_t(n >= 0 ? (n + 48) / 96 : -((-n + 48) / 96));
}

// --- records ---

void TMetafileCanvas::SimpleRecord(uint32_t type) {
  FOut.EndRecord(FOut.BeginRecord(type));
  ++FRecords;
}

void TMetafileCanvas::ValueRecord(uint32_t type, uint32_t value) {
  size_t at = FOut.BeginRecord(type);
  FOut.U32(value);
  FOut.EndRecord(at);
  ++FRecords;
}

void TMetafileCanvas::AddBounds(const TRect& r) {
  if (r.Right < r.Left || r.Bottom < r.Top)
    return;
  if (!FHasBounds) {
    FBounds = r;
    FHasBounds = true;
  } else {
    FBounds = TRect{std::min(FBounds.Left, r.Left), std::min(FBounds.Top, r.Top), std::max(FBounds.Right, r.Right),
                    std::max(FBounds.Bottom, r.Bottom)};
  }
}

TRect TMetafileCanvas::StrokeBounds(TRect r) const {
  if (Pen().Style == TPenStyle::psClear || Pen().Width <= 1)
    return r;
  int half = Pen().Width / 2;
  return TRect{r.Left - half, r.Top - half, r.Right + half, r.Bottom + half};
}

// --- handle table ---

uint32_t TMetafileCanvas::NewHandle() {
  auto free = std::find(FRefs.begin() + 1, FRefs.end(), -1);
  size_t slot = size_t(free - FRefs.begin());
  if (free == FRefs.end())
    FRefs.push_back(-1);
  FRefs[slot] = 0;
  FHandlesUsed = std::max(FHandlesUsed, slot + 1);
  return uint32_t(slot);
}

void TMetafileCanvas::AddRef(uint32_t handle) {
  if (!(handle & StockObject))
    ++FRefs[handle];
}

void TMetafileCanvas::Release(uint32_t handle) {
  if (handle & StockObject)
    return;
  if (--FRefs[handle] == 0) {
    ValueRecord(EMR_DELETEOBJECT, handle);
    FRefs[handle] = -1;
  }
}

void TMetafileCanvas::AddRefs(const TMirror& m) {
  AddRef(m.PenHandle);
  AddRef(m.BrushHandle);
  AddRef(m.FontHandle);
}

void TMetafileCanvas::ReleaseRefs(const TMirror& m) {
  Release(m.PenHandle);
  Release(m.BrushHandle);
  Release(m.FontHandle);
}

void TMetafileCanvas::Select(uint32_t& slot, uint32_t handle) {
  ValueRecord(EMR_SELECTOBJECT, handle);
  AddRef(handle);
  uint32_t old = slot;
  slot = handle;
  Release(old);
}

// --- attributes ---

void TMetafileCanvas::SyncPen() {
  const TPen& p = Pen();
  if (SamePen(p, FMirror.Pen))
    return;
  uint32_t handle = StockObject | NULL_PEN;
  if (p.Style != TPenStyle::psClear) {
    handle = NewHandle();
    uint32_t style = PenStyleBits(p.Style);
    // Plain pens keep the simple record; dashed wide pens, user dashes and
    // explicit caps and joins need the extended one, where a geometric pen
    // draws its dashes in proportion to its width as this canvas does.
    bool plain = !p.Geometric && p.Style != TPenStyle::psUserStyle &&
                 (p.Width <= 1 || ((p.Style == TPenStyle::psSolid || p.Style == TPenStyle::psInsideFrame) &&
                                   p.EndCap == TPenEndCap::pecRound && p.Join == TPenJoin::pjRound));
    size_t at;
    if (plain) {
      at = FOut.BeginRecord(EMR_CREATEPEN);
      FOut.U32(handle);
      FOut.U32(style);
      FOut.I32(std::max(p.Width, 0));
      FOut.I32(0);
      FOut.U32(Rgb(p.Color));
    } else {
      style |= PS_GEOMETRIC;
      style |= p.EndCap == TPenEndCap::pecSquare ? PS_ENDCAP_SQUARE
               : p.EndCap == TPenEndCap::pecFlat ? PS_ENDCAP_FLAT
                                                 : PS_ENDCAP_ROUND;
      style |= p.Join == TPenJoin::pjBevel ? PS_JOIN_BEVEL : p.Join == TPenJoin::pjMiter ? PS_JOIN_MITER : PS_JOIN_ROUND;
      bool user = p.Style == TPenStyle::psUserStyle;
      at = FOut.BeginRecord(EMR_EXTCREATEPEN);
      FOut.U32(handle);
      FOut.Zeros(16);  // no brush bitmap
      FOut.U32(style);
      FOut.U32(uint32_t(std::max(p.Width, 1)));
      FOut.U32(BS_SOLID);
      FOut.U32(Rgb(p.Color));
      FOut.U32(0);
      FOut.U32(user ? uint32_t(p.Dashes.size()) : 0);
      if (user)
        for (int d : p.Dashes)
          FOut.U32(uint32_t(std::max(d, 0)));
    }
    FOut.EndRecord(at);
    ++FRecords;
  }
  Select(FMirror.PenHandle, handle);
  FMirror.Pen = p;
}

void TMetafileCanvas::SyncBrush() {
  const TBrush& b = Brush();
  if (SameBrush(b, FMirror.Brush))
    return;
  uint32_t handle = StockObject | NULL_BRUSH;
  if (b.Style != TBrushStyle::bsClear) {
    handle = NewHandle();
    size_t at = FOut.BeginRecord(EMR_CREATEBRUSHINDIRECT);
    FOut.U32(handle);
    FOut.U32(b.Style == TBrushStyle::bsSolid ? BS_SOLID : BS_HATCHED);
    FOut.U32(Rgb(b.Color));
    FOut.U32(HatchOf(b.Style));
    FOut.EndRecord(at);
    ++FRecords;
  }
  Select(FMirror.BrushHandle, handle);
  FMirror.Brush = b;
}

void TMetafileCanvas::SyncBackground() {
  if (State().BkMode != FMirror.BkMode) {
    FMirror.BkMode = State().BkMode;
    ValueRecord(EMR_SETBKMODE, FMirror.BkMode == TBkMode::bkOpaque ? OPAQUE : TRANSPARENT);
  }
  if (Rgb(State().BkColor) != Rgb(FMirror.BkColor)) {
    FMirror.BkColor = State().BkColor;
    ValueRecord(EMR_SETBKCOLOR, Rgb(FMirror.BkColor));
  }
}

void TMetafileCanvas::SyncFillMode() {
  if (State().PolyFillMode != FMirror.PolyFillMode) {
    FMirror.PolyFillMode = State().PolyFillMode;
    ValueRecord(EMR_SETPOLYFILLMODE, FMirror.PolyFillMode == TPolyFillMode::pfWinding ? WINDING : ALTERNATE);
  }
}

void TMetafileCanvas::SyncText(const TFontDesc& font) {
  if (!FMirror.Font || !(*FMirror.Font == font)) {
    uint32_t handle = NewHandle();
    size_t at = FOut.BeginRecord(EMR_EXTCREATEFONTINDIRECTW);
    FOut.U32(handle);
    FOut.I32(font.Height);
    FOut.I32(0);  // width: the face's own
    FOut.I32(font.Escapement);
    FOut.I32(font.Orientation);
    FOut.I32(font.Weight);
    FOut.U8(font.Italic ? 1 : 0);
    FOut.U8(font.Underline ? 1 : 0);
    FOut.U8(font.StrikeOut ? 1 : 0);
    FOut.U8(font.CharSet);
    FOut.U8(0);  // output precision: default
    FOut.U8(0);  // clip precision: default
    FOut.U8(0);  // quality: default
    FOut.U8(0);  // pitch and family: default
    std::u16string face = Utf8ToUtf16(font.FaceName);
    face.resize(std::min(face.size(), Font::FaceNameChars - 1));
    auto fixed = [&](const std::u16string& s, size_t chars) {
      for (size_t i = 0; i < chars; ++i)
        FOut.U16(i < s.size() ? uint16_t(s[i]) : 0);
    };
    fixed(face, Font::FaceNameChars);
    fixed(face, Font::FullNameChars);
    fixed(u"", Font::StyleChars);
    fixed(u"", Font::StyleChars);  // script
    FOut.U32(DesignVectorSignature);
    FOut.U32(0);  // no axes
    FOut.EndRecord(at);
    ++FRecords;
    Select(FMirror.FontHandle, handle);
    FMirror.Font = font;
  }
  if (Rgb(State().TextColor) != Rgb(FMirror.TextColor)) {
    FMirror.TextColor = State().TextColor;
    ValueRecord(EMR_SETTEXTCOLOR, Rgb(FMirror.TextColor));
  }
  uint32_t align = TextAlignBits(State().TextHAlign, State().TextVAlign);
  if (align != FMirror.TextAlign) {
    FMirror.TextAlign = align;
    ValueRecord(EMR_SETTEXTALIGN, align);
  }
}

void TMetafileCanvas::SyncPosition() {
  if (State().Position == FMirror.Position)
    return;
  FMirror.Position = State().Position;
  size_t at = FOut.BeginRecord(EMR_MOVETOEX);
  FOut.PointL(FMirror.Position);
  FOut.EndRecord(at);
  ++FRecords;
}

// --- clipping and state ---

void TMetafileCanvas::IntersectClipRect(const TRect& rect) {
  TCanvas::IntersectClipRect(rect);
  if (!Recording())
    return;
  size_t at = FOut.BeginRecord(EMR_INTERSECTCLIPRECT);
  FOut.RectL(rect.Normalized());
  FOut.EndRecord(at);
  ++FRecords;
}

void TMetafileCanvas::ExcludeClipRect(const TRect& rect) {
  TCanvas::ExcludeClipRect(rect);
  if (!Recording())
    return;
  size_t at = FOut.BeginRecord(EMR_EXCLUDECLIPRECT);
  FOut.RectL(rect.Normalized());
  FOut.EndRecord(at);
  ++FRecords;
}

void TMetafileCanvas::SelectClipRgn(const TRegion* region) {
  TCanvas::SelectClipRgn(region);
  if (Recording())
    WriteClipRegion(region);
}

void TMetafileCanvas::WriteClipRegion(const TRegion* region) {
  size_t at = FOut.BeginRecord(EMR_EXTSELECTCLIPRGN);
  if (!region) {
    // No region data with RGN_COPY: clipping ends.
    FOut.U32(0);
    FOut.U32(RGN_COPY);
  } else {
    std::vector<TRect> rects = region->Rects();
    FOut.U32(uint32_t(RgnDataHeader::Size + 16 * rects.size()));
    FOut.U32(RGN_COPY);
    FOut.U32(RgnDataHeader::Size);
    FOut.U32(RDH_RECTANGLES);
    FOut.U32(uint32_t(rects.size()));
    FOut.U32(uint32_t(16 * rects.size()));
    FOut.RectL(region->Bounds());
    for (const TRect& r : rects)
      FOut.RectL(r);
  }
  FOut.EndRecord(at);
  ++FRecords;
}

int TMetafileCanvas::SaveDC() {
  int depth = TCanvas::SaveDC();
  if (Recording()) {
    SimpleRecord(EMR_SAVEDC);
    FSavedMirrors.push_back(FMirror);
    AddRefs(FMirror);
  }
  return depth;
}

void TMetafileCanvas::RestoreDC(int level) {
  int depth = int(FSavedMirrors.size());
  int target = level < 0 ? depth + level + 1 : level;
  TCanvas::RestoreDC(level);
  if (!Recording() || target < 1 || target > depth)
    return;
  ValueRecord(EMR_RESTOREDC, uint32_t(int32_t(target - depth - 1)));
  // The context now has what it had at that save; objects selected only by
  // the dropped states are no longer in use anywhere.
  ReleaseRefs(FMirror);
  for (size_t i = size_t(target); i < FSavedMirrors.size(); ++i)
    ReleaseRefs(FSavedMirrors[i]);
  FMirror = std::move(FSavedMirrors[size_t(target - 1)]);
  FSavedMirrors.resize(size_t(target - 1));
}

// --- drawing ---

void TMetafileCanvas::MoveTo(int x, int y) {
  TCanvas::MoveTo(x, y);
  if (!Recording())
    return;
  // Recorded even when the position does not change: a move starts a new
  // dash pattern.
  FMirror.Position = TPoint{x, y};
  size_t at = FOut.BeginRecord(EMR_MOVETOEX);
  FOut.PointL(FMirror.Position);
  FOut.EndRecord(at);
  ++FRecords;
}

void TMetafileCanvas::LineTo(int x, int y) {
  if (!Recording()) {
    MutableState().Position = TPoint{x, y};
    return;
  }
  TPoint from = State().Position;
  SyncPen();
  SyncBackground();
  SyncPosition();
  size_t at = FOut.BeginRecord(EMR_LINETO);
  FOut.PointL(TPoint{x, y});
  FOut.EndRecord(at);
  ++FRecords;
  MutableState().Position = FMirror.Position = TPoint{x, y};
  TPoint pts[] = {from, TPoint{x, y}};
  AddBounds(StrokeBounds(PointBounds(pts)));
}

void TMetafileCanvas::FillRect(const TRect& rect) {
  if (!Recording() || rect.IsEmpty())
    return;
  SyncBrush();
  SyncBackground();
  // A pattern fill of the destination, as a block transfer without a source.
  size_t at = FOut.BeginRecord(EMR_BITBLT);
  FOut.RectL(Inclusive(rect));
  FOut.I32(rect.Left);
  FOut.I32(rect.Top);
  FOut.I32(rect.Width());
  FOut.I32(rect.Height());
  FOut.U32(PATCOPY);
  FOut.I32(0);
  FOut.I32(0);
  WriteIdentityXform(FOut);
  FOut.U32(0);  // source background colour
  FOut.U32(DIB_RGB_COLORS);
  FOut.Zeros(16);  // no source bitmap
  FOut.EndRecord(at);
  ++FRecords;
  AddBounds(Inclusive(rect));
}

void TMetafileCanvas::WritePoints(uint32_t type16, uint32_t type32, std::span<const TPoint> points) {
  TRect bounds = PointBounds(points);
  bool small = Fits16(points);
  size_t at = FOut.BeginRecord(small ? type16 : type32);
  FOut.RectL(bounds);
  FOut.U32(uint32_t(points.size()));
  for (const TPoint& p : points) {
    if (small) {
      FOut.I16(int16_t(p.X));
      FOut.I16(int16_t(p.Y));
    } else {
      FOut.PointL(p);
    }
  }
  FOut.EndRecord(at);
  ++FRecords;
  AddBounds(StrokeBounds(bounds));
}

void TMetafileCanvas::Polyline(std::span<const TPoint> points) {
  if (!Recording() || points.empty())
    return;
  SyncPen();
  SyncBackground();
  WritePoints(EMR_POLYLINE16, EMR_POLYLINE, points);
}

void TMetafileCanvas::Polygon(std::span<const TPoint> points) {
  if (!Recording() || points.empty())
    return;
  SyncPen();
  SyncBrush();
  SyncBackground();
  SyncFillMode();
  WritePoints(EMR_POLYGON16, EMR_POLYGON, points);
}

void TMetafileCanvas::Rectangle(const TRect& box) {
  if (!Recording())
    return;
  SyncPen();
  SyncBrush();
  SyncBackground();
  size_t at = FOut.BeginRecord(EMR_RECTANGLE);
  FOut.RectL(box);
  FOut.EndRecord(at);
  ++FRecords;
  AddBounds(StrokeBounds(Inclusive(box)));
}

void TMetafileCanvas::Ellipse(const TRect& box) {
  if (!Recording())
    return;
  SyncPen();
  SyncBrush();
  SyncBackground();
  size_t at = FOut.BeginRecord(EMR_ELLIPSE);
  FOut.RectL(box);
  FOut.EndRecord(at);
  ++FRecords;
  AddBounds(StrokeBounds(Inclusive(box)));
}

void TMetafileCanvas::RoundRect(const TRect& box, int ellipseWidth, int ellipseHeight) {
  if (!Recording())
    return;
  SyncPen();
  SyncBrush();
  SyncBackground();
  size_t at = FOut.BeginRecord(EMR_ROUNDRECT);
  FOut.RectL(box);
  FOut.I32(ellipseWidth);
  FOut.I32(ellipseHeight);
  FOut.EndRecord(at);
  ++FRecords;
  AddBounds(StrokeBounds(Inclusive(box)));
}

void TMetafileCanvas::StretchDraw(const TRect& dest, const TBitmap& bitmap, std::optional<TColor> transparent) {
  if (!Recording() || dest.Normalized().IsEmpty() || bitmap.Empty())
    return;
  if (FMirror.StretchMode != State().StretchMode) {
    FMirror.StretchMode = State().StretchMode;
    ValueRecord(EMR_SETSTRETCHBLTMODE, State().StretchMode == TStretchMode::smHalftone ? HALFTONE : COLORONCOLOR);
  }
  WriteBitmapRecord(dest, bitmap, transparent);
}

void TMetafileCanvas::WriteBitmapRecord(const TRect& dest, const TBitmap& bitmap, std::optional<TColor> transparent) {
  std::vector<uint8_t> dib = bitmap.DIBits();
  TEmfReader info(std::string_view(reinterpret_cast<const char*>(dib.data()), dib.size()));
  uint32_t colors = info.U32(BitmapInfoHeader::biClrUsed);
  uint16_t bpp = info.U16(BitmapInfoHeader::biBitCount);
  if (colors == 0 && bpp <= 8)
    colors = 1u << bpp;
  size_t cbBmi = std::min(dib.size(), BitmapInfoHeader::Size + 4 * size_t(colors));
  size_t cbBits = dib.size() - cbBmi;
  TRect bounds = Inclusive(dest);
  size_t at;
  size_t fixed;
  if (!transparent) {
    at = FOut.BeginRecord(EMR_STRETCHDIBITS);
    fixed = StretchDIBits::Size;
    FOut.RectL(bounds);
    FOut.I32(dest.Left);
    FOut.I32(dest.Top);
    FOut.I32(0);
    FOut.I32(0);
    FOut.I32(bitmap.Width());
    FOut.I32(bitmap.Height());
    FOut.U32(uint32_t(fixed));
    FOut.U32(uint32_t(cbBmi));
    FOut.U32(uint32_t(fixed + cbBmi));
    FOut.U32(uint32_t(cbBits));
    FOut.U32(DIB_RGB_COLORS);
    FOut.U32(SRCCOPY);
    FOut.I32(dest.Right - dest.Left);
    FOut.I32(dest.Bottom - dest.Top);
  } else {
    at = FOut.BeginRecord(EMR_TRANSPARENTBLT);
    fixed = Blt::StretchSize;
    FOut.RectL(bounds);
    FOut.I32(dest.Left);
    FOut.I32(dest.Top);
    FOut.I32(dest.Right - dest.Left);
    FOut.I32(dest.Bottom - dest.Top);
    FOut.U32(Rgb(*transparent));
    FOut.I32(0);
    FOut.I32(0);
    WriteIdentityXform(FOut);
    FOut.U32(0);
    FOut.U32(DIB_RGB_COLORS);
    FOut.U32(uint32_t(fixed));
    FOut.U32(uint32_t(cbBmi));
    FOut.U32(uint32_t(fixed + cbBmi));
    FOut.U32(uint32_t(cbBits));
    FOut.I32(bitmap.Width());
    FOut.I32(bitmap.Height());
  }
  FOut.Raw(std::string_view(reinterpret_cast<const char*>(dib.data()), dib.size()));
  FOut.EndRecord(at);
  ++FRecords;
  AddBounds(bounds);
}

void TMetafileCanvas::TextOutRun(int x, int y, const TFont& font, std::u16string_view text,
                                 std::span<const int> advances, const TTextRunOptions& options) {
  if (!Recording() || (text.empty() && !options.Opaque))
    return;
  // The run's escapement is the font's in the format.
  TFontDesc desc = font.Desc();
  desc.Escapement = desc.Orientation = options.Escapement;
  // Our 0 is a 16-pixel em; in the format 0 leaves the size to the reader.
  if (desc.Height == 0)
    desc.Height = -16;
  SyncText(desc);
  SyncBackground();
  uint32_t flags = (options.Opaque ? uint32_t(ETO_OPAQUE) : 0u) | (options.Clipped ? uint32_t(ETO_CLIPPED) : 0u) |
                   (options.GlyphIndices ? uint32_t(ETO_GLYPH_INDEX) : 0u);
  size_t stringBytes = (2 * text.size() + 3) / 4 * 4;

  // Bounds: the advances along the baseline and the font's height around it
  // (generously for rotated runs), with the opaque rectangle.
  int64_t width = 0;
  for (size_t i = 0; i < text.size() && i < advances.size(); ++i)
    width += advances[i];
  int64_t h = font.TextMetrics().Height > 0 ? font.TextMetrics().Height : 16;
  int64_t left = State().TextHAlign == TTextHAlign::taRight    ? x - width
                 : State().TextHAlign == TTextHAlign::taCenter ? x - width / 2
                                                               : x;
  int64_t top = State().TextVAlign == TTextVAlign::taTop ? y : y - h;
  TRect bounds;
  if (options.Escapement != 0) {
    int64_t r = std::abs(width) + h;
    bounds = TRect{int(std::clamp<int64_t>(x - r, INT_MIN, INT_MAX)), int(std::clamp<int64_t>(y - r, INT_MIN, INT_MAX)),
                   int(std::clamp<int64_t>(x + r, INT_MIN, INT_MAX)), int(std::clamp<int64_t>(y + r, INT_MIN, INT_MAX))};
  } else {
    bounds = TRect{int(std::clamp<int64_t>(std::min(left, left + width), INT_MIN, INT_MAX)),
                   int(std::clamp<int64_t>(top, INT_MIN, INT_MAX)),
                   int(std::clamp<int64_t>(std::max(left, left + width), INT_MIN, INT_MAX)),
                   int(std::clamp<int64_t>(top + 2 * h, INT_MIN, INT_MAX))};
  }
  if (text.empty())
    bounds = Inclusive(options.Rect);

  size_t at = FOut.BeginRecord(EMR_EXTTEXTOUTW);
  FOut.RectL(bounds);
  FOut.U32(GM_COMPATIBLE);
  FOut.F32(2540.0f / 96.0f);  // hundredths of a millimetre per pixel
  FOut.F32(2540.0f / 96.0f);
  FOut.I32(x);
  FOut.I32(y);
  FOut.U32(uint32_t(text.size()));
  FOut.U32(uint32_t(ExtTextOut::Size));
  FOut.U32(flags);
  FOut.RectL(options.Opaque || options.Clipped ? options.Rect : TRect{});
  FOut.U32(uint32_t(ExtTextOut::Size + stringBytes));
  for (char16_t c : text)
    FOut.U16(uint16_t(c));
  FOut.Pad4();
  for (size_t i = 0; i < text.size(); ++i)
    FOut.I32(i < advances.size() ? advances[i] : 0);
  FOut.EndRecord(at);
  ++FRecords;
  AddBounds(bounds);
  if (options.Opaque)
    AddBounds(Inclusive(options.Rect));
}

// --- the whole metafile ---

std::string TMetafileCanvas::Finish() {
  if (FFinished)
    return FResult;
  // Leave no object behind in the handle table: stock objects go back in,
  // and everything created is deleted.
  if (FMirror.PenHandle != (StockObject | BLACK_PEN))
    ValueRecord(EMR_SELECTOBJECT, StockObject | BLACK_PEN);
  if (FMirror.BrushHandle != (StockObject | WHITE_BRUSH))
    ValueRecord(EMR_SELECTOBJECT, StockObject | WHITE_BRUSH);
  if (FMirror.FontHandle != (StockObject | SYSTEM_FONT))
    ValueRecord(EMR_SELECTOBJECT, StockObject | SYSTEM_FONT);
  for (size_t slot = 1; slot < FRefs.size(); ++slot)
    if (FRefs[slot] >= 0)
      ValueRecord(EMR_DELETEOBJECT, uint32_t(slot));
  size_t eof = FOut.BeginRecord(EMR_EOF);
  FOut.U32(0);          // no palette
  FOut.U32(Eof::Size);  // where a palette would start
  FOut.U32(Eof::Size);  // this record's size
  FOut.EndRecord(eof);
  ++FRecords;
  FFinished = true;

  size_t descBytes = (2 * FDescription.size() + 3) / 4 * 4;
  size_t headerSize = Header::Size + descBytes;
  TEmfWriter h;
  size_t at = h.BeginRecord(EMR_HEADER);
  h.RectL(FHasBounds ? FBounds : TRect{0, 0, -1, -1});
  h.RectL(TRect{0, 0, PixelsToFrame(FWidth), PixelsToFrame(FHeight)});
  h.U32(HeaderSignature);
  h.U32(FormatVersion);
  h.U32(uint32_t(headerSize + FOut.Size()));
  h.U32(FRecords + 1);
  h.U16(uint16_t(std::min<size_t>(FHandlesUsed, 0xFFFF)));
  h.U16(0);
  h.U32(uint32_t(FDescription.size()));
  h.U32(FDescription.empty() ? 0 : uint32_t(Header::Size));
  h.U32(0);  // no palette entries
  h.I32(DevicePixelsX);
  h.I32(DevicePixelsY);
  h.I32(DeviceMillimetersX);
  h.I32(DeviceMillimetersY);
  h.U32(0);  // no pixel format
  h.U32(0);
  h.U32(0);  // no OpenGL records
  h.U32(uint32_t(DeviceMillimetersX * 1000));
  h.U32(uint32_t(DeviceMillimetersY * 1000));
  for (char16_t c : FDescription)
    h.U16(uint16_t(c));
  h.EndRecord(at);
  FResult = std::move(h.Bytes());
  FResult += FOut.Bytes();
  FOut.Bytes().clear();
  FOut.Bytes().shrink_to_fit();
  return FResult;
}
