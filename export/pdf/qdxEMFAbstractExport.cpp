#include "export/pdf/qdxEMFAbstractExport.h"

#include "platform/Font.h"
#include "platform/FontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_map>

using namespace Emf;

namespace {
constexpr size_t MaxSavedContexts = 4096;
constexpr size_t MaxErrors = 50;

bool Finite(const TXForm& x) {
  return std::isfinite(x.eM11) && std::isfinite(x.eM12) && std::isfinite(x.eM21) && std::isfinite(x.eM22) &&
         std::isfinite(x.eDx) && std::isfinite(x.eDy);
}

TXForm ReadXForm(const TEnhMetaObj& r, size_t at) {
  return TXForm{r.F32(at), r.F32(at + 4), r.F32(at + 8), r.F32(at + 12), r.F32(at + 16), r.F32(at + 20)};
}

std::string Record(uint32_t type, std::initializer_list<uint32_t> fields, size_t size = 0) {
  std::string b;
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(char((v >> (8 * i)) & 0xFF));
  };
  u32(type);
  u32(0);
  for (uint32_t f : fields) u32(f);
  if (b.size() < size) b.resize(size, '\0');
  const uint32_t n = uint32_t(b.size());
  for (int i = 0; i < 4; ++i) b[4 + size_t(i)] = char((n >> (8 * i)) & 0xFF);
  return b;
}

std::string StockFontRecord(const char* face, int32_t height) {
  std::string b = Record(EMR_EXTCREATEFONTINDIRECTW, {0, uint32_t(height), 0, 0, 0, 400}, Font::LogFontEnd);
  for (size_t i = 0; face[i] && i < Font::FaceNameChars; ++i) b[Font::FaceName + i * 2] = face[i];
  return b;
}
}  // namespace

TXForm TXForm::Multiply(const TXForm& a, const TXForm& b) {
  TXForm r;
  r.eM11 = a.eM11 * b.eM11 + a.eM12 * b.eM21;
  r.eM12 = a.eM11 * b.eM12 + a.eM12 * b.eM22;
  r.eM21 = a.eM21 * b.eM11 + a.eM22 * b.eM21;
  r.eM22 = a.eM21 * b.eM12 + a.eM22 * b.eM22;
  r.eDx = a.eDx * b.eM11 + a.eDy * b.eM21 + b.eDx;
  r.eDy = a.eDx * b.eM12 + a.eDy * b.eM22 + b.eDy;
  return r;
}

// --- device context ---

uint32_t TDeviceContext::BrushStyle() const {
  const TEnhMetaObj* b = Data.Brush;
  if (!b) return 0;
  switch (b->Type()) {
    case EMR_CREATEBRUSHINDIRECT: return b->U32(CreateBrush::Style);
    case EMR_CREATEMONOBRUSH: return BS_PATTERN;
    case EMR_CREATEDIBPATTERNBRUSHPT: return BS_DIBPATTERNPT;
    default: return 0;
  }
}

uint32_t TDeviceContext::BrushColor() const {
  const TEnhMetaObj* b = Data.Brush;
  if (!b) return 0xFFFFFF;
  const uint32_t style = BrushStyle();
  if (style == BS_NULL) return ColorNone;
  if (b->Type() == EMR_CREATEBRUSHINDIRECT && (style == BS_SOLID || style == BS_HATCHED))
    return b->U32(CreateBrush::Color) & 0xFFFFFF;
  return 0xFFFFFF;
}

uint32_t TDeviceContext::BrushHatch() const {
  const TEnhMetaObj* b = Data.Brush;
  return b && b->Type() == EMR_CREATEBRUSHINDIRECT && BrushStyle() == BS_HATCHED ? b->U32(CreateBrush::Hatch) : 0;
}

std::string TDeviceContext::FontFace() const {
  const TEnhMetaObj* f = Data.Font;
  if (!f) return "Serif";
  std::u16string name;
  for (size_t i = 0; i < Font::FaceNameChars; ++i) {
    const size_t at = Font::FaceName + i * 2;
    if (!f->Has(at, 2)) break;
    const char16_t c = char16_t(uint8_t(f->Bytes()[at]) | (uint8_t(f->Bytes()[at + 1]) << 8));
    if (c == 0) break;
    name.push_back(c);
  }
  std::string out;
  for (char16_t c : name) {
    // Face names are looked up by their UTF-8 spelling.
    if (c < 0x80) out.push_back(char(c));
    else if (c < 0x800) {
      out.push_back(char(0xC0 | (c >> 6)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0xD800 || c > 0xDFFF) {
      out.push_back(char(0xE0 | (c >> 12)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    }
  }
  return out.empty() ? "Serif" : out;
}

namespace {
uint8_t FontByte(const TEnhMetaObj* f, size_t at) {
  return f && f->Has(at, 1) ? uint8_t(f->Bytes()[at]) : 0;
}
}  // namespace

uint8_t TDeviceContext::FontCharSet() const { return Data.Font ? FontByte(Data.Font, Font::CharSet) : 1; }
int32_t TDeviceContext::FontHeight() const {
  if (!Data.Font) return 12;
  const int64_t h = Data.Font->I32(Font::Height);
  return int32_t(std::min<int64_t>(h < 0 ? -h : h, INT32_MAX));
}
int32_t TDeviceContext::FontWeight() const {
  if (!Data.Font) return 400;
  const int64_t w = Data.Font->I32(Font::Weight);
  return int32_t(std::min<int64_t>(w < 0 ? -w : w, 1000));
}
bool TDeviceContext::FontItalic() const { return FontByte(Data.Font, Font::Italic) != 0; }
bool TDeviceContext::FontUnderline() const { return FontByte(Data.Font, Font::Underline) != 0; }
bool TDeviceContext::FontStrikeOut() const { return FontByte(Data.Font, Font::StrikeOut) != 0; }
int32_t TDeviceContext::FontEscapement() const {
  return Data.Font ? Data.Font->I32(Font::Escapement) % 3600 : 0;
}
double TDeviceContext::FontEscapementRadians() const { return FontEscapement() / 10.0 * M_PI / 180.0; }

uint32_t TDeviceContext::PenStyle() const {
  const TEnhMetaObj* p = Data.Pen;
  if (!p) return PS_ENDCAP_FLAT | PS_JOIN_MITER;
  if (p->Type() == EMR_EXTCREATEPEN) return p->U32(ExtCreatePen::PenStyle) & 0xFFFF;
  return p->U32(CreatePen::Style) & 0xFFFF;
}
uint32_t TDeviceContext::PenWidth() const {
  const TEnhMetaObj* p = Data.Pen;
  if (!p) return 1;
  if (p->Type() == EMR_EXTCREATEPEN) return p->U32(ExtCreatePen::Width);
  return p->U32(CreatePen::WidthX);
}
uint32_t TDeviceContext::PenColor() const {
  const TEnhMetaObj* p = Data.Pen;
  if (!p) return 0;
  return (p->Type() == EMR_EXTCREATEPEN ? p->U32(ExtCreatePen::Color) : p->U32(CreatePen::Color)) & 0xFFFFFF;
}
TEMFHAlign TDeviceContext::HAlign() const {
  if ((Data.TextAlign & TA_CENTER) == TA_CENTER) return TEMFHAlign::Center;
  if (Data.TextAlign & TA_RIGHT) return TEMFHAlign::Right;
  return TEMFHAlign::Left;
}
TEMFVAlign TDeviceContext::VAlign() const {
  if ((Data.TextAlign & TA_BASELINE) == TA_BASELINE) return TEMFVAlign::Baseline;
  if (Data.TextAlign & TA_BOTTOM) return TEMFVAlign::Bottom;
  return TEMFVAlign::Top;
}
bool TDeviceContext::IsIdentity() const {
  const TXForm& x = Data.XForm;
  return std::fabs(x.eM11 - 1) + std::fabs(x.eM12) + std::fabs(x.eM21) + std::fabs(x.eM22 - 1) + std::fabs(x.eDx) +
             std::fabs(x.eDy) < 0.001;
}

// --- interpreter ---

TEMFAbstractExport::TEMFAbstractExport(std::string_view metafile) : InStream(metafile) {
  // Stock objects, in the order of their numbers.
  auto brush = [&](uint32_t style, uint32_t color) {
    FStock.push_back(std::make_unique<TEnhMetaObj>(Record(EMR_CREATEBRUSHINDIRECT, {0, style, color, 0})));
  };
  auto pen = [&](uint32_t style, uint32_t color) {
    FStock.push_back(std::make_unique<TEnhMetaObj>(Record(EMR_CREATEPEN, {0, style, 0, 0, color})));
  };
  brush(BS_SOLID, 0xFFFFFF);
  brush(BS_SOLID, 0xC0C0C0);
  brush(BS_SOLID, 0x808080);
  brush(BS_SOLID, 0x404040);
  brush(BS_SOLID, 0);
  brush(BS_NULL, 0);
  pen(PS_SOLID, 0xFFFFFF);
  pen(PS_SOLID, 0);
  pen(PS_NULL, 0);
  FStock.push_back(nullptr);  // 9 is not used
  for (int i = 10; i <= 14; ++i) FStock.push_back(std::make_unique<TEnhMetaObj>(StockFontRecord("Courier New", -16)));
  FStock.push_back(std::make_unique<TEnhMetaObj>(Record(EMR_CREATEPALETTE, {0, 0x300})));
  FStock.push_back(std::make_unique<TEnhMetaObj>(StockFontRecord("Courier New", -16)));
  FStock.push_back(std::make_unique<TEnhMetaObj>(StockFontRecord("Arial", -11)));
  brush(BS_SOLID, 0xFFFFFF);  // DC_BRUSH
  pen(PS_SOLID, 0);           // DC_PEN
}

TEMFAbstractExport::~TEMFAbstractExport() {
  delete DC;
  for (TDeviceContext* d : DCList) delete d;
}

void TEMFAbstractExport::Comment(const std::string&) {}

void TEMFAbstractExport::CreateDeviceContext() { DC = new TDeviceContext; }

TFontDesc TEMFAbstractExport::CreateFontFromDC() {
  TFontDesc f;
  f.FaceName = DC->FontFace();
  f.CharSet = DC->FontCharSet();
  f.Height = -std::max(1, DC->FontHeight());
  f.Weight = DC->FontWeight() > 550 ? 700 : 400;
  f.Italic = DC->FontItalic();
  f.Underline = DC->FontUnderline();
  f.StrikeOut = DC->FontStrikeOut();
  f.Escapement = DC->FontEscapement();
  return f;
}

void TEMFAbstractExport::Error(const std::string& message) {
  if (Errors.size() >= MaxErrors || std::find(Errors.begin(), Errors.end(), message) != Errors.end()) return;
  Errors.push_back(message);
}

void TEMFAbstractExport::Stop(const std::string& why) {
  Error(why);
  FStopped = true;
}

void TEMFAbstractExport::PlayMetafile() {
  if (FPlayed) return;
  FPlayed = true;
  CreateDeviceContext();
  DC->Reset();
  BeforePlay();
  try {
    PlayRecords();
  } catch (...) {
    // Whatever was written is still closed before the exception goes on.
    AfterPlay();
    throw;
  }
  if (LastRecord != EMR_EOF && !FStopped) Error("the metafile ends without an end record");
  AfterPlay();
}

void TEMFAbstractExport::PlayRecords() {
  using THandler = void (TEMFAbstractExport::*)();
  static const std::unordered_map<uint32_t, THandler> handlers = {
#define QDX_EMF_ENTRY(name, type) {uint32_t(type), &TEMFAbstractExport::Do##name},
      QDX_EMF_RECORDS(QDX_EMF_ENTRY)
#undef QDX_EMF_ENTRY
  };
  bool first = true;
  while (!FStopped && LastRecord != EMR_EOF && FPos < InStream.size()) {
    FPos = (FPos + 3) / 4 * 4;
    if (FPos >= InStream.size()) break;
    if (InStream.size() - FPos < 8) {
      Error("the metafile ends inside a record");
      break;
    }
    TEnhMetaObj head(InStream.substr(FPos, 8));
    const uint32_t type = head.U32(0), size = head.U32(4);
    if (size < 8 || size % 4 != 0 || size > InStream.size() - FPos) {
      Error("the record at offset " + std::to_string(FPos) + " has a bad size");
      break;
    }
    if (first && type != EMR_HEADER) {
      Error("the metafile does not start with a header");
      break;
    }
    first = false;
    DC->Data.CurrentPosition = DC->Data.NextPosition;
    FRecordBytes = InStream.substr(FPos, size);
    LastRecord = type;
    RecordSize = size;
    FCurrent = nullptr;
    auto it = handlers.find(type);
    if (it != handlers.end()) (this->*(it->second))();
    else DoUnknown();
    FPos += size;
  }
}

template <class T> T* TEMFAbstractExport::Parse() {
  auto rec = std::make_unique<T>(FRecordBytes);
  T* p = rec.get();
  EMRList.push_back(std::move(rec));
  FCurrent = p;
  return p;
}

void TEMFAbstractExport::DoUnknown() { Parse<TEnhMetaObj>(); }

#define QDX_EMF_DEFINE(name, type) \
  void TEMFAbstractExport::Do##name() { Standard(); }
QDX_EMF_RECORDS(QDX_EMF_DEFINE)
#undef QDX_EMF_DEFINE

void TEMFAbstractExport::Standard() {
  switch (LastRecord) {
    case EMR_HEADER: Parse<TEnhMetaHeaderObj>(); break;
    case EMR_EOF: Parse<TEoFObj>(); break;
    case EMR_POLYPOLYGON16: Parse<TEMRPolyPolygon16Obj>(); break;
    case EMR_POLYPOLYLINE16: Parse<TEMRPolyPolyline16Obj>(); break;
    case EMR_POLYPOLYLINE: Parse<TEMRPolyPolylineObj>(); break;
    case EMR_POLYPOLYGON: Parse<TEMRPolyPolygonObj>(); break;
    case EMR_EXTSELECTCLIPRGN: Parse<TEMRExtSelectClipRgnObj>(); break;
    case EMR_BITBLT: Parse<TEMRBitBltObj>(); break;
    case EMR_STRETCHBLT: Parse<TEMRStretchBltObj>(); break;
    case EMR_STRETCHDIBITS: Parse<TEMRStretchDIBitsObj>(); break;
    case EMR_MASKBLT: Parse<TEMRMaskBltObj>(); break;
    case EMR_PLGBLT: Parse<TEMRPLGBltObj>(); break;
    case EMR_SETDIBITSTODEVICE: Parse<TEMRSetDIBitsToDeviceObj>(); break;
    case EMR_ALPHABLEND: Parse<TEMRAlphaBlendObj>(); break;
    case EMR_TRANSPARENTBLT: Parse<TEMRTransparentBltObj>(); break;
    case EMR_CREATEMONOBRUSH: Parse<TEMRCreateMonoBrushObj>(); break;
    case EMR_EXTCREATEPEN: Parse<TEMRExtCreatePenObj>(); break;
    case EMR_CREATEDIBPATTERNBRUSHPT: Parse<TEMRCreateDIBPatternBrushPtObj>(); break;
    case EMR_EXTTEXTOUTW: Parse<TEMRExtTextOutWObj>(); break;
    case EMR_EXTTEXTOUTA: Parse<TEMRExtTextOutAObj>(); break;
    case EMR_POLYTEXTOUTW: Parse<TEMRPolyTextOutWObj>(); break;
    case EMR_POLYTEXTOUTA: Parse<TEMRPolyTextOutAObj>(); break;
    case EMR_SMALLTEXTOUT: Parse<TEMRSmallTextOutObj>(); break;
    case EMR_POLYDRAW: Parse<TEMRPolyDrawObj>(); break;
    case EMR_POLYDRAW16: Parse<TEMRPolyDraw16Obj>(); break;
    default: Parse<TEnhMetaObj>(); break;
  }
  ApplyEffect();
  Comment("");
}

void TEMFAbstractExport::SelectStock(uint32_t index) {
  if (index >= FStock.size() || !FStock[index]) return;
  const TEnhMetaObj* o = FStock[index].get();
  switch (o->Type()) {
    case EMR_CREATEPEN: DC->Data.Pen = o; break;
    case EMR_CREATEBRUSHINDIRECT: DC->Data.Brush = o; break;
    case EMR_EXTCREATEFONTINDIRECTW: DC->Data.Font = o; break;
    case EMR_CREATEPALETTE: DC->Data.Palette = o; break;
    default: break;
  }
}

void TEMFAbstractExport::ApplyEffect() {
  const TEnhMetaObj& r = *FCurrent;
  TDeviceContextData& d = DC->Data;
  constexpr size_t F = FirstField;
  auto objectIndex = [&](uint32_t ih) -> bool {
    if (ih == 0 || ih >= ObjectTable.size()) {
      Error(RecordName(r.Type()) + " uses a handle outside the object table");
      return false;
    }
    return true;
  };
  switch (r.Type()) {
    case EMR_HEADER: {
      const auto* h = Current<TEnhMetaHeaderObj>();
      if (HeaderPlayed) {
        // The state of a picture is set up once; a second header would reset it midway.
        Error("a second header record is ignored");
        return;
      }
      HeaderPlayed = true;
      if (!h->Valid()) {
        Stop("the header record is damaged");
        return;
      }
      const Emf::TEmfHeader& hd = h->Header();
      ObjectTable.assign(std::max<size_t>(hd.Handles, 1), nullptr);
      // Without a reference device or a frame nothing can be mapped: the
      // scale factors would divide by zero.
      if (hd.DeviceCx <= 0 || hd.DeviceCy <= 0 || hd.MillimetersCx <= 0 || hd.MillimetersCy <= 0) {
        Stop("the header has no reference device size");
        return;
      }
      d.DevicePerMMX = double(hd.DeviceCx) / hd.MillimetersCx;
      d.DevicePerMMY = double(hd.DeviceCy) / hd.MillimetersCy;
      FrameWidthPx = d.DevicePerMMX * (double(hd.Frame.Right) - hd.Frame.Left) / 100;
      FrameHeightPx = d.DevicePerMMY * (double(hd.Frame.Bottom) - hd.Frame.Top) / 100;
      if (!(FrameWidthPx > 0) || !(FrameHeightPx > 0)) {
        Stop("the metafile's frame is empty");
        return;
      }
      d.FrameOrigin = TPoint{int(std::lround(hd.Frame.Left * d.DevicePerMMX / 100)),
                             int(std::lround(hd.Frame.Top * d.DevicePerMMY / 100))};
      if (hd.PalEntries > 0) {
        // The palette is kept in the end record; look for it without playing.
        TEmfRecordList list = EnumerateEmfRecords(InStream);
        if (!list.Records.empty() && list.Records.back().Type == EMR_EOF) {
          TEoFObj eof(list.Records.back().Bytes);
          d.EOFPalette = eof.PaletteEntries();
        } else {
          Error("EMR_EoF not found");
        }
      }
      return;
    }
    case EMR_EOF:
      if (const auto* e = Current<TEoFObj>()) d.EOFPalette = e->PaletteEntries();
      return;
    case EMR_CREATEPEN:
    case EMR_EXTCREATEPEN:
    case EMR_CREATEBRUSHINDIRECT:
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT:
    case EMR_EXTCREATEFONTINDIRECTW:
    case EMR_CREATEPALETTE:
    case EMR_CREATECOLORSPACE:
    case EMR_CREATECOLORSPACEW: {
      const uint32_t ih = r.U32(F);
      // A font record shorter than a logical font is not a font.
      if (r.Type() == EMR_EXTCREATEFONTINDIRECTW && !r.Has(0, Font::LogFontEnd)) {
        Error("a font record is too short");
        return;
      }
      if (!r.Valid() || !objectIndex(ih)) return;
      ObjectTable[ih] = &r;
      return;
    }
    case EMR_SELECTOBJECT:
    case EMR_SELECTPALETTE:
    case EMR_SETCOLORSPACE: {
      const uint32_t ih = r.U32(F);
      if (!r.Valid()) return;
      if (ih & StockObject) {
        SelectStock(ih & ~StockObject);
        return;
      }
      if (!objectIndex(ih) || !ObjectTable[ih]) return;
      const TEnhMetaObj* o = ObjectTable[ih];
      switch (o->Type()) {
        case EMR_CREATEPEN:
        case EMR_EXTCREATEPEN: d.Pen = o; break;
        case EMR_CREATEBRUSHINDIRECT:
        case EMR_CREATEMONOBRUSH:
        case EMR_CREATEDIBPATTERNBRUSHPT: d.Brush = o; break;
        case EMR_EXTCREATEFONTINDIRECTW: d.Font = o; break;
        case EMR_CREATEPALETTE: d.Palette = o; break;
        case EMR_CREATECOLORSPACE:
        case EMR_CREATECOLORSPACEW: d.ColorSpace = o; break;
        default: break;
      }
      return;
    }
    case EMR_DELETEOBJECT:
    case EMR_DELETECOLORSPACE: {
      const uint32_t ih = r.U32(F);
      if (!r.Valid() || (ih & StockObject) || ih == 0 || ih >= ObjectTable.size() || !ObjectTable[ih]) return;
      const TEnhMetaObj* o = ObjectTable[ih];
      for (const TEnhMetaObj** slot : {&d.Pen, &d.Brush, &d.Font, &d.Palette, &d.ColorSpace})
        if (*slot == o) *slot = nullptr;
      return;
    }
    case EMR_SAVEDC: {
      if (DCList.size() >= MaxSavedContexts) {
        Error("too many saved states");
        return;
      }
      TDeviceContext* saved = DC;
      DCList.push_back(saved);
      DC = nullptr;
      CreateDeviceContext();
      DC->Reset();
      DC->Assign(*saved);
      return;
    }
    case EMR_RESTOREDC: {
      const int32_t n = r.I32(F);
      if (!r.Valid() || n >= 0) return;
      for (int64_t i = 0; i < -int64_t(n) && !DCList.empty(); ++i) {
        delete DC;
        DC = DCList.back();
        DCList.pop_back();
      }
      return;
    }
    case EMR_SETMAPMODE: {
      const uint32_t m = r.U32(F);
      if (r.Valid() && m >= MM_TEXT && m <= MM_ANISOTROPIC) d.MapMode = m;
      return;
    }
    case EMR_SETBKMODE: d.BkMode = r.U32(F); return;
    case EMR_SETBKCOLOR: d.BkColor = r.U32(F) & 0xFFFFFF; return;
    case EMR_SETTEXTCOLOR: d.TextColor = r.U32(F) & 0xFFFFFF; return;
    case EMR_SETTEXTALIGN: d.TextAlign = r.U32(F); return;
    case EMR_SETPOLYFILLMODE: d.PolyFillMode = r.U32(F); return;
    case EMR_SETROP2: d.ROP2 = r.U32(F); return;
    case EMR_SETSTRETCHBLTMODE: d.StretchMode = r.U32(F); return;
    case EMR_SETARCDIRECTION: d.ArcDirection = r.U32(F); return;
    case EMR_SETMITERLIMIT: d.MiterLimit = r.U32(F); return;
    case EMR_SETICMMODE: d.ICMMode = r.U32(F); return;
    case EMR_SETLAYOUT: d.Layout = r.U32(F); return;
    case EMR_SETMAPPERFLAGS: d.MapperFlags = r.U32(F); return;
    case EMR_SETCOLORADJUSTMENT: d.ColorAdjustment = &r; return;
    case EMR_SETWINDOWORGEX: d.WindowOrg = r.PointL(F); return;
    case EMR_SETVIEWPORTORGEX: d.ViewportOrg = r.PointL(F); return;
    case EMR_SETBRUSHORGEX: d.BrushOrg = r.PointL(F); return;
    case EMR_SETWINDOWEXTEX:
    case EMR_SETVIEWPORTEXTEX: {
      const TPoint e = r.PointL(F);
      // A zero extent would divide by zero in the mapping; the old one stays.
      if (!r.Valid() || e.X == 0 || e.Y == 0) {
        Error(RecordName(r.Type()) + " with a zero extent is ignored");
        return;
      }
      (r.Type() == EMR_SETWINDOWEXTEX ? d.WindowExt : d.ViewportExt) = e;
      return;
    }
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX: {
      if (d.MapMode != MM_ISOTROPIC && d.MapMode != MM_ANISOTROPIC) return;
      const int64_t xn = r.I32(ScaleExt::xNum), xd = r.I32(ScaleExt::xDenom), yn = r.I32(ScaleExt::yNum),
                    yd = r.I32(ScaleExt::yDenom);
      if (!r.Valid() || xd == 0 || yd == 0) return;
      TPoint& e = r.Type() == EMR_SCALEWINDOWEXTEX ? d.WindowExt : d.ViewportExt;
      const double cx = std::nearbyint(double(e.X) * double(xn) / double(xd));
      const double cy = std::nearbyint(double(e.Y) * double(yn) / double(yd));
      if (cx == 0 || cy == 0 || std::fabs(cx) > INT32_MAX || std::fabs(cy) > INT32_MAX) return;
      e = TPoint{int(cx), int(cy)};
      return;
    }
    case EMR_SETWORLDTRANSFORM: {
      TXForm x = ReadXForm(r, F);
      if (r.Valid() && Finite(x)) d.XForm = x;
      return;
    }
    case EMR_MODIFYWORLDTRANSFORM: {
      const TXForm x = ReadXForm(r, ModifyWorldTransform::Xform);
      const uint32_t mode = r.U32(ModifyWorldTransform::Mode);
      if (!r.Valid() || !Finite(x)) return;
      TXForm result = d.XForm;
      switch (mode) {
        case MWT_IDENTITY: result = TXForm{}; break;
        case MWT_LEFTMULTIPLY: result = TXForm::Multiply(x, d.XForm); break;
        case MWT_RIGHTMULTIPLY: result = TXForm::Multiply(d.XForm, x); break;
        case MWT_SET: result = x; break;
        default: return;
      }
      if (Finite(result)) d.XForm = result;
      return;
    }
    case EMR_MOVETOEX:
    case EMR_LINETO: {
      const TPoint p = r.PointL(F);
      if (r.Valid()) d.NextPosition = p;
      return;
    }
    case EMR_ARCTO: {
      // The end point lies on the end radial; the renderer draws the arc.
      const TRect box = r.RectL(8);
      const TPoint end = r.PointL(32);
      if (!r.Valid()) return;
      const double cx = (double(box.Left) + box.Right) / 2, cy = (double(box.Top) + box.Bottom) / 2;
      const double a = std::atan2(end.Y - cy, end.X - cx);
      d.NextPosition = TPoint{int(std::lround(cx + (double(box.Right) - box.Left) / 2 * std::cos(a))),
                              int(std::lround(cy + (double(box.Bottom) - box.Top) / 2 * std::sin(a)))};
      return;
    }
    case EMR_POLYLINETO:
    case EMR_POLYLINETO16:
    case EMR_POLYBEZIERTO:
    case EMR_POLYBEZIERTO16: {
      std::vector<TPoint> pts = r.PolyPoints();
      if (r.Valid() && !pts.empty()) d.NextPosition = pts.back();
      return;
    }
    case EMR_BEGINPATH: d.PathOpen = true; return;
    case EMR_ENDPATH:
    case EMR_ABORTPATH: d.PathOpen = false; return;
    case EMR_INTERSECTCLIPRECT:
    case EMR_EXCLUDECLIPRECT: {
      TRect box = r.RectL(F);
      if (!r.Valid()) return;
      box = box.Normalized();
      if (r.Type() == EMR_INTERSECTCLIPRECT) {
        if (d.HasClipRgn) d.ClipRgn.Combine(TRegion(box), TRegionOp::roIntersect);
        else d.ClipRgn = TRegion(box);
        d.HasClipRgn = true;
      } else if (d.HasClipRgn) {
        d.ClipRgn.Combine(TRegion(box), TRegionOp::roDifference);
      }
      return;
    }
    case EMR_EXTSELECTCLIPRGN: {
      const auto* c = Current<TEMRExtSelectClipRgnObj>();
      if (!c->Valid()) {
        Error("a clip region record is damaged");
        return;
      }
      if (!c->HasRegion()) {
        if (c->Mode() == RGN_COPY) {
          d.HasClipRgn = false;
          d.ClipRgn = TRegion();
        }
        return;
      }
      TRegion rgn(c->Rects());
      TRegionOp op = TRegionOp::roCopy;
      switch (c->Mode()) {
        case RGN_AND: op = TRegionOp::roIntersect; break;
        case RGN_OR: op = TRegionOp::roUnion; break;
        case RGN_XOR: op = TRegionOp::roXor; break;
        case RGN_DIFF: op = TRegionOp::roDifference; break;
        default: op = TRegionOp::roCopy; break;
      }
      if (!d.HasClipRgn || op == TRegionOp::roCopy) {
        // Without a clip everything is visible: AND and OR leave the new
        // region's effect as a copy; DIFF of everything cannot be listed.
        if (op == TRegionOp::roDifference || op == TRegionOp::roXor) return;
        d.ClipRgn = rgn;
      } else {
        d.ClipRgn.Combine(rgn, op);
      }
      d.HasClipRgn = true;
      return;
    }
    case EMR_OFFSETCLIPRGN: {
      const TPoint p = r.PointL(F);
      if (r.Valid() && d.HasClipRgn) d.ClipRgn.Offset(p.X, p.Y);
      return;
    }
    case EMR_SETMETARGN:
      d.HasClipRgn = false;
      d.ClipRgn = TRegion();
      return;
    default: return;
  }
}

// --- coordinates ---

double TEMFAbstractExport::MapScaleX() const {
  const TDeviceContextData& d = DC->Data;
  switch (d.MapMode) {
    case MM_LOMETRIC: return d.DevicePerMMX / 10;
    case MM_HIMETRIC: return d.DevicePerMMX / 100;
    case MM_LOENGLISH: return d.DevicePerMMX * 0.254;
    case MM_HIENGLISH: return d.DevicePerMMX * 0.0254;
    case MM_TWIPS: return d.DevicePerMMX * 25.4 / 1440;
    case MM_ISOTROPIC: {
      const double sx = double(d.ViewportExt.X) / d.WindowExt.X, sy = double(d.ViewportExt.Y) / d.WindowExt.Y;
      return std::copysign(std::min(std::fabs(sx), std::fabs(sy)), sx);
    }
    case MM_ANISOTROPIC: return double(d.ViewportExt.X) / d.WindowExt.X;
    default: return 1;
  }
}

double TEMFAbstractExport::MapScaleY() const {
  const TDeviceContextData& d = DC->Data;
  switch (d.MapMode) {
    // The metric modes count y upwards.
    case MM_LOMETRIC: return -d.DevicePerMMY / 10;
    case MM_HIMETRIC: return -d.DevicePerMMY / 100;
    case MM_LOENGLISH: return -d.DevicePerMMY * 0.254;
    case MM_HIENGLISH: return -d.DevicePerMMY * 0.0254;
    case MM_TWIPS: return -d.DevicePerMMY * 25.4 / 1440;
    case MM_ISOTROPIC: {
      const double sx = double(d.ViewportExt.X) / d.WindowExt.X, sy = double(d.ViewportExt.Y) / d.WindowExt.Y;
      return std::copysign(std::min(std::fabs(sx), std::fabs(sy)), sy);
    }
    case MM_ANISOTROPIC: return double(d.ViewportExt.Y) / d.WindowExt.Y;
    default: return 1;
  }
}

TPointF TEMFAbstractExport::TransformPoint(const TPointF& p) const {
  const TXForm& x = DC->Data.XForm;
  return TPointF{p.X * x.eM11 + p.Y * x.eM21 + x.eDx, p.X * x.eM12 + p.Y * x.eM22 + x.eDy};
}

TPointF TEMFAbstractExport::LogicalToDevice(double x, double y) const {
  const TDeviceContextData& d = DC->Data;
  // World space to page space first, then page space to device space.
  TPointF p{x, y};
  if (EnableTransform && !DC->IsIdentity()) p = TransformPoint(p);
  return TPointF{(p.X - d.WindowOrg.X) * MapScaleX() + d.ViewportOrg.X - d.FrameOrigin.X,
                 (p.Y - d.WindowOrg.Y) * MapScaleY() + d.ViewportOrg.Y - d.FrameOrigin.Y};
}

void TEMFAbstractExport::LogicalRectToDevice(const TRect& r, TPointF& a, TPointF& b) const {
  a = LogicalToDevice(r.Left, r.Top);
  b = LogicalToDevice(r.Right, r.Bottom);
}

double TEMFAbstractExport::ScaleX(double v) const {
  const TXForm& x = DC->Data.XForm;
  const double m = DC->IsIdentity() ? 1 : std::hypot(x.eM11, x.eM12);
  return std::max(v, 1.0) * std::fabs(MapScaleX()) * m;
}

double TEMFAbstractExport::ScaleY(double v) const {
  const TXForm& x = DC->Data.XForm;
  const double m = DC->IsIdentity() ? 1 : std::hypot(x.eM21, x.eM22);
  return std::max(v, 1.0) * std::fabs(MapScaleY()) * m;
}

double TEMFAbstractExport::ScaleXY(double v) const {
  // Lengths without a direction (pen widths) scale by the square root of the
  // area scale, so rotations and reflections keep them.
  const TXForm& x = DC->Data.XForm;
  const double det = DC->IsIdentity() ? 1 : std::fabs(double(x.eM11) * x.eM22 - double(x.eM12) * x.eM21);
  return std::max(v, 1.0) * std::sqrt(std::fabs(MapScaleX() * MapScaleY()) * det);
}

std::u16string TEMFAbstractExport::RecordText(const TEMRExtTextOutWObj& rec, bool glyphIndex, bool rtl) const {
  std::u16string text = rec.Text();
  if (glyphIndex) {
    // Glyph ids of the selected font: back to the characters that map to them.
    static std::mutex cacheMutex;
    static std::map<std::string, std::map<uint32_t, char32_t>> cache;
    TFontDesc desc;
    desc.FaceName = DC->FontFace();
    desc.Weight = DC->FontWeight() > 550 ? 700 : 400;
    desc.Italic = DC->FontItalic();
    const std::string key = desc.FaceName + "|" + std::to_string(desc.Weight) + (desc.Italic ? "i" : "");
    std::lock_guard<std::mutex> lock(cacheMutex);
    auto it = cache.find(key);
    if (it == cache.end()) {
      // Face names come from the metafile: keep the cache small.
      if (cache.size() >= 32) cache.clear();
      std::map<uint32_t, char32_t> reverse;
      try {
        TFont font(desc);
        TFontFace::TAccess access(font.Face());
        FT_Face face = access.Face();
        FT_UInt id = 0;
        FT_ULong c = FT_Get_First_Char(face, &id);
        while (id != 0) {
          reverse.emplace(id, char32_t(c));  // the lowest character of a shared glyph
          c = FT_Get_Next_Char(face, c, &id);
        }
      } catch (const std::exception&) {
      }
      it = cache.emplace(key, std::move(reverse)).first;
    }
    std::u16string chars;
    for (char16_t g : text) {
      auto c = it->second.find(g);
      char32_t ch = c == it->second.end() ? U'\uFFFD' : c->second;
      if (ch >= 0x10000) {
        chars.push_back(char16_t(0xD800 + ((ch - 0x10000) >> 10)));
        chars.push_back(char16_t(0xDC00 + ((ch - 0x10000) & 0x3FF)));
      } else {
        chars.push_back(char16_t(ch));
      }
    }
    text = std::move(chars);
  }
  if (rtl) std::reverse(text.begin(), text.end());
  return text;
}
