#pragma once
// A canvas that records what is drawn on it as an enhanced metafile (EMF),
// for the vector exports that translate drawings record by record and for
// pictures kept as metafiles. Coordinates are device pixels of a 96 ppi
// reference device, one logical unit per pixel (MM_TEXT, no transform).
//
// Pens, brushes, fonts and the text and background attributes are written
// when a drawing call needs them and they differ from what the metafile
// already has selected, so a state set and set back costs nothing. Objects
// live in the handle table while selected in the current or a saved state and
// are deleted (their slot reused) afterwards. Clipping, saving and restoring
// and moving the current position are recorded as they happen.

#include "platform/Canvas.h"
#include "platform/EmfFormat.h"
#include "platform/FontDesc.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TMetafileCanvas : public TCanvas {
public:
  // The reference device: at exactly 96 pixels per inch the millimetre size
  // is a whole number only for multiples of 480 pixels, so this one is
  // 1920 x 1440 pixels, 508 x 381 mm.
  static constexpr int32_t DevicePixelsX = 1920, DevicePixelsY = 1440;
  static constexpr int32_t DeviceMillimetersX = 508, DeviceMillimetersY = 381;

  // A picture of width x height pixels (at least 1 x 1); its frame is that
  // size in hundredths of a millimetre at 96 ppi. The description, when given,
  // is stored in the header as the format asks, "program\0picture\0\0": NULs
  // are added until it ends with two.
  TMetafileCanvas(int width, int height, std::u16string_view description = {});
  ~TMetafileCanvas() override;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // The frame of a picture of that many pixels, in hundredths of a millimetre.
  static int32_t PixelsToFrame(int pixels);

  // Ends the recording and returns the whole metafile; later drawing calls are
  // ignored and later calls return the same bytes.
  std::string Finish();

  using TCanvas::Ellipse;
  using TCanvas::FillRect;
  using TCanvas::Rectangle;

  void IntersectClipRect(const TRect& rect) override;
  void ExcludeClipRect(const TRect& rect) override;
  void SelectClipRgn(const TRegion* region) override;
  int SaveDC() override;
  void RestoreDC(int level = -1) override;

  void MoveTo(int x, int y) override;
  void FillRect(const TRect& rect) override;
  void LineTo(int x, int y) override;
  void Polyline(std::span<const TPoint> points) override;
  void Polygon(std::span<const TPoint> points) override;
  void Rectangle(const TRect& box) override;
  void Ellipse(const TRect& box) override;
  void RoundRect(const TRect& box, int ellipseWidth, int ellipseHeight) override;
  void StretchDraw(const TRect& dest, const TBitmap& bitmap, std::optional<TColor> transparent = {}) override;
  void TextOutRun(int x, int y, const TFont& font, std::u16string_view text, std::span<const int> advances,
                  const TTextRunOptions& options) override;

private:
  // What the metafile's own device context has selected and set; the handle
  // fields hold table indexes or stock object numbers (top bit set).
  struct TMirror {
    TPen Pen;
    uint32_t PenHandle = Emf::StockObject | Emf::BLACK_PEN;
    TBrush Brush;
    uint32_t BrushHandle = Emf::StockObject | Emf::WHITE_BRUSH;
    std::optional<TFontDesc> Font;
    uint32_t FontHandle = Emf::StockObject | Emf::SYSTEM_FONT;
    TColor BkColor = clWhiteRGB;
    TBkMode BkMode = TBkMode::bkOpaque;
    TColor TextColor = clBlackRGB;
    uint32_t TextAlign = 0;
    TPolyFillMode PolyFillMode = TPolyFillMode::pfAlternate;
    std::optional<TStretchMode> StretchMode;  // the format's default has no equal here
    TPoint Position;
  };

  bool Recording() const { return !FFinished; }
  void SimpleRecord(uint32_t type);
  void ValueRecord(uint32_t type, uint32_t value);
  void SyncPen();
  void SyncBrush();
  void SyncBackground();
  void SyncFillMode();
  void SyncText(const TFontDesc& font);
  void SyncPosition();
  // Puts an object into the lowest free slot of the handle table.
  uint32_t NewHandle();
  // Selects handle in place of *slot (a handle field of FMirror); the one it
  // replaces is deleted when no saved state selects it either.
  void Select(uint32_t& slot, uint32_t handle);
  void AddRef(uint32_t handle);
  void Release(uint32_t handle);
  void AddRefs(const TMirror& m);
  void ReleaseRefs(const TMirror& m);
  void WritePoints(uint32_t type16, uint32_t type32, std::span<const TPoint> points);
  void WriteBitmapRecord(const TRect& dest, const TBitmap& bitmap, std::optional<TColor> transparent);
  void WriteClipRegion(const TRegion* region);
  // Grows the picture's bounds by an inclusive rectangle (device pixels).
  void AddBounds(const TRect& inclusive);
  TRect StrokeBounds(TRect inclusive) const;

  int FWidth;
  int FHeight;
  std::u16string FDescription;
  Emf::TEmfWriter FOut;  // the records after the header
  uint32_t FRecords = 0;
  bool FFinished = false;
  std::string FResult;
  TMirror FMirror;
  std::vector<TMirror> FSavedMirrors;
  // Per slot of the handle table (slot 0 is reserved): how many of the
  // current and saved states select it; -1 for a free slot.
  std::vector<int> FRefs{-1};
  size_t FHandlesUsed = 1;
  bool FHasBounds = false;
  TRect FBounds;
};
