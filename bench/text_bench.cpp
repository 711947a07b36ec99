// Measuring text at the layout resolution: cumulative advances of a long line,
// as the text layout asks for them for every paragraph it wraps.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/Font.h"
#include "platform/TextMeasure.h"
#include "platform/TextShaper.h"

namespace {

std::u16string MakeLine(size_t length) {
  const std::u16string words[] = {u"Invoice ", u"total ", u"amount ", u"\u0421\u0443\u043C\u043C\u0430 ",
                                  u"12,345.67 ", u"delivered ", u"(net) ", u"qty "};
  std::u16string line;
  for (size_t i = 0; line.size() < length; ++i) line += words[i % 8];
  line.resize(length);
  return line;
}

TFont LayoutFont() {
  TFontDesc desc;
  desc.FaceName = "Arial";
  desc.Height = FontHeightFromPoints(10, 600);
  return TFont(desc);
}

void BM_PartialExtents1000At600Ppi(benchmark::State& state) {
  TFont font = LayoutFont();
  std::u16string line = MakeLine(1000);
  std::vector<int32_t> extents;
  for (auto _ : state) {
    benchmark::DoNotOptimize(TextPartialExtents(font, line, extents));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(line.size()));
}
BENCHMARK(BM_PartialExtents1000At600Ppi);

// Creating the font each time, as the layout does at every style change.
void BM_FontCreation(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(LayoutFont().TextMetrics().Height);
}
BENCHMARK(BM_FontCreation);

void BM_ShapeLine1000(benchmark::State& state) {
  TFontDesc desc;
  desc.FaceName = "Arial";
  desc.Height = -1000;
  TFont font(desc);
  std::u16string line = MakeLine(1000);
  for (auto _ : state) benchmark::DoNotOptimize(ShapeLine(font, line, false).size());
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(line.size()));
}
BENCHMARK(BM_ShapeLine1000);

}  // namespace

BENCHMARK_MAIN();
