// Plain text output: the character cell, placement, alignment, frames,
// empty columns and lines, page breaks and code pages.

#include "export/table/qdxExportText.h"

#include "document/qdxClass.h"
#include "document/qdxReport.h"
#include "tests/TestSupport.h"
#include "tests/export/ExportDoubles.h"

#include <gtest/gtest.h>

namespace {

struct TBox {
  double Left, Top, Width, Height;
  std::u16string Text;
  TqdxHAlign Align = haLeft;
  TqdxFrameTypes Sides = 0;
  int FontSize = 10;
};
using TBoxes = std::vector<TBox>;

struct TResult {
  std::string Text;
  std::vector<std::pair<double, double>> Cells;  // CW, CH of each page
};

// Runs the filter's page calls over A4 pages (794 x 1123 pixels) of text
// blocks; a box with a negative height is a horizontal line instead.
TResult Export(TqdxSimpleTextExport& f, const std::vector<TBoxes>& pages) {
  TMemoryStream out;
  TResult result;
  f.Stream = &out;
  EXPECT_TRUE(f.Start());
  for (size_t i = 0; i < pages.size(); ++i) {
    TqdxReportPage page;
    std::vector<std::unique_ptr<TqdxView>> views;
    f.StartPage(&page, static_cast<int>(i));
    for (const TBox& b : pages[i]) {
      if (b.Height < 0) {
        auto line = std::make_unique<TqdxLineView>();
        line->SetBounds(b.Left, b.Top, b.Width, 0);
        views.push_back(std::move(line));
      } else {
        auto memo = std::make_unique<TqdxMemoView>();
        memo->SetBounds(b.Left, b.Top, b.Width, b.Height);
        memo->SetText(b.Text);
        memo->HAlign = b.Align;
        memo->GetFrame()->Typ = b.Sides;
        memo->GetFont()->SetSize(b.FontSize);
        views.push_back(std::move(memo));
      }
      f.ExportObject(views.back().get());
    }
    f.FinishPage(&page, static_cast<int>(i));
    result.Cells.emplace_back(f.CharWidth(), f.CharHeight());
  }
  f.Finish();
  f.Stream = nullptr;
  result.Text = out.Data();
  return result;
}

constexpr TqdxFrameTypes AllSides = 15;

}  // namespace

TEST(SimpleTextExport, PublishesItsOptionsWithTheirInitialValues) {
  TqdxSimpleTextExport f(nullptr, true);
  std::vector<std::string> own;
  for (const auto& p : f.ClassInfo().OwnProperties()) own.push_back(p->Name());
  EXPECT_EQ(own, (std::vector<std::string>{"PageBreaks", "Frames", "EmptyLines", "OEMCodepage", "OpenAfterExport",
                                           "DeleteEmptyColumns"}));
  EXPECT_TRUE(f.PageBreaks);
  EXPECT_FALSE(f.Frames);
  EXPECT_FALSE(f.EmptyLines);
  EXPECT_FALSE(f.OEMCodepage);
  EXPECT_TRUE(f.DeleteEmptyColumns);
  EXPECT_EQ(f.DefaultExt, ".txt");
  EXPECT_EQ(f.GetDescription(), "Text file");
}

TEST(SimpleTextExport, TheCharacterCellComesFromTheTexts) {
  struct TCase {
    const char* Name;
    TBoxes Page;
    double CW, CH;
  } cases[] = {
      {"15 characters in 100 pixels at 10 points", {{0, 0, 100, 20, u"fifteen letters"}}, 4, 10},
      {"the smallest estimate wins",
       {{0, 0, 100, 20, u"fifteen letters"}, {0, 40, 200, 60, u"AB\r\nCD", haLeft, 0, 20}},
       4,
       7.5},
      // Objects without text have no characters to measure.
      {"a line does not count", {{0, 0, 100, 20, u"fifteen letters"}, {0, 50, 300, -1, u""}}, 4, 10},
      {"an empty block does not count", {{0, 0, 100, 20, u"fifteen letters"}, {0, 50, 2, 2, u""}}, 4, 10},
      {"no text at all", {{0, 50, 300, -1, u""}}, 65535, 65535},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TqdxSimpleTextExport f(nullptr, true);
    TResult r = Export(f, {c.Page});
    EXPECT_DOUBLE_EQ(r.Cells[0].first, c.CW);
    EXPECT_DOUBLE_EQ(r.Cells[0].second, c.CH);
  }
  // A page with only a line has no characters: nothing but the page break.
  TqdxSimpleTextExport f(nullptr, true);
  EXPECT_EQ(Export(f, {{{0, 50, 300, -1, u""}}}).Text, "\f");
}

// "ABCDEF" in a 100 x 20 box at 10 points gives a 10 x 10 pixel cell, so a
// box at (x, y) starts at column x / 10 on line y / 10 and holds 8 characters.
TEST(SimpleTextExport, PagesAsText) {
  const TBox six{0, 0, 100, 20, u"ABCDEF"};
  struct TCase {
    const char* Name;
    bool DeleteEmptyColumns, Frames;
    TBoxes Page;
    std::string Expected;
  } cases[] = {
      {"alignment ends two columns before the box's edge",
       false,
       false,
       {six, {100, 0, 100, 20, u"xy", haRight}, {200, 0, 100, 20, u"ab", haCenter}},
       "ABCDEF          xy     ab\r\n"},
      {"a text longer than its box is written whole",
       false,
       false,
       {six, {0, 20, 40, 20, u"wxyzwxyz", haLeft, 0, 2}, {100, 20, 100, 20, u"k"}},
       "ABCDEF\r\nwxyzwxyz  k\r\n"},
      {"empty columns shrink to runs of two",
       true,
       false,
       {six, {70, 20, 20, 20, u"A"}, {110, 40, 20, 20, u"B"}},
       "ABCDEF\r\n       A\r\n          B\r\n"},
      {"empty columns kept",
       false,
       false,
       {six, {70, 20, 20, 20, u"A"}, {110, 40, 20, 20, u"B"}},
       "ABCDEF\r\n       A\r\n           B\r\n"},
      {"frames",
       true,
       true,
       {{100, 100, 100, 20, u"ABCDEF", haLeft, AllSides}},
       "  ----------\r\n  |ABCDEF  |\r\n  ----------\r\n"},
      {"frame marks outside the page are dropped",
       true,
       true,
       {{0, 0, 100, 20, u"ABCDEF", haLeft, AllSides}},
       "ABCDEF  |\r\n---------\r\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TqdxSimpleTextExport f(nullptr, true);
    f.DeleteEmptyColumns = c.DeleteEmptyColumns;
    f.Frames = c.Frames;
    f.PageBreaks = false;
    EXPECT_EQ(Export(f, {c.Page}).Text, c.Expected);
  }
}

TEST(SimpleTextExport, EmptyLinesAndPageBreaks) {
  const TBoxes page = {{0, 0, 100, 20, u"ABCDEF"}, {0, 40, 100, 20, u"GHI"}};
  TqdxSimpleTextExport f(nullptr, true);
  // The gaps between lines disappear; each page ends with a form feed, also
  // one without objects.
  EXPECT_EQ(Export(f, {page, {}, page}).Text, "ABCDEF\r\nGHI\r\n\f\fABCDEF\r\nGHI\r\n\f");

  f.EmptyLines = true;
  f.PageBreaks = false;
  std::string all = Export(f, {page}).Text;
  // Every line of the 1123-pixel page at 10 pixels a line.
  std::string expected = "ABCDEF\r\n\r\n\r\n\r\nGHI\r\n";
  for (int i = 5; i < 112; ++i) expected += "\r\n";
  EXPECT_EQ(all, expected);
}

TEST(SimpleTextExport, CodePagesKeepColumns) {
  const TBoxes page = {
      {0, 0, 100, 20, u"ABCDEF"}, {0, 20, 100, 20, u"\u00e9t\u00e9 \u20ac"}, {100, 20, 100, 20, u"x", haRight}};
  TqdxSimpleTextExport f(nullptr, true);
  f.DeleteEmptyColumns = false;
  f.PageBreaks = false;
  // UTF-8 bytes, but columns counted in characters.
  EXPECT_EQ(Export(f, {page}).Text, "ABCDEF\r\n\xC3\xA9t\xC3\xA9 \xE2\x82\xAC            x\r\n");
  f.OEMCodepage = true;
  EXPECT_EQ(Export(f, {page}).Text, "ABCDEF\r\n\x82t\x82 ?            x\r\n");
}

TEST(SimpleTextExport, HatchedTextStaysText) {
  TqdxSimpleTextExport f(nullptr, true);
  TMemoryStream out;
  f.Stream = &out;
  ASSERT_TRUE(f.Start());
  TqdxReportPage page;
  TqdxMemoView memo;
  memo.SetBounds(0, 0, 100, 20);
  memo.SetText(u"hatched");
  memo.SetBrushStyle(bsCross);
  f.StartPage(&page, 0);
  f.ExportObject(&memo);
  f.FinishPage(&page, 0);
  f.Finish();
  EXPECT_EQ(out.Data(), "hatched\r\n\f");
}

TEST(SimpleTextExport, WritesTheFileOfARunInTheDefaultFolder) {
  TTempDir dir;
  TBandedReport r(1);
  static_cast<TqdxMemoView*>(r.Pages.Pages[0]->FindObject("M"))->SetText(u"data");
  TqdxSimpleTextExport f(nullptr, true);
  EXPECT_FALSE(f.Start());  // neither a file nor a stream
  f.SetShowDialog(false);
  f.ShowProgress = false;
  f.DefaultPath = dir.Path().string();
  f.SetFileName("out.txt");
  ASSERT_TRUE(r.Report.Export(&f));
  // Page header and footer hold empty texts; the empty columns left of the
  // data memo shrink to two.
  EXPECT_EQ(ReadWholeFile(dir / "out.txt"), "  data\r\n\f");
}
