#pragma once
// The enhanced-metafile (EMF) binary format as the metafile canvas writes it
// and the players read it: record type numbers, the byte offsets of the
// fields we use (every field little-endian, offsets from the start of the
// record, which begins with its 32-bit type and 32-bit size), constants, a
// bounds-checked field reader, a record writer and a record splitter.
//
// Offsets rather than packed structs: the records are read straight out of
// untrusted bytes at any alignment, and the layout stays independent of the
// compiler's struct packing.

#include "platform/GraphicsTypes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Emf {

// --- record types ---
enum : uint32_t {
  EMR_HEADER = 1,
  EMR_POLYBEZIER = 2,
  EMR_POLYGON = 3,
  EMR_POLYLINE = 4,
  EMR_POLYBEZIERTO = 5,
  EMR_POLYLINETO = 6,
  EMR_POLYPOLYLINE = 7,
  EMR_POLYPOLYGON = 8,
  EMR_SETWINDOWEXTEX = 9,
  EMR_SETWINDOWORGEX = 10,
  EMR_SETVIEWPORTEXTEX = 11,
  EMR_SETVIEWPORTORGEX = 12,
  EMR_SETBRUSHORGEX = 13,
  EMR_EOF = 14,
  EMR_SETPIXELV = 15,
  EMR_SETMAPPERFLAGS = 16,
  EMR_SETMAPMODE = 17,
  EMR_SETBKMODE = 18,
  EMR_SETPOLYFILLMODE = 19,
  EMR_SETROP2 = 20,
  EMR_SETSTRETCHBLTMODE = 21,
  EMR_SETTEXTALIGN = 22,
  EMR_SETCOLORADJUSTMENT = 23,
  EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25,
  EMR_OFFSETCLIPRGN = 26,
  EMR_MOVETOEX = 27,
  EMR_SETMETARGN = 28,
  EMR_EXCLUDECLIPRECT = 29,
  EMR_INTERSECTCLIPRECT = 30,
  EMR_SCALEVIEWPORTEXTEX = 31,
  EMR_SCALEWINDOWEXTEX = 32,
  EMR_SAVEDC = 33,
  EMR_RESTOREDC = 34,
  EMR_SETWORLDTRANSFORM = 35,
  EMR_MODIFYWORLDTRANSFORM = 36,
  EMR_SELECTOBJECT = 37,
  EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39,
  EMR_DELETEOBJECT = 40,
  EMR_ANGLEARC = 41,
  EMR_ELLIPSE = 42,
  EMR_RECTANGLE = 43,
  EMR_ROUNDRECT = 44,
  EMR_ARC = 45,
  EMR_CHORD = 46,
  EMR_PIE = 47,
  EMR_SELECTPALETTE = 48,
  EMR_CREATEPALETTE = 49,
  EMR_SETPALETTEENTRIES = 50,
  EMR_RESIZEPALETTE = 51,
  EMR_REALIZEPALETTE = 52,
  EMR_EXTFLOODFILL = 53,
  EMR_LINETO = 54,
  EMR_ARCTO = 55,
  EMR_POLYDRAW = 56,
  EMR_SETARCDIRECTION = 57,
  EMR_SETMITERLIMIT = 58,
  EMR_BEGINPATH = 59,
  EMR_ENDPATH = 60,
  EMR_CLOSEFIGURE = 61,
  EMR_FILLPATH = 62,
  EMR_STROKEANDFILLPATH = 63,
  EMR_STROKEPATH = 64,
  EMR_FLATTENPATH = 65,
  EMR_WIDENPATH = 66,
  EMR_SELECTCLIPPATH = 67,
  EMR_ABORTPATH = 68,
  EMR_GDICOMMENT = 70,
  EMR_FILLRGN = 71,
  EMR_FRAMERGN = 72,
  EMR_INVERTRGN = 73,
  EMR_PAINTRGN = 74,
  EMR_EXTSELECTCLIPRGN = 75,
  EMR_BITBLT = 76,
  EMR_STRETCHBLT = 77,
  EMR_MASKBLT = 78,
  EMR_PLGBLT = 79,
  EMR_SETDIBITSTODEVICE = 80,
  EMR_STRETCHDIBITS = 81,
  EMR_EXTCREATEFONTINDIRECTW = 82,
  EMR_EXTTEXTOUTA = 83,
  EMR_EXTTEXTOUTW = 84,
  EMR_POLYBEZIER16 = 85,
  EMR_POLYGON16 = 86,
  EMR_POLYLINE16 = 87,
  EMR_POLYBEZIERTO16 = 88,
  EMR_POLYLINETO16 = 89,
  EMR_POLYPOLYLINE16 = 90,
  EMR_POLYPOLYGON16 = 91,
  EMR_POLYDRAW16 = 92,
  EMR_CREATEMONOBRUSH = 93,
  EMR_CREATEDIBPATTERNBRUSHPT = 94,
  EMR_EXTCREATEPEN = 95,
  EMR_POLYTEXTOUTA = 96,
  EMR_POLYTEXTOUTW = 97,
  EMR_SETICMMODE = 98,
  EMR_CREATECOLORSPACE = 99,
  EMR_SETCOLORSPACE = 100,
  EMR_DELETECOLORSPACE = 101,
  EMR_GLSRECORD = 102,
  EMR_GLSBOUNDEDRECORD = 103,
  EMR_PIXELFORMAT = 104,
  EMR_DRAWESCAPE = 105,
  EMR_EXTESCAPE = 106,
  EMR_SMALLTEXTOUT = 108,
  EMR_FORCEUFIMAPPING = 109,
  EMR_NAMEDESCAPE = 110,
  EMR_COLORCORRECTPALETTE = 111,
  EMR_SETICMPROFILEA = 112,
  EMR_SETICMPROFILEW = 113,
  EMR_ALPHABLEND = 114,
  EMR_SETLAYOUT = 115,
  EMR_TRANSPARENTBLT = 116,
  EMR_GRADIENTFILL = 118,
  EMR_SETLINKEDUFIS = 119,
  EMR_SETTEXTJUSTIFICATION = 120,
  EMR_COLORMATCHTOTARGETW = 121,
  EMR_CREATECOLORSPACEW = 122,
};

// "EMR_RECTANGLE" and so on; "EMR_#<n>" for numbers the format does not use.
std::string RecordName(uint32_t type);

// --- constants ---
constexpr uint32_t HeaderSignature = 0x464D4520;  // " EMF" as bytes
constexpr uint32_t FormatVersion = 0x00010000;
constexpr uint32_t StockObject = 0x80000000;      // handle bit of the stock objects

enum : uint32_t {
  WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3, BLACK_BRUSH = 4, NULL_BRUSH = 5,
  WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8,
  OEM_FIXED_FONT = 10, ANSI_FIXED_FONT = 11, ANSI_VAR_FONT = 12, SYSTEM_FONT = 13, DEVICE_DEFAULT_FONT = 14,
  DEFAULT_PALETTE = 15, SYSTEM_FIXED_FONT = 16, DEFAULT_GUI_FONT = 17, DC_BRUSH = 18, DC_PEN = 19,
};

enum : uint32_t {
  PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5, PS_INSIDEFRAME = 6,
  PS_USERSTYLE = 7, PS_ALTERNATE = 8, PS_STYLE_MASK = 0x0F,
  PS_ENDCAP_ROUND = 0x000, PS_ENDCAP_SQUARE = 0x100, PS_ENDCAP_FLAT = 0x200, PS_ENDCAP_MASK = 0xF00,
  PS_JOIN_ROUND = 0x0000, PS_JOIN_BEVEL = 0x1000, PS_JOIN_MITER = 0x2000, PS_JOIN_MASK = 0xF000,
  PS_COSMETIC = 0, PS_GEOMETRIC = 0x10000, PS_TYPE_MASK = 0xF0000,
};

enum : uint32_t { BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2, BS_PATTERN = 3, BS_DIBPATTERN = 5, BS_DIBPATTERNPT = 6 };
enum : uint32_t { HS_HORIZONTAL = 0, HS_VERTICAL = 1, HS_FDIAGONAL = 2, HS_BDIAGONAL = 3, HS_CROSS = 4, HS_DIAGCROSS = 5 };
enum : uint32_t { TRANSPARENT = 1, OPAQUE = 2 };
enum : uint32_t { ALTERNATE = 1, WINDING = 2 };
enum : uint32_t { BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4 };
enum : uint32_t {
  TA_NOUPDATECP = 0, TA_UPDATECP = 1, TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6, TA_HMASK = 6,
  TA_TOP = 0, TA_BOTTOM = 8, TA_BASELINE = 24, TA_VMASK = 24,
};
enum : uint32_t { ETO_OPAQUE = 0x2, ETO_CLIPPED = 0x4, ETO_GLYPH_INDEX = 0x10, ETO_PDY = 0x2000 };
enum : uint32_t { GM_COMPATIBLE = 1, GM_ADVANCED = 2 };
enum : uint32_t { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum : uint32_t { MWT_IDENTITY = 1, MWT_LEFTMULTIPLY = 2, MWT_RIGHTMULTIPLY = 3, MWT_SET = 4 };
enum : uint32_t {
  MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4, MM_HIENGLISH = 5, MM_TWIPS = 6,
  MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8,
};
enum : uint32_t { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };
enum : uint32_t {
  SRCCOPY = 0x00CC0020, PATCOPY = 0x00F00021, BLACKNESS = 0x00000042, WHITENESS = 0x00FF0062,
};
constexpr uint32_t RDH_RECTANGLES = 1;
constexpr uint32_t DesignVectorSignature = 0x08007664;

// --- field offsets (bytes from the start of the record) ---
namespace Header {  // EMR_HEADER with both extensions
constexpr size_t Bounds = 8, Frame = 24, Signature = 40, Version = 44, Bytes = 48, Records = 52,
                 Handles = 56, Reserved = 58, nDescription = 60, offDescription = 64, nPalEntries = 68,
                 Device = 72, Millimeters = 80, cbPixelFormat = 88, offPixelFormat = 92, bOpenGL = 96,
                 Micrometers = 100;
constexpr size_t BaseSize = 88, Extension1Size = 100, Size = 108;
}  // namespace Header
namespace Eof {
constexpr size_t nPalEntries = 8, offPalEntries = 12, SizeLast = 16, Size = 20;
}
// Records of one point or size (MOVETOEX, LINETO, SET*EXTEX, SET*ORGEX), one
// 32-bit value (SETMAPMODE, SETBKMODE, SELECTOBJECT, RESTOREDC, ...), or one
// rectangle (RECTANGLE, ELLIPSE, INTERSECTCLIPRECT, ...): all at offset 8.
constexpr size_t FirstField = 8;
namespace RoundRect {
constexpr size_t Box = 8, Corner = 24, Size = 32;
}
namespace Poly {  // POLYLINE/POLYGON/POLYBEZIER(TO)/POLYLINETO and their 16-bit forms
constexpr size_t Bounds = 8, Count = 24, Points = 28;
}
namespace PolyPoly {  // POLYPOLYLINE/POLYPOLYGON and their 16-bit forms
constexpr size_t Bounds = 8, nPolys = 24, Count = 28, PolyCounts = 32;
}
namespace CreatePen {
constexpr size_t ihPen = 8, Style = 12, WidthX = 16, WidthY = 20, Color = 24, Size = 28;
}
namespace ExtCreatePen {
constexpr size_t ihPen = 8, offBmi = 12, cbBmi = 16, offBits = 20, cbBits = 24, PenStyle = 28, Width = 32,
                 BrushStyle = 36, Color = 40, Hatch = 44, NumStyleEntries = 48, StyleEntries = 52;
}
namespace CreateBrush {
constexpr size_t ihBrush = 8, Style = 12, Color = 16, Hatch = 20, Size = 24;
}
namespace CreateDibPatternBrush {
constexpr size_t ihBrush = 8, Usage = 12, offBmi = 16, cbBmi = 20, offBits = 24, cbBits = 28, Size = 32;
}
namespace Font {  // EMR_EXTCREATEFONTINDIRECTW: a LOGFONTW, then (in our records) the rest of a LogFontExDv
constexpr size_t ihFont = 8, Height = 12, Width = 16, Escapement = 20, Orientation = 24, Weight = 28,
                 Italic = 32, Underline = 33, StrikeOut = 34, CharSet = 35, OutPrecision = 36,
                 ClipPrecision = 37, Quality = 38, PitchAndFamily = 39, FaceName = 40, FullName = 104,
                 Style = 232, Script = 296, DvSignature = 360, DvNumAxes = 364;
constexpr size_t FaceNameChars = 32, FullNameChars = 64, StyleChars = 32;
constexpr size_t LogFontEnd = 104, Size = 368;
}  // namespace Font
namespace ExtTextOut {  // EMR_EXTTEXTOUTW / EMR_EXTTEXTOUTA
constexpr size_t Bounds = 8, GraphicsMode = 24, exScale = 28, eyScale = 32, Reference = 36, nChars = 44,
                 offString = 48, Options = 52, Rectangle = 56, offDx = 72, Size = 76;
}
namespace StretchDIBits {
constexpr size_t Bounds = 8, xDest = 24, yDest = 28, xSrc = 32, ySrc = 36, cxSrc = 40, cySrc = 44,
                 offBmiSrc = 48, cbBmiSrc = 52, offBitsSrc = 56, cbBitsSrc = 60, UsageSrc = 64, Rop = 68,
                 cxDest = 72, cyDest = 76, Size = 80;
}
// EMR_BITBLT (100 bytes), EMR_STRETCHBLT and EMR_TRANSPARENTBLT (108 bytes):
// one layout; TRANSPARENTBLT holds its transparent colour where the others
// hold the raster operation.
namespace Blt {
constexpr size_t Bounds = 8, xDest = 24, yDest = 28, cxDest = 32, cyDest = 36, Rop = 40, TransparentColor = 40,
                 xSrc = 44, ySrc = 48, XformSrc = 52, BkColorSrc = 76, UsageSrc = 80, offBmiSrc = 84,
                 cbBmiSrc = 88, offBitsSrc = 92, cbBitsSrc = 96, cxSrc = 100, cySrc = 104;
constexpr size_t BitBltSize = 100, StretchSize = 108;
}  // namespace Blt
namespace ExtSelectClipRgn {
constexpr size_t cbRgnData = 8, Mode = 12, RgnData = 16;
}
namespace FillRgn {  // EMR_FILLRGN; EMR_PAINTRGN has the same fields up to RgnData without ihBrush
constexpr size_t Bounds = 8, cbRgnData = 24, ihBrush = 28, RgnData = 32;
}
namespace PaintRgn {
constexpr size_t Bounds = 8, cbRgnData = 24, RgnData = 28;
}
namespace RgnDataHeader {  // offsets within the region data
constexpr size_t dwSize = 0, iType = 4, nCount = 8, nRgnSize = 12, rcBound = 16, Size = 32;
}
namespace ModifyWorldTransform {
constexpr size_t Xform = 8, Mode = 32, Size = 36;
}
namespace ScaleExt {  // EMR_SCALEVIEWPORTEXTEX / EMR_SCALEWINDOWEXTEX
constexpr size_t xNum = 8, xDenom = 12, yNum = 16, yDenom = 20, Size = 24;
}
namespace SetPixelV {
constexpr size_t Pixel = 8, Color = 16, Size = 20;
}
namespace BitmapInfoHeader {  // offsets within the info header of a DIB
constexpr size_t biSize = 0, biWidth = 4, biHeight = 8, biPlanes = 12, biBitCount = 14, biCompression = 16,
                 biSizeImage = 20, biXPelsPerMeter = 24, biYPelsPerMeter = 28, biClrUsed = 32,
                 biClrImportant = 36, Size = 40;
}

// Reads fields of one record (or any byte range). Every read is checked: a
// field that does not lie wholly inside the bytes reads as 0 and clears Ok,
// so a parser reads all it needs and then looks at Ok once.
class TEmfReader {
public:
  explicit TEmfReader(std::string_view bytes) : FBytes(bytes) {}

  size_t Size() const { return FBytes.size(); }
  std::string_view Bytes() const { return FBytes; }
  bool Ok() const { return FOk; }
  // True when [offset, offset + count * itemSize) lies inside the bytes;
  // clears Ok otherwise. Counts come from the data, so no product may wrap.
  bool Has(uint64_t offset, uint64_t count, uint64_t itemSize = 1);

  uint8_t U8(size_t offset);
  uint16_t U16(size_t offset);
  int16_t I16(size_t offset) { return int16_t(U16(offset)); }
  uint32_t U32(size_t offset);
  int32_t I32(size_t offset) { return int32_t(U32(offset)); }
  float F32(size_t offset);
  TPoint PointL(size_t offset) { return TPoint{I32(offset), I32(offset + 4)}; }
  TPoint PointS(size_t offset) { return TPoint{I16(offset), I16(offset + 2)}; }
  TRect RectL(size_t offset) { return TRect{I32(offset), I32(offset + 4), I32(offset + 8), I32(offset + 12)}; }
  // count UTF-16 units; empty (and Ok cleared) when they do not fit.
  std::u16string Utf16(size_t offset, size_t count);
  std::string_view Sub(size_t offset, size_t count);

private:
  std::string_view FBytes;
  bool FOk = true;
};

// Appends records to a byte buffer.
class TEmfWriter {
public:
  std::string& Bytes() { return FBytes; }
  size_t Size() const { return FBytes.size(); }

  // Starts a record; EndRecord pads it to a multiple of 4 and fills in its size.
  size_t BeginRecord(uint32_t type);
  void EndRecord(size_t start);

  void U8(uint8_t v) { FBytes.push_back(char(v)); }
  void U16(uint16_t v);
  void I16(int16_t v) { U16(uint16_t(v)); }
  void U32(uint32_t v);
  void I32(int32_t v) { U32(uint32_t(v)); }
  void F32(float v);
  void PointL(const TPoint& p) { I32(p.X); I32(p.Y); }
  void RectL(const TRect& r) { I32(r.Left); I32(r.Top); I32(r.Right); I32(r.Bottom); }
  void Raw(std::string_view bytes) { FBytes.append(bytes); }
  void Zeros(size_t count) { FBytes.append(count, '\0'); }
  void Pad4() { Zeros((4 - FBytes.size() % 4) % 4); }
  void PatchU32(size_t offset, uint32_t v);

private:
  std::string FBytes;
};

// One record: its type and all its bytes (type and size included).
struct TEmfRecord {
  uint32_t Type = 0;
  size_t Offset = 0;  // from the start of the metafile
  std::string_view Bytes;
};

struct TEmfRecordList {
  std::vector<TEmfRecord> Records;
  // Empty when the records ended with EMR_EOF; otherwise why the splitting
  // stopped (the records before the damage are still listed).
  std::string Error;
};

// Splits a metafile into its records, from the header to EMR_EOF. Stops at
// the first record whose size is below 8, not a multiple of 4 or past the end
// of the bytes, or when the bytes end without EMR_EOF. The first record must
// be a header with the EMF signature.
TEmfRecordList EnumerateEmfRecords(std::string_view bytes);

struct TEmfHeader {
  TRect Bounds;  // inclusive device pixels
  TRect Frame;   // inclusive hundredths of a millimetre
  uint32_t Version = 0;
  uint32_t Bytes = 0;
  uint32_t Records = 0;
  uint16_t Handles = 0;
  uint32_t PalEntries = 0;
  int32_t DeviceCx = 0, DeviceCy = 0;  // reference device in pixels
  int32_t MillimetersCx = 0, MillimetersCy = 0;
  uint32_t MicrometersCx = 0, MicrometersCy = 0;  // 0 when the header has no second extension
  std::u16string Description;
};

// Reads the header record (the first record of a metafile); none when it is
// not one or its fields do not fit the record. A description that does not
// fit the record is left empty.
std::optional<TEmfHeader> ParseEmfHeader(std::string_view record);

}  // namespace Emf
