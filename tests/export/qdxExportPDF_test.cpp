// The PDF filter: page content of single objects, and whole files from the
// demo reports checked by independent readers.

#include "export/pdf/qdxExportPDF.h"

#include "document/qdxClass.h"
#include "document/qdxPreviewPages.h"
#include "document/qdxReport.h"
#include "export/pdf/qdxPDFContent.h"
#include "export/qdxExportRun.h"
#include "tests/TestSupport.h"
#include "tests/export/PdfTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

namespace {

std::string Shell(const std::string& cmd, int* code = nullptr) {
  TShellRun r = RunShell(cmd);
  if (code) *code = r.Code;
  return r.Output;
}

std::string PageContent(const std::vector<TqdxView*>& views) { return PdfPageContent(views); }

}  // namespace

TEST(PdfContent, ColourForms) {
  struct {
    TqdxColor Color;
    const char *Stroke, *Fill, *Frame;
  } cases[] = {
      {clBlack, "0 0 0", "0 0 0", "0 0 0"},
      {clWhite, "1 1 1", "1 1 1", "1 1 1"},
      {20, "0.08 0.00 0.00", "0.078 0 0", "0.07 0 0"},
      {0x0080FF, "1.00 0.50 0.00", "1 0.502 0", "1 0.50 0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PdfStrokeColor(c.Color), c.Stroke);
    EXPECT_EQ(PdfFillColor(c.Color), c.Fill);
    EXPECT_EQ(PdfFrameColor(c.Color), c.Frame);
  }
  EXPECT_EQ(PdfFillColor(clNone), "0 0 0");
  EXPECT_EQ(PdfDash(fsDash, 2), "[12.00 ] 0 d");
  EXPECT_EQ(PdfDash(fsDot, 1), "[2.00 6.00 ] 0 d");
  EXPECT_EQ(PdfDash(fsDouble, 1), "[] 0 d");
  EXPECT_EQ(PdfDash(fsDash, 0.001), "[] 0 d");
}

TEST(PdfContent, LinesShapesAndSkippedObjects) {
  TqdxLineView dbl;
  dbl.SetBounds(0, 100, 200, 0);
  dbl.GetFrame()->SetStyle(fsDouble);
  std::string c = PageContent({&dbl});
  // A double horizontal line is two lines two points apart.
  EXPECT_NE(c.find("0.00 768.25 m\r\n150.00 768.25 l"), std::string::npos) << c;
  EXPECT_NE(c.find("0.00 766.25 m\r\n150.00 766.25 l"), std::string::npos) << c;

  TqdxLineView diag;
  diag.SetBounds(0, 0, 100, 100);
  diag.Diagonal = true;
  diag.GetFrame()->SetStyle(fsDouble);
  EXPECT_NE(PageContent({&diag}).find(" l\r\nS"), std::string::npos) << "a double diagonal is still drawn";

  TqdxShapeView ellipse;
  ellipse.SetBounds(0, 0, 100, 50);
  ellipse.Shape = skEllipse;
  std::string e = PageContent({&ellipse});
  EXPECT_EQ(std::count(e.begin(), e.end(), 'c'), 4) << e;

  TqdxMemoView background;
  background.Name = "_pagebackground";
  background.SetBounds(0, 0, 100, 100);
  background.SetColor(0x00FF00);
  TqdxPictureView pic;
  pic.Name = "_pagebackground";
  pic.SetBounds(0, 0, 100, 100);
  EXPECT_EQ(PageContent({&pic}).find("Do"), std::string::npos);
}

TEST(PdfFile, SamplesPassIndependentReaders) {
  TTempDir dir;
  for (const char* name : {"invoice", "letter", "listing"}) {
    SCOPED_TRACE(name);
    TqdxReport report;
    TqdxPreviewPages pages(&report);
    ASSERT_TRUE(pages.LoadFromFile(std::string(QDX_SOURCE_DIR) + "/samples/" + name + ".qdp"));
    TqdxPDFExport f(nullptr, true);
    f.SetShowDialog(false);
    f.Outline = true;
    f.SetFileName(dir / (std::string(name) + ".pdf"));
    ASSERT_TRUE(report.Export(&f)) << (report.Errors.empty() ? "" : report.Errors.front());
    const std::string pdf = dir / (std::string(name) + ".pdf");
    int code = 0;
    std::string check = Shell("qpdf --check '" + pdf + "'", &code);
    EXPECT_EQ(code, 0) << check;
    EXPECT_EQ(check.find("WARNING"), std::string::npos) << check;
    std::string fonts = Shell("pdffonts '" + pdf + "'");
    // Every font is an embedded subset with a Unicode map.
    size_t rows = 0;
    for (size_t p = fonts.find("CID TrueType"); p != std::string::npos; p = fonts.find("CID TrueType", p + 1)) {
      ++rows;
      std::string line = fonts.substr(p, fonts.find('\n', p) - p);
      EXPECT_NE(line.find("yes yes yes"), std::string::npos) << line;
    }
    EXPECT_GT(rows, 0u) << fonts;
    std::string text = Shell("pdftotext -enc UTF-8 '" + pdf + "' -");
    if (std::string(name) == "invoice") {
      EXPECT_NE(text.find("Northwind Garden Supplies"), std::string::npos) << text;
      EXPECT_NE(text.find("Seed mix \"Meadow\" & grasses"), std::string::npos) << text;
      EXPECT_NE(text.find("Total: 383.74 GBP"), std::string::npos) << text;
    } else if (std::string(name) == "letter") {
      EXPECT_NE(text.find("Atelier Lumière"), std::string::npos) << text;
      EXPECT_NE(text.find("Élodie Marchand"), std::string::npos) << text;
    } else {
      EXPECT_NE(text.find("Page 6 of 6"), std::string::npos) << "[TOTALPAGES#] resolved: " << text;
      std::string outline = Shell("/usr/bin/python3 -c \"import pypdf,sys; r=pypdf.PdfReader(sys.argv[1]); "
                                "print([o.title for o in r.outline])\" '" + pdf + "'");
      EXPECT_NE(outline.find("Warehouse Bradford"), std::string::npos) << outline;
    }
  }
}

TEST(PdfFile, FailedExportLeavesNoFile) {
  TTempDir dir;
  TqdxReport report;
  TqdxPreviewPages pages(&report);
  ASSERT_TRUE(pages.LoadFromFile(std::string(QDX_SOURCE_DIR) + "/samples/invoice.qdp"));
  report.GetEngineOptions()->NewSilentMode = simSilent;
  TqdxPDFExport f(nullptr, true);
  f.SetShowDialog(false);
  WriteWholeFile(dir / "plain", "x");
  f.SetFileName(dir / "plain/out.pdf");
  EXPECT_FALSE(report.Export(&f));
  EXPECT_FALSE(report.Errors.empty());
  EXPECT_FALSE(std::filesystem::exists(dir / "plain/out.pdf"));
}
