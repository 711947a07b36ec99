#pragma once
// The records of an enhanced metafile as objects: each one owns a copy of its
// bytes and offers typed, bounds-checked access to its fields. The metafile
// comes from outside, so a class that reads counts, offsets or sizes checks
// them against the record and reports Valid() false when they do not fit;
// the interpreter then skips the record.

#include "platform/Bitmap.h"
#include "platform/EmfFormat.h"
#include "platform/GraphicsTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TEnhMetaObj {
public:
  explicit TEnhMetaObj(std::string_view bytes);
  virtual ~TEnhMetaObj() = default;

  uint32_t Type() const { return FType; }
  uint32_t Size() const { return uint32_t(FBytes.size()); }
  const std::string& Bytes() const { return FBytes; }
  // False when a field the record needs lies outside it.
  bool Valid() const { return FValid; }

  // Fields by offset; 0 (and Valid() false) outside the record.
  uint32_t U32(size_t offset) const;
  int32_t I32(size_t offset) const { return int32_t(U32(offset)); }
  float F32(size_t offset) const;
  TPoint PointL(size_t offset) const { return TPoint{I32(offset), I32(offset + 4)}; }
  TRect RectL(size_t offset) const {
    return TRect{I32(offset), I32(offset + 4), I32(offset + 8), I32(offset + 12)};
  }
  bool Has(uint64_t offset, uint64_t count, uint64_t itemSize = 1) const;

  // The points of a single-figure record (Polyline, Polygon, PolyBezier and
  // the ...To forms), 16-bit or 32-bit by the record type.
  std::vector<TPoint> PolyPoints() const;
  static bool Is16BitPoly(uint32_t type);

protected:
  void Invalidate() const { FValid = false; }
  std::string FBytes;
  uint32_t FType = 0;
  mutable bool FValid = true;
};

class TEnhMetaHeaderObj : public TEnhMetaObj {
public:
  explicit TEnhMetaHeaderObj(std::string_view bytes);
  const Emf::TEmfHeader& Header() const { return FHeader; }
  std::u16string Description() const { return FHeader.Description; }

private:
  Emf::TEmfHeader FHeader;
};

class TEoFObj : public TEnhMetaObj {
public:
  explicit TEoFObj(std::string_view bytes);
  const std::vector<uint32_t>& PaletteEntries() const { return FPalette; }

private:
  std::vector<uint32_t> FPalette;
};

// A set of polygons (or polylines): the point count of each and the points.
class TEMRPolyPolygon16Obj : public TEnhMetaObj {
public:
  explicit TEMRPolyPolygon16Obj(std::string_view bytes);
  const std::vector<uint32_t>& Counts() const { return FCounts; }
  const std::vector<TPoint>& Points() const { return FPoints; }

protected:
  std::vector<uint32_t> FCounts;
  std::vector<TPoint> FPoints;
};
class TEMRPolyPolyline16Obj : public TEMRPolyPolygon16Obj {
public:
  using TEMRPolyPolygon16Obj::TEMRPolyPolygon16Obj;
};
class TEMRPolyPolylineObj : public TEMRPolyPolygon16Obj {
public:
  using TEMRPolyPolygon16Obj::TEMRPolyPolygon16Obj;
};
class TEMRPolyPolygonObj : public TEnhMetaObj {
public:
  explicit TEMRPolyPolygonObj(std::string_view bytes);
  const std::vector<uint32_t>& Counts() const { return FCounts; }
  const std::vector<TPoint>& Points() const { return FPoints; }

private:
  std::vector<uint32_t> FCounts;
  std::vector<TPoint> FPoints;
};

// The rectangles of a clip region; none for a record without region data.
class TEMRExtSelectClipRgnObj : public TEnhMetaObj {
public:
  explicit TEMRExtSelectClipRgnObj(std::string_view bytes);
  uint32_t Mode() const { return U32(Emf::ExtSelectClipRgn::Mode); }
  bool HasRegion() const { return FHasRegion; }
  const std::vector<TRect>& Rects() const { return FRects; }

private:
  bool FHasRegion = false;
  std::vector<TRect> FRects;
};

// Reads the rectangles of region data (a header and the rectangles); none
// when the data does not hold what its header says.
std::optional<std::vector<TRect>> ReadRegionData(const TEnhMetaObj& rec, size_t offset, uint32_t cb);

// A device-independent bitmap held by a record, decoded to 8-bit channels.
struct TEMFDib {
  int Width = 0;
  int Height = 0;
  std::string RGB;    // 3 bytes a pixel, top row first
  std::string Alpha;  // empty, or a byte a pixel (32-bit bitmaps)
  bool Valid() const { return Width > 0 && Height > 0; }
};

// Records that carry a bitmap: the field offsets of its info header and
// bits differ per record type, the decoding does not.
class TEMRBitmap : public TEnhMetaObj {
public:
  explicit TEMRBitmap(std::string_view bytes);
  // The destination rectangle (x, y, cx, cy as the record stores them) and
  // the raster operation (or the transparent colour, or the blend function).
  TRect Dest() const { return FDest; }
  uint32_t Rop() const { return FRop; }
  // The bitmap; decoded on first use, invalid when the record has none that fits.
  const TEMFDib& Dib() const;

protected:
  void SetBitmapFields(size_t offBmi, size_t cbBmi, size_t offBits, size_t cbBits, size_t usage);
  TRect FDest;  // Left, Top = x, y; Right, Bottom = cx, cy
  uint32_t FRop = 0;

private:
  uint32_t FOffBmi = 0, FCbBmi = 0, FOffBits = 0, FCbBits = 0, FUsage = 0;
  bool FHasBitmap = false;
  mutable bool FDecoded = false;
  mutable TEMFDib FDib;
};
class TEMRBitBltObj : public TEMRBitmap {
public:
  explicit TEMRBitBltObj(std::string_view bytes);
};
class TEMRStretchBltObj : public TEMRBitBltObj {
public:
  explicit TEMRStretchBltObj(std::string_view bytes);
};
class TEMRStretchDIBitsObj : public TEMRBitmap {
public:
  explicit TEMRStretchDIBitsObj(std::string_view bytes);
};
class TEMRMaskBltObj : public TEMRBitmap {
public:
  explicit TEMRMaskBltObj(std::string_view bytes);
};
class TEMRPLGBltObj : public TEMRBitmap {
public:
  explicit TEMRPLGBltObj(std::string_view bytes);
};
class TEMRSetDIBitsToDeviceObj : public TEMRBitmap {
public:
  explicit TEMRSetDIBitsToDeviceObj(std::string_view bytes);
};
class TEMRAlphaBlendObj : public TEMRBitmap {
public:
  explicit TEMRAlphaBlendObj(std::string_view bytes);
};
class TEMRTransparentBltObj : public TEMRBitmap {
public:
  explicit TEMRTransparentBltObj(std::string_view bytes);
};
class TEMRCreateMonoBrushObj : public TEMRBitmap {
public:
  explicit TEMRCreateMonoBrushObj(std::string_view bytes);
};
class TEMRExtCreatePenObj : public TEMRBitmap {
public:
  explicit TEMRExtCreatePenObj(std::string_view bytes);
};
class TEMRCreateDIBPatternBrushPtObj : public TEMRBitmap {
public:
  explicit TEMRCreateDIBPatternBrushPtObj(std::string_view bytes);
};

// Text records: reference point, options, rectangle, characters and spacing.
class TEMRExtTextOutWObj : public TEnhMetaObj {
public:
  explicit TEMRExtTextOutWObj(std::string_view bytes);
  TPoint Reference() const { return FReference; }
  uint32_t Options() const { return FOptions; }
  void SetOptions(uint32_t options) { FOptions = options; }
  TRect Rectangle() const { return FRect; }
  const std::u16string& Text() const { return FText; }
  // Spacing values (two per character with ETO_PDY).
  const std::vector<int32_t>& Dx() const { return FDx; }
  // The advance of each character along the baseline.
  std::vector<int32_t> Advances() const;
  // The sum of the non-negative advances.
  int64_t TextWidth() const;

protected:
  TEMRExtTextOutWObj(std::string_view bytes, bool wide);
  TPoint FReference;
  uint32_t FOptions = 0;
  TRect FRect;
  std::u16string FText;
  std::vector<int32_t> FDx;
};
class TEMRExtTextOutAObj : public TEMRExtTextOutWObj {
public:
  explicit TEMRExtTextOutAObj(std::string_view bytes) : TEMRExtTextOutWObj(bytes, false) {}
};
class TEMRPolyTextOutWObj : public TEnhMetaObj {
public:
  using TEnhMetaObj::TEnhMetaObj;
};
class TEMRPolyTextOutAObj : public TEnhMetaObj {
public:
  using TEnhMetaObj::TEnhMetaObj;
};
class TEMRSmallTextOutObj : public TEnhMetaObj {
public:
  using TEnhMetaObj::TEnhMetaObj;
};
// Points and their point types.
class TEMRPolyDrawObj : public TEnhMetaObj {
public:
  explicit TEMRPolyDrawObj(std::string_view bytes);
  const std::vector<TPoint>& Points() const { return FPoints; }
  const std::vector<uint8_t>& PointTypes() const { return FTypes; }

protected:
  TEMRPolyDrawObj(std::string_view bytes, bool is16);
  std::vector<TPoint> FPoints;
  std::vector<uint8_t> FTypes;
};
class TEMRPolyDraw16Obj : public TEMRPolyDrawObj {
public:
  explicit TEMRPolyDraw16Obj(std::string_view bytes) : TEMRPolyDrawObj(bytes, true) {}
};
