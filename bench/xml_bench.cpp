// Throughput of the XML document layer on a prepared-report-like document:
// many pages, each with bands of text objects stored as attribute differences.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "document/qdxXML.h"
#include "platform/Streams.h"

namespace {

// About 100 bytes per object; pages after the second carry the swap marker as
// prepared pages do.
std::string MakeReport(int pages, int objectsPerPage) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<preparedreport><previewpages>";
  xml.reserve(static_cast<size_t>(pages) * objectsPerPage * 110);
  for (int p = 0; p < pages; ++p) {
    xml += p < 2 ? "<page0>" : "<page0 ld=\"0\">";
    for (int o = 0; o < objectsPerPage; ++o) {
      if (o % 16 == 0) xml += "<b1 t=\"" + std::to_string(o * 3) + "\">";
      xml += "<TqdxMemoView l=\"" + std::to_string(18 + o % 7 * 90) + ".5\" t=\"" +
             std::to_string(o * 19) + "\" w=\"" + std::to_string(40 + o % 13) +
             ".75\" h=\"18.9\" x=\"Item &#60;" + std::to_string(p * 1000 + o) + "&#62; total\"/>";
      if (o % 16 == 15 || o + 1 == objectsPerPage) xml += "</b1>";
    }
    xml += "</page0>";
  }
  xml += "</previewpages></preparedreport>";
  return xml;
}

const std::string& Report() {
  static const std::string report = MakeReport(10000, 64);
  return report;
}

void Load(benchmark::State& state, bool partial) {
  TMemoryStream* stream = new TMemoryStream(Report());
  std::unique_ptr<TStream> owned(stream);
  TqdxXMLDocument doc;
  for (auto _ : state) {
    stream->SetPosition(0);
    if (partial) {
      doc.LoadFromStream(std::move(owned), true);
      state.PauseTiming();
      owned = std::make_unique<TMemoryStream>(Report());  // the document keeps the old one
      stream = static_cast<TMemoryStream*>(owned.get());
      state.ResumeTiming();
    } else {
      doc.LoadFromStream(*stream);
    }
    state.PauseTiming();
    doc.Clear();  // freeing the tree is not part of the load
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Report().size()));
}

void BM_LoadFromStream(benchmark::State& state) { Load(state, false); }
void BM_LoadFromStreamPartial(benchmark::State& state) { Load(state, true); }

void BM_SaveToStream(benchmark::State& state) {
  TqdxXMLDocument doc;
  TMemoryStream in(Report());
  doc.LoadFromStream(in);
  TMemoryStream out;
  out.Data().reserve(Report().size() + 4096);
  for (auto _ : state) {
    out.SetSize(0);
    out.SetPosition(0);
    doc.SaveToStream(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(out.Size()));
}

void BM_Prop(benchmark::State& state) {
  TqdxXMLItem item;
  item.SetText("l=\"18.5\" t=\"1197\" w=\"52.75\" h=\"18.9\" x=\"Item &#60;9063&#62; total\" Frame.Typ=\"15\"");
  const char* names[] = {"l", "h", "x", "frame.typ", "missing"};
  for (auto _ : state)
    for (const char* name : names) benchmark::DoNotOptimize(item.Prop(name));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 5);
}

}  // namespace

BENCHMARK(BM_LoadFromStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFromStreamPartial)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveToStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Prop);
BENCHMARK_MAIN();
