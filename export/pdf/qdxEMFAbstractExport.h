#pragma once
// Plays an enhanced metafile record by record: parses each record into its
// record object, keeps the drawing's graphics state in a device context,
// maps logical coordinates to device pixels and calls one virtual handler per
// record type. It draws nothing itself; renderers override the handlers.
//
// The metafile comes from outside: a record whose size is below 8, not a
// multiple of 4 or beyond the data stops the playing with a message in
// Errors; a record whose fields do not fit is parsed as invalid and its
// drawing skipped; handle indexes outside the object table are ignored.

#include "export/pdf/qdxEMFFormat.h"
#include "platform/FontDesc.h"
#include "platform/Region.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TStream;

// Handler name and record type, in the handlers' slot order.
#define QDX_EMF_RECORDS(X)                                                                                      \
  X(AbortPath, 68) X(AlphaBlend, 114) X(AngleArc, 41) X(Arc, 45) X(ArcTo, 55) X(BeginPath, 59) X(BitBlt, 76)   \
  X(Chord, 46) X(CloseFigure, 61) X(ColorCorrectPalette, 111) X(ColorMatchToTargetW, 121)                      \
  X(CreateBrushIndirect, 39) X(CreateColorSpace, 99) X(CreateColorSpaceW, 122) X(CreateDIBPatternBrushPt, 94)  \
  X(CreateMonoBrush, 93) X(CreatePalette, 49) X(CreatePen, 38) X(DeleteColorSpace, 101) X(DeleteObject, 40)    \
  X(DrawEscape, 105) X(Ellipse, 42) X(EndPath, 60) X(EoF, 14) X(ExcludeClipRect, 29)                           \
  X(ExtCreateFontIndirectW, 82) X(ExtCreatePen, 95) X(ExtEscape, 106) X(ExtFloodFill, 53)                      \
  X(ExtSelectClipRgn, 75) X(ExtTextOutA, 83) X(ExtTextOutW, 84) X(FillPath, 62) X(FillRgn, 71)                 \
  X(FlattenPath, 65) X(ForceUFIMapping, 109) X(FrameRgn, 72) X(GdiComment, 70) X(GLSBoundedRecord, 103)        \
  X(GLSRecord, 102) X(GradientFill, 118) X(Header, 1) X(IntersectClipRect, 30) X(InvertRgn, 73) X(LineTo, 54)  \
  X(MaskBlt, 78) X(ModifyWorldTransform, 36) X(MoveToEx, 27) X(NamedEscape, 110) X(OffsetClipRgn, 26)          \
  X(PaintRgn, 74) X(Pie, 47) X(PixelFormat, 104) X(PLGBlt, 79) X(PolyBezier, 2) X(PolyBezier16, 85)            \
  X(PolyBezierTo, 5) X(PolyBezierTo16, 88) X(PolyDraw, 56) X(PolyDraw16, 92) X(Polygon, 3) X(Polygon16, 86)    \
  X(Polyline, 4) X(Polyline16, 87) X(PolylineTo, 6) X(PolylineTo16, 89) X(PolyPolygon, 8)                      \
  X(PolyPolygon16, 91) X(PolyPolyline, 7) X(PolyPolyline16, 90) X(PolyTextOutA, 96) X(PolyTextOutW, 97)        \
  X(RealizePalette, 52) X(Rectangle, 43) X(Reserved69, 69) X(ResizePalette, 51) X(RestoreDC, 34)               \
  X(RoundRect, 44) X(SaveDC, 33) X(ScaleViewportExtEx, 31) X(ScaleWindowExtEx, 32) X(SelectClipPath, 67)       \
  X(SelectObject, 37) X(SelectPalette, 48) X(SetArcDirection, 57) X(SetBkColor, 25) X(SetBkMode, 18)           \
  X(SetBrushOrgEx, 13) X(SetColorSpace, 100) X(SetColorAdjustment, 23) X(SetDIBitsToDevice, 80)                \
  X(SetICMMode, 98) X(SetICMProfileA, 112) X(SetICMProfileW, 113) X(SetLayout, 115) X(SetLinkedUFIs, 119)      \
  X(SetMapMode, 17) X(SetMapperFlags, 16) X(SetMetaRgn, 28) X(SetMiterLimit, 58) X(SetPaletteEntries, 50)      \
  X(SetPixelV, 15) X(SetPolyFillMode, 19) X(SetROP2, 20) X(SetStretchBltMode, 21) X(SetTextAlign, 22)          \
  X(SetTextColor, 24) X(SetTextJustification, 120) X(SetViewportExtEx, 11) X(SetViewportOrgEx, 12)             \
  X(SetWindowExtEx, 9) X(SetWindowOrgEx, 10) X(SetWorldTransform, 35) X(SmallTextOut, 108) X(StartDoc, 107)    \
  X(StretchBlt, 77) X(StretchDIBits, 81) X(StrokeAndFillPath, 63) X(StrokePath, 64) X(TransparentBlt, 116)     \
  X(TransparentDIB, 117) X(WidenPath, 66)

struct TXForm {
  float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
  // a then b (row vectors: p × a × b).
  static TXForm Multiply(const TXForm& a, const TXForm& b);
};

struct TDeviceContextData {
  TPoint FrameOrigin;
  uint32_t Layout = 0;
  uint32_t MapMode = Emf::MM_TEXT;
  TPoint WindowOrg, ViewportOrg, BrushOrg;
  TPoint WindowExt{1, 1}, ViewportExt{1, 1};
  const TEnhMetaObj* Pen = nullptr;
  const TEnhMetaObj* Brush = nullptr;
  const TEnhMetaObj* Font = nullptr;
  const TEnhMetaObj* Palette = nullptr;
  const TEnhMetaObj* ColorSpace = nullptr;
  const TEnhMetaObj* ColorAdjustment = nullptr;
  TPoint CurrentPosition, NextPosition;
  uint32_t BkMode = Emf::OPAQUE;
  uint32_t MiterLimit = 0x40800000;  // 4.0 as a 32-bit float
  uint32_t BkColor = 0xFFFFFF, TextColor = 0;
  uint32_t ROP2 = 13;
  uint32_t PolyFillMode = Emf::ALTERNATE;
  bool HasClipRgn = false;
  TRegion ClipRgn;
  std::vector<uint32_t> EOFPalette;
  uint32_t StretchMode = 1;
  bool PathOpen = false;
  uint32_t TextAlign = 0;
  uint32_t ICMMode = 0;
  TXForm XForm;
  uint32_t MapperFlags = 0;
  uint32_t ArcDirection = 1;
  // The reference device (pixels per millimetre), for the metric mapping modes.
  double DevicePerMMX = 96 / 25.4, DevicePerMMY = 96 / 25.4;
};

enum class TEMFHAlign { Left, Center, Right };
enum class TEMFVAlign { Top, Bottom, Baseline };

class TDeviceContext {
public:
  virtual ~TDeviceContext() = default;
  TDeviceContextData Data;

  virtual void Reset() { Data = TDeviceContextData{}; }
  virtual void Assign(const TDeviceContext& other) { Data = other.Data; }

  static constexpr uint32_t ColorNone = 0x1FFFFFFF;
  uint32_t BrushColor() const;
  uint32_t BrushStyle() const;  // 0 without a brush
  uint32_t BrushHatch() const;
  std::string FontFace() const;
  uint8_t FontCharSet() const;
  int32_t FontHeight() const;
  int32_t FontWeight() const;
  bool FontItalic() const;
  bool FontUnderline() const;
  bool FontStrikeOut() const;
  int32_t FontEscapement() const;  // tenths of a degree
  double FontEscapementRadians() const;
  uint32_t PenStyle() const;  // style, end cap and join bits
  uint32_t PenWidth() const;
  uint32_t PenColor() const;
  TEMFHAlign HAlign() const;
  TEMFVAlign VAlign() const;
  bool IsIdentity() const;
};

class TEMFAbstractExport {
public:
  explicit TEMFAbstractExport(std::string_view metafile);
  virtual ~TEMFAbstractExport();
  TEMFAbstractExport(const TEMFAbstractExport&) = delete;
  TEMFAbstractExport& operator=(const TEMFAbstractExport&) = delete;

  // Plays every record once; may be called once.
  void PlayMetafile();

  // Why records were skipped or the playing stopped (each message once).
  std::vector<std::string> Errors;
  bool EnableTransform = true;
  bool Formatted = true;
  bool ShowComments = false;

protected:
  virtual void Comment(const std::string& text);
  virtual void CreateDeviceContext();
  // The selected font as a font description (face, height in logical units,
  // weight, styles, escapement).
  virtual TFontDesc CreateFontFromDC();
#define QDX_EMF_DECLARE(name, type) virtual void Do##name();
  QDX_EMF_RECORDS(QDX_EMF_DECLARE)
#undef QDX_EMF_DECLARE
  virtual void BeforePlay() {}
  virtual void AfterPlay() {}
  virtual void DoUnknown();

  // The record being played, as parsed by its class, or null before.
  const TEnhMetaObj* CurrentRecord() const { return FCurrent; }
  template <class T> const T* Current() const { return dynamic_cast<const T*>(FCurrent); }
  // The current record parsed and its fields fit.
  bool RecordOk() const { return FCurrent && FCurrent->Valid(); }
  // The bytes of the record being played.
  std::string_view RecordBytes() const { return FRecordBytes; }
  // Stops the playing after the current record.
  void Stop(const std::string& why);
  void Error(const std::string& message);

  TPointF LogicalToDevice(double x, double y) const;
  TPointF LogicalPointToDevice(const TPoint& p) const { return LogicalToDevice(p.X, p.Y); }
  // Both corners mapped: Left/Top the first corner, Right/Bottom the second.
  void LogicalRectToDevice(const TRect& r, TPointF& a, TPointF& b) const;
  double ScaleX(double v) const;
  double ScaleY(double v) const;
  double ScaleXY(double v) const;
  TPointF TransformPoint(const TPointF& p) const;
  // The text of a text record, glyph ids turned back into characters.
  std::u16string RecordText(const TEMRExtTextOutWObj& rec, bool glyphIndex, bool rtl) const;

  std::string_view InStream;
  TDeviceContext* DC = nullptr;
  std::vector<TDeviceContext*> DCList;
  std::vector<std::unique_ptr<TEnhMetaObj>> EMRList;
  std::vector<const TEnhMetaObj*> ObjectTable;
  uint32_t LastRecord = 0;
  uint32_t RecordSize = 0;
  std::string Parsing;
  // Device pixel size of the header's frame; 0 until the header is played.
  double FrameWidthPx = 0, FrameHeightPx = 0;
  bool HeaderPlayed = false;

private:
  void Standard();
  void PlayRecords();
  template <class T> T* Parse();
  void ApplyEffect();
  void SelectStock(uint32_t index);
  double MapScaleX() const;
  double MapScaleY() const;

  size_t FPos = 0;
  std::string_view FRecordBytes;
  const TEnhMetaObj* FCurrent = nullptr;
  bool FStopped = false;
  bool FPlayed = false;
  std::vector<std::unique_ptr<TEnhMetaObj>> FStock;
};
