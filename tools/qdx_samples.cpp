// Writes the demo reports of samples/ (run by hand when they change):
//   qdx_samples FOLDER
// invoice.qdp: a one-page invoice with a framed table and totals;
// letter.qdp: a letter with several fonts, markup, a picture and a shape;
// listing.qdp: a multi-page listing with outline, anchors and page totals.

#include "document/qdxNumbers.h"
#include "tools/ReportKit.h"

#include <iostream>

namespace {

void Invoice(const std::string& file) {
  TqdxReport report;
  report.GetReportOptions()->Name = "Invoice 2026-0147";
  TqdxPreviewPages pp(&report);
  auto src = kit::NewPage("Page1", 15);
  const double w = kit::InnerWidth(*src);
  auto* title = kit::Add<TqdxReportTitle>(*src, "ReportTitle1", 0, 0, w, 150);
  kit::SetFont(*kit::Memo(*title, "Company", 0, 0, w * 0.6, 30, "Northwind Garden Supplies"), "Arial", 18, qdxBit(fsBold),
               0x804000);
  kit::Memo(*title, "Address", 0, 34, w * 0.6, 50, "12 Orchard Lane\r\nLeeds LS1 4AB\r\nUnited Kingdom");
  auto* inv = kit::Memo(*title, "InvoiceNo", w * 0.6, 0, w * 0.4, 30, "INVOICE 2026-0147");
  kit::SetFont(*inv, "Arial", 14, qdxBit(fsBold));
  inv->HAlign = haRight;
  kit::Memo(*title, "Date", w * 0.6, 34, w * 0.4, 20, "Date: 11.12.2026")->HAlign = haRight;
  kit::Memo(*title, "Customer", 0, 96, w * 0.6, 50, "Bill to:\r\nGreenfield Parks Ltd.\r\n7 Market Street, York");
  auto* head = kit::Add<TqdxHeader>(*src, "Header1", 0, 160, w, 24);
  const char* cols[] = {"Item", "Description", "Qty", "Unit price", "Amount"};
  const double cw[] = {0.12, 0.46, 0.1, 0.16, 0.16};
  double x = 0;
  for (int c = 0; c < 5; ++c) {
    auto* m = kit::Memo(*head, std::string("Head") + std::to_string(c + 1), x, 0, w * cw[c], 24, cols[c]);
    m->GetFrame()->Typ = 15;
    m->SetColor(0xE0E0E0);
    m->VAlign = vaCenter;
    m->HAlign = c >= 2 ? haRight : haLeft;
    kit::SetFont(*m, "Arial", 10, qdxBit(fsBold));
    x += w * cw[c];
  }
  auto* data = kit::Add<TqdxMasterData>(*src, "MasterData1", 0, 184, w, 22);
  x = 0;
  for (int c = 0; c < 5; ++c) {
    auto* m = kit::Memo(*data, std::string("Cell") + std::to_string(c + 1), x, 0, w * cw[c], 22, "");
    m->GetFrame()->Typ = 15;
    m->VAlign = vaCenter;
    m->HAlign = c >= 2 ? haRight : haLeft;
    x += w * cw[c];
  }
  auto* sum = kit::Add<TqdxReportSummary>(*src, "ReportSummary1", 0, 400, w, 60);
  auto* total = kit::Memo(*sum, "Total", w * 0.6, 0, w * 0.4, 24, "");
  kit::SetFont(*total, "Arial", 12, qdxBit(fsBold));
  total->HAlign = haRight;
  total->GetFrame()->Typ = qdxBit(ftTop) | qdxBit(ftBottom);
  total->GetFrame()->SetStyle(fsDouble);
  kit::Memo(*sum, "Terms", 0, 30, w, 20, "Payment within 30 days. Thank you for your order!");
  const TqdxReportPage& s = *src;
  pp.AddSourcePage(std::move(src));

  struct {
    const char *Item, *Desc;
    int Qty;
    double Price;
  } lines[] = {{"GS-101", "Garden shears, stainless", 4, 18.5},  {"HS-220", "Hose, 25 m, with reel", 2, 39.9},
               {"PT-007", "Terracotta pot, large", 12, 7.25},   {"SD-330", "Seed mix \"Meadow\" & grasses", 6, 4.99},
               {"WB-050", "Wheelbarrow, 90 l", 1, 79.0},        {"GL-012", "Gloves, size 9 <L>", 10, 3.4}};
  auto page = kit::PageLike(s);
  auto* t = kit::Copy(*s.FindObject("ReportTitle1"), *page);
  for (auto* o : s.FindObject("ReportTitle1")->Objects()) kit::Copy(*o, *t);
  auto* h = kit::Copy(*s.FindObject("Header1"), *page);
  for (auto* o : s.FindObject("Header1")->Objects()) kit::Copy(*o, *h);
  double grand = 0;
  int r = 0;
  for (const auto& l : lines) {
    auto* band = kit::Copy(*s.FindObject("MasterData1"), *page);
    band->SetTop(184 + 22 * r++);
    double amount = l.Qty * l.Price;
    grand += amount;
    std::string vals[] = {l.Item, l.Desc, std::to_string(l.Qty), qdxFloatToStr(l.Price), qdxFloatToStr(amount)};
    int c = 0;
    for (auto* o : s.FindObject("MasterData1")->Objects()) kit::SetText(kit::Copy(*o, *band), vals[c++]);
  }
  auto* sm = kit::Copy(*s.FindObject("ReportSummary1"), *page);
  sm->SetTop(184 + 22 * r + 10);
  for (auto* o : s.FindObject("ReportSummary1")->Objects()) kit::Copy(*o, *sm);
  kit::SetText(sm->FindObject("Total"), "Total: " + qdxFloatToStr(grand) + " GBP");
  pp.AddPage(0, *page);
  pp.SaveToFile(file);
}

void Letter(const std::string& file) {
  TqdxReport report;
  report.GetReportOptions()->Name = "Letter";
  TqdxPreviewPages pp(&report);
  auto src = kit::NewPage("Page1", 20);
  const double w = kit::InnerWidth(*src);
  auto* band = kit::Add<TqdxReportTitle>(*src, "ReportTitle1", 0, 0, w, 900);
  auto* logo = kit::Add<TqdxPictureView>(*band, "Logo", 0, 0, 96, 64);
  logo->ImageIndex = pp.PictureCache().AddPicture(kit::SampleBitmap(96, 64));
  auto* badge = kit::Add<TqdxShapeView>(*band, "Badge", w - 120, 10, 120, 44);
  badge->Shape = skEllipse;
  badge->SetColor(0xC0F0C0);
  auto* head = kit::Memo(*band, "Sender", 110, 4, w - 240, 60, "Atelier Lumière\r\nRue des Fleurs 3, 75002 Paris");
  kit::SetFont(*head, "Times New Roman", 14, qdxBit(fsItalic), 0x400080);
  kit::Memo(*band, "Greeting", 0, 110, w, 24, "Dear Ms. Müller,");
  auto* body = kit::Memo(*band, "Body", 0, 140, w, 300, "");
  body->AllowHTMLTags = true;
  body->HAlign = haBlock;
  kit::SetFont(*body, "Times New Roman", 12);
  auto* sig = kit::Memo(*band, "Signature", 0, 460, w / 2, 40, "");
  kit::SetFont(*sig, "Courier New", 11, qdxBit(fsBold));
  const TqdxReportPage& s = *src;
  pp.AddSourcePage(std::move(src));

  auto page = kit::PageLike(s);
  auto* b = kit::Copy(*s.FindObject("ReportTitle1"), *page);
  for (auto* o : s.FindObject("ReportTitle1")->Objects()) kit::Copy(*o, *b);
  kit::SetText(b->FindObject("Body"),
               "thank you for your letter of <b>2 December</b>. We are glad to confirm the order of the "
               "<i>spring collection</i>: twelve prints on cotton paper, framed in oak.\r\n"
               "Delivery is planned for <u>week 3</u>; prices include VAT (€ 1 240,00 in total). "
               "<font color=\"#C00000\">Please note</font> that the studio is closed between the holidays.\r\n"
               "Kind regards — and a happy new year!");
  kit::SetText(b->FindObject("Signature"), "Élodie Marchand\r\nStudio manager");
  pp.AddPage(0, *page);
  pp.SaveToFile(file);
}

void Listing(const std::string& file) {
  TqdxReport report;
  report.GetReportOptions()->Name = "Stock listing";
  report.GetPreviewOptions()->OutlineVisible = true;
  TqdxPreviewPages pp(&report);
  auto src = kit::NewPage("Page1", 10);
  const double w = kit::InnerWidth(*src);
  auto* ph = kit::Add<TqdxPageHeader>(*src, "PageHeader1", 0, 0, w, 30);
  kit::SetFont(*kit::Memo(*ph, "Heading", 0, 0, w, 24, "Stock listing by warehouse"), "Arial", 14, qdxBit(fsBold));
  auto* gh = kit::Add<TqdxGroupHeader>(*src, "GroupHeader1", 0, 40, w, 26);
  auto* group = kit::Memo(*gh, "Group", 0, 2, w, 22, "");
  group->SetColor(0xF0E8D8);
  kit::SetFont(*group, "Arial", 11, qdxBit(fsBold));
  auto* md = kit::Add<TqdxMasterData>(*src, "MasterData1", 0, 70, w, 18);
  kit::Memo(*md, "Code", 0, 0, w * 0.2, 18, "");
  kit::Memo(*md, "Name", w * 0.2, 0, w * 0.6, 18, "");
  kit::Memo(*md, "Stock", w * 0.8, 0, w * 0.2, 18, "")->HAlign = haRight;
  auto* pf = kit::Add<TqdxPageFooter>(*src, "PageFooter1", 0, 1060, w, 20);
  kit::Memo(*pf, "PageNo", 0, 0, w, 18, "")->HAlign = haCenter;
  const TqdxReportPage& s = *src;
  pp.AddSourcePage(std::move(src));

  const char* warehouses[] = {"Bradford", "Coventry", "Dundee", "Exeter"};
  const int perGroup = 70, perPage = 50, pages = 6;
  int item = 0;
  for (int p = 0; p < pages; ++p) {
    auto page = kit::PageLike(s);
    auto* h = kit::Copy(*s.FindObject("PageHeader1"), *page);
    for (auto* o : s.FindObject("PageHeader1")->Objects()) kit::Copy(*o, *h);
    double top = 40;
    for (int r = 0; r < perPage && item < perGroup * 4; ++r, ++item) {
      if (item % perGroup == 0) {
        auto* g = kit::Copy(*s.FindObject("GroupHeader1"), *page);
        g->SetTop(top);
        std::string name = std::string("Warehouse ") + warehouses[item / perGroup];
        kit::SetText(kit::Copy(*s.FindObject("Group"), *g), name);
        pp.Outline().LevelRoot();
        pp.Outline().AddItem(name, p, static_cast<int>(top));
        pp.AddAnchor(warehouses[item / perGroup], p, static_cast<int>(top));
        top += 26;
      }
      auto* band = kit::Copy(*s.FindObject("MasterData1"), *page);
      band->SetTop(top);
      top += 18;
      kit::SetText(kit::Copy(*s.FindObject("Code"), *band), "A-" + std::to_string(1000 + item * 7));
      kit::SetText(kit::Copy(*s.FindObject("Name"), *band), "Article " + std::to_string(item + 1));
      kit::SetText(kit::Copy(*s.FindObject("Stock"), *band), std::to_string((item * 37) % 500));
    }
    auto* f = kit::Copy(*s.FindObject("PageFooter1"), *page);
    kit::SetText(kit::Copy(*s.FindObject("PageNo"), *f), "Page " + std::to_string(p + 1) + " of [TOTALPAGES#]");
    pp.AddPage(0, *page);
  }
  pp.Outline().LevelRoot();
  pp.SaveToFile(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: qdx_samples FOLDER\n";
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '/') folder += '/';
  try {
    Invoice(folder + "invoice.qdp");
    Letter(folder + "letter.qdp");
    Listing(folder + "listing.qdp");
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
