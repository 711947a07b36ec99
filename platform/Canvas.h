#pragma once
// The drawing surface every view paints on. It follows the pixel rules the
// report layouts were made for: rectangle fills include their left and top
// edges and exclude the right and bottom ones, one-pixel lines leave out their
// end pixel, and pens, brushes, background mode and clipping are canvas state
// that SaveDC/RestoreDC keep. Implementations: the raster canvas over a bitmap,
// and recorders (metafile, text runs) that override the same entry points.

#include "platform/GraphicsTypes.h"
#include "platform/Region.h"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

class TBitmap;
class TFont;  // platform/Font.h

enum class TPenStyle {
  psSolid,
  psDash,         // 18 on, 6 off (cosmetic pixels); 3w on, w off (geometric)
  psDot,          // 3 on, 3 off; w on, w off
  psDashDot,      // 9, 6, 3, 6; 3w, w, w, w
  psDashDotDot,   // 9, 3, 3, 3, 3, 3; 3w, w, w, w, w, w
  psClear,        // draws nothing
  psInsideFrame,  // solid; closed shapes keep the whole stroke inside their box
  psUserStyle,    // TPen::Dashes, in pixels (geometric pens only)
};

enum class TPenEndCap { pecRound, pecSquare, pecFlat };
enum class TPenJoin { pjRound, pjBevel, pjMiter };

// A pen is cosmetic (a one-pixel line stepped pixel by pixel) when its width
// is at most 1 and it is not geometric; otherwise it is geometric: the stroke
// is the area swept by a line of the pen's width, with the end caps and joins
// below (round for pens made by width alone, as wide pens have always been).
struct TPen {
  TPenStyle Style = TPenStyle::psSolid;
  int Width = 1;
  TColor Color = clBlackRGB;
  bool Geometric = false;
  TPenEndCap EndCap = TPenEndCap::pecRound;
  TPenJoin Join = TPenJoin::pjRound;
  std::vector<int> Dashes;  // on, off, on, ... for psUserStyle

  bool IsCosmetic() const { return !Geometric && Width <= 1 && Style != TPenStyle::psUserStyle; }
  friend bool operator==(const TPen&, const TPen&) = default;
};

enum class TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// Hatch brushes repeat an 8 x 8 pattern aligned to the device origin: pattern
// pixels take the brush colour, the others the background colour when the
// background mode is opaque and stay untouched when it is transparent.
struct TBrush {
  TBrushStyle Style = TBrushStyle::bsSolid;
  TColor Color = clWhiteRGB;
  friend bool operator==(const TBrush&, const TBrush&) = default;
};

// True when the hatch of the style paints device pixel (x, y).
bool HatchPixel(TBrushStyle style, int x, int y);

enum class TBkMode { bkTransparent, bkOpaque };
enum class TPolyFillMode { pfAlternate, pfWinding };
enum class TStretchMode { smNearest, smHalftone };

// Where the reference point of a text run lies on the run.
enum class TTextHAlign { taLeft, taCenter, taRight };
enum class TTextVAlign { taTop, taBaseline, taBottom };

struct TTextRunOptions {
  bool Opaque = false;   // fill Rect with the background colour first
  bool Clipped = false;  // glyphs are clipped to Rect
  TRect Rect{};
  int Escapement = 0;    // tenths of a degree, anticlockwise
  bool GlyphIndices = false;  // the text holds glyph ids of the font, not characters
  bool RtlReading = false;    // right-to-left text: recorders keep it for the exports
};

// What the canvas draws for. Text is sized differently for printers (their
// own resolution) than for screens and bitmaps (96 pixels per inch times the
// drawing scale), so the layout asks.
struct TCanvasDevice {
  bool Printer = false;
  int PixelsPerInchX = 96;
  int PixelsPerInchY = 96;
  friend bool operator==(const TCanvasDevice&, const TCanvasDevice&) = default;
};

struct TCanvasState {
  TPen Pen;
  TBrush Brush;
  TColor BkColor = clWhiteRGB;
  TBkMode BkMode = TBkMode::bkOpaque;
  TColor TextColor = clBlackRGB;
  TTextHAlign TextHAlign = TTextHAlign::taLeft;
  TTextVAlign TextVAlign = TTextVAlign::taTop;
  TPolyFillMode PolyFillMode = TPolyFillMode::pfAlternate;
  TStretchMode StretchMode = TStretchMode::smNearest;
  TPoint Position;
  std::optional<TRegion> Clip;  // none: no clipping
};

class TCanvas {
public:
  TCanvas() = default;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;
  virtual ~TCanvas() = default;

  // The device the canvas stands for; a screen unless told otherwise.
  const TCanvasDevice& Device() const { return FDevice; }
  void SetDevice(const TCanvasDevice& device) { FDevice = device; }

  // --- state; recorders override the setters to see every change ---
  const TCanvasState& State() const { return FState; }
  const TPen& Pen() const { return FState.Pen; }
  const TBrush& Brush() const { return FState.Brush; }
  virtual void SetPen(const TPen& pen) { FState.Pen = pen; }
  virtual void SetBrush(const TBrush& brush) { FState.Brush = brush; }
  virtual void SetBkColor(TColor color) { FState.BkColor = color; }
  virtual void SetBkMode(TBkMode mode) { FState.BkMode = mode; }
  virtual void SetTextColor(TColor color) { FState.TextColor = color; }
  virtual void SetTextAlign(TTextHAlign h, TTextVAlign v) {
    FState.TextHAlign = h;
    FState.TextVAlign = v;
  }
  virtual void SetPolyFillMode(TPolyFillMode mode) { FState.PolyFillMode = mode; }
  virtual void SetStretchMode(TStretchMode mode) { FState.StretchMode = mode; }

  // --- clipping (device pixels) ---
  virtual void IntersectClipRect(const TRect& rect);
  virtual void ExcludeClipRect(const TRect& rect);
  // Replaces the clip with a copy of the region; null removes clipping.
  virtual void SelectClipRgn(const TRegion* region);
  const TRegion* ClipRegion() const { return FState.Clip ? &*FState.Clip : nullptr; }

  // Pushes the whole state; returns the new save depth (1 for the first).
  virtual int SaveDC();
  // Pops back to the state saved at the given depth; a negative level counts
  // back from the top (-1: the last save). Out-of-range levels are ignored.
  virtual void RestoreDC(int level = -1);

  // --- drawing ---
  // Fills [Left, Right) x [Top, Bottom) with the brush; no outline.
  virtual void FillRect(const TRect& rect) = 0;
  void FillRect(const TRect& rect, const TBrush& brush);
  // Sets the current position (and starts a new dash pattern).
  virtual void MoveTo(int x, int y) { FState.Position = TPoint{x, y}; }
  // Draws from the current position to (x, y), leaving out the end pixel,
  // and moves the current position there.
  virtual void LineTo(int x, int y) = 0;
  // Connected lines; the last point's pixel is left out.
  virtual void Polyline(std::span<const TPoint> points) = 0;
  // A closed polygon filled with the brush under the polygon fill mode and
  // outlined with the pen.
  virtual void Polygon(std::span<const TPoint> points) = 0;
  // Outline with the pen along the box's edge pixels, brush inside. Without a
  // pen the fill covers [Left, Right - 1) x [Top, Bottom - 1).
  virtual void Rectangle(const TRect& box) = 0;
  virtual void Ellipse(const TRect& box) = 0;
  virtual void RoundRect(const TRect& box, int ellipseWidth, int ellipseHeight) = 0;
  // Draws the bitmap scaled into dest under the stretch mode; pixels of the
  // transparent colour are left out.
  virtual void StretchDraw(const TRect& dest, const TBitmap& bitmap, std::optional<TColor> transparent = {}) = 0;
  // Draws a run of text in the text colour with explicit advances (one per
  // character, in pixels) at the reference point (x, y).
  virtual void TextOutRun(int x, int y, const TFont& font, std::u16string_view text, std::span<const int> advances,
                          const TTextRunOptions& options) = 0;

  void Rectangle(int l, int t, int r, int b) { Rectangle(TRect{l, t, r, b}); }
  void Ellipse(int l, int t, int r, int b) { Ellipse(TRect{l, t, r, b}); }

protected:
  TCanvasState& MutableState() { return FState; }
  // Called after every change of the clip (RestoreDC included).
  virtual void ClipChanged() {}

private:
  TCanvasDevice FDevice;
  TCanvasState FState;
  std::vector<TCanvasState> FSaved;
};
