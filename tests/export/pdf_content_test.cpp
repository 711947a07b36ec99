// Page content the PDF filter writes for single objects, checked in the exact
// operators: text views at the edges of justification and rotation, frame
// colours, the page background object.

#include "export/pdf/qdxExportPDF.h"

#include "document/qdxClass.h"
#include "document/qdxPreviewPages.h"
#include "document/qdxReport.h"
#include "platform/CodePage.h"
#include "tests/TestSupport.h"
#include "tests/export/PdfTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

std::string Content(const std::vector<TqdxView*>& views, bool background = false) {
  return PdfPageContent(views, background);
}

std::unique_ptr<TqdxMemoView> Memo(double w, double h, const std::string& text) {
  auto m = std::make_unique<TqdxMemoView>();
  m->SetBounds(20, 30, w, h);
  m->SetText(Utf8ToUtf16(text));
  TqdxFont font;
  font.SetName("Arial");
  font.SetSize(10);
  m->SetFont(font);
  return m;
}

bool Has(const std::string& s, const std::string& what) { return s.find(what) != std::string::npos; }

const char* const LongParagraph =
    "The quick brown fox jumps over the lazy dog and keeps running far beyond the fence of the farm";

}  // namespace

TEST(PdfTextContent, JustificationAndRotationEdges) {
  struct TCase {
    const char* Name;
    std::function<std::unique_ptr<TqdxMemoView>()> Make;
    std::vector<std::string> Present, Absent;
  } cases[] = {
      {"block text that fits on one line is not stretched",
       [] {
         auto m = Memo(400, 40, "Short line of text");
         m->HAlign = haBlock;
         return m;
       },
       {"> Tj"},
       {"TJ"}},
      {"block text that wraps is justified except its last line",
       [] {
         auto m = Memo(200, 120, LongParagraph);
         m->HAlign = haBlock;
         return m;
       },
       {"] TJ", "> Tj"},
       {}},
      {"a wrapped line without spaces stays unjustified",
       [] {
         auto m = Memo(60, 120, "Donaudampfschifffahrtsgesellschaftskapitaen");
         m->HAlign = haBlock;
         m->WordBreak = true;
         return m;
       },
       {"> Tj"},
       {"TJ", "nan", "inf"}},
      {"a line of spaces only in block text writes nothing odd",
       [] {
         auto m = Memo(60, 120, "Word\r\n      \r\nword word word word word word word");
         m->HAlign = haBlock;
         return m;
       },
       {"> Tj"},
       {"nan", "inf"}},
      {"a memo turned by 90 degrees is real text turned by a matrix",
       [] {
         auto m = Memo(40, 200, "Turned text");
         m->Rotation = 90;
         return m;
       },
       {" cm", "BT", "Tf"},
       {" Do", "nan"}},
      {"a memo turned by 90 degrees with vector export off is still text",
       [] {
         auto m = Memo(40, 200, "Turned text");
         m->Rotation = 90;
         m->AllowVectorExport = false;
         return m;
       },
       {" cm", "BT", "Tf"},
       {" Do"}},
      {"negative gaps are written through the text records",
       [] {
         auto m = Memo(200, 40, "Outside the box");
         m->GapX = -4;
         return m;
       },
       {"BT", "Tf"},
       {" Do"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto memo = c.Make();
    const std::string content = Content({memo.get()});
    for (const std::string& p : c.Present) EXPECT_TRUE(Has(content, p)) << "missing " << p << "\n" << content;
    for (const std::string& a : c.Absent) EXPECT_FALSE(Has(content, a)) << "unexpected " << a << "\n" << content;
  }
}

TEST(PdfTextContent, RotatedTextTurnsAboutItsPoint) {
  // Counter-clockwise: 90 degrees is the matrix (0 1 -1 0), 270 is (0 -1 1 0),
  // whether the object is played as vectors or its text runs are written.
  for (bool vectors : {true, false}) {
    SCOPED_TRACE(vectors ? "vectors" : "text runs");
    auto up = Memo(40, 200, "Up");
    up->Rotation = 90;
    up->AllowVectorExport = vectors;
    const std::string c = Content({up.get()});
    EXPECT_TRUE(Has(c, "0.00 1.00 -1.00 0.00 ")) << c;
    auto down = Memo(40, 200, "Down");
    down->Rotation = 270;
    down->AllowVectorExport = vectors;
    const std::string d = Content({down.get()});
    EXPECT_TRUE(Has(d, "0.00 -1.00 1.00 0.00 ")) << d;
    // Each turned run sits in its own graphics state.
    EXPECT_EQ(std::count(c.begin(), c.end(), 'q'), std::count(c.begin(), c.end(), 'Q')) << c;
  }
}

TEST(PdfTextContent, DarkFrameColourKeepsTwoDigits) {
  auto memo = Memo(100, 20, "");
  memo->GetFrame()->Typ = 15;
  memo->GetFrame()->SetColor(20);
  const std::string c = Content({memo.get()});
  EXPECT_TRUE(Has(c, "\r\n0.07 0 0 RG\r\n")) << c;
  EXPECT_EQ(c.find("0.7 0 0 RG"), std::string::npos) << c;
}

TEST(PdfTextContent, PageBackgroundObjectOnlyWithBackground) {
  TqdxPictureView pic;
  pic.Name = "_pagebackground";
  pic.SetBounds(0, 0, 100, 100);
  pic.SetColor(0x00FF00);
  EXPECT_EQ(Content({&pic}), "") << "skipped without Background";
  const std::string with = Content({&pic}, true);
  EXPECT_TRUE(Has(with, "0 1 0 rg")) << with;

  // Any other object of that size and colour is drawn either way.
  TqdxPictureView other;
  other.Name = "Picture1";
  other.SetBounds(0, 0, 100, 100);
  other.SetColor(0x00FF00);
  EXPECT_TRUE(Has(Content({&other}), "0 1 0 rg"));
}

TEST(PdfTextContent, RunawayObjectsWriteOnlyWhatIsOnThePage) {
  // Hatch lines and ruled lines of an object far larger than its page: only
  // those that cross the page are written, so a damaged size cannot make
  // the file (or the time to write it) grow without bound.
  auto memo = Memo(100, 1e12, "Tall");
  memo->SetColor(clWhite);
  static_cast<TqdxBrushFill*>(memo->GetFill())->Style = bsDiagCross;
  memo->Underlines = true;
  const std::string c = Content({memo.get()});
  EXPECT_LT(std::count(c.begin(), c.end(), '\n'), 2000) << c.substr(0, 2000);
  EXPECT_TRUE(Has(c, " m ")) << "the visible lines are still there";
  EXPECT_FALSE(Has(c, "nan"));

  auto wide = Memo(1e12, 100, "");
  static_cast<TqdxBrushFill*>(wide->GetFill())->Style = bsCross;
  const std::string w = Content({wide.get()});
  EXPECT_LT(std::count(w.begin(), w.end(), '\n'), 2000);
}

TEST(PdfTextContent, TextMovedOutOfItsBoxByANegativeGapIsNotCutOff) {
  // The box starts at 15 points; the text starts 6 pixels to the left of it.
  auto memo = Memo(200, 14, "Text set left of its box");
  memo->GapX = -6;
  memo->AllowVectorExport = false;
  const std::string c = Content({memo.get()});
  std::vector<double> clipLefts;
  for (size_t at = c.find(" re\r\nW\r\n"); at != std::string::npos; at = c.find(" re\r\nW\r\n", at + 1))
    clipLefts.push_back(std::stod(c.substr(c.rfind('\n', at) + 1)));
  ASSERT_FALSE(clipLefts.empty()) << c;
  for (double x : clipLefts) EXPECT_LE(x, 15 - 6 * 0.75) << c;
  const size_t td = c.find(" Td");
  ASSERT_NE(td, std::string::npos) << c;
  EXPECT_LT(std::stod(c.substr(c.rfind('\n', td) + 1)), 15) << c;
}

TEST(PdfTextContent, PageColourAndFrameInsideTheMargins) {
  for (bool background : {false, true}) {
    SCOPED_TRACE(background ? "Background" : "no Background");
    TqdxPDFExport f(nullptr, true);
    f.Compressed = false;
    f.Background = background;
    TMemoryStream out;
    f.Stream = &out;
    ASSERT_TRUE(f.Start());
    TqdxReportPage page;
    page.LeftMargin = page.RightMargin = page.TopMargin = page.BottomMargin = 10;
    page.Color = 20;  // red 20: a dark colour keeps two digits
    page.GetFrame()->Typ = 15;
    f.StartPage(&page, 0);
    const std::string c = f.Document()->CurrentPage()->Content().Data();
    f.FinishPage(&page, 0);
    f.Finish();
    // 10 mm is 28.35 points; the page is 595.5 x 842.25 points.
    const std::string fill =
        "q\r\n0.00 w\r\n0.07 0 0 RG\r\n0.07 0 0 rg\r\n"
        "28.85 28.35 m 567.65 28.35 l 567.65 813.90 l 28.85 813.90 l\r\nB\r\nQ\r\n";
    EXPECT_EQ(Has(c, fill), background) << c;
    // The frame is drawn either way, its bottom side first.
    EXPECT_TRUE(Has(c, "28.85 28.35 m\r\n567.65 28.35 l\r\nS")) << c;
  }
}

TEST(PdfTextContent, CheckBoxesOfEveryStylePaintOnlyPaths) {
  // Each mark, checked and unchecked, with and without a full frame and a
  // colour: a renderer meets no painting operator without a path.
  std::vector<std::unique_ptr<TqdxCheckBoxView>> boxes;
  std::vector<TqdxView*> views;
  int i = 0;
  for (bool checked : {true, false})
    for (int style = 0; style < 4; ++style)
      for (int typ : {0, 15})
        for (TqdxColor color : {clNone, clWhite}) {
          auto b = std::make_unique<TqdxCheckBoxView>();
          b->SetBounds(10 + (i % 16) * 40, 10 + (i / 16) * 40, 24, 24);
          b->Checked = checked;
          b->CheckStyle = static_cast<TqdxCheckStyle>(style);
          b->UncheckStyle = static_cast<TqdxUncheckStyle>(style);
          b->GetFrame()->Typ = typ;
          b->SetColor(color);
          b->AllowVectorExport = false;  // the check box's own operators
          views.push_back(b.get());
          boxes.push_back(std::move(b));
          ++i;
        }
  TTempDir dir;
  TqdxPDFExport f(nullptr, true);
  f.Compressed = false;
  TMemoryStream out;
  f.Stream = &out;
  ASSERT_TRUE(f.Start());
  TqdxReportPage page;
  f.StartPage(&page, 0);
  for (TqdxView* v : views) f.ExportObject(v);
  const std::string content = f.Document()->CurrentPage()->Content().Data();
  f.FinishPage(&page, 0);
  f.Finish();
  // An unchecked box without a mark and without a frame paints nothing.
  EXPECT_EQ(content.find("rg\r\nB\r\n"), std::string::npos) << content;
  EXPECT_EQ(content.find("rg\r\nS\r\n"), std::string::npos) << content;
  EXPECT_EQ(content.find("rg\r\n S "), std::string::npos) << "an empty box strokes no mark before its frame\n" << content;
  WriteWholeFile(dir / "boxes.pdf", out.Data());
  TShellRun r = RunShell("pdftoppm -r 24 -png '" + dir / "boxes.pdf" + "' '" + dir / "boxes" + "'");
  EXPECT_EQ(r.Code, 0) << r.Output;
  EXPECT_EQ(r.Output, "") << r.Output;
}

TEST(PdfTextContent, DropShadowTakesItsWidthOffTheTextBox) {
  // A box 5 pixels larger with a 5-pixel shadow places its text exactly as
  // the box without one, for every alignment that measures from the right
  // or the bottom.
  auto positions = [](const std::string& c) {
    std::string td;
    for (size_t at = c.find(" Td"); at != std::string::npos; at = c.find(" Td", at + 1))
      td += c.substr(c.rfind('\n', at) + 1, at - c.rfind('\n', at) - 1) + ";";
    return td;
  };
  for (TqdxHAlign h : {haRight, haCenter})
    for (TqdxVAlign v : {vaBottom, vaCenter}) {
      auto plain = Memo(200, 40, "Shadowed text");
      plain->HAlign = h;
      plain->VAlign = v;
      auto shadowed = Memo(205, 45, "Shadowed text");
      shadowed->HAlign = h;
      shadowed->VAlign = v;
      shadowed->GetFrame()->DropShadow = true;
      shadowed->GetFrame()->ShadowWidth = 5;
      const std::string a = positions(Content({plain.get()})), b = positions(Content({shadowed.get()}));
      EXPECT_FALSE(a.empty());
      EXPECT_EQ(a, b) << int(h) << " " << int(v);
    }
}

TEST(PdfTextContent, LinesWithoutColourOrWidth) {
  struct {
    const char* Name;
    TqdxColor Color;
    double Width;
    bool Diagonal;
    int Strokes;  // "S" operators: the line and an open arrow head
  } cases[] = {
      {"plain", clBlack, 1, false, 2},
      {"no colour", clNone, 1, false, 0},
      {"no colour, diagonal", clNone, 1, true, 0},
      {"no width keeps its head", clBlack, 0, false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TqdxLineView line;
    line.SetBounds(10, 10, 200, c.Diagonal ? 50 : 0);
    line.Diagonal = c.Diagonal;
    line.ArrowEnd = true;
    line.GetFrame()->SetColor(c.Color);
    line.GetFrame()->SetWidth(c.Width);
    line.AllowVectorExport = false;
    const std::string content = Content({&line});
    int strokes = 0;
    for (size_t at = content.find("\r\nS\r\n"); at != std::string::npos; at = content.find("\r\nS\r\n", at + 1)) ++strokes;
    EXPECT_EQ(strokes, c.Strokes) << content;
    EXPECT_EQ(content.find("0.00 w"), std::string::npos) << "no hairline for a line without width\n" << content;
  }
}
