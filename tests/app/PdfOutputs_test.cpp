// PDF files written by the program as a user runs it, read back by
// independent readers: qpdf for the file structure and encryption, poppler
// for fonts, text, page sizes and rendering, pypdf for outline, links and
// metadata. Rendered pages are compared with the raster drawing of the same
// page.

#include "document/qdxClass.h"
#include "document/qdxDrawing.h"
#include "document/qdxPreviewPages.h"
#include "platform/Bitmap.h"
#include "platform/CodePage.h"
#include "platform/RasterCanvas.h"
#include "tests/TestSupport.h"
#include "tools/ReportKit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

TShellRun RunProgram(const std::string& args, const TTempDir& dir) {
  return RunShell("QDX_SETTINGS_FILE=" + Quoted(dir / "settings.ini") + " " + Quoted(QDX_PROGRAM) + " " + args);
}

// A copy of a sample in the temporary folder: outputs never go to the source tree.
std::string CopySample(const std::string& name, const TTempDir& dir, const std::string& as = "") {
  std::string target = dir / (as.empty() ? name : as);
  fs::copy_file(std::string(QDX_SOURCE_DIR) + "/samples/" + name, target);
  return target;
}

TShellRun Python(const TTempDir& dir, const std::string& script, const std::string& args) {
  WriteWholeFile(dir / "read.py", script);
  return RunShell("/usr/bin/python3 " + Quoted(dir / "read.py") + " " + args);
}

void ExpectQpdfClean(const std::string& file, const std::string& password = "") {
  TShellRun r = RunShell("qpdf --check " + (password.empty() ? "" : "--password=" + Quoted(password) + " ") + Quoted(file));
  EXPECT_EQ(r.Code, 0) << r.Output;
  EXPECT_EQ(r.Output.find("WARNING"), std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find("No syntax or stream encoding errors"), std::string::npos) << r.Output;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Every font is an embedded subset ("ABCDEF+" name) with a Unicode map.
void ExpectEmbeddedSubsets(const std::string& pdf) {
  const std::vector<std::string> fonts = Lines(RunShell("pdffonts " + Quoted(pdf)).Output);
  ASSERT_GT(fonts.size(), 2u);
  for (size_t i = 2; i < fonts.size(); ++i) {
    EXPECT_EQ(fonts[i].find('+'), 6u) << fonts[i];
    EXPECT_NE(fonts[i].find("yes yes yes"), std::string::npos) << fonts[i];
  }
}

// Each group of pieces is found on one line, in that order from left to
// right, and the groups come in that order from top to bottom.
void ExpectRowsInOrder(const std::string& text, const std::vector<std::vector<std::string>>& rows) {
  const std::vector<std::string> lines = Lines(text);
  size_t from = 0;
  for (const auto& row : rows) {
    bool found = false;
    for (size_t i = from; i < lines.size() && !found; ++i) {
      size_t at = 0;
      bool all = true;
      for (const std::string& piece : row) {
        at = lines[i].find(piece, at);
        if (at == std::string::npos) {
          all = false;
          break;
        }
        at += piece.size();
      }
      if (all) {
        found = true;
        from = i + 1;
      }
    }
    EXPECT_TRUE(found) << "row starting \"" << row.front() << "\" missing or out of order in\n" << text;
  }
}

// ---- a report built here: three page sizes, links, outline, drawing ----

constexpr int DrawingPage = 0;

TqdxMemoView* Text(TqdxComponent& band, const std::string& name, double l, double t, double w, double h,
                   const std::string& text, int size = 10) {
  auto* m = kit::Memo(band, name, l, t, w, h, text);
  kit::SetFont(*m, "Arial", size);
  return m;
}

// Frames, fills, lines, shapes, check boxes and text on the first page; a
// landscape page with an anchor; a custom-size page.
void WriteTestReport(const std::string& file) {
  TqdxReport report;
  report.GetReportOptions()->Name = "Drawing test";
  TqdxPreviewPages pp(&report);
  auto src = kit::NewPage("Page1", 10);
  const TqdxReportPage& s = *src;
  pp.AddSourcePage(std::move(src));

  auto first = kit::PageLike(s);
  auto* band = kit::Add<TqdxMasterData>(*first, "Band1", 0, 0, kit::InnerWidth(*first), 1000);
  // Frames of several styles and widths around text.
  const TqdxFrameStyle styles[] = {fsSolid, fsDash, fsDot, fsDouble};
  for (int i = 0; i < 4; ++i) {
    auto* m = Text(*band, "Framed" + std::to_string(i), 10 + i * 170, 10, 150, 40, "Frame " + std::to_string(i));
    m->GetFrame()->Typ = 15;
    m->GetFrame()->SetStyle(styles[i]);
    m->GetFrame()->SetWidth(i == 3 ? 2 : 1 + i);
    m->HAlign = i % 2 ? haCenter : haRight;
    m->VAlign = vaCenter;
  }
  // Fills: solid, hatch, gradient, glass.
  auto* solid = Text(*band, "Solid", 10, 70, 150, 60, "Solid fill");
  solid->SetColor(0x80C0FF);
  auto* hatch = Text(*band, "Hatch", 180, 70, 150, 60, "");
  hatch->SetColor(clWhite);
  static_cast<TqdxBrushFill*>(hatch->GetFill())->Style = bsCross;
  static_cast<TqdxBrushFill*>(hatch->GetFill())->ForeColor = 0x008000;
  auto* grad = Text(*band, "Gradient", 350, 70, 150, 60, "");
  grad->SetFillType(ftGradient);
  static_cast<TqdxGradientFill*>(grad->GetFill())->StartColor = 0xFF0000;
  static_cast<TqdxGradientFill*>(grad->GetFill())->EndColor = 0x00FFFF;
  auto* glass = Text(*band, "Glass", 520, 70, 150, 60, "");
  glass->SetFillType(ftGlass);
  static_cast<TqdxGlassFill*>(glass->GetFill())->Color = 0x4040C0;
  // Lines: horizontal, vertical, diagonal with arrows.
  auto* h = kit::Add<TqdxLineView>(*band, "LineH", 10, 160, 300, 0);
  h->GetFrame()->SetWidth(2);
  auto* v = kit::Add<TqdxLineView>(*band, "LineV", 330, 140, 0, 80);
  v->GetFrame()->SetWidth(3);
  v->GetFrame()->SetColor(0x0000C0);
  auto* d = kit::Add<TqdxLineView>(*band, "LineD", 360, 140, 150, 80);
  d->Diagonal = true;
  d->ArrowEnd = true;
  d->ArrowSolid = true;
  d->GetFrame()->SetWidth(2);
  // Shapes.
  const TqdxShapeKind kinds[] = {skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond};
  for (int i = 0; i < 5; ++i) {
    auto* sh = kit::Add<TqdxShapeView>(*band, "Shape" + std::to_string(i), 10 + i * 130, 240, 110, 80);
    sh->Shape = kinds[i];
    sh->SetColor(i % 2 ? 0xC0E0C0 : 0xE0C0C0);
    sh->GetFrame()->SetWidth(2);
  }
  // Check boxes.
  const TqdxCheckStyle checks[] = {csCross, csCheck, csLineCross, csPlus};
  for (int i = 0; i < 4; ++i) {
    auto* box = kit::Add<TqdxCheckBoxView>(*band, "Check" + std::to_string(i), 10 + i * 40, 340, 24, 24);
    box->CheckStyle = checks[i];
    box->GetFrame()->Typ = 15;
  }
  // Text in several alignments, a block paragraph and text turned upwards.
  Text(*band, "Left", 10, 390, 300, 20, "Left aligned text");
  Text(*band, "Right", 10, 410, 300, 20, "Right aligned text")->HAlign = haRight;
  Text(*band, "Center", 10, 430, 300, 20, "Centred text", 12)->HAlign = haCenter;
  auto* block = Text(*band, "Block", 340, 390, 330, 80,
                     "A paragraph set as a block: every line but the last one runs from the left edge to the "
                     "right edge of its box, and the spaces take up the difference.");
  block->HAlign = haBlock;
  auto* turned = Text(*band, "Turned", 690, 240, 30, 200, "Turned upwards", 12);
  turned->Rotation = 90;
  turned->AllowVectorExport = false;
  auto* down = Text(*band, "Down", 650, 240, 30, 140, "Turned down", 12);
  down->Rotation = 270;
  kit::SetFont(*down, "Arial", 12, qdxBit(fsUnderline), 0xA00000);
  auto* outside = Text(*band, "Outside", 340, 480, 200, 14, "Text set left of its box");
  outside->GapX = -6;
  outside->AllowVectorExport = false;
  // Text styles and layout options; a frame with a drop shadow.
  auto* styled = Text(*band, "Styled", 10, 600, 300, 60, "Underlined and struck out\r\nsecond line");
  kit::SetFont(*styled, "Arial", 11, qdxBit(fsUnderline) | qdxBit(fsStrikeOut));
  styled->VAlign = vaBottom;
  styled->GetFrame()->Typ = 15;
  styled->GetFrame()->DropShadow = true;
  styled->GetFrame()->ShadowWidth = 5;
  auto* ruled = Text(*band, "Ruled", 340, 600, 330, 80, "Ruled lines under the text of a memo that wraps onto "
                     "a second line");
  ruled->Underlines = true;
  ruled->CharSpacing = 1;
  ruled->ParagraphGap = 20;
  auto* bold = Text(*band, "Bold", 10, 690, 300, 40, "Bold italic, centred", 14);
  kit::SetFont(*bold, "Times New Roman", 14, qdxBit(fsBold) | qdxBit(fsItalic), 0x006000);
  bold->HAlign = haCenter;
  bold->VAlign = vaCenter;
  // Links of each kind.
  Text(*band, "UrlLink", 10, 500, 200, 20, "Web site")->URL = "https://example.org/report";
  Text(*band, "AnchorLink", 220, 500, 200, 20, "Details")->URL = "#Details";
  Text(*band, "PageLink", 430, 500, 200, 20, "Third page")->URL = "@3";
  auto* kindLink = Text(*band, "KindLink", 10, 530, 200, 20, "Second page");
  kindLink->GetHyperlink()->Kind = hkPageNumber;
  kindLink->GetHyperlink()->Value = "2";
  pp.AddPage(0, *first);

  auto landscape = kit::PageLike(s);
  landscape->SetOrientation(poLandscape);
  auto* band2 = kit::Add<TqdxMasterData>(*landscape, "Band2", 0, 0, 900, 400);
  Text(*band2, "Title2", 0, 0, 900, 30, "Landscape page", 16);
  Text(*band2, "Details", 0, 200, 900, 30, "Details start here");
  pp.AddPage(0, *landscape);
  pp.AddAnchor("Details", 1, 200);

  auto custom = kit::PageLike(s);
  custom->SetPaperWidth(100);
  custom->SetPaperHeight(150);
  auto* band3 = kit::Add<TqdxMasterData>(*custom, "Band3", 0, 0, 300, 100);
  Text(*band3, "Title3", 0, 0, 300, 30, "Custom page", 14);
  pp.AddPage(0, *custom);

  // Each item added becomes the level of the next.
  pp.Outline().LevelRoot();
  pp.Outline().AddItem("Drawing", 0, 0);
  pp.Outline().LevelRoot();
  pp.Outline().AddItem("Landscape", 1, 0);
  pp.Outline().AddItem("Details", 1, 200);
  pp.Outline().LevelRoot();
  pp.Outline().AddItem("Custom", 2, 0);
  pp.SaveToFile(file);
}

// The report built and converted once for the tests that read it.
class PdfOfBuiltReport : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    Dir = new TTempDir;
    WriteTestReport(*Dir / "built.qdp");
    WriteWholeFile(*Dir / "settings.ini", "[TqdxPDFExport]\nOutline=1\n");
    TShellRun r = RunProgram(Quoted(*Dir / "built.qdp"), *Dir);
    ASSERT_EQ(r.Code, 0) << r.Output;
  }
  static void TearDownTestSuite() {
    delete Dir;
    Dir = nullptr;
  }
  static std::string Pdf() { return *Dir / "built.pdf"; }
  static TTempDir* Dir;
};
TTempDir* PdfOfBuiltReport::Dir = nullptr;

// ---- pixels ----

struct TGray {
  int Width = 0, Height = 0;
  std::vector<int> V;  // 0..255 per pixel
  int At(int x, int y) const { return V[static_cast<size_t>(y) * Width + x]; }
};

// A binary PPM (P6) as written by pdftoppm.
TGray ReadPPM(const std::string& file) {
  std::string data = ReadWholeFile(file);
  std::istringstream in(data);
  std::string magic;
  int w = 0, h = 0, max = 0;
  in >> magic >> w >> h >> max;
  in.get();
  TGray g;
  if (magic != "P6" || max != 255) return g;
  g.Width = w, g.Height = h;
  const size_t start = static_cast<size_t>(in.tellg());
  if (data.size() < start + size_t(w) * h * 3) return TGray{};
  for (size_t i = 0; i < size_t(w) * h; ++i) {
    const auto* p = reinterpret_cast<const unsigned char*>(data.data() + start + i * 3);
    g.V.push_back((p[0] + p[1] + p[2]) / 3);
  }
  return g;
}

// The page drawn by the views themselves at 96 dpi, as the preview shows it.
TGray RenderPage(const std::string& qdp, int index) {
  TqdxReport report;
  TqdxPreviewPages pages(&report);
  report.PreviewPages = &pages;
  EXPECT_TRUE(pages.LoadFromFile(qdp));
  TqdxReportPage* page = pages.GetPage(index);
  TGray g;
  if (!page) return g;
  page->SetLeft(page->LeftMarginOf(index) * qd01cm);
  page->SetTop(page->TopMargin * qd01cm);
  const int w = static_cast<int>(std::nearbyint(page->GetWidth())), h = static_cast<int>(std::nearbyint(page->GetHeight()));
  TBitmap bitmap(w, h, TPixelFormat::pf24bit);
  bitmap.Fill(0xFFFFFF);
  {
    TRasterCanvas canvas(bitmap);
    auto draw = [&](TqdxComponent& obj) {
      auto* view = dynamic_cast<TqdxView*>(&obj);
      if (view && !view->IsVisibleIn(vsExport)) return;
      if (auto* memo = dynamic_cast<TqdxCustomMemoView*>(&obj)) {
        // What the export run does to text before a filter sees it.
        memo->TotalPages = pages.Count();
        const std::u16string total = Utf8ToUtf16(std::to_string(pages.Count()));
        if (memo->AllowExpressions)
          for (std::u16string& line : memo->Memo)
            for (size_t at = line.find(u"[TOTALPAGES#]"); at != std::u16string::npos; at = line.find(u"[TOTALPAGES#]"))
              line.replace(at, 13, total);
      }
      if (auto* c = dynamic_cast<TqdxReportComponent*>(&obj)) c->Draw(canvas, 1, 1, 0, 0);
    };
    for (TqdxComponent* entry : page->Objects()) {
      draw(*entry);
      for (TqdxComponent* child : entry->Objects()) draw(*child);
    }
  }
  g.Width = w, g.Height = h;
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < w; ++x) g.V.push_back((row[x * 3] + row[x * 3 + 1] + row[x * 3 + 2]) / 3);
  }
  return g;
}

struct TDifference {
  double Mean = 0;   // mean absolute difference of the block averages
  double Over32 = 0;  // share of blocks differing by more than 32
  double Over48 = 0;  // ... by more than 48
  int Blocks = 0;
};

// Text is smoothed differently by the two renderers and may sit a pixel
// apart, and hatch lines are laid out from the object's centre where the
// screen brush starts at its corner; so pages are compared in blocks of the
// hatch spacing, 8 x 8 pixels. A missing fill, shape or frame still shows.
TDifference Compare(const TGray& a, const TGray& b) {
  constexpr int k = 8;
  TDifference d;
  const int w = std::min(a.Width, b.Width) / k, h = std::min(a.Height, b.Height) / k;
  int over32 = 0, over48 = 0;
  double total = 0;
  for (int by = 0; by < h; ++by)
    for (int bx = 0; bx < w; ++bx) {
      int sa = 0, sb = 0;
      for (int y = by * k; y < by * k + k; ++y)
        for (int x = bx * k; x < bx * k + k; ++x) sa += a.At(x, y), sb += b.At(x, y);
      const double diff = std::abs(sa - sb) / double(k * k);
      total += diff;
      over32 += diff > 32;
      over48 += diff > 48;
    }
  d.Blocks = w * h;
  if (d.Blocks == 0) return {255, 1, 1, 0};
  d.Mean = total / d.Blocks;
  d.Over32 = double(over32) / d.Blocks;
  d.Over48 = double(over48) / d.Blocks;
  return d;
}

void ExpectAlike(const TDifference& d) {
  EXPECT_LT(d.Mean, 1.5) << d.Mean;
  EXPECT_LT(d.Over32, 0.005) << d.Over32 << " of " << d.Blocks;
  EXPECT_LT(d.Over48, 0.002) << d.Over48 << " of " << d.Blocks;
}

TGray Rasterize(const std::string& pdf, int pageNo, const TTempDir& dir) {
  const std::string base = dir / ("page" + std::to_string(pageNo));
  TShellRun r = RunShell("pdftoppm -r 96 -f " + std::to_string(pageNo) + " -l " + std::to_string(pageNo) +
                         " -singlefile " + Quoted(pdf) + " " + Quoted(base));
  EXPECT_EQ(r.Code, 0) << r.Output;
  return ReadPPM(base + ".ppm");
}

}  // namespace

TEST(PdfOutputs, SamplesFromTheCommandLine) {
  struct TCase {
    const char* Sample;
    const char* Option;  // the default format when empty
    int Pages;
    std::vector<std::vector<std::string>> Rows;
  } cases[] = {
      {"invoice", "--OUTPUT=PDF", 1,
       {{"Northwind Garden Supplies", "INVOICE 2026-0147"},
        {"12 Orchard Lane", "Date: 11.12.2026"},
        {"Bill to:"},
        {"Item", "Description", "Qty", "Unit price", "Amount"},
        {"GS-101", "Garden shears, stainless", "4", "18.5", "74"},
        {"GL-012", "Gloves, size 9 <L>", "10", "3.4", "34"},
        {"Total: 383.74 GBP"},
        {"Payment within 30 days."}}},
      {"letter", "", 1,
       {{"Atelier Lumière"},
        {"Rue des Fleurs 3, 75002 Paris"},
        {"Dear Ms. Müller,"},
        {"thank you for your letter of 2 December."},
        {"Kind regards — and a happy new year!"},
        {"Élodie Marchand"},
        {"Studio manager"}}},
      {"listing", "--output=pdf", 6,
       {{"Stock listing by warehouse"},
        {"Warehouse Bradford"},
        {"A-1000", "Article 1", "0"},
        {"A-1007", "Article 2", "37"},
        {"Page 1 of 6"},
        {"Stock listing by warehouse"},
        {"Page 6 of 6"}}},
  };
  TTempDir dir;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Sample);
    const std::string source = CopySample(std::string(c.Sample) + ".qdp", dir);
    TShellRun run = RunProgram(Quoted(source) + " " + c.Option, dir);
    ASSERT_EQ(run.Code, 0) << run.Output;
    EXPECT_EQ(run.Output, "");
    const std::string pdf = dir / (std::string(c.Sample) + ".pdf");
    ASSERT_TRUE(fs::exists(pdf));
    ExpectQpdfClean(pdf);

    ExpectEmbeddedSubsets(pdf);

    const std::string info = RunShell("pdfinfo " + Quoted(pdf)).Output;
    EXPECT_NE(info.find("Pages:           " + std::to_string(c.Pages) + "\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Page size:       595.5 x 842.25 pts (A4)"), std::string::npos) << info;

    ExpectRowsInOrder(RunShell("pdftotext -layout -enc UTF-8 " + Quoted(pdf) + " -").Output, c.Rows);
  }
}

TEST_F(PdfOfBuiltReport, PageSizesFollowEachPage) {
  ExpectQpdfClean(Pdf());
  ExpectEmbeddedSubsets(Pdf());
  const std::string info = RunShell("pdfinfo -f 1 -l 3 " + Quoted(Pdf())).Output;
  // Pages are whole pixels: 100 x 150 mm is 378 x 567 pixels.
  const char* const sizes[] = {"Page    1 size:  595.5 x 842.25 pts (A4)", "Page    2 size:  842.25 x 595.5 pts (A4)",
                               "Page    3 size:  283.5 x 425.25 pts\n"};
  for (const char* s : sizes) EXPECT_NE(info.find(s), std::string::npos) << s << "\n" << info;
  const std::string text = RunShell("pdftotext -layout -enc UTF-8 " + Quoted(Pdf()) + " -").Output;
  ExpectRowsInOrder(text, {{"Frame 0", "Frame 1", "Frame 2", "Frame 3"},
                           {"Left aligned text"},
                           {"Right aligned text"},
                           {"Landscape page"},
                           {"Details start here"},
                           {"Custom page"}});
  // Turned text and text outside its box are text too, whichever way written.
  const std::string plain = RunShell("pdftotext -f 1 -l 1 " + Quoted(Pdf()) + " -").Output;
  for (const char* t : {"Turned upwards", "Turned down", "Text set left of its box"})
    EXPECT_NE(plain.find(t), std::string::npos) << t << "\n" << plain;
}

TEST_F(PdfOfBuiltReport, OutlineAndLinksReadBack) {
  // Tops as the distance in points from the top edge of the target page.
  TShellRun r = Python(*Dir, R"PY(
import sys
from pypdf import PdfReader
r = PdfReader(sys.argv[1])
pages = {p.indirect_reference.idnum: i for i, p in enumerate(r.pages)}
def down(page, top):
    return round(float(r.pages[page].mediabox.height) - float(top))
def walk(items, depth):
    for it in items:
        if isinstance(it, list):
            walk(it, depth + 1)
        else:
            t = r.get_destination_page_number(it)
            print("OUTLINE|%d|%s|%d|%d" % (depth, it.title, t, down(t, it.top)))
walk(r.outline, 0)
for i, p in enumerate(r.pages):
    for a in p.get("/Annots", []):
        a = a.get_object()
        if "/A" in a:
            print("URI|%d|%s" % (i, a["/A"]["/URI"]))
        else:
            d = a["/Dest"]
            t = pages[d[0].idnum]
            print("DEST|%d|%d|%s|%d" % (i, t, d[1], down(t, d[3])))
)PY",
                        Quoted(Pdf()));
  ASSERT_EQ(r.Code, 0) << r.Output;
  // Items and links land at the top of their page, or 200 pixels (150
  // points) below it for the anchor, whatever the size of the page holding
  // the link.
  EXPECT_EQ(r.Output,
            "OUTLINE|0|Drawing|0|0\n"
            "OUTLINE|0|Landscape|1|0\n"
            "OUTLINE|1|Details|1|150\n"
            "OUTLINE|0|Custom|2|0\n"
            "URI|0|https://example.org/report\n"
            "DEST|0|1|/XYZ|150\n"
            "DEST|0|2|/XYZ|0\n"
            "DEST|0|1|/XYZ|0\n");
}

TEST_F(PdfOfBuiltReport, RenderedPagesMatchTheRasterDrawing) {
  for (int page = 0; page < 3; ++page) {
    SCOPED_TRACE("page " + std::to_string(page + 1));
    TGray pdf = Rasterize(Pdf(), page + 1, *Dir);
    TGray raster = RenderPage(*Dir / "built.qdp", page);
    ASSERT_GT(pdf.Width, 0);
    EXPECT_LE(std::abs(pdf.Width - raster.Width), 1);
    EXPECT_LE(std::abs(pdf.Height - raster.Height), 1);
    ExpectAlike(Compare(pdf, raster));
  }
}

// The file with its times and identifier blanked: what must repeat.
std::string WithoutTimes(std::string pdf) {
  for (const char* key : {"/CreationDate (", "/ModDate (", "/ID [<"}) {
    for (size_t at = pdf.find(key); at != std::string::npos; at = pdf.find(key, at + 1)) {
      const size_t from = at + std::strlen(key);
      const size_t end = pdf.find_first_of(")]", from);
      if (end == std::string::npos) break;
      std::fill(pdf.begin() + static_cast<long>(from), pdf.begin() + static_cast<long>(end), '-');
    }
  }
  return pdf;
}

TEST(PdfOutputs, TheSameReportGivesTheSameFile) {
  TTempDir dir;
  fs::create_directories(dir / "again");
  const std::string first = CopySample("letter.qdp", dir), second = CopySample("letter.qdp", dir, "again/letter.qdp");
  ASSERT_EQ(RunProgram(Quoted(first), dir).Code, 0);
  ASSERT_EQ(RunProgram(Quoted(second), dir).Code, 0);
  const std::string a = ReadWholeFile(dir / "letter.pdf"), b = ReadWholeFile(dir / "again/letter.pdf");
  ASSERT_EQ(a.size(), b.size());
  EXPECT_TRUE(WithoutTimes(a) == WithoutTimes(b));
}

TEST(PdfOutputs, SamplePagesRenderLikeTheRasterDrawing) {
  // Text, frames and fills only: pictures and markup are checked elsewhere.
  const std::pair<const char*, int> pages[] = {{"invoice", 1}, {"listing", 1}, {"listing", 6}};
  TTempDir dir;
  for (const auto& [name, page] : pages) {
    SCOPED_TRACE(std::string(name) + " page " + std::to_string(page));
    const std::string source = dir / (std::string(name) + ".qdp");
    if (!fs::exists(source)) {
      CopySample(std::string(name) + ".qdp", dir);
      ASSERT_EQ(RunProgram(Quoted(source), dir).Code, 0);
    }
    ExpectAlike(Compare(Rasterize(dir / (std::string(name) + ".pdf"), page, dir), RenderPage(source, page - 1)));
  }
}

TEST(PdfOutputs, PasswordsAndPdfAFromTheSettingsFile) {
  struct TCase {
    const char* Name;
    const char* Section;
    const char* Password;  // opens the file; empty when not encrypted
    std::vector<std::string> Encryption;  // lines of qpdf --show-encryption
  } cases[] = {
      // ProtectionFlags holds print (1) and copy (4).
      {"locked", "UserPassword=user pw\nOwnerPassword=owner\nProtectionFlags=5\n", "user pw",
       {"R = 3", "P = -44", "print high resolution: allowed", "extract for any purpose: allowed",
        "modify other: not allowed", "modify annotations: not allowed"}},
      {"owner only", "OwnerPassword=owner\n", "owner", {"R = 3", "extract for any purpose: allowed"}},
      {"archive", "PdfA=1\nUserPassword=ignored\n", "", {"File is not encrypted"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempDir dir;
    WriteWholeFile(dir / "settings.ini", std::string("[TqdxPDFExport]\n") + c.Section);
    const std::string source = CopySample("invoice.qdp", dir);
    TShellRun run = RunProgram(Quoted(source), dir);
    ASSERT_EQ(run.Code, 0) << run.Output;
    const std::string pdf = dir / "invoice.pdf";
    ExpectQpdfClean(pdf, c.Password);
    const std::string show =
        RunShell("qpdf --show-encryption " + (*c.Password ? "--password=" + Quoted(c.Password) + " " : "") + Quoted(pdf))
            .Output;
    for (const std::string& line : c.Encryption) EXPECT_NE(show.find(line), std::string::npos) << line << "\n" << show;
    if (*c.Password) {
      EXPECT_NE(RunShell("qpdf --check --password=wrong " + Quoted(pdf)).Code, 0);
      // Readers open a file with only an owner password without asking.
      const std::string user = c.Name == std::string("owner only") ? "" : "-upw " + Quoted(c.Password) + " ";
      std::string text = RunShell("pdftotext " + user + Quoted(pdf) + " -").Output;
      EXPECT_NE(text.find("Total: 383.74 GBP"), std::string::npos) << text;
      continue;
    }
    TShellRun a = Python(dir, R"PY(
import sys
import pikepdf
with pikepdf.open(sys.argv[1]) as pdf:
    root = pdf.Root
    oi = root.OutputIntents[0]
    print("intent", oi.S, int(oi.DestOutputProfile.N))
    meta = pdf.open_metadata()
    print("part", meta.get("pdfaid:part"), meta.get("pdfaid:conformance"))
    print("fonts embedded", all("/FontFile2" in f.FontDescriptor for p in pdf.pages for f in [p.Resources.Font[k].DescendantFonts[0] for k in p.Resources.Font.keys()]))
)PY",
                         Quoted(pdf));
    ASSERT_EQ(a.Code, 0) << a.Output;
    EXPECT_NE(a.Output.find("intent /GTS_PDFA1 3"), std::string::npos) << a.Output;
    EXPECT_NE(a.Output.find("part 2 B"), std::string::npos) << a.Output;
    EXPECT_NE(a.Output.find("fonts embedded True"), std::string::npos) << a.Output;
  }
}
