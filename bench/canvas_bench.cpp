// Raster canvas throughput on an A4 page at 150 dpi (1240 x 1754): the
// rectangles, frame lines and hatches a typical report page paints.

#include "platform/RasterCanvas.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int W = 1240, H = 1754;

// 2000 cells of a grid: a filled background, a one-pixel frame as four lines.
void BM_PageOfCells(benchmark::State& state) {
  TBitmap page(W, H);
  TRasterCanvas c(page);
  for (auto _ : state) {
    c.FillRect(TRect{0, 0, W, H}, TBrush{TBrushStyle::bsSolid, clWhiteRGB});
    TPen pen;
    c.SetPen(pen);
    for (int row = 0; row < 80; ++row)
      for (int col = 0; col < 25; ++col) {
        int x = 20 + col * 48, y = 20 + row * 21;
        c.FillRect(TRect{x, y, x + 48, y + 21}, TBrush{TBrushStyle::bsSolid, RGBColor(uint8_t(row * 3), 230, 240)});
        c.MoveTo(x, y);
        c.LineTo(x + 48, y);
        c.LineTo(x + 48, y + 21);
        c.LineTo(x, y + 21);
        c.LineTo(x, y);
      }
    benchmark::DoNotOptimize(page.ScanLine(0));
  }
  state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BM_PageOfCells)->Unit(benchmark::kMillisecond);

// Shapes with wide and dashed pens, hatched fills, and clipping to a region.
void BM_PageOfShapes(benchmark::State& state) {
  TBitmap page(W, H);
  TRasterCanvas c(page);
  TRegion clip(TRect{0, 0, W, H});
  clip.Combine(TRegion::FromEllipse(TRect{300, 400, 900, 1200}), TRegionOp::roDifference);
  for (auto _ : state) {
    c.SelectClipRgn(nullptr);
    c.FillRect(TRect{0, 0, W, H}, TBrush{TBrushStyle::bsSolid, clWhiteRGB});
    c.SelectClipRgn(&clip);
    for (int i = 0; i < 400; ++i) {
      int x = (i * 97) % (W - 120), y = (i * 131) % (H - 80);
      TPen pen;
      pen.Width = 1 + i % 4;
      pen.Style = i % 3 ? TPenStyle::psSolid : TPenStyle::psDash;
      c.SetPen(pen);
      c.SetBrush(TBrush{TBrushStyle(i % 8 == 1 ? 0 : i % 8), RGBColor(40, uint8_t(i), 160)});
      switch (i % 4) {
        case 0: c.Rectangle(x, y, x + 110, y + 70); break;
        case 1: c.Ellipse(x, y, x + 110, y + 70); break;
        case 2: c.RoundRect(TRect{x, y, x + 110, y + 70}, 20, 20); break;
        case 3: {
          TPoint tri[] = {{x, y + 70}, {x + 55, y}, {x + 110, y + 70}};
          c.Polygon(tri);
          break;
        }
      }
    }
    benchmark::DoNotOptimize(page.ScanLine(0));
  }
  state.SetItemsProcessed(state.iterations() * 400);
}
BENCHMARK(BM_PageOfShapes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
