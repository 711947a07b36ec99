// Writes a large synthetic prepared report for benchmarks and tests:
//   qdx_generate OUT.qdp --pages N [--kind table|mixed] [--rows R]
// Every page has a page header and footer and a table of framed text
// objects; "mixed" pages add fills, lines, a shape and a picture. Page
// objects are stored as differences from their source objects through the
// dictionary, as prepared reports are.

#include "document/qdxNumbers.h"
#include "tools/ReportKit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace {

int Usage() {
  std::cerr << "usage: qdx_generate OUT.qdp --pages N [--kind table|mixed] [--rows R]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string out = argv[1];
  int pages = 10, rows = 40;
  std::string kind = "table";
  for (int i = 2; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--pages")) pages = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--rows")) rows = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--kind")) kind = argv[i + 1];
    else return Usage();
  }
  if (pages < 1 || rows < 1 || (kind != "table" && kind != "mixed")) return Usage();
  const bool mixed = kind == "mixed";
  if (mixed) rows = std::min(rows, 25);

  TqdxReport report;
  report.GetReportOptions()->Name = "Synthetic " + kind + " report";
  TqdxPreviewPages pp(&report);

  // The designed page.
  auto source = kit::NewPage("Page1");
  const double width = kit::InnerWidth(*source);
  auto* header = kit::Add<TqdxPageHeader>(*source, "PageHeader1", 0, 0, width, 40);
  auto* title = kit::Memo(*header, "Title", 0, 4, width * 0.7, 26, "Synthetic report");
  kit::SetFont(*title, "Arial", 16, qdxBit(fsBold));
  auto* rule = kit::Add<TqdxLineView>(*header, "HeaderRule", 0, 36, width, 0);
  rule->GetFrame()->Typ = qdxBit(ftTop);
  rule->GetFrame()->SetWidth(2);
  auto* data = kit::Add<TqdxMasterData>(*source, "MasterData1", 0, 60, width, 20);
  const int cols = 6;
  const double colW = width / cols;
  for (int c = 0; c < cols; ++c) {
    auto* cell = kit::Memo(*data, "Cell" + std::to_string(c + 1), c * colW, 0, colW, 20, "");
    cell->GetFrame()->Typ = 15;
    cell->GetFrame()->SetColor(0x808080);
    cell->HAlign = c == 0 ? haLeft : haRight;
    cell->VAlign = vaCenter;
  }
  auto* footer = kit::Add<TqdxPageFooter>(*source, "PageFooter1", 0, 1040, width, 30);
  kit::Memo(*footer, "PageNo", 0, 5, width, 20, "")->HAlign = haRight;
  if (mixed) {
    auto* shape = kit::Add<TqdxShapeView>(*header, "Badge", width - 150, 2, 140, 30);
    shape->Shape = skRoundRectangle;
    shape->SetFillType(ftGradient);
    static_cast<TqdxGradientFill*>(shape->GetFill())->StartColor = 0xF0E0C0;
    static_cast<TqdxGradientFill*>(shape->GetFill())->EndColor = 0x804000;
    auto* logo = kit::Add<TqdxPictureView>(*header, "Logo", width * 0.7, 2, 48, 32);
    logo->ImageIndex = pp.PictureCache().AddPicture(kit::SampleBitmap());
    auto* note = kit::Memo(*data, "Note", 0, 0, colW, 20, "");
    note->SetFillType(ftGlass);
    note->GetFrame()->DropShadow = true;
    auto* diag = kit::Add<TqdxLineView>(*data, "Slash", colW, 0, colW, 20);
    diag->Diagonal = true;
    diag->ArrowEnd = true;
  }
  const TqdxReportPage& src = *source;
  pp.AddSourcePage(std::move(source));
  const TqdxComponent& sHeader = *src.FindObject("PageHeader1");
  const TqdxComponent& sData = *src.FindObject("MasterData1");
  const TqdxComponent& sFooter = *src.FindObject("PageFooter1");

  long long row = 0;
  for (int p = 0; p < pages; ++p) {
    auto page = kit::PageLike(src);
    auto* h = kit::Copy(sHeader, *page);
    for (TqdxComponent* o : sHeader.Objects()) kit::Copy(*o, *h);
    kit::SetText(h->FindObject("Title"), "Synthetic report, part " + std::to_string(p / 100 + 1));
    for (int r = 0; r < rows; ++r, ++row) {
      auto* band = kit::Copy(sData, *page);
      band->SetTop(60 + r * 20);
      for (TqdxComponent* o : sData.Objects()) {
        auto* c = kit::Copy(*o, *band);
        if (!c->Is<TqdxCustomMemoView>()) continue;
        if (c->Name == "Cell1") kit::SetText(c, "Item " + std::to_string(row + 1));
        else if (c->Name == "Note") kit::SetText(c, r % 3 == 0 ? "check" : "");
        else kit::SetText(c, qdxFloatToStr(static_cast<double>((row * 7919 + c->Name.back() * 31) % 100000) / 100.0));
      }
    }
    auto* f = kit::Copy(sFooter, *page);
    for (TqdxComponent* o : sFooter.Objects()) kit::Copy(*o, *f);
    kit::SetText(f->FindObject("PageNo"), "Page " + std::to_string(p + 1) + " of [TOTALPAGES#]");
    if (p % 10 == 0) {
      pp.Outline().LevelRoot();
      pp.Outline().AddItem("Pages " + std::to_string(p + 1) + " to " + std::to_string(std::min(p + 10, pages)), p, 0);
      pp.AddAnchor("part" + std::to_string(p / 10 + 1), p, 0);
    }
    pp.AddPage(0, *page);
  }
  pp.Outline().LevelRoot();
  try {
    pp.SaveToFile(out);
  } catch (const std::exception& e) {
    std::cerr << out << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}
