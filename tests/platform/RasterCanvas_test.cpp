#include "platform/RasterCanvas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr TColor Red = RGBColor(255, 0, 0);
constexpr TColor Blue = RGBColor(0, 0, 255);

// A white 24-bit bitmap with a canvas on it.
struct TSurface {
  TBitmap Bitmap;
  TRasterCanvas Canvas;
  TSurface(int w, int h) : Bitmap(w, h), Canvas((Bitmap.Fill(clWhiteRGB), Bitmap)) {}

  // Row y from x0 to x1 (exclusive): '.' white, 'X' black, 'r' red, 'b' blue.
  std::string Row(int y, int x0, int x1) const {
    std::string s;
    for (int x = x0; x < x1; ++x) {
      TColor c = Bitmap.GetPixel(x, y);
      s += c == clWhiteRGB ? '.' : c == clBlackRGB ? 'X' : c == Red ? 'r' : c == Blue ? 'b' : '?';
    }
    return s;
  }
  // Bounding box of the non-white pixels.
  TRect Painted() const {
    TRect r{Bitmap.Width(), Bitmap.Height(), 0, 0};
    for (int y = 0; y < Bitmap.Height(); ++y)
      for (int x = 0; x < Bitmap.Width(); ++x)
        if (Bitmap.GetPixel(x, y) != clWhiteRGB)
          r = TRect{std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1)};
    return r;
  }
  int Count(TColor c) const {
    int n = 0;
    for (int y = 0; y < Bitmap.Height(); ++y)
      for (int x = 0; x < Bitmap.Width(); ++x)
        n += Bitmap.GetPixel(x, y) == c;
    return n;
  }
};

TPen PenOf(TPenStyle style, int width = 1, TColor color = clBlackRGB) {
  TPen p;
  p.Style = style;
  p.Width = width;
  p.Color = color;
  return p;
}

}  // namespace

TEST(RasterCanvas, FillsCoverLeftAndTopButNotRightAndBottom) {
  struct TCase {
    TRect Rect;
    TRect Painted;  // {} when nothing is painted
  } cases[] = {
      {{2, 3, 5, 6}, {2, 3, 5, 6}},
      {{0, 0, 1, 1}, {0, 0, 1, 1}},
      {{4, 4, 4, 9}, {}},            // no width
      {{5, 5, 2, 2}, {}},            // inverted: nothing
      {{-3, -3, 2, 2}, {0, 0, 2, 2}},  // cut at the bitmap's edge
      {{8, 8, 30, 30}, {8, 8, 10, 10}},
  };
  for (const TCase& c : cases) {
    TSurface s(10, 10);
    s.Canvas.FillRect(c.Rect, TBrush{TBrushStyle::bsSolid, clBlackRGB});
    TRect expected = c.Painted.IsEmpty() ? TRect{10, 10, 0, 0} : c.Painted;
    EXPECT_EQ(s.Painted(), expected) << c.Rect.Left << "," << c.Rect.Top << "," << c.Rect.Right << "," << c.Rect.Bottom;
  }
}

TEST(RasterCanvas, RectangleWithoutPenIsOnePixelSmallerWithPenOutlinesTheEdgePixels) {
  TSurface s(12, 12);
  s.Canvas.SetPen(PenOf(TPenStyle::psClear));
  s.Canvas.SetBrush(TBrush{TBrushStyle::bsSolid, Red});
  s.Canvas.Rectangle(1, 1, 6, 6);
  EXPECT_EQ(s.Painted(), (TRect{1, 1, 5, 5}));

  TSurface t(12, 12);
  t.Canvas.SetBrush(TBrush{TBrushStyle::bsSolid, Red});
  t.Canvas.Rectangle(1, 1, 6, 6);
  EXPECT_EQ(t.Row(1, 0, 7), ".XXXXX.");
  EXPECT_EQ(t.Row(3, 0, 7), ".XrrrX.");
  EXPECT_EQ(t.Row(5, 0, 7), ".XXXXX.");
  EXPECT_EQ(t.Row(6, 0, 7), ".......");
}

TEST(RasterCanvas, OnePixelLinesLeaveOutTheirEndPixel) {
  struct TCase {
    TPoint From, To;
    std::vector<TPoint> Pixels;
  } cases[] = {
      {{1, 1}, {5, 1}, {{1, 1}, {2, 1}, {3, 1}, {4, 1}}},
      {{5, 1}, {1, 1}, {{5, 1}, {4, 1}, {3, 1}, {2, 1}}},
      {{2, 0}, {2, 3}, {{2, 0}, {2, 1}, {2, 2}}},
      {{0, 0}, {3, 3}, {{0, 0}, {1, 1}, {2, 2}}},
      {{0, 0}, {4, 2}, {{0, 0}, {1, 1}, {2, 1}, {3, 2}}},
      {{3, 3}, {3, 3}, {}},
  };
  for (const TCase& c : cases) {
    TSurface s(8, 8);
    s.Canvas.MoveTo(c.From.X, c.From.Y);
    s.Canvas.LineTo(c.To.X, c.To.Y);
    EXPECT_EQ(s.Count(clBlackRGB), int(c.Pixels.size())) << c.To.X << "," << c.To.Y;
    for (const TPoint& p : c.Pixels)
      EXPECT_EQ(s.Bitmap.GetPixel(p.X, p.Y), clBlackRGB) << p.X << "," << p.Y;
    EXPECT_EQ(s.Canvas.State().Position, c.To);
  }
  // Lines and shapes far larger than the bitmap are cut, not walked, and a
  // dash pattern keeps its phase through the part that was cut away.
  TSurface s(12, 6);
  s.Canvas.MoveTo(-2000000000, 1);
  s.Canvas.LineTo(2000000000, 1);
  s.Canvas.SetBkMode(TBkMode::bkTransparent);
  s.Canvas.SetPen(PenOf(TPenStyle::psDot));
  s.Canvas.MoveTo(-100, 3);  // step 100 is pixel 0: 100 mod 6 = 4, in a gap
  s.Canvas.LineTo(12, 3);
  s.Canvas.SetPen(PenOf(TPenStyle::psSolid));
  s.Canvas.SetBrush(TBrush{TBrushStyle::bsSolid, Red});
  s.Canvas.Ellipse(-1000000000, 5, 1000000000, 2000000000);
  EXPECT_EQ(s.Row(1, 0, 12), std::string(12, 'X'));
  EXPECT_EQ(s.Row(3, 0, 12), "..XXX...XXX.");
  EXPECT_EQ(s.Row(5, 0, 12), std::string(12, 'X'));
}

TEST(RasterCanvas, DashStylesStepTheirPatternPixelByPixel) {
  auto pattern = [](std::vector<int> runs, int n) {
    std::string s;
    for (size_t i = 0; int(s.size()) < n; i = (i + 1) % runs.size())
      s += std::string(size_t(runs[i]), i % 2 ? '.' : 'X');
    return s.substr(0, size_t(n));
  };
  struct TCase {
    TPenStyle Style;
    std::string Expected;
  } cases[] = {
      {TPenStyle::psSolid, std::string(40, 'X')},
      {TPenStyle::psInsideFrame, std::string(40, 'X')},
      {TPenStyle::psDash, pattern({18, 6}, 40)},
      {TPenStyle::psDot, pattern({3, 3}, 40)},
      {TPenStyle::psDashDot, pattern({9, 6, 3, 6}, 40)},
      {TPenStyle::psDashDotDot, pattern({9, 3, 3, 3, 3, 3}, 40)},
      {TPenStyle::psClear, std::string(40, '.')},
  };
  for (const TCase& c : cases) {
    TSurface s(45, 3);
    s.Canvas.SetBkMode(TBkMode::bkTransparent);
    s.Canvas.SetPen(PenOf(c.Style));
    s.Canvas.MoveTo(0, 1);
    s.Canvas.LineTo(40, 1);
    EXPECT_EQ(s.Row(1, 0, 40), c.Expected) << int(c.Style);
    EXPECT_EQ(s.Row(1, 40, 45), ".....");
  }
  // With an opaque background the gaps take the background colour, and the
  // pattern runs on across connected lines.
  TSurface s(30, 3);
  s.Canvas.SetBkColor(Red);
  s.Canvas.SetPen(PenOf(TPenStyle::psDot));
  s.Canvas.MoveTo(0, 1);
  s.Canvas.LineTo(4, 1);
  s.Canvas.LineTo(10, 1);
  EXPECT_EQ(s.Row(1, 0, 11), "XXXrrrXXXr.");
}

TEST(RasterCanvas, HatchesAreAlignedToTheDeviceOrigin) {
  struct TCase {
    TBrushStyle Style;
    std::vector<std::string> Rows;  // the 8 x 8 cell at the origin
  } cases[] = {
      {TBrushStyle::bsHorizontal, {"XXXXXXXX", "........", "........", "........", "........", "........", "........", "........"}},
      {TBrushStyle::bsVertical, {"X.......", "X.......", "X.......", "X.......", "X.......", "X.......", "X.......", "X......."}},
      {TBrushStyle::bsFDiagonal, {"X.......", ".X......", "..X.....", "...X....", "....X...", ".....X..", "......X.", ".......X"}},
      {TBrushStyle::bsBDiagonal, {".......X", "......X.", ".....X..", "....X...", "...X....", "..X.....", ".X......", "X......."}},
      {TBrushStyle::bsCross, {"XXXXXXXX", "X.......", "X.......", "X.......", "X.......", "X.......", "X.......", "X......."}},
      {TBrushStyle::bsDiagCross, {"X......X", ".X....X.", "..X..X..", "...XX...", "...XX...", "..X..X..", ".X....X.", "X......X"}},
  };
  for (const TCase& c : cases) {
    TSurface s(24, 24);
    s.Canvas.SetBkMode(TBkMode::bkTransparent);
    // A fill that starts off the 8-pixel grid still takes the device's phase.
    s.Canvas.FillRect(TRect{3, 5, 24, 24}, TBrush{c.Style, clBlackRGB});
    for (int y = 0; y < 8; ++y)
      EXPECT_EQ(s.Row(16 + y, 16, 24), c.Rows[size_t(y)]) << int(c.Style) << " row " << y;
    EXPECT_EQ(s.Row(4, 0, 24), std::string(24, '.'));
    EXPECT_EQ(s.Row(10, 0, 3), "...");
  }
  // Opaque background: the other pixels take the background colour.
  TSurface s(8, 8);
  s.Canvas.SetBkColor(Red);
  s.Canvas.FillRect(TRect{0, 0, 8, 8}, TBrush{TBrushStyle::bsVertical, clBlackRGB});
  EXPECT_EQ(s.Row(3, 0, 8), "Xrrrrrrr");
}

TEST(RasterCanvas, GeometricPenCapsExtendAsTheirShape) {
  struct TCase {
    TPenEndCap Cap;
    TRect Painted;
  } cases[] = {
      {TPenEndCap::pecSquare, {8, 8, 23, 13}},  // half the width beyond each end
      {TPenEndCap::pecFlat, {10, 8, 20, 13}},
      {TPenEndCap::pecRound, {8, 8, 23, 13}},
  };
  for (const TCase& c : cases) {
    TSurface s(32, 20);
    TPen pen = PenOf(TPenStyle::psSolid, 5);
    pen.Geometric = true;
    pen.EndCap = c.Cap;
    s.Canvas.SetPen(pen);
    s.Canvas.MoveTo(10, 10);
    s.Canvas.LineTo(20, 10);
    EXPECT_EQ(s.Painted(), c.Painted) << int(c.Cap);
    // Square and flat caps leave full columns; a round cap leaves its corners.
    bool corner = s.Bitmap.GetPixel(c.Painted.Left, 8) == clBlackRGB;
    EXPECT_EQ(corner, c.Cap != TPenEndCap::pecRound) << int(c.Cap);
  }
}

TEST(RasterCanvas, UserDashesWithRoundCapsMakeDotsOfThePenWidth) {
  TSurface s(40, 10);
  TPen pen = PenOf(TPenStyle::psUserStyle, 3);
  pen.Geometric = true;
  pen.Dashes = {0, 6};
  pen.EndCap = TPenEndCap::pecRound;
  s.Canvas.SetPen(pen);
  s.Canvas.MoveTo(2, 5);
  s.Canvas.LineTo(32, 5);
  for (int x : {2, 8, 14, 20, 26})
    EXPECT_EQ(s.Bitmap.GetPixel(x, 5), clBlackRGB) << x;
  for (int x : {5, 11, 17, 23, 29})
    EXPECT_EQ(s.Bitmap.GetPixel(x, 5), clWhiteRGB) << x;
}

TEST(RasterCanvas, EllipseFillsInsideItsOutlineAndIsSymmetric) {
  TSurface s(16, 16);
  s.Canvas.SetBrush(TBrush{TBrushStyle::bsSolid, Red});
  s.Canvas.Ellipse(1, 2, 12, 11);  // pixels [1, 11] x [2, 10]
  EXPECT_EQ(s.Painted(), (TRect{1, 2, 12, 11}));
  EXPECT_EQ(s.Bitmap.GetPixel(6, 6), Red);
  for (TPoint p : {TPoint{1, 6}, TPoint{11, 6}, TPoint{6, 2}, TPoint{6, 10}})
    EXPECT_EQ(s.Bitmap.GetPixel(p.X, p.Y), clBlackRGB) << p.X << "," << p.Y;
  EXPECT_EQ(s.Bitmap.GetPixel(1, 2), clWhiteRGB);
  for (int y = 2; y <= 10; ++y)
    for (int x = 1; x <= 11; ++x) {
      EXPECT_EQ(s.Bitmap.GetPixel(x, y), s.Bitmap.GetPixel(12 - x, y)) << x << "," << y;
      EXPECT_EQ(s.Bitmap.GetPixel(x, y), s.Bitmap.GetPixel(x, 12 - y)) << x << "," << y;
    }
  // Every row of the outline is closed: no red pixel touches white.
  for (int y = 1; y < 12; ++y)
    for (int x = 1; x < 12; ++x)
      if (s.Bitmap.GetPixel(x, y) == Red) {
        for (TPoint d : {TPoint{1, 0}, TPoint{-1, 0}, TPoint{0, 1}, TPoint{0, -1}})
          EXPECT_NE(s.Bitmap.GetPixel(x + d.X, y + d.Y), clWhiteRGB) << x << "," << y;
      }
}

TEST(RasterCanvas, SelfIntersectingStarFollowsThePolygonFillMode) {
  std::vector<TPoint> star{{20, 2}, {31, 36}, {2, 15}, {38, 15}, {9, 36}};
  for (TPolyFillMode mode : {TPolyFillMode::pfAlternate, TPolyFillMode::pfWinding}) {
    TSurface s(40, 40);
    s.Canvas.SetPen(PenOf(TPenStyle::psClear));
    s.Canvas.SetBrush(TBrush{TBrushStyle::bsSolid, clBlackRGB});
    s.Canvas.SetPolyFillMode(mode);
    s.Canvas.Polygon(star);
    EXPECT_EQ(s.Bitmap.GetPixel(20, 20) == clBlackRGB, mode == TPolyFillMode::pfWinding) << "centre";
    EXPECT_EQ(s.Bitmap.GetPixel(20, 8), clBlackRGB) << "top point";
    EXPECT_EQ(s.Bitmap.GetPixel(10, 16), clBlackRGB) << "left point";
    EXPECT_EQ(s.Bitmap.GetPixel(2, 2), clWhiteRGB);
  }
}

TEST(RasterCanvas, ClippingToRegionsWithSaveAndRestore) {
  TSurface s(20, 10);
  TRegion rgn(TRect{0, 0, 5, 5});
  rgn.Combine(TRegion(TRect{10, 5, 15, 10}), TRegionOp::roUnion);
  s.Canvas.SelectClipRgn(&rgn);
  int saved = s.Canvas.SaveDC();
  EXPECT_EQ(saved, 1);
  s.Canvas.IntersectClipRect(TRect{3, 0, 12, 10});
  s.Canvas.FillRect(TRect{0, 0, 20, 10}, TBrush{TBrushStyle::bsSolid, Red});
  EXPECT_EQ(s.Row(0, 0, 20), "...rr...............");
  EXPECT_EQ(s.Row(7, 0, 20), "..........rr........");
  s.Canvas.RestoreDC(saved);
  s.Canvas.SetPen(PenOf(TPenStyle::psSolid));
  s.Canvas.MoveTo(0, 9);
  s.Canvas.LineTo(20, 9);
  EXPECT_EQ(s.Row(9, 0, 20), "..........XXXXX.....");
  s.Canvas.SelectClipRgn(nullptr);
  s.Canvas.MoveTo(0, 9);
  s.Canvas.LineTo(20, 9);
  EXPECT_EQ(s.Row(9, 0, 20), std::string(20, 'X'));
}

TEST(RasterCanvas, StretchDrawNearestHalftoneAndTransparentColour) {
  TBitmap pic(2, 2);
  pic.SetPixel(0, 0, Red);
  pic.SetPixel(1, 0, Blue);
  pic.SetPixel(0, 1, clBlackRGB);
  pic.SetPixel(1, 1, clWhiteRGB);
  TSurface s(6, 6);
  s.Canvas.StretchDraw(TRect{1, 1, 5, 5}, pic);
  EXPECT_EQ(s.Row(1, 0, 6), ".rrbb.");
  EXPECT_EQ(s.Row(4, 0, 6), ".XX...");
  EXPECT_EQ(s.Row(5, 0, 6), "......");

  TSurface t(6, 6);
  t.Canvas.StretchDraw(TRect{5, 1, 1, 5}, pic, Red);  // mirrored, red left out
  t.Bitmap.SetPixel(0, 0, clWhiteRGB);
  EXPECT_EQ(t.Row(1, 0, 6), ".bb...");

  // Smooth stretching keeps a flat picture flat and blends across edges.
  TBitmap flat(3, 3);
  flat.Fill(Blue);
  TSurface u(20, 20);
  u.Canvas.SetStretchMode(TStretchMode::smHalftone);
  u.Canvas.StretchDraw(TRect{0, 0, 17, 13}, flat);
  EXPECT_EQ(u.Count(Blue), 17 * 13);
  u.Canvas.StretchDraw(TRect{0, 0, 20, 20}, pic);
  TColor mid = u.Bitmap.GetPixel(10, 2);
  EXPECT_GT(GetRValue(mid), 40);
  EXPECT_GT(GetBValue(mid), 40);
}

TEST(RasterCanvas, TextRunsGoToThePluggedGlyphRasterizer) {
  struct TRecorder : TGlyphRasterizer {
    std::vector<TRect> Clip;
    TRun Run;
    int Calls = 0;
    void DrawRun(TBitmap&, std::span<const TRect> clip, const TRun& run) override {
      Clip.assign(clip.begin(), clip.end());
      Run = run;
      ++Calls;
    }
  } glyphs;
  TSurface s(20, 20);
  s.Canvas.SetGlyphRasterizer(&glyphs);
  s.Canvas.SetTextColor(Blue);
  s.Canvas.SetBkColor(Red);
  s.Canvas.IntersectClipRect(TRect{0, 0, 10, 20});
  TTextRunOptions opt;
  opt.Opaque = true;
  opt.Clipped = true;
  opt.Rect = TRect{2, 2, 15, 6};
  opt.Escapement = 900;
  std::vector<int> adv{5, 5};
  // The canvas only passes the font on; any object stands in for one here.
  s.Canvas.TextOutRun(3, 4, *reinterpret_cast<const TFont*>(&glyphs), u"ab", adv, opt);
  ASSERT_EQ(glyphs.Calls, 1);
  EXPECT_EQ(glyphs.Clip, (std::vector<TRect>{{2, 2, 10, 6}}));
  EXPECT_EQ(glyphs.Run.Color, Blue);
  EXPECT_EQ(glyphs.Run.Escapement, 900);
  EXPECT_EQ(glyphs.Run.Text, u"ab");
  EXPECT_EQ(s.Row(3, 0, 12), "..rrrrrrrr..");  // opaque box, clipped
}
