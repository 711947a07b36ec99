// CSV output: fields, quoting, spans, code pages and the file itself.

#include "export/table/qdxExportCSV.h"

#include "document/qdxClass.h"
#include "document/qdxReport.h"
#include "export/qdxIOTransport.h"
#include "tests/TestSupport.h"
#include "tests/export/ExportDoubles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TBox {
  double Left, Top, Width, Height;
  std::u16string Text;
};
using TBoxes = std::vector<TBox>;

// Runs the filter's page calls over pages of text blocks, output to memory.
std::string Export(TqdxCSVExport& f, const std::vector<TBoxes>& pages) {
  TMemoryStream out;
  f.Stream = &out;
  EXPECT_TRUE(f.Start());
  for (size_t i = 0; i < pages.size(); ++i) {
    TqdxReportPage page;
    std::vector<std::unique_ptr<TqdxMemoView>> views;
    f.StartPage(&page, static_cast<int>(i));
    for (const TBox& b : pages[i]) {
      views.push_back(std::make_unique<TqdxMemoView>());
      views.back()->SetBounds(b.Left, b.Top, b.Width, b.Height);
      views.back()->SetText(b.Text);
      f.ExportObject(views.back().get());
    }
    f.FinishPage(&page, static_cast<int>(i));
  }
  f.Finish();
  f.Stream = nullptr;
  return out.Data();
}

// Blocks side by side in one row, 150 pixels each.
TBoxes Row(const std::vector<std::u16string>& texts) {
  TBoxes row;
  for (size_t i = 0; i < texts.size(); ++i) row.push_back({150.0 * static_cast<double>(i), 0, 150, 40, texts[i]});
  return row;
}

}  // namespace

TEST(CSVExport, PublishesItsOptionsWithTheirInitialValues) {
  TqdxCSVExport f(nullptr, true);
  std::vector<std::string> own;
  for (const auto& p : f.ClassInfo().OwnProperties()) own.push_back(p->Name());
  EXPECT_EQ(own, (std::vector<std::string>{"Separator", "OEMCodepage", "UTF8", "OpenAfterExport", "NoSysSymbols",
                                           "ForcedQuotes"}));
  EXPECT_EQ(f.Separator, ",");  // the list separator of the system's settings
  EXPECT_FALSE(f.OEMCodepage);
  EXPECT_FALSE(f.UTF8);
  EXPECT_TRUE(f.NoSysSymbols);
  EXPECT_FALSE(f.ForcedQuotes);
  EXPECT_EQ(f.DefaultExt, ".csv");
  EXPECT_EQ(f.GetDescription(), "CSV file");
}

TEST(CSVExport, FieldsAreQuotedWhenTheyMustBe) {
  struct TCase {
    const char* Name;
    std::string Separator;
    bool NoSysSymbols, ForcedQuotes;
    std::vector<std::u16string> Texts;
    std::string Expected;
  } cases[] = {
      {"separator inside", ";", true, false, {u"a;b", u"c"}, "\"a;b\";c\r\n"},
      {"comma is no separator then", ";", true, false, {u"a,b", u"c"}, "a,b;c\r\n"},
      {"quotes doubled", ",", true, false, {u"say \"hi\"", u"x"}, "\"say \"\"hi\"\"\",x\r\n"},
      {"two lines run together", ",", true, false, {u"one\r\ntwo"}, "onetwo\r\n"},
      {"two lines kept", ",", false, false, {u"one\r\ntwo"}, "\"one\r\ntwo\"\r\n"},
      {"empty field", ",", true, false, {u"", u"x", u""}, ",x,\r\n"},
      {"forced quotes skip empty fields", ",", true, true, {u"", u"x", u"y"}, ",\"x\",\"y\"\r\n"},
      {"first character separates", "|;", true, false, {u"a", u"b|c"}, "a|\"b|c\"\r\n"},
      {"empty separator: the list separator", "", true, false, {u"a", u"b,c"}, "a,\"b,c\"\r\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TqdxCSVExport f(nullptr, true);
    f.Separator = c.Separator;
    f.NoSysSymbols = c.NoSysSymbols;
    f.ForcedQuotes = c.ForcedQuotes;
    EXPECT_EQ(Export(f, {Row(c.Texts)}), c.Expected);
  }
}

TEST(CSVExport, SpansGiveEmptyFieldsAndNeverCutIntoThePreviousLine) {
  // A spans three columns and two rows; B and C stand beside it; D, E, F
  // below. Grid columns at 0, 100, 200, 300, 400; rows at 0, 20, 40, 60.
  const TBoxes spans = {{0, 0, 300, 40, u"A"},     {300, 0, 100, 20, u"B"},   {300, 20, 100, 20, u"C"},
                        {0, 40, 100, 20, u"D"},    {100, 40, 100, 20, u"E"},  {200, 40, 100, 20, u"F"}};
  // A spans two columns; the row below holds only cells it covers.
  const TBoxes covered = {{0, 0, 200, 40, u"A"}, {200, 0, 100, 20, u"B"}, {100, 40, 100, 20, u"C"}};
  struct TCase {
    std::string Separator;
    const TBoxes* Page;
    std::string Expected;
  } cases[] = {
      {",", &spans, "A,,,B\r\n,,,C\r\nD,E,F\r\n"},
      {",", &covered, "A,,B\r\n,\r\nC\r\n"},
      {";", &covered, "A;;B\r\n;\r\nC\r\n"},
      // Every separator is one character, also for covered cells, so the
      // row's last one is removed and nothing before it.
      {"", &covered, "A,,B\r\n,\r\nC\r\n"},
      {"||", &covered, "A||B\r\n|\r\nC\r\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE("separator \"" + c.Separator + "\"");
    TqdxCSVExport f(nullptr, true);
    f.Separator = c.Separator;
    EXPECT_EQ(Export(f, {*c.Page}), c.Expected);
  }
}

TEST(CSVExport, PagesWithoutRowsContributeNothing) {
  TqdxCSVExport f(nullptr, true);
  EXPECT_EQ(Export(f, {Row({u"a"}), {}, Row({u"b", u"c"})}), "a\r\nb,c\r\n");
}

TEST(CSVExport, CodePages) {
  struct TCase {
    bool UTF8, OEM;
    std::u16string Text;
    std::string Expected;
  } cases[] = {
      // The system code page is UTF-8: no byte-order mark either way.
      {true, false, u"\u00e9", "\xC3\xA9\r\n"},
      {false, false, u"\u00e9", "\xC3\xA9\r\n"},
      // OEM code page 437; a character it lacks becomes "?".
      {false, true, u"\u00e9\u20ac", "\x82?\r\n"},
      // UTF-8 bytes are never converted again.
      {true, true, u"\u00e9", "\xC3\xA9\r\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.UTF8) + std::to_string(c.OEM));
    TqdxCSVExport f(nullptr, true);
    f.UTF8 = c.UTF8;
    f.OEMCodepage = c.OEM;
    EXPECT_EQ(Export(f, {Row({c.Text})}), c.Expected);
  }
}

TEST(CSVExport, HatchedTextStaysText) {
  TqdxCSVExport f(nullptr, true);
  TMemoryStream out;
  f.Stream = &out;
  ASSERT_TRUE(f.Start());
  TqdxReportPage page;
  TqdxMemoView memo;
  memo.SetBounds(0, 0, 100, 20);
  memo.SetText(u"hatched");
  memo.SetBrushStyle(bsDiagCross);
  TqdxMemoView hidden;  // not visible in exports
  hidden.SetBounds(100, 0, 100, 20);
  hidden.SetText(u"hidden");
  hidden.Visibility = qdxBit(vsPreview) | qdxBit(vsPrint);
  f.StartPage(&page, 0);
  f.ExportObject(&memo);
  f.ExportObject(&hidden);
  f.FinishPage(&page, 0);
  f.Finish();
  EXPECT_EQ(out.Data(), "hatched\r\n");
}

TEST(CSVExport, StartNeedsAFileOrAStream) {
  TqdxCSVExport f(nullptr, true);
  EXPECT_FALSE(f.Start());
}

TEST(CSVExport, WritesTheFileOfARunAndNothingWhenItCannot) {
  TTempDir dir;
  TBandedReport r(2);
  for (auto& page : r.Pages.Pages)
    for (const char* name : {"HM", "M", "FM"})
      static_cast<TqdxMemoView*>(page->FindObject(name))->SetText(std::u16string(u"text ") + char16_t(name[0]));
  TqdxCSVExport f(nullptr, true);
  f.SetShowDialog(false);
  f.ShowProgress = false;
  f.SetFileName(dir / "out.csv");
  ASSERT_TRUE(r.Report.Export(&f));
  // The memos of the page header, the data band and the page footer; the
  // header's memo spans two columns, since the data memo starts 7 pixels
  // further right; the bands themselves are no text.
  const std::string page = "text H,\r\n\r\ntext M,\r\n\r\ntext F,\r\n";
  EXPECT_EQ(ReadWholeFile(dir / "out.csv"), page + page);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

  // A folder that cannot be written: the run fails with the reason.
  if (::geteuid() != 0) {
    std::filesystem::create_directory(dir / "locked");
    ::chmod((dir / "locked").c_str(), 0555);
    f.SetFileName(dir / "locked/out.csv");
    EXPECT_FALSE(r.Report.Export(&f));
    ASSERT_EQ(r.Report.Errors.size(), 1u);
    EXPECT_NE(r.Report.Errors[0].find("Cannot create file"), std::string::npos) << r.Report.Errors[0];
    EXPECT_TRUE(std::filesystem::is_empty(dir / "locked"));
  }
  // A folder that does not exist.
  r.Report.Errors.clear();
  f.SetFileName(dir / "missing/out.csv");
  EXPECT_FALSE(r.Report.Export(&f));
  ASSERT_EQ(r.Report.Errors.size(), 1u);
  EXPECT_NE(r.Report.Errors[0].find("Cannot create file \"" + dir / "missing/out.csv" + "\""), std::string::npos)
      << r.Report.Errors[0];
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}
