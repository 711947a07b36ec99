// How the PDF filter writes pictures and objects drawn as rasters: where the
// image is placed, its size in pixels, soft masks, sharing of image objects
// between pages, metafile pictures as vectors, and damaged pictures.

#include "export/pdf/qdxExportPDF.h"

#include "document/qdxClass.h"
#include "document/qdxReport.h"
#include "platform/MetafileCanvas.h"
#include "platform/PngFile.h"
#include "platform/Streams.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>
#include <png.h>

#include <functional>
#include <memory>
#include <regex>

namespace {

bool Has(const std::string& s, const std::string& what) { return s.find(what) != std::string::npos; }

int Count(const std::string& s, const std::string& what) {
  int n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

// A PNG of w x h pixels; with alpha the left half is opaque red and the right
// half half-transparent blue, otherwise all opaque green.
std::string Png(int w, int h, bool alpha) {
  TBitmap b(w, h, alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (!alpha) b.SetPixel(x, y, RGBColor(0, 160, 0));
      else if (x < w / 2) b.SetPixel(x, y, RGBColor(255, 0, 0), 255);
      else b.SetPixel(x, y, RGBColor(0, 0, 255), 128);
    }
  TMemoryStream out;
  WritePng(out, b);
  return out.Data();
}

void PngWrite(png_structp png, png_bytep data, png_size_t size) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), size);
}

// An 8 x 8 PNG with a two-colour palette whose first entry is transparent
// (left half transparent, right half black).
std::string PalettePngWithTransparency() {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, PngWrite, nullptr);
  png_set_IHDR(png, info, 8, 8, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color palette[2] = {{255, 255, 255}, {0, 0, 0}};
  png_set_PLTE(png, info, palette, 2);
  png_byte trans[1] = {0};
  png_set_tRNS(png, info, trans, 1, nullptr);
  png_write_info(png, info);
  png_byte row[8] = {0, 0, 0, 0, 1, 1, 1, 1};
  for (int y = 0; y < 8; ++y) png_write_row(png, row);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

// A small enhanced metafile: a filled rectangle.
std::string Metafile() {
  TMetafileCanvas canvas(40, 20);
  TBrush brush;
  brush.Color = RGBColor(200, 0, 0);
  canvas.FillRect(TRect{5, 5, 35, 15}, brush);
  return canvas.Finish();
}

std::unique_ptr<TqdxPictureView> Picture(TqdxGraphicKind kind, const std::string& bytes, double l, double t,
                                         double w, double h) {
  auto p = std::make_unique<TqdxPictureView>();
  p->Name = "Picture1";
  p->SetBounds(l, t, w, h);
  p->GetPicture()->SetGraphic(kind, bytes);
  return p;
}

// Text with markup, which the filter draws as a picture unless it may
// become vectors.
std::unique_ptr<TqdxMemoView> MarkupMemo() {
  auto m = std::make_unique<TqdxMemoView>();
  m->AllowHTMLTags = true;
  m->SetText(u"<b>Hello</b> world");
  return m;
}

struct TOutput {
  std::vector<std::string> Pages;  // content streams
  std::string File;                // the whole file, uncompressed
};

// Exports the pages (each a list of objects) through a filter the caller has
// set up, to memory and uncompressed.
TOutput Export(TqdxPDFExport& f, const std::vector<std::vector<TqdxView*>>& pages) {
  f.Compressed = false;
  f.FixedFileID = std::string(32, 'c');
  TMemoryStream out;
  f.Stream = &out;
  TOutput result;
  EXPECT_TRUE(f.Start());
  int index = 0;
  for (const auto& views : pages) {
    TqdxReportPage page;
    f.StartPage(&page, index);
    for (TqdxView* v : views) f.ExportObject(v);
    result.Pages.push_back(f.Document()->CurrentPage()->Content().Data());
    f.FinishPage(&page, index++);
  }
  f.Finish();
  result.File = out.Data();
  return result;
}

TOutput Export(const std::vector<TqdxView*>& views, const std::function<void(TqdxPDFExport&)>& setup = {}) {
  TqdxPDFExport f(nullptr, true);
  if (setup) setup(f);
  return Export(f, {views});
}

// "/Width w" and "/Height h" of the image objects, in file order.
std::vector<std::pair<int, int>> ImageSizes(const std::string& file) {
  std::vector<std::pair<int, int>> sizes;
  static const std::regex image("/Subtype /Image\\r\\n(?:[^\\r]*\\r\\n)*?/Width (\\d+)\\r\\n/Height (\\d+)");
  for (auto it = std::sregex_iterator(file.begin(), file.end(), image); it != std::sregex_iterator(); ++it)
    sizes.emplace_back(std::stoi((*it)[1]), std::stoi((*it)[2]));
  return sizes;
}

// The "cm" line placing the first image of a page.
std::string PlacementOf(const std::string& content) {
  const size_t doAt = content.find(" Do");
  if (doAt == std::string::npos) return "";
  const size_t cmEnd = content.rfind(" cm", doAt);
  const size_t lineStart = content.rfind("\r\n", cmEnd);
  return content.substr(lineStart + 2, cmEnd + 3 - lineStart - 2);
}

std::string Reader(const std::string& command) {
  TShellRun r = RunShell(command);
  EXPECT_EQ(r.Code, 0) << command << "\n" << r.Output;
  return r.Output;
}

}  // namespace

// Pixels are 0.75 points; the top of a default report page is at 842.25.
TEST(PdfPictures, PlacementOfPicturesKeptInTheirOwnPixels) {
  const std::string png = Png(100, 50, false);
  struct TCase {
    const char* Name;
    double W, H;
    bool Stretched, KeepAspectRatio, Center, SaveOriginalImages;
    const char* Cm;
    std::pair<int, int> Pixels;
  } cases[] = {
      // Fitted inside a wide frame keeping the aspect ratio: narrower than
      // the frame and at its left.
      {"aspect ratio in a wide frame", 400, 100, true, true, false, true, "150.00 0 0 75.00 7.50 752.25 cm", {100, 50}},
      {"aspect ratio in a tall frame", 100, 400, true, true, false, true, "75.00 0 0 37.50 7.50 789.75 cm", {100, 50}},
      {"stretched over the frame", 400, 100, true, false, false, true, "300.00 0 0 75.00 7.50 752.25 cm", {100, 50}},
      // Not stretched: never larger than the picture, cut to the frame.
      {"not stretched, large frame", 400, 100, false, true, false, true, "75.00 0 0 37.50 7.50 789.75 cm", {100, 50}},
      {"not stretched, small frame", 60, 30, false, true, false, true, "45.00 0 0 22.50 7.50 804.75 cm", {60, 30}},
      // Drawn by the object at its scale over the whole frame.
      {"centred", 400, 100, true, true, true, true, "300.00 0 0 75.00 7.50 752.25 cm", {400, 100}},
      {"without original images", 400, 100, true, true, false, false, "300.00 0 0 75.00 7.50 752.25 cm", {400, 100}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto pic = Picture(TqdxGraphicKind::gkPNG, png, 10, 20, c.W, c.H);
    pic->Stretched = c.Stretched;
    pic->KeepAspectRatio = c.KeepAspectRatio;
    pic->Center = c.Center;
    const TOutput out = Export({pic.get()}, [&](TqdxPDFExport& f) { f.SaveOriginalImages = c.SaveOriginalImages; });
    EXPECT_TRUE(Has(out.Pages[0], "q\r\n" + std::string(c.Cm) + "\r\n/Im0 Do\r\nQ\r\n")) << out.Pages[0];
    EXPECT_EQ(ImageSizes(out.File), (std::vector<std::pair<int, int>>{c.Pixels}));
  }
}

TEST(PdfPictures, RasterSizeFollowsTheKindOfObject) {
  struct TCase {
    const char* Name;
    std::function<std::unique_ptr<TqdxView>()> Make;
    bool PrintOptimized;
    std::pair<int, int> Pixels;
    const char* Cm;
  } cases[] = {
      {"plain object", [] { return std::make_unique<TqdxView>(); }, false, {40, 20}, "30.00 0 0 15.00 7.50 812.25 cm"},
      {"print optimized", [] { return std::make_unique<TqdxView>(); }, true, {120, 60}, "30.00 0 0 15.00 7.50 812.25 cm"},
      {"barcode", [] { return std::make_unique<TqdxBarCodeView>(); }, false, {80, 40}, "30.00 0 0 15.00 7.50 812.25 cm"},
      {"barcode, print optimized", [] { return std::make_unique<TqdxBarCodeView>(); }, true, {120, 60},
       "30.00 0 0 15.00 7.50 812.25 cm"},
      // Text with markup that may not become vectors is a picture, three
      // times finer unless hatched.
      {"text with markup", [] { return MarkupMemo(); }, false, {120, 60}, "30.00 0 0 15.00 7.50 812.25 cm"},
      {"hatched text with markup",
       [] {
         auto m = MarkupMemo();
         m->SetBrushStyle(bsCross);
         m->SetColor(0xFF);
         return m;
       },
       false, {40, 20}, "30.00 0 0 15.00 7.50 812.25 cm"},
      // The drawing bounds of a drop shadow widen the raster to the right
      // and down; it does not move.
      {"drop shadow",
       [] {
         auto v = std::make_unique<TqdxView>();
         v->GetFrame()->DropShadow = true;
         return v;
       },
       false, {44, 24}, "33.00 0 0 18.00 7.50 809.25 cm"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::unique_ptr<TqdxView> v = c.Make();
    v->SetBounds(10, 20, 40, 20);
    v->AllowVectorExport = false;
    const TOutput out = Export({v.get()}, [&](TqdxPDFExport& f) { f.PrintOptimized = c.PrintOptimized; });
    EXPECT_EQ(ImageSizes(out.File), (std::vector<std::pair<int, int>>{c.Pixels}));
    EXPECT_EQ(PlacementOf(out.Pages[0]), c.Cm) << out.Pages[0];
  }
}

TEST(PdfPictures, TransparentPngsShareImageAndMaskAcrossPages) {
  TTempDir dir;
  struct TCase {
    const char* Name;
    std::string Bytes;
    bool Transparent;
    bool Masked;
  } cases[] = {
      {"alpha channel", Png(16, 8, true), true, true},
      {"palette with a transparent entry", PalettePngWithTransparency(), true, true},
      {"opaque PNG", Png(16, 8, false), true, false},
      {"object not transparent", Png(16, 8, true), false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto first = Picture(TqdxGraphicKind::gkPNG, c.Bytes, 10, 20, 32, 16);
    auto second = Picture(TqdxGraphicKind::gkPNG, c.Bytes, 50, 60, 32, 16);
    first->Transparent = second->Transparent = c.Transparent;
    TqdxPDFExport f(nullptr, true);
    const TOutput out = Export(f, {{first.get()}, {second.get()}});
    EXPECT_EQ(Count(out.File, "/SMask "), c.Masked ? 1 : 0);
    EXPECT_EQ(Count(out.File, "/Subtype /Image"), c.Masked ? 2 : 1) << "one image (and one mask) for both pages";
    if (c.Masked) {
      // The picture over the object's box: width and height in points at the
      // object's left and bottom.
      EXPECT_TRUE(Has(out.Pages[0], "q\r\n24.00 0 0 12.00 7.50 815.25 cm\r\n/Im0 Do\r\nQ\r\n")) << out.Pages[0];
      EXPECT_TRUE(Has(out.Pages[1], "q\r\n24.00 0 0 12.00 37.50 785.25 cm\r\n/Im0 Do\r\nQ\r\n")) << out.Pages[1];
      EXPECT_EQ(ImageSizes(out.File), (std::vector<std::pair<int, int>>{{33, 17}, {33, 17}}));
    }
    const std::string pdf = dir / "transparent.pdf";
    WriteWholeFile(pdf, out.File);
    const std::string check = Reader("qpdf --check '" + pdf + "'");
    EXPECT_FALSE(Has(check, "WARNING")) << check;
    const std::string objects = Reader(
        "/usr/bin/python3 -c \"import pikepdf,sys\n"
        "p=pikepdf.open(sys.argv[1])\n"
        "for page in p.pages:\n"
        "  for name,im in page.Resources.XObject.items():\n"
        "    m=im.get('/SMask')\n"
        "    print(im.objgen, m.objgen if m is not None else None, "
        "sorted(set(m.read_bytes())) if m is not None else None)\" '" + pdf + "'");
    const size_t lineEnd = objects.find('\n');
    ASSERT_NE(lineEnd, std::string::npos) << objects;
    // Both pages name the very same image and mask objects.
    EXPECT_EQ(objects.substr(0, lineEnd + 1), objects.substr(lineEnd + 1)) << objects;
    if (c.Masked) EXPECT_TRUE(Has(objects, "[0, ") && Has(objects, "255]")) << "transparent and opaque pixels: " << objects;
  }
}

TEST(PdfPictures, SoftMasksOfObjectsWithoutColour) {
  struct TCase {
    const char* Name;
    TqdxColor Color;
    bool Transparency;
    bool Masked;
  } cases[] = {
      {"no colour, transparency", clNone, true, true},
      {"no colour, no transparency", clNone, false, false},
      {"white, transparency", clWhite, true, false},
  };
  TTempDir dir;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto memo = MarkupMemo();
    memo->SetBounds(10, 20, 60, 30);
    memo->AllowVectorExport = false;
    memo->SetColor(c.Color);
    const TOutput out = Export({memo.get()}, [&](TqdxPDFExport& f) { f.Transparency = c.Transparency; });
    EXPECT_EQ(Count(out.File, "/SMask "), c.Masked ? 1 : 0);
    if (!c.Masked) continue;
    const std::string pdf = dir / "memo.pdf";
    WriteWholeFile(pdf, out.File);
    // The letters are opaque, the space around them lets the page show.
    const std::string alpha = Reader(
        "/usr/bin/python3 -c \"import pikepdf,sys\n"
        "p=pikepdf.open(sys.argv[1])\n"
        "im=[v for k,v in p.pages[0].Resources.XObject.items()][0]\n"
        "b=im.SMask.read_bytes()\n"
        "print(b.count(0) > len(b)//2, b.count(255) > 0)\" '" + pdf + "'");
    EXPECT_EQ(alpha, "True True\n");
  }
}

TEST(PdfPictures, PicturesWithATransparentColourAreMaskedByIt) {
  // A white picture with a black bar; white is the transparent colour.
  TBitmap b(20, 10);
  b.Fill(clWhiteRGB);
  for (int y = 3; y < 6; ++y)
    for (int x = 0; x < 20; ++x) b.SetPixel(x, y, 0);
  TMemoryStream png;
  WritePng(png, b);
  auto pic = Picture(TqdxGraphicKind::gkPNG, png.Data(), 10, 20, 20, 10);
  pic->Transparent = true;
  pic->SetColor(clNone);
  const TOutput out = Export({pic.get()}, [](TqdxPDFExport& f) { f.Transparency = true; });
  EXPECT_EQ(Count(out.File, "/SMask "), 1);
  // The mask is written uncompressed here: 30% opaque (the bar), 70% not.
  const size_t stream = out.File.find("/Interpolate false");
  ASSERT_NE(stream, std::string::npos);
  const size_t data = out.File.find("stream\r\n", stream) + 8;
  const std::string mask = out.File.substr(data, 200);
  EXPECT_EQ(std::count(mask.begin(), mask.end(), char(255)), 60);
  EXPECT_EQ(std::count(mask.begin(), mask.end(), char(0)), 140);
}

TEST(PdfPictures, MetafilePicturesBecomeVectors) {
  struct TCase {
    const char* Name;
    bool AllowVectorExport;
    bool Vectors;
  } cases[] = {
      {"vector export allowed", true, true},
      {"vector export not allowed", false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto pic = Picture(TqdxGraphicKind::gkMetafile, Metafile(), 10, 20, 40, 20);
    pic->AllowVectorExport = c.AllowVectorExport;
    TqdxReport report;
    TqdxPDFExport f(nullptr, true);
    f.Report = &report;
    const TOutput out = Export(f, {{pic.get()}});
    EXPECT_TRUE(report.Errors.empty()) << (report.Errors.empty() ? "" : report.Errors.front());
    EXPECT_EQ(Has(out.Pages[0], "/Im"), !c.Vectors) << out.Pages[0];
    EXPECT_EQ(Has(out.Pages[0], "0.784 0 0 rg"), c.Vectors) << "the rectangle's colour as a fill: " << out.Pages[0];
  }
  // A picture of pixels stays an image even when vectors are allowed.
  auto png = Picture(TqdxGraphicKind::gkPNG, Png(4, 4, false), 10, 20, 40, 20);
  EXPECT_TRUE(Has(Export({png.get()}).Pages[0], "/Im0 Do"));
}

TEST(PdfPictures, DamagedPicturesAreReportedAndLeftOut) {
  const std::string good = Png(16, 8, true);
  const std::string emf = Metafile();
  std::string badEmf = emf;
  badEmf.resize(badEmf.size() - 20);  // the end record and part of the rectangle gone
  struct TCase {
    const char* Name;
    TqdxGraphicKind Kind;
    std::string Bytes;
    bool Transparent;
    const char* Problem;
  } cases[] = {
      {"truncated PNG", TqdxGraphicKind::gkPNG, good.substr(0, good.size() / 2), false, "damaged"},
      {"truncated transparent PNG", TqdxGraphicKind::gkPNG, good.substr(0, good.size() / 2), true, "damaged"},
      {"PNG signature then rubbish", TqdxGraphicKind::gkPNG, good.substr(0, 8) + std::string(200, 'x'), true,
       "damaged"},
      {"JPEG without data", TqdxGraphicKind::gkJPEG, std::string("\xFF\xD8\xFF\xD9", 4), false, "damaged"},
      {"cut metafile", TqdxGraphicKind::gkMetafile, badEmf, false, "metafile"},
      {"older metafile", TqdxGraphicKind::gkWMF, std::string(40, '\0'), false, "older Windows metafile"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TqdxReport report;
    auto pic = Picture(c.Kind, c.Bytes, 10, 20, 32, 16);
    pic->Transparent = c.Transparent;
    pic->GetFrame()->Typ = 15;
    // The same damaged picture on the next page is not reported again.
    auto again = Picture(c.Kind, c.Bytes, 10, 20, 32, 16);
    TqdxPDFExport f(nullptr, true);
    f.Report = &report;
    const TOutput out = Export(f, {{pic.get()}, {again.get()}});
    ASSERT_EQ(report.Errors.size(), 1u);
    EXPECT_TRUE(Has(report.Errors[0], "Picture1")) << report.Errors[0];
    EXPECT_TRUE(Has(report.Errors[0], "page 1")) << report.Errors[0];
    EXPECT_TRUE(Has(report.Errors[0], c.Problem)) << report.Errors[0];
    // The frame is still drawn and the file is complete.
    EXPECT_TRUE(Has(out.Pages[0], " RG")) << out.Pages[0];
    EXPECT_TRUE(Has(out.File, "%%EOF"));
  }
}

TEST(PdfPictures, RunawaySizesGiveALimitedRaster) {
  TqdxView wide;
  wide.SetBounds(0, 0, 2e6, 10);
  wide.AllowVectorExport = false;
  wide.SetColor(0xFF);
  TqdxView huge;
  huge.SetBounds(0, 0, 1e5, 1e5);
  huge.AllowVectorExport = false;
  huge.SetColor(0xFF00);
  const TOutput out = Export({&wide, &huge});
  const auto sizes = ImageSizes(out.File);
  ASSERT_EQ(sizes.size(), 2u);
  EXPECT_EQ(sizes[0], (std::pair<int, int>{16384, 1}));
  EXPECT_EQ(sizes[1], (std::pair<int, int>{4096, 4096}));
  // Placed over the whole object all the same.
  EXPECT_TRUE(Has(out.Pages[0], "1500000.00 0 0 7.50 0.00 834.75 cm")) << out.Pages[0].substr(0, 400);
}

TEST(PdfPictures, FrameWidthsAreGivenBackAfterDrawing) {
  TqdxView v;
  v.SetBounds(10, 20, 40, 20);
  v.AllowVectorExport = false;
  v.GetFrame()->Typ = 15;
  v.GetFrame()->SetWidth(2);
  v.GetFrame()->GetLeftLine()->Width = 5;
  const TOutput out = Export({&v});
  EXPECT_EQ(v.GetFrame()->GetWidth(), 2);
  EXPECT_EQ(v.GetFrame()->GetLeftLine()->Width, 5);
  EXPECT_EQ(v.GetFrame()->GetTopLine()->Width, 2);
  // The frame is drawn after the image, with the left side's own width.
  const std::string& c = out.Pages[0];
  EXPECT_LT(c.find("/Im0 Do"), c.find("3.75 w")) << c;
}

TEST(PdfPictures, DispatchOfObjectsThatAreNotText) {
  struct TCase {
    const char* Name;
    std::function<std::unique_ptr<TqdxView>()> Make;
    bool Image;
    std::vector<std::string> Present;
  } cases[] = {
      // A check box that may become vectors is drawn through its metafile;
      // otherwise by the filter's own check box operators.
      {"check box as vectors", [] { return std::make_unique<TqdxCheckBoxView>(); }, false, {" l\r\n"}},
      {"check box without vectors",
       [] {
         auto b = std::make_unique<TqdxCheckBoxView>();
         b->AllowVectorExport = false;
         return b;
       },
       false, {" w 2 J "}},
      {"plain object as vectors", [] { return std::make_unique<TqdxView>(); }, false, {}},
      {"page background without Background",
       [] {
         auto p = Picture(TqdxGraphicKind::gkMetafile, Metafile(), 0, 0, 40, 20);
         p->Name = "_pagebackground";
         return p;
       },
       false, {}},
      {"picture of pixels", [] { return Picture(TqdxGraphicKind::gkPNG, Png(4, 4, false), 0, 0, 40, 20); }, true, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::unique_ptr<TqdxView> v = c.Make();
    if (!dynamic_cast<TqdxPictureView*>(v.get())) v->SetBounds(10, 20, 40, 20);
    const std::string content = Export({v.get()}).Pages[0];
    EXPECT_EQ(Has(content, " Do"), c.Image) << content;
    for (const std::string& p : c.Present) EXPECT_TRUE(Has(content, p)) << p << "\n" << content;
  }
}

TEST(PdfPictures, FrameWidthsAreGivenBackWhenDrawingFails) {
  struct TFailingView : TqdxView {
    void Draw(TCanvas&, double, double, double, double) override { throw std::runtime_error("cannot draw"); }
  } v;
  v.SetBounds(10, 20, 40, 20);
  v.AllowVectorExport = false;
  v.GetFrame()->SetWidth(2);
  v.GetFrame()->GetBottomLine()->Width = 4;
  TqdxPDFExport f(nullptr, true);
  TMemoryStream out;
  f.Stream = &out;
  ASSERT_TRUE(f.Start());
  TqdxReportPage page;
  f.StartPage(&page, 0);
  EXPECT_THROW(f.ExportObject(&v), std::runtime_error);
  EXPECT_EQ(v.GetFrame()->GetWidth(), 2);
  EXPECT_EQ(v.GetFrame()->GetBottomLine()->Width, 4);
  EXPECT_EQ(v.GetFrame()->GetLeftLine()->Width, 2);
}

TEST(PdfPictures, EveryCutOfAPictureIsSafe) {
  const std::string sources[] = {Png(6, 4, true), PalettePngWithTransparency(), Metafile()};
  const TqdxGraphicKind kinds[] = {TqdxGraphicKind::gkPNG, TqdxGraphicKind::gkPNG, TqdxGraphicKind::gkMetafile};
  for (size_t s = 0; s < std::size(sources); ++s)
    for (size_t n = 1; n < sources[s].size(); ++n)
      for (const bool transparent : {false, true}) {
        SCOPED_TRACE(std::to_string(s) + " cut at " + std::to_string(n));
        TqdxReport report;
        auto pic = Picture(kinds[s], sources[s].substr(0, n), 10, 20, 30, 20);
        pic->Transparent = transparent;
        pic->AllowVectorExport = !transparent;
        TqdxPDFExport f(nullptr, true);
        f.Report = &report;
        f.Transparency = transparent;
        const TOutput out = Export(f, {{pic.get()}});
        EXPECT_TRUE(Has(out.File, "%%EOF"));
        EXPECT_EQ(report.Errors.size(), 1u);
      }
}
