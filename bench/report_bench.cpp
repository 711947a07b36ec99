// Kernels of a conversion, measured on their own: reading an object stored
// as differences from its source, laying out text, drawing a page of framed
// text objects on a raster canvas and preparing the export matrix.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "document/qdxClass.h"
#include "document/qdxDrawText.h"
#include "document/qdxXMLSerializer.h"
#include "export/qdxExportMatrix.h"
#include "platform/RasterCanvas.h"

namespace {

std::u16string Words(size_t length) {
  const std::u16string words[] = {u"Invoice ", u"total ", u"amount ", u"\u0421\u0443\u043C\u043C\u0430 ",
                                  u"12,345.67 ", u"delivered ", u"(net) ", u"qty "};
  std::u16string text;
  for (size_t i = 0; text.size() < length; ++i) text += words[i % 8];
  text.resize(length);
  return text;
}

void SetUpLayout(TqdxDrawText& layout, int width) {
  TqdxFont f;
  f.SetSize(10);
  layout.SetFont(f);
  layout.SetOptions(true, false, 0, true, true, false, false);
  layout.SetGaps(2, 0, 0);
  layout.SetDimensions({0, 0, width, 100000}, {0, 0, width, 100000});
}

// One paragraph of 10,000 characters in a 700-pixel column.
void BM_LayoutParagraph10000(benchmark::State& state) {
  TqdxDrawText layout;
  SetUpLayout(layout, 700);
  const std::vector<std::u16string> text{Words(10000)};
  int64_t lines = 0;
  for (auto _ : state) {
    layout.SetText(text);
    lines += static_cast<int64_t>(layout.Lines().size());
  }
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LayoutParagraph10000)->Unit(benchmark::kMillisecond);

// 10,000 short memos, each laid out on its own as table cells are.
void BM_Layout10000ShortMemos(benchmark::State& state) {
  TqdxDrawText layout;
  SetUpLayout(layout, 110);
  std::vector<std::vector<std::u16string>> memos;
  for (int i = 0; i < 10000; ++i) memos.push_back({u"Item " + Words(static_cast<size_t>(4 + i % 20))});
  int64_t lines = 0;
  for (auto _ : state)
    for (const auto& memo : memos) {
      layout.SetText(memo);
      lines += static_cast<int64_t>(layout.Lines().size());
    }
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Layout10000ShortMemos)->Unit(benchmark::kMillisecond);

// A page of 200 framed text objects (40 rows of 5 cells), as the table pages
// of a report; drawn at 96 dpi (scale 1) and at 300 dpi.
std::unique_ptr<TqdxReportPage> FramedPage() {
  auto page = std::make_unique<TqdxReportPage>();
  for (int r = 0; r < 40; ++r)
    for (int c = 0; c < 5; ++c) {
      auto* m = static_cast<TqdxMemoView*>(page->AddChild(std::make_unique<TqdxMemoView>()));
      m->SetBounds(40 + c * 140, 40 + r * 25, 140, 25);
      m->SetText(c == 0 ? u"Item " + std::u16string(1, char16_t(u'A' + r % 26)) : Words(static_cast<size_t>(6 + (r * c) % 12)));
      m->GetFrame()->Typ = 15;
      m->HAlign = c == 0 ? haLeft : haRight;
    }
  return page;
}

void DrawPage(benchmark::State& state, double dpi) {
  const double scale = dpi / 96.0;
  auto page = FramedPage();
  TBitmap bitmap(static_cast<int>(794 * scale), static_cast<int>(1123 * scale));
  TRasterCanvas canvas(bitmap);
  for (auto _ : state) {
    canvas.FillRect(TRect{0, 0, bitmap.Width(), bitmap.Height()}, TBrush{TBrushStyle::bsSolid, clWhiteRGB});
    for (TqdxComponent* obj : page->AllObjects())
      if (auto* v = dynamic_cast<TqdxView*>(obj)) v->Draw(canvas, scale, scale, 0, 0);
    benchmark::DoNotOptimize(bitmap.ScanLine(0));
  }
  state.counters["pages/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
void BM_DrawPage200Framed96Dpi(benchmark::State& state) { DrawPage(state, 96); }
void BM_DrawPage200Framed300Dpi(benchmark::State& state) { DrawPage(state, 300); }
BENCHMARK(BM_DrawPage200Framed96Dpi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawPage200Framed300Dpi)->Unit(benchmark::kMillisecond);

// Reading an object from its source's stored form followed by its
// differences, as building a prepared page does for every object.
void BM_ReadObjectDifferences(benchmark::State& state) {
  TqdxMemoView source;
  source.Name = "Cell2";
  source.SetBounds(120, 0, 120, 20);
  source.GetFrame()->Typ = 15;
  source.GetFrame()->SetColor(0x808080);
  source.HAlign = haRight;
  source.VAlign = vaCenter;
  TqdxXMLSerializer s;
  const std::string text = s.WriteComponentStr(source) + " t=\"400\" u=\"1234.56\"";
  TqdxReportPage page;
  s.Owner = &page;
  for (auto _ : state) benchmark::DoNotOptimize(s.ReadComponentStr(&page, text));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadObjectDifferences);

// Preparing the export matrix of one table page of 40 rows of 6 cells.
void BM_MatrixPrepare(benchmark::State& state) {
  auto page = std::make_unique<TqdxReportPage>();
  for (int r = 0; r < 40; ++r)
    for (int c = 0; c < 6; ++c) {
      auto* m = static_cast<TqdxMemoView*>(page->AddChild(std::make_unique<TqdxMemoView>()));
      m->SetBounds(c * 120, 60 + r * 20, 120, 20);
      m->SetText(Words(static_cast<size_t>(5 + c)));
      m->GetFrame()->Typ = 15;
    }
  for (auto _ : state) {
    TqdxIEMatrix matrix;
    for (TqdxComponent* obj : page->AllObjects())
      if (auto* v = dynamic_cast<TqdxView*>(obj)) matrix.AddObject(*v);
    matrix.Prepare();
    benchmark::DoNotOptimize(matrix.RowCount());
  }
  state.counters["pages/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MatrixPrepare)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
