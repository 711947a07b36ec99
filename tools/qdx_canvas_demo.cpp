// Draws a test page of every canvas primitive into a PNG file, so that the
// raster canvas's pixel rules can be checked by eye.
//   qdx_canvas_demo out.png

#include "platform/PngFile.h"
#include "platform/RasterCanvas.h"
#include "platform/Streams.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <numbers>
#include <vector>

namespace {

constexpr TColor Black = RGBColor(0, 0, 0);
constexpr TColor Navy = RGBColor(20, 40, 140);
constexpr TColor Red = RGBColor(200, 30, 30);
constexpr TColor Green = RGBColor(30, 150, 60);
constexpr TColor Yellow = RGBColor(250, 230, 120);
constexpr TColor Grey = RGBColor(200, 200, 200);

TPen MakePen(TPenStyle style, int width, TColor color, bool geometric = false,
             TPenEndCap cap = TPenEndCap::pecRound, TPenJoin join = TPenJoin::pjRound) {
  TPen p;
  p.Style = style;
  p.Width = width;
  p.Color = color;
  p.Geometric = geometric;
  p.EndCap = cap;
  p.Join = join;
  return p;
}

void Frame(TCanvas& c, const TRect& r) {
  c.SetPen(MakePen(TPenStyle::psSolid, 1, Grey));
  c.SetBrush(TBrush{TBrushStyle::bsClear, Black});
  c.Rectangle(r);
}

void DrawPage(TCanvas& c) {
  c.FillRect(TRect{0, 0, 1000, 820}, TBrush{TBrushStyle::bsSolid, clWhiteRGB});

  // Cosmetic dash styles, transparent and then opaque (yellow) background.
  const TPenStyle styles[] = {TPenStyle::psSolid, TPenStyle::psDash, TPenStyle::psDot, TPenStyle::psDashDot,
                              TPenStyle::psDashDotDot, TPenStyle::psInsideFrame};
  Frame(c, TRect{10, 10, 490, 190});
  c.SetBkColor(Yellow);
  for (int i = 0; i < 6; ++i) {
    c.SetPen(MakePen(styles[i], 1, Black));
    c.SetBkMode(TBkMode::bkTransparent);
    c.MoveTo(20, 25 + i * 12);
    c.LineTo(240, 25 + i * 12);
    c.SetBkMode(TBkMode::bkOpaque);
    c.MoveTo(250, 25 + i * 12);
    c.LineTo(480, 25 + i * 12);
  }
  // A diagonal fan of one-pixel lines (each without its end pixel).
  for (int i = 0; i <= 8; ++i) {
    c.SetPen(MakePen(TPenStyle::psSolid, 1, Navy));
    c.MoveTo(20, 180);
    c.LineTo(20 + i * 12, 100 + i * 0);
    c.MoveTo(140, 180);
    c.LineTo(240, 180 - i * 10);
  }
  // Geometric caps, with the path drawn on top in red.
  const TPenEndCap caps[] = {TPenEndCap::pecSquare, TPenEndCap::pecFlat, TPenEndCap::pecRound};
  for (int i = 0; i < 3; ++i) {
    c.SetPen(MakePen(TPenStyle::psSolid, 14, Navy, true, caps[i]));
    c.MoveTo(280, 110 + i * 26);
    c.LineTo(380, 110 + i * 26);
    c.SetPen(MakePen(TPenStyle::psSolid, 1, Red));
    c.MoveTo(280, 110 + i * 26);
    c.LineTo(381, 110 + i * 26);
  }
  // Joins.
  const TPenJoin joins[] = {TPenJoin::pjMiter, TPenJoin::pjBevel, TPenJoin::pjRound};
  for (int i = 0; i < 3; ++i) {
    c.SetPen(MakePen(TPenStyle::psSolid, 10, Green, true, TPenEndCap::pecFlat, joins[i]));
    std::vector<TPoint> v{{400 + i * 30, 180}, {410 + i * 30, 110}, {420 + i * 30, 180}};
    c.Polyline(v);
  }

  // Hatches over transparent and opaque backgrounds.
  const TBrushStyle hatches[] = {TBrushStyle::bsHorizontal, TBrushStyle::bsVertical, TBrushStyle::bsFDiagonal,
                                 TBrushStyle::bsBDiagonal, TBrushStyle::bsCross, TBrushStyle::bsDiagCross};
  Frame(c, TRect{500, 10, 990, 190});
  for (int i = 0; i < 6; ++i) {
    c.SetBkMode(TBkMode::bkTransparent);
    c.FillRect(TRect{510 + i * 80, 20, 580 + i * 80, 95}, TBrush{hatches[i], Navy});
    c.SetBkMode(TBkMode::bkOpaque);
    c.FillRect(TRect{510 + i * 80, 105, 580 + i * 80, 180}, TBrush{hatches[i], Red});
  }

  // Closed shapes: rectangle, wide inside-frame rectangle, ellipse, rounded
  // rectangle, dashed ellipse.
  Frame(c, TRect{10, 200, 990, 400});
  c.SetPen(MakePen(TPenStyle::psSolid, 1, Black));
  c.SetBrush(TBrush{TBrushStyle::bsSolid, Yellow});
  c.Rectangle(20, 210, 160, 390);
  c.SetPen(MakePen(TPenStyle::psInsideFrame, 9, Navy));
  c.Rectangle(170, 210, 310, 390);
  c.SetPen(MakePen(TPenStyle::psSolid, 1, Black));
  c.SetBrush(TBrush{TBrushStyle::bsDiagCross, Green});
  c.Ellipse(320, 210, 460, 390);
  c.SetBrush(TBrush{TBrushStyle::bsSolid, Yellow});
  c.RoundRect(TRect{470, 210, 610, 390}, 40, 40);
  c.SetPen(MakePen(TPenStyle::psSolid, 6, Red));
  c.SetBrush(TBrush{TBrushStyle::bsClear, Black});
  c.Ellipse(620, 210, 760, 390);
  c.SetPen(MakePen(TPenStyle::psDash, 1, Black));
  c.SetBkMode(TBkMode::bkTransparent);
  c.RoundRect(TRect{770, 210, 980, 390}, 60, 30);

  // Polygons: a self-intersecting star under both fill rules.
  Frame(c, TRect{10, 410, 490, 810});
  auto star = [](int cx, int cy, int r) {
    std::vector<TPoint> pts;
    for (int k = 0; k < 5; ++k) {
      double a = -std::numbers::pi / 2 + k * 4 * std::numbers::pi / 5;
      pts.push_back(TPoint{cx + int(std::lround(r * std::cos(a))), cy + int(std::lround(r * std::sin(a)))});
    }
    return pts;
  };
  c.SetPen(MakePen(TPenStyle::psSolid, 1, Black));
  c.SetBrush(TBrush{TBrushStyle::bsSolid, Navy});
  c.SetPolyFillMode(TPolyFillMode::pfAlternate);
  c.Polygon(star(130, 560, 110));
  c.SetPolyFillMode(TPolyFillMode::pfWinding);
  c.Polygon(star(370, 560, 110));
  c.SetPen(MakePen(TPenStyle::psDashDot, 4, Red, true, TPenEndCap::pecFlat, TPenJoin::pjMiter));
  c.SetBrush(TBrush{TBrushStyle::bsClear, Black});
  std::vector<TPoint> zig{{30, 790}, {110, 700}, {190, 790}, {270, 700}, {350, 790}, {430, 700}};
  c.Polyline(zig);

  // Clipping to a region: an ellipse joined with a bar, filled with a hatch.
  Frame(c, TRect{500, 410, 990, 810});
  TRegion clip = TRegion::FromEllipse(TRect{520, 420, 720, 620});
  clip.Combine(TRegion(TRect{510, 500, 740, 540}), TRegionOp::roUnion);
  c.SaveDC();
  c.SelectClipRgn(&clip);
  c.SetBkMode(TBkMode::bkOpaque);
  c.SetBkColor(Yellow);
  c.FillRect(TRect{500, 410, 760, 640}, TBrush{TBrushStyle::bsCross, Green});
  c.SetPen(MakePen(TPenStyle::psSolid, 5, Red));
  for (int i = 0; i < 8; ++i) {
    c.MoveTo(500, 420 + i * 30);
    c.LineTo(760, 440 + i * 30);
  }
  c.RestoreDC();

  // Stretched bitmap: a 6 x 6 picture, nearest and smooth.
  TBitmap pic(6, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      pic.SetPixel(x, y, (x + y) % 2 ? RGBColor(uint8_t(40 * x), 60, uint8_t(40 * y)) : clWhiteRGB);
  c.SetStretchMode(TStretchMode::smNearest);
  c.StretchDraw(TRect{770, 420, 970, 600}, pic);
  c.SetStretchMode(TStretchMode::smHalftone);
  c.StretchDraw(TRect{520, 640, 720, 800}, pic);
  c.StretchDraw(TRect{970, 800, 770, 620}, pic, clWhiteRGB);  // mirrored, white left out
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
    return 2;
  }
  try {
    TBitmap page(1000, 820);
    page.DpiX = page.DpiY = 96;
    TRasterCanvas canvas(page);
    DrawPage(canvas);
    TFileStream out(argv[1], TFileMode::fmCreate);
    WritePng(out, page);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
    return 1;
  }
  return 0;
}
