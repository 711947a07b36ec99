// PDF kernels on their own: a page of 200 framed text objects written as
// page content (text runs, frames), one line of text turned into glyphs, and
// the number formatting every coordinate goes through.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "document/qdxClass.h"
#include "export/pdf/qdxExportPDF.h"
#include "export/pdf/qdxExportPDFHelpers.h"
#include "export/pdf/qdxPDFDocument.h"
#include "export/pdf/qdxPDFFont.h"
#include "platform/FontDesc.h"
#include "platform/Streams.h"

namespace {

// 40 rows of 5 framed cells, as the table pages of a report.
std::unique_ptr<TqdxReportPage> FramedPage() {
  auto page = std::make_unique<TqdxReportPage>();
  for (int r = 0; r < 40; ++r)
    for (int c = 0; c < 5; ++c) {
      auto* m = static_cast<TqdxMemoView*>(page->AddChild(std::make_unique<TqdxMemoView>()));
      m->SetBounds(40 + c * 140, 40 + r * 25, 140, 25);
      m->SetText(c == 0 ? u"Item " + std::u16string(1, char16_t(u'A' + r % 26))
                        : u"1" + std::u16string(1, char16_t(u'0' + (r * c) % 10)) + u",345.6" +
                              std::u16string(1, char16_t(u'0' + c)));
      m->GetFrame()->Typ = 15;
      m->HAlign = c == 0 ? haLeft : haRight;
      m->VAlign = vaCenter;
    }
  return page;
}

void BM_PdfPageOf200TextObjects(benchmark::State& state) {
  auto page = FramedPage();
  TqdxPDFExport filter(nullptr, true);
  filter.FixedFileID = std::string(32, 'a');
  TMemoryStream out;
  filter.Stream = &out;
  filter.Start();
  for (auto _ : state) {
    filter.StartPage(page.get(), 0);
    for (TqdxComponent* obj : page->AllObjects()) filter.ExportObject(obj);
    filter.FinishPage(page.get(), 0);
    // The file keeps growing by the compressed pages; that is the writer's
    // share, measured with the rest.
  }
  filter.Finish();
  state.counters["pages/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PdfPageOf200TextObjects)->Unit(benchmark::kMillisecond);

void BM_PdfRemapString(benchmark::State& state) {
  TqdxPDFDocument doc;
  TFontDesc desc;
  desc.FaceName = "Arial";
  desc.Height = -13;
  TqdxPDFFont& font = TqdxPDFFont::Use(doc, desc);
  const std::u16string text = u"Seed mix \"Meadow\" & grasses 383.74 GBP";
  for (auto _ : state) benchmark::DoNotOptimize(font.RemapString(text, false).TotalWidth);
}
BENCHMARK(BM_PdfRemapString);

void BM_FloatToPdf(benchmark::State& state) {
  double v = 12.375;
  std::string out;
  for (auto _ : state) {
    out.clear();
    for (int i = 0; i < 100; ++i) AppendFloatToPdf(out, v + i * 0.75);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_FloatToPdf);

}  // namespace

BENCHMARK_MAIN();
