#include "platform/GlyphRasterizer.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/Font.h"

namespace {

constexpr TColor Red = RGBColor(255, 0, 0);

struct TInk {
  int Count = 0;
  TRect Box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
};

// Pixels that differ from white, and their bounding box.
TInk InkOf(const TBitmap& b, const TRect& area) {
  TInk ink;
  for (int y = area.Top; y < area.Bottom; ++y)
    for (int x = area.Left; x < area.Right; ++x)
      if (b.GetPixel(x, y) != clWhiteRGB) {
        ++ink.Count;
        ink.Box.Left = std::min(ink.Box.Left, x);
        ink.Box.Top = std::min(ink.Box.Top, y);
        ink.Box.Right = std::max(ink.Box.Right, x + 1);
        ink.Box.Bottom = std::max(ink.Box.Bottom, y + 1);
      }
  return ink;
}

TInk InkOf(const TBitmap& b) { return InkOf(b, TRect{0, 0, b.Width(), b.Height()}); }

TFontDesc Desc(const char* name, int height) {
  TFontDesc d;
  d.FaceName = name;
  d.Height = height;
  return d;
}

struct TPage {
  explicit TPage(int w, int h) : Bitmap(w, h), Canvas(Bitmap) {
    Canvas.FillRect(TRect{0, 0, w, h}, TBrush{TBrushStyle::bsSolid, clWhiteRGB});
  }
  void Text(int x, int y, const TFont& font, std::u16string_view text, std::vector<int> advances,
            const TTextRunOptions& options = {}) {
    Canvas.TextOutRun(x, y, font, text, advances, options);
  }
  TBitmap Bitmap;
  TRasterCanvas Canvas;
};

std::vector<int> Same(size_t n, int advance) { return std::vector<int>(n, advance); }

}  // namespace

TEST(GlyphRasterizer, RasterCanvasDrawsGlyphsWithoutSetup) {
  TPage p(120, 50);
  TFont font(Desc("Arial", -30));
  p.Text(5, 5, font, u"Hg", {22, 20});
  TInk ink = InkOf(p.Bitmap);
  ASSERT_GT(ink.Count, 50);
  // Reference point at the top left of the cell: capitals start near the
  // ascent, the descender of g reaches below the baseline.
  const int baseline = 5 + font.TextMetrics().Ascent;
  EXPECT_GE(ink.Box.Left, 5);
  EXPECT_LT(ink.Box.Top, baseline - 15);
  EXPECT_GT(ink.Box.Bottom, baseline + 2);
  EXPECT_LE(ink.Box.Right, 5 + 22 + 20 + 2);
}

TEST(GlyphRasterizer, BlendsInTheTextColour) {
  TPage p(80, 60);
  p.Canvas.SetTextColor(Red);
  p.Text(5, 5, TFont(Desc("Arial", -40)), u"H", {30});
  int exact = 0, changed = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 80; ++x) {
      TColor c = p.Bitmap.GetPixel(x, y);
      if (c == clWhiteRGB) continue;
      ++changed;
      exact += c == Red;
      // Between white and red: red stays full, green and blue fall together.
      EXPECT_EQ(GetRValue(c), 255);
      EXPECT_EQ(GetGValue(c), GetBValue(c));
    }
  EXPECT_GT(exact, 100);       // stems fully covered
  EXPECT_GT(changed, exact);   // antialiased edges in between
}

TEST(GlyphRasterizer, TouchesOnlyPixelsInsideTheClip) {
  struct {
    const char* Label;
    bool RunClipped;  // the run's own rectangle, else the canvas clip
  } cases[] = {{"run rectangle", true}, {"canvas clip", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Label);
    TPage p(200, 60);
    const TRect clip{20, 10, 60, 35};
    TTextRunOptions opt;
    if (c.RunClipped) {
      opt.Clipped = true;
      opt.Rect = clip;
    } else {
      p.Canvas.IntersectClipRect(clip);
    }
    p.Text(5, 5, TFont(Desc("Arial", -40)), u"WWWWWW", Same(6, 30), opt);
    TInk inside = InkOf(p.Bitmap, clip);
    EXPECT_GT(inside.Count, 100);
    EXPECT_EQ(InkOf(p.Bitmap).Count, inside.Count);
  }
}

TEST(GlyphRasterizer, PlacesGlyphsAtTheGivenAdvances) {
  TPage p(200, 40);
  // Two narrow glyphs 100 pixels apart: two clusters of ink with nothing
  // between them.
  p.Text(10, 5, TFont(Desc("Arial", -24)), u"ll", {100, 5});
  TInk first = InkOf(p.Bitmap, TRect{0, 0, 60, 40});
  TInk second = InkOf(p.Bitmap, TRect{60, 0, 200, 40});
  ASSERT_GT(first.Count, 0);
  ASSERT_GT(second.Count, 0);
  EXPECT_NEAR(second.Box.Left - first.Box.Left, 100, 1);
  EXPECT_EQ(InkOf(p.Bitmap, TRect{first.Box.Right, 0, second.Box.Left, 40}).Count, 0);
}

TEST(GlyphRasterizer, RotatedRunRunsUpwardsFromItsReferencePoint) {
  TPage p(80, 200);
  TTextRunOptions opt;
  opt.Escapement = 900;
  TFont font(Desc("Arial", -20));
  p.Text(20, 180, font, u"HHHHHH", Same(6, 15), opt);
  TInk ink = InkOf(p.Bitmap);
  ASSERT_GT(ink.Count, 100);
  // Turned anticlockwise: the text goes up, its top faces left, so the ink
  // lies right of x = 20 within one line height and above y = 180.
  EXPECT_GT(ink.Box.Height(), 3 * ink.Box.Width());
  EXPECT_GE(ink.Box.Left, 20);
  EXPECT_LE(ink.Box.Right, 20 + font.TextMetrics().Height);
  EXPECT_LE(ink.Box.Bottom, 181);
  EXPECT_NEAR(ink.Box.Top, 180 - 90, 3);
}

TEST(GlyphRasterizer, UnderlineAndStrikeOutSpanTheRun) {
  struct {
    const char* Label;
    bool Underline, StrikeOut;
  } cases[] = {{"underline", true, false}, {"strike-out", false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Label);
    TPage p(200, 60);
    TFontDesc d = Desc("Arial", -30);
    d.Underline = c.Underline;
    d.StrikeOut = c.StrikeOut;
    TFont font(d);
    // Spaces draw nothing of their own: only the line shows.
    p.Text(10, 5, font, u"    ", Same(4, 25));
    TInk ink = InkOf(p.Bitmap);
    EXPECT_EQ(ink.Box.Left, 10);
    EXPECT_EQ(ink.Box.Right, 110);
    EXPECT_GE(ink.Box.Height(), 1);
    EXPECT_LE(ink.Box.Height(), 4);
    const int baseline = 5 + font.TextMetrics().Ascent;
    if (c.Underline)
      EXPECT_GT(ink.Box.Top, baseline);
    else
      EXPECT_LT(ink.Box.Bottom, baseline - 3);
  }
}

TEST(GlyphRasterizer, SimulatedBoldAndItalicChangeTheShapes) {
  // This face has neither a bold nor an italic design.
  auto draw = [](bool bold, bool italic) {
    TFontDesc d = Desc("DejaVu Math TeX Gyre", -30);
    d.Weight = bold ? FontWeightBold : FontWeightNormal;
    d.Italic = italic;
    TFont font(d);
    EXPECT_EQ(font.SimulatedBold(), bold);
    EXPECT_EQ(font.SimulatedItalic(), italic);
    TPage p(150, 60);
    p.Text(20, 5, font, u"III", Same(3, 25));
    return InkOf(p.Bitmap);
  };
  TInk plain = draw(false, false), bold = draw(true, false), italic = draw(false, true);
  EXPECT_GT(bold.Count, plain.Count * 5 / 4);
  // Slanted: the tops lean right, so the ink reaches further right.
  EXPECT_GT(italic.Box.Right, plain.Box.Right + 2);
}

TEST(GlyphRasterizer, ThreadsDrawingAtOnceGetTheSamePixels) {
  TFont font(Desc("Arial", -18));
  auto draw = [&font](TBitmap& out) {
    out = TBitmap(160, 30);
    TRasterCanvas canvas(out);
    canvas.FillRect(TRect{0, 0, 160, 30}, TBrush{TBrushStyle::bsSolid, clWhiteRGB});
    for (int k = 0; k < 20; ++k) canvas.TextOutRun(2, 2, font, u"Quodex 123", Same(10, 14), TTextRunOptions{});
  };
  TBitmap expected;
  draw(expected);
  std::vector<TBitmap> results(4);
  std::vector<std::thread> threads;
  for (TBitmap& r : results) threads.emplace_back([&draw, &r] { draw(r); });
  for (std::thread& t : threads) t.join();
  for (const TBitmap& r : results)
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 160; ++x) ASSERT_EQ(r.GetPixel(x, y), expected.GetPixel(x, y));
}
