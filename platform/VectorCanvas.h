#pragma once
// The recording canvas of the vector exports: it keeps every text run drawn
// on it as a record (where, what, with which advances, font, colour and
// options) and ignores all other drawing, so an export can place the text of
// an object itself with the positions the layout chose.

#include "platform/Canvas.h"
#include "platform/FontDesc.h"

#include <string>
#include <variant>
#include <vector>

// What every text record carries. Positions and the rectangle are canvas
// pixels; X, Y is the run's reference point (its alignment is Align*).
struct TVector_ExtTextOut {
  int X = 0;
  int Y = 0;
  TFontDesc Font;  // Escapement gives the run's angle
  TColor Color = clBlackRGB;
  TRect Rect{};    // the drawing rectangle (clip rectangle when Clipped)
  bool Opaque = false;
  bool Clipped = false;
  bool RtlReading = false;
  bool GlyphIndices = false;
  TTextHAlign AlignH = TTextHAlign::taLeft;
  TTextVAlign AlignV = TTextVAlign::taTop;
  std::vector<int> Advances;  // one per text unit

  // The run's width: the sum of its advances.
  int Width() const;
};

// A run of wide text.
struct TVector_ExtTextOutW : TVector_ExtTextOut {
  std::u16string Text;
};

// A run of 8-bit text in a code page (one advance per byte).
struct TVector_ExtTextOutA : TVector_ExtTextOut {
  std::string Text;
  uint16_t CodePage = 1252;
};

using TVectorRecord = std::variant<TVector_ExtTextOutW, TVector_ExtTextOutA>;

class TVectorCanvas : public TCanvas {
public:
  const std::vector<TVectorRecord>& Records() const { return FRecords; }
  void Clear() { FRecords.clear(); }

  // Records the run with the canvas's text colour and alignment.
  void TextOutRun(int x, int y, const TFont& font, std::u16string_view text, std::span<const int> advances,
                  const TTextRunOptions& options) override;
  // Records a run of code-page text.
  void TextOutRunA(int x, int y, const TFontDesc& font, std::string_view text, uint16_t codePage,
                   std::span<const int> advances, const TTextRunOptions& options);

  // Everything else leaves no record.
  void FillRect(const TRect&) override {}
  void LineTo(int x, int y) override { MoveTo(x, y); }
  void Polyline(std::span<const TPoint>) override {}
  void Polygon(std::span<const TPoint>) override {}
  void Rectangle(const TRect&) override {}
  void Ellipse(const TRect&) override {}
  void RoundRect(const TRect&, int, int) override {}
  void StretchDraw(const TRect&, const TBitmap&, std::optional<TColor> = {}) override {}

  using TCanvas::Ellipse;
  using TCanvas::FillRect;
  using TCanvas::Rectangle;

private:
  void Fill(TVector_ExtTextOut& r, int x, int y, const TFontDesc& font, std::span<const int> advances,
            const TTextRunOptions& options) const;
  std::vector<TVectorRecord> FRecords;
};
