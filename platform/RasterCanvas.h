#pragma once
// The canvas over a 24-bit bitmap. Geometry goes through our own aliased
// scanline rasterizer; text goes to a pluggable glyph rasterizer so that the
// canvas itself needs no font machinery.

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Rasterizer.h"

#include <span>
#include <string_view>
#include <vector>

// Paints the glyphs of one text run; the font layer provides it.
class TGlyphRasterizer {
public:
  struct TRun {
    int X = 0;  // reference point, device pixels
    int Y = 0;
    const TFont* Font = nullptr;
    std::u16string_view Text;
    std::span<const int> Advances;
    TColor Color = clBlackRGB;
    TTextHAlign HAlign = TTextHAlign::taLeft;
    TTextVAlign VAlign = TTextVAlign::taTop;
    int Escapement = 0;
    bool GlyphIndices = false;
  };
  virtual ~TGlyphRasterizer() = default;
  // Draws into the 24-bit target, touching only pixels inside the clip
  // rectangles (disjoint, already limited to the bitmap).
  virtual void DrawRun(TBitmap& target, std::span<const TRect> clip, const TRun& run) = 0;
};

class TRasterCanvas : public TCanvas {
public:
  // The bitmap must be 24-bit and outlive the canvas.
  explicit TRasterCanvas(TBitmap& bitmap);

  TBitmap& Bitmap() { return FBitmap; }
  // The glyph rasterizer of this canvas; null uses the default one.
  void SetGlyphRasterizer(TGlyphRasterizer* glyphs) { FGlyphs = glyphs; }
  // The one every raster canvas uses unless told otherwise (none: the
  // FreeType rasterizer of platform/GlyphRasterizer.h). Set once at start-up.
  static void SetDefaultGlyphRasterizer(TGlyphRasterizer* glyphs);

  using TCanvas::Ellipse;
  using TCanvas::FillRect;
  using TCanvas::Rectangle;

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

protected:
  void ClipChanged() override;

private:
  struct TBand {
    int Top, Bottom;
    size_t First, Last;  // rectangles [First, Last) of FClip
  };

  // Visible rectangles of a row: bitmap bounds and clip.
  std::span<const TRect> RowClip(int y) const;
  bool Visible(int x, int y) const;
  void Put(int x, int y, TColor c);
  void SolidSpans(const std::vector<TSpan>& spans, TColor c);
  void BrushSpans(const std::vector<TSpan>& spans);
  void CosmeticPath(std::span<const TPoint> points, bool closed);
  void CosmeticLine(int x0, int y0, int x1, int y1);
  void GeometricPath(const std::vector<TPointF>& points, bool closed);
  // Closed outline shapes: the brush over the inside, then the pen.
  void FillAndStroke(const std::vector<TPointF>& path, const std::vector<TSpan>* cosmeticOutline,
                     const std::vector<TSpan>* inside);
  bool PenVisible() const { return Pen().Style != TPenStyle::psClear; }
  double InsideInset() const;

  TBitmap& FBitmap;
  TGlyphRasterizer* FGlyphs = nullptr;
  std::vector<TRect> FClip;
  std::vector<TBand> FBands;
  // The cosmetic dash pattern as one flag per pixel of a period, and where the
  // current line stands in it; empty when no styled line is under way.
  std::vector<char> FDashOn;
  long long FDashPhase = 0;
  TRect Limit() const { return TRect{0, 0, FBitmap.Width(), FBitmap.Height()}; }
  std::vector<TSpan> FSpans;  // scratch
};
