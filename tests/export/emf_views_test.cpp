// Views drawn into a metafile and played into PDF render like the raster
// canvas draws them; the PDF filter draws views as metafiles.

#include "tests/export/emf_test_support.h"

#include "document/qdxLineView.h"
#include "document/qdxMemoView.h"
#include "document/qdxPreviewPages.h"
#include "document/qdxReport.h"
#include "document/qdxShapeView.h"
#include "export/pdf/qdxExportPDF.h"
#include "platform/Bitmap.h"
#include "platform/RasterCanvas.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

using namespace emftest;

namespace {

struct TImage {
  int W = 0, H = 0;
  std::vector<uint8_t> Rgb;
  const uint8_t* At(int x, int y) const { return Rgb.data() + (size_t(y) * W + x) * 3; }
};

bool Ink(const uint8_t* p) { return p[0] < 200 || p[1] < 200 || p[2] < 200; }
bool Close(const uint8_t* a, const uint8_t* b) {
  return std::abs(a[0] - b[0]) < 96 && std::abs(a[1] - b[1]) < 96 && std::abs(a[2] - b[2]) < 96;
}

// The share of inked pixels of either picture that the other has nowhere
// within one pixel (lines may fall half a pixel either way).
double Mismatch(const TImage& a, const TImage& b, int* inked) {
  int ink = 0, bad = 0;
  for (int y = 0; y < a.H; ++y)
    for (int x = 0; x < a.W; ++x) {
      const bool ia = Ink(a.At(x, y)), ib = Ink(b.At(x, y));
      if (!ia && !ib) continue;
      ++ink;
      auto found = [&](const TImage& in, const uint8_t* p) {
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int xx = x + dx, yy = y + dy;
            if (xx >= 0 && yy >= 0 && xx < in.W && yy < in.H && Close(in.At(xx, yy), p)) return true;
          }
        return false;
      };
      if (!found(b, a.At(x, y)) || !found(a, b.At(x, y))) ++bad;
    }
  *inked = ink;
  return ink ? double(bad) / ink : 0;
}

TImage RasterOf(TqdxView& v, int w, int h) {
  TBitmap bmp(w, h, TPixelFormat::pf24bit);
  bmp.Fill(0xFFFFFF);
  {
    TRasterCanvas canvas(bmp);
    v.Draw(canvas, 1, 1, -v.AbsLeft(), -v.AbsTop());
  }
  TImage img{w, h, std::vector<uint8_t>(size_t(w) * h * 3)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* s = bmp.ScanLine(y) + x * 3;
      uint8_t* d = img.Rgb.data() + (size_t(y) * w + x) * 3;
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
    }
  return img;
}

// The view through the metafile and the PDF renderer, rasterised by poppler at 96 dpi.
TImage PdfOf(TqdxView& v, int w, int h, std::string* content) {
  TMetafileCanvas canvas(w, h);
  v.Draw(canvas, 1, 1, -v.AbsLeft(), -v.AbsTop());
  const std::string emf = canvas.Finish();
  TMemoryStream file;
  TqdxPDFDocument doc;
  doc.Options().Compressed = false;
  doc.BeginDocument(file);
  TqdxPDFPage& page = doc.AddPage(w * 0.75, h * 0.75);
  {
    TEMFtoPDFExport exp(emf, false, &doc, TEMFTargetRect{0, h * 0.75, w * 0.75, 0}, *content);
    exp.PlayMetafile();
  }
  page.WriteRaw(*content);
  doc.FinishPage();
  doc.EndDocument();
  const auto dir = std::filesystem::temp_directory_path() / ("qdx_emf_view_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "v.pdf", std::ios::binary) << file.Data();
  const std::string cmd = "pdftoppm -r 96 -aaVector no -singlefile " + (dir / "v.pdf").string() + " " +
                          (dir / "v").string() + " 2>&1";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream in(dir / "v.ppm", std::ios::binary);
  std::string magic;
  int pw = 0, ph = 0, maxv = 0;
  in >> magic >> pw >> ph >> maxv;
  in.get();
  TImage img{pw, ph, std::vector<uint8_t>(size_t(std::max(0, pw)) * std::max(0, ph) * 3)};
  in.read(reinterpret_cast<char*>(img.Rgb.data()), std::streamsize(img.Rgb.size()));
  std::filesystem::remove_all(dir);
  return img;
}

TEST(EmfViews, RenderLikeTheRasterCanvas) {
  struct {
    const char* Name;
    std::function<std::unique_ptr<TqdxView>()> Make;
    int W, H;
  } cases[] = {
      {"ellipse",
       [] {
         auto s = std::make_unique<TqdxShapeView>();
         s->Shape = skEllipse;
         s->SetColor(0x3366CC);
         s->SetBounds(0, 0, 120, 80);
         return std::unique_ptr<TqdxView>(std::move(s));
       },
       120, 80},
      {"line with arrows",
       [] {
         auto l = std::make_unique<TqdxLineView>();
         l->Diagonal = true;
         l->ArrowStart = true;
         l->ArrowEnd = true;
         l->ArrowSolid = true;
         l->GetFrame()->SetWidth(2);
         l->SetBounds(10, 10, 100, 60);
         return std::unique_ptr<TqdxView>(std::move(l));
       },
       120, 80},
      {"rotated memo",
       [] {
         auto m = std::make_unique<TqdxMemoView>();
         m->SetText(u"Turned text");
         m->Rotation = 90;
         m->SetBounds(0, 0, 40, 120);
         return std::unique_ptr<TqdxView>(std::move(m));
       },
       40, 120},
  };
  for (auto& c : cases) {
    std::unique_ptr<TqdxView> a = c.Make(), b = c.Make();
    const TImage raster = RasterOf(*a, c.W, c.H);
    std::string content;
    const TImage pdf = PdfOf(*b, c.W, c.H, &content);
    ASSERT_EQ(pdf.W, c.W) << c.Name;
    ASSERT_EQ(pdf.H, c.H) << c.Name;
    int inked = 0;
    const double mismatch = Mismatch(raster, pdf, &inked);
    EXPECT_GT(inked, 50) << c.Name;
    EXPECT_LT(mismatch, 0.12) << c.Name << " inked " << inked << "\n" << content;
    EXPECT_EQ(CheckContent(content), "") << c.Name;
  }
}

// Rotated memos and memos with markup are drawn as metafiles: their text
// stays text instead of becoming a picture.
TEST(EmfViews, FilterDrawsRotatedAndMarkupMemosAsVectors) {
  struct {
    const char* Name;
    std::u16string Text;
    int Rotation;
  } cases[] = {{"rotated", u"Turned text", 90}, {"markup", u"<b>Bold</b> text", 0}};
  for (const auto& c : cases) {
    TqdxMemoView memo;
    memo.SetText(c.Text);
    memo.Rotation = c.Rotation;
    memo.AllowHTMLTags = true;
    memo.SetBounds(20, 20, 120, 120);
    TqdxPDFExport f(nullptr, true);
    f.Compressed = false;
    TMemoryStream out;
    f.Stream = &out;
    ASSERT_TRUE(f.Start());
    TqdxReportPage page;
    f.StartPage(&page, 0);
    f.ExportObject(&memo);
    const std::string content = f.Document()->CurrentPage()->Content().Data();
    f.FinishPage(&page, 0);
    f.Finish();
    EXPECT_NE(content.find("BT\r\n"), std::string::npos) << c.Name << "\n" << content;
    EXPECT_EQ(content.find(" Do\r\n"), std::string::npos) << c.Name;
    EXPECT_EQ(CheckContent(content), "") << c.Name << "\n" << content;
  }
}

}  // namespace
