#include "export/pdf/qdxEMFFormat.h"

#include "platform/BmpFile.h"
#include "platform/Streams.h"

#include <cstring>

using namespace Emf;

namespace {
// A decoded bitmap larger than this is refused: a hostile header must not
// make us allocate gigabytes.
constexpr int64_t MaxDibPixels = int64_t(1) << 24;
}  // namespace

TEnhMetaObj::TEnhMetaObj(std::string_view bytes) : FBytes(bytes) {
  FType = U32(0);
  if (FBytes.size() < 8) FValid = false;
}

bool TEnhMetaObj::Has(uint64_t offset, uint64_t count, uint64_t itemSize) const {
  const uint64_t size = FBytes.size();
  if (offset > size || itemSize == 0) return offset <= size;
  if (count > (size - offset) / itemSize) return false;
  return true;
}

uint32_t TEnhMetaObj::U32(size_t offset) const {
  if (!Has(offset, 4)) {
    FValid = false;
    return 0;
  }
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(FBytes[offset + size_t(i)]);
  return v;
}

float TEnhMetaObj::F32(size_t offset) const {
  uint32_t bits = U32(offset);
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

bool TEnhMetaObj::Is16BitPoly(uint32_t type) {
  return type == EMR_POLYBEZIER16 || type == EMR_POLYGON16 || type == EMR_POLYLINE16 ||
         type == EMR_POLYBEZIERTO16 || type == EMR_POLYLINETO16 || type == EMR_POLYPOLYLINE16 ||
         type == EMR_POLYPOLYGON16 || type == EMR_POLYDRAW16;
}

namespace {
TPoint ReadPoint(const TEnhMetaObj& r, size_t offset, bool is16) {
  if (!is16) return r.PointL(offset);
  uint32_t v = r.U32(offset);
  return TPoint{int16_t(v & 0xFFFF), int16_t(v >> 16)};
}
}  // namespace

std::vector<TPoint> TEnhMetaObj::PolyPoints() const {
  const bool is16 = Is16BitPoly(FType);
  const uint32_t count = U32(Poly::Count);
  std::vector<TPoint> points;
  if (!Has(Poly::Points, count, is16 ? 4 : 8)) {
    FValid = false;
    return points;
  }
  points.reserve(count);
  for (uint32_t i = 0; i < count; ++i) points.push_back(ReadPoint(*this, Poly::Points + size_t(i) * (is16 ? 4 : 8), is16));
  return points;
}

TEnhMetaHeaderObj::TEnhMetaHeaderObj(std::string_view bytes) : TEnhMetaObj(bytes) {
  if (auto h = ParseEmfHeader(bytes)) FHeader = *h;
  else FValid = false;
}

TEoFObj::TEoFObj(std::string_view bytes) : TEnhMetaObj(bytes) {
  uint32_t n = U32(Eof::nPalEntries), off = U32(Eof::offPalEntries);
  if (n == 0) return;
  if (!Has(off, n, 4)) {
    FValid = false;
    return;
  }
  for (uint32_t i = 0; i < n; ++i) FPalette.push_back(U32(off + size_t(i) * 4));
}

namespace {
void ReadPolyPoly(const TEnhMetaObj& r, bool is16, std::vector<uint32_t>& counts, std::vector<TPoint>& points,
                  bool& valid) {
  const uint32_t nPolys = r.U32(PolyPoly::nPolys), total = r.U32(PolyPoly::Count);
  if (!r.Valid() || !r.Has(PolyPoly::PolyCounts, nPolys, 4)) {
    valid = false;
    return;
  }
  const uint64_t pointsAt = PolyPoly::PolyCounts + uint64_t(nPolys) * 4;
  if (!r.Has(pointsAt, total, is16 ? 4 : 8)) {
    valid = false;
    return;
  }
  uint64_t sum = 0;
  for (uint32_t i = 0; i < nPolys; ++i) {
    counts.push_back(r.U32(PolyPoly::PolyCounts + size_t(i) * 4));
    sum += counts.back();
  }
  // The counts must share out exactly the points the record holds.
  if (sum != total) {
    counts.clear();
    valid = false;
    return;
  }
  points.reserve(total);
  for (uint32_t i = 0; i < total; ++i) points.push_back(ReadPoint(r, size_t(pointsAt) + size_t(i) * (is16 ? 4 : 8), is16));
}
}  // namespace

TEMRPolyPolygon16Obj::TEMRPolyPolygon16Obj(std::string_view bytes) : TEnhMetaObj(bytes) {
  bool valid = true;
  ReadPolyPoly(*this, Is16BitPoly(FType), FCounts, FPoints, valid);
  if (!valid) FValid = false;
}

TEMRPolyPolygonObj::TEMRPolyPolygonObj(std::string_view bytes) : TEnhMetaObj(bytes) {
  bool valid = true;
  ReadPolyPoly(*this, Is16BitPoly(FType), FCounts, FPoints, valid);
  if (!valid) FValid = false;
}

std::optional<std::vector<TRect>> ReadRegionData(const TEnhMetaObj& rec, size_t offset, uint32_t cb) {
  if (cb < RgnDataHeader::Size || !rec.Has(offset, cb)) return std::nullopt;
  const uint32_t headerSize = rec.U32(offset + RgnDataHeader::dwSize);
  const uint32_t count = rec.U32(offset + RgnDataHeader::nCount);
  if (headerSize < RgnDataHeader::Size || headerSize > cb || uint64_t(count) * 16 > cb - headerSize)
    return std::nullopt;
  std::vector<TRect> rects;
  rects.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    TRect r = rec.RectL(offset + headerSize + size_t(i) * 16);
    if (r.Right > r.Left && r.Bottom > r.Top) rects.push_back(r);
  }
  return rects;
}

TEMRExtSelectClipRgnObj::TEMRExtSelectClipRgnObj(std::string_view bytes) : TEnhMetaObj(bytes) {
  const uint32_t cb = U32(ExtSelectClipRgn::cbRgnData);
  U32(ExtSelectClipRgn::Mode);
  if (cb == 0) return;
  if (auto rects = ReadRegionData(*this, ExtSelectClipRgn::RgnData, cb)) {
    FHasRegion = true;
    FRects = std::move(*rects);
  } else {
    FValid = false;
  }
}

TEMRBitmap::TEMRBitmap(std::string_view bytes) : TEnhMetaObj(bytes) {}

void TEMRBitmap::SetBitmapFields(size_t offBmi, size_t cbBmi, size_t offBits, size_t cbBits, size_t usage) {
  FOffBmi = U32(offBmi);
  FCbBmi = U32(cbBmi);
  FOffBits = U32(offBits);
  FCbBits = U32(cbBits);
  FUsage = usage ? U32(usage) : DIB_RGB_COLORS;
  FHasBitmap = FCbBmi != 0;
  if (FHasBitmap && (!Has(FOffBmi, FCbBmi) || !Has(FOffBits, FCbBits))) FValid = false;
}

const TEMFDib& TEMRBitmap::Dib() const {
  if (FDecoded) return FDib;
  FDecoded = true;
  if (!FHasBitmap || !FValid || FUsage != DIB_RGB_COLORS || FCbBmi < 40) return FDib;
  const int64_t w = I32(FOffBmi + BitmapInfoHeader::biWidth);
  const int64_t h = I32(FOffBmi + BitmapInfoHeader::biHeight);
  if (w <= 0 || h == 0 || w * (h < 0 ? -h : h) > MaxDibPixels) return FDib;
  const uint32_t bpp = U32(FOffBmi + BitmapInfoHeader::biBitCount) & 0xFFFF;
  std::string file = "BM";
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) file.push_back(char((v >> (8 * i)) & 0xFF));
  };
  u32(uint32_t(14 + uint64_t(FCbBmi) + FCbBits));
  u32(0);
  u32(14 + FCbBmi);
  file.append(FBytes, FOffBmi, FCbBmi);
  file.append(FBytes, FOffBits, FCbBits);
  try {
    TMemoryStream stream(std::move(file));
    TBitmap bmp = ReadBmp(stream);
    if (bmp.Empty()) return FDib;
    const bool alpha = bpp == 32 && bmp.PixelFormat() == TPixelFormat::pf32bit;
    TBitmap rgb = alpha || bmp.PixelFormat() == TPixelFormat::pf24bit ? bmp : bmp.Converted(TPixelFormat::pf24bit);
    const int step = rgb.PixelFormat() == TPixelFormat::pf32bit ? 4 : 3;
    TEMFDib dib;
    dib.Width = rgb.Width();
    dib.Height = rgb.Height();
    dib.RGB.resize(size_t(dib.Width) * dib.Height * 3);
    if (alpha) dib.Alpha.resize(size_t(dib.Width) * dib.Height);
    for (int y = 0; y < dib.Height; ++y) {
      const uint8_t* src = rgb.ScanLine(y);
      for (int x = 0; x < dib.Width; ++x) {
        const size_t i = size_t(y) * dib.Width + x;
        dib.RGB[i * 3] = char(src[x * step + 2]);
        dib.RGB[i * 3 + 1] = char(src[x * step + 1]);
        dib.RGB[i * 3 + 2] = char(src[x * step]);
        if (alpha) dib.Alpha[i] = char(src[x * 4 + 3]);
      }
    }
    FDib = std::move(dib);
  } catch (const std::exception&) {
    FDib = TEMFDib{};
  }
  return FDib;
}

namespace {
// Records with the BitBlt layout of their source fields.
constexpr size_t BltUsage = 80, BltOffBmi = 84, BltCbBmi = 88, BltOffBits = 92, BltCbBits = 96;
}  // namespace

TEMRBitBltObj::TEMRBitBltObj(std::string_view bytes) : TEMRBitmap(bytes) {
  FDest = TRect{I32(Blt::xDest), I32(Blt::yDest), I32(Blt::cxDest), I32(Blt::cyDest)};
  FRop = U32(Blt::Rop);
  SetBitmapFields(BltOffBmi, BltCbBmi, BltOffBits, BltCbBits, BltUsage);
}
TEMRStretchBltObj::TEMRStretchBltObj(std::string_view bytes) : TEMRBitBltObj(bytes) {}
TEMRMaskBltObj::TEMRMaskBltObj(std::string_view bytes) : TEMRBitmap(bytes) {
  FDest = TRect{I32(Blt::xDest), I32(Blt::yDest), I32(Blt::cxDest), I32(Blt::cyDest)};
  FRop = U32(Blt::Rop);
  SetBitmapFields(BltOffBmi, BltCbBmi, BltOffBits, BltCbBits, BltUsage);
}
TEMRAlphaBlendObj::TEMRAlphaBlendObj(std::string_view bytes) : TEMRBitmap(bytes) {
  FDest = TRect{I32(Blt::xDest), I32(Blt::yDest), I32(Blt::cxDest), I32(Blt::cyDest)};
  FRop = U32(Blt::Rop);
  SetBitmapFields(BltOffBmi, BltCbBmi, BltOffBits, BltCbBits, BltUsage);
}
TEMRTransparentBltObj::TEMRTransparentBltObj(std::string_view bytes) : TEMRBitmap(bytes) {
  FDest = TRect{I32(Blt::xDest), I32(Blt::yDest), I32(Blt::cxDest), I32(Blt::cyDest)};
  FRop = U32(Blt::TransparentColor);
  SetBitmapFields(BltOffBmi, BltCbBmi, BltOffBits, BltCbBits, BltUsage);
}
TEMRStretchDIBitsObj::TEMRStretchDIBitsObj(std::string_view bytes) : TEMRBitmap(bytes) {
  FDest = TRect{I32(StretchDIBits::xDest), I32(StretchDIBits::yDest), I32(StretchDIBits::cxDest),
                I32(StretchDIBits::cyDest)};
  FRop = U32(StretchDIBits::Rop);
  SetBitmapFields(StretchDIBits::offBmiSrc, StretchDIBits::cbBmiSrc, StretchDIBits::offBitsSrc,
                  StretchDIBits::cbBitsSrc, StretchDIBits::UsageSrc);
}
TEMRPLGBltObj::TEMRPLGBltObj(std::string_view bytes) : TEMRBitmap(bytes) {
  TPoint p0 = PointL(24), p1 = PointL(32), p2 = PointL(40);
  FDest = TRect{p0.X, p0.Y, p1.X - p0.X, p2.Y - p0.Y};
  SetBitmapFields(96, 100, 104, 108, 92);
}
TEMRSetDIBitsToDeviceObj::TEMRSetDIBitsToDeviceObj(std::string_view bytes) : TEMRBitmap(bytes) {
  FDest = TRect{I32(24), I32(28), I32(40), I32(44)};
  FRop = SRCCOPY;
  SetBitmapFields(48, 52, 56, 60, 64);
}
TEMRCreateMonoBrushObj::TEMRCreateMonoBrushObj(std::string_view bytes) : TEMRBitmap(bytes) {
  SetBitmapFields(CreateDibPatternBrush::offBmi, CreateDibPatternBrush::cbBmi, CreateDibPatternBrush::offBits,
                  CreateDibPatternBrush::cbBits, CreateDibPatternBrush::Usage);
}
TEMRCreateDIBPatternBrushPtObj::TEMRCreateDIBPatternBrushPtObj(std::string_view bytes) : TEMRBitmap(bytes) {
  SetBitmapFields(CreateDibPatternBrush::offBmi, CreateDibPatternBrush::cbBmi, CreateDibPatternBrush::offBits,
                  CreateDibPatternBrush::cbBits, CreateDibPatternBrush::Usage);
}
TEMRExtCreatePenObj::TEMRExtCreatePenObj(std::string_view bytes) : TEMRBitmap(bytes) {
  U32(ExtCreatePen::Color);  // the fields every pen needs
  SetBitmapFields(ExtCreatePen::offBmi, ExtCreatePen::cbBmi, ExtCreatePen::offBits, ExtCreatePen::cbBits, 0);
}

TEMRExtTextOutWObj::TEMRExtTextOutWObj(std::string_view bytes) : TEMRExtTextOutWObj(bytes, true) {}

TEMRExtTextOutWObj::TEMRExtTextOutWObj(std::string_view bytes, bool wide) : TEnhMetaObj(bytes) {
  FReference = PointL(ExtTextOut::Reference);
  const uint32_t n = U32(ExtTextOut::nChars), offString = U32(ExtTextOut::offString);
  FOptions = U32(ExtTextOut::Options);
  FRect = RectL(ExtTextOut::Rectangle);
  const uint32_t offDx = U32(ExtTextOut::offDx);
  if (!FValid) return;
  if (!Has(offString, n, wide ? 2 : 1)) {
    FValid = false;
    return;
  }
  FText.reserve(n);
  for (uint32_t i = 0; i < n; ++i) {
    if (wide) {
      const size_t at = offString + size_t(i) * 2;
      FText.push_back(char16_t(uint8_t(FBytes[at]) | (uint8_t(FBytes[at + 1]) << 8)));
    } else {
      // 8-bit text: Windows-1252 as far as Latin-1 reaches.
      FText.push_back(char16_t(uint8_t(FBytes[offString + i])));
    }
  }
  const uint32_t dxCount = (FOptions & ETO_PDY) ? n * 2 : n;
  if (offDx != 0 && n != 0) {
    if (!Has(offDx, dxCount, 4)) {
      FValid = false;
      return;
    }
    FDx.reserve(dxCount);
    for (uint32_t i = 0; i < dxCount; ++i) FDx.push_back(I32(offDx + size_t(i) * 4));
  }
}

std::vector<int32_t> TEMRExtTextOutWObj::Advances() const {
  std::vector<int32_t> a;
  const size_t step = (FOptions & ETO_PDY) ? 2 : 1;
  for (size_t i = 0; i < FDx.size(); i += step) a.push_back(FDx[i]);
  return a;
}

int64_t TEMRExtTextOutWObj::TextWidth() const {
  int64_t w = 0;
  for (int32_t v : Advances())
    if (v > 0) w += v;
  return w;
}

TEMRPolyDrawObj::TEMRPolyDrawObj(std::string_view bytes) : TEMRPolyDrawObj(bytes, false) {}

TEMRPolyDrawObj::TEMRPolyDrawObj(std::string_view bytes, bool is16) : TEnhMetaObj(bytes) {
  const uint32_t n = U32(24);
  const uint64_t typesAt = 28 + uint64_t(n) * (is16 ? 4 : 8);
  if (!FValid || !Has(28, n, is16 ? 4 : 8) || !Has(typesAt, n)) {
    FValid = false;
    return;
  }
  for (uint32_t i = 0; i < n; ++i) {
    FPoints.push_back(ReadPoint(*this, 28 + size_t(i) * (is16 ? 4 : 8), is16));
    FTypes.push_back(uint8_t(FBytes[size_t(typesAt) + i]));
  }
}
