// The report's print operation against a recording driver: which
// pages go to the job in which order and on which paper, how they are drawn,
// and what becomes of the output file when the job fails.

#include "document/qdxClass.h"
#include "document/qdxPreviewPages.h"
#include "document/qdxReport.h"
#include "platform/MessageBox.h"
#include "platform/PrintJob.h"
#include "platform/Streams.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Pages made in code, each with one text object naming it; built pages stay
// with the list, and the test counts how often they are asked for.
class TTestPages : public TqdxCustomPreviewPages {
public:
  using TqdxCustomPreviewPages::TqdxCustomPreviewPages;
  int Count() override { return int(FPages.size()); }
  TqdxReportPage* GetPage(int index) override {
    ++GetPageCalls;
    return index >= 0 && index < Count() ? FPages[size_t(index)].get() : nullptr;
  }
  std::pair<int, int> GetPageSize(int index) override {
    TqdxReportPage* p = GetPage(index);
    return p ? std::pair<int, int>(int(p->GetWidth()), int(p->GetHeight())) : std::pair<int, int>(0, 0);
  }
  void Clear() override { FPages.clear(); }
  int GetAnchorPage(const std::string&) override { return -1; }
  void ClearPageCache() override { ++ClearCalls; }

  // A page with the text "<name> of [TOTALPAGES#]" at 1 cm from the margins.
  TqdxMemoView& Add(const std::u16string& name, int paperSize, TqdxPrinterOrientation orientation) {
    auto page = std::make_unique<TqdxReportPage>();
    page->SetOrientation(orientation);
    page->SetPaperSize(paperSize);
    page->LeftMargin = page->TopMargin = 10;
    auto* memo = static_cast<TqdxMemoView*>(page->AddChild(std::make_unique<TqdxMemoView>()));
    memo->Name = "Memo1";
    memo->SetBounds(37.7953, 37.7953, 300, 20);
    memo->SetText(name + u" of [TOTALPAGES#]");
    FPages.push_back(std::move(page));
    return *memo;
  }

  int GetPageCalls = 0;
  int ClearCalls = 0;

private:
  std::vector<std::unique_ptr<TqdxReportPage>> FPages;
};

// What the recording driver saw of one page.
struct TSpooledPage {
  std::string Printer;
  int Width = 0, Height = 0;
  std::string Marker;  // the first of the known names found in the page's text
  bool HasTotal = false;
  int32_t Bounds[4] = {};  // left, top, right, bottom of the metafile header
};

std::vector<TSpooledPage>& Spooled() {
  static std::vector<TSpooledPage> pages;
  return pages;
}

bool HasUtf16(std::string_view bytes, std::u16string_view text) {
  std::string needle;
  for (char16_t c : text) {
    needle += char(c & 0xFF);
    needle += char(c >> 8);
  }
  return bytes.find(needle) != std::string_view::npos;
}

const char16_t* const Markers[] = {u"Alpha", u"Bravo", u"Charlie", u"Delta"};

// Writes one line per page to the job's file, so the file tells what was
// printed; fails on the page whose marker is FailOn.
class TRecordingDriver : public TPrintDriver {
public:
  explicit TRecordingDriver(const TPrinterDevice& p) : FPrinter(p) {}
  void BeginDocument(TStream& out, const std::string& title) override {
    FOut = &out;
    Write("job " + title + "\n");
  }
  void Page(const TPrinterPage& paper, std::string_view metafile) override {
    TSpooledPage s;
    s.Printer = FPrinter.Name;
    s.Width = paper.PhysicalWidth;
    s.Height = paper.PhysicalHeight;
    for (const char16_t* m : Markers)
      if (HasUtf16(metafile, m)) {
        s.Marker = std::string(std::u16string_view(m).begin(), std::u16string_view(m).end());
        break;
      }
    s.HasTotal = HasUtf16(metafile, u"of 4");
    if (metafile.size() >= 24) std::memcpy(s.Bounds, metafile.data() + 8, sizeof s.Bounds);
    Spooled().push_back(s);
    if (!FailOn.empty() && s.Marker == FailOn) throw std::runtime_error("paper jam");
    Write(s.Marker + " " + std::to_string(s.Width) + "x" + std::to_string(s.Height) + "\n");
  }
  void EndDocument() override { Write("end\n"); }
  static inline std::string FailOn;

private:
  void Write(const std::string& s) { FOut->Write(s.data(), s.size()); }
  TPrinterDevice FPrinter;
  TStream* FOut = nullptr;
};

class ReportPrint : public ::testing::Test {
protected:
  void SetUp() override {
    Spooled().clear();
    TRecordingDriver::FailOn.clear();
    FPrevious = RegisterPrintDriver(BuiltInPrinterName, [](const TPrinterDevice& p) -> std::unique_ptr<TPrintDriver> {
      return std::make_unique<TRecordingDriver>(p);
    });
    // Alpha A4 portrait, Bravo A5 landscape, Charlie Letter, Delta A4.
    Pages.Add(u"Alpha", 9, poPortrait);
    Pages.Add(u"Bravo", 11, poLandscape);
    Pages.Add(u"Charlie", 1, poPortrait);
    Pages.Add(u"Delta", 9, poPortrait);
    Report.PreviewPages = &Pages;
    Report.GetReportOptions()->Name = "Test report";
    Report.GetPrintOptions()->ShowDialog = false;
    Report.GetPrintOptions()->OutputFileName = Dir / "out.prn";
  }
  void TearDown() override { RegisterPrintDriver(BuiltInPrinterName, FPrevious); }

  std::vector<std::string> Order() const {
    std::vector<std::string> order;
    for (const TSpooledPage& p : Spooled()) order.push_back(p.Marker);
    return order;
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(Dir.Path())) files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
  }

  TTempDir Dir;
  TqdxReport Report;
  TTestPages Pages{&Report};
  TPrintDriverFactory FPrevious;
};

}  // namespace

TEST_F(ReportPrint, PagesCopiesAndCollation) {
  struct TCase {
    const char* PageNumbers;
    int Copies;
    bool Collate;
    std::vector<std::string> Order;
  };
  const TCase cases[] = {
      {"", 1, true, {"Alpha", "Bravo", "Charlie", "Delta"}},
      {"", 0, false, {"Alpha", "Bravo", "Charlie", "Delta"}},  // at least once
      {"2-3", 1, true, {"Bravo", "Charlie"}},
      {" 3 , 1 ", 1, true, {"Alpha", "Charlie"}},  // the pages' own order
      {"3-", 1, false, {"Charlie", "Delta"}},
      {"2-3", 2, true, {"Bravo", "Charlie", "Bravo", "Charlie"}},
      {"2-3", 2, false, {"Bravo", "Bravo", "Charlie", "Charlie"}},
      {"1,4", 3, false, {"Alpha", "Alpha", "Alpha", "Delta", "Delta", "Delta"}},
      {"7-9", 1, true, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.PageNumbers) + " x" + std::to_string(c.Copies) + (c.Collate ? " collated" : ""));
    Spooled().clear();
    Pages.ClearCalls = 0;
    TqdxPrintOptions& po = *Report.GetPrintOptions();
    po.PageNumbers = c.PageNumbers;
    po.Copies = c.Copies;
    po.Collate = c.Collate;
    ASSERT_TRUE(Report.Print());
    EXPECT_TRUE(Report.Errors.empty());
    EXPECT_EQ(Order(), c.Order);
    // Every spooled page was drawn afresh and the page cache let go of it.
    EXPECT_EQ(Pages.ClearCalls, int(c.Order.size()));
    std::string expected = "job Test report\n";
    for (const TSpooledPage& p : Spooled())
      expected += p.Marker + " " + std::to_string(p.Width) + "x" + std::to_string(p.Height) + "\n";
    EXPECT_EQ(ReadWholeFile(Dir / "out.prn"), expected + "end\n");
  }
  EXPECT_EQ(Files(), std::vector<std::string>{"out.prn"});
}

TEST_F(ReportPrint, EachPageOnItsOwnPaperAtPrinterResolution) {
  ASSERT_TRUE(Report.Print());
  ASSERT_EQ(Spooled().size(), 4u);
  struct TPaper {
    const char* Marker;
    int Width, Height;
  };
  // 600 dpi: A4 210 x 297 mm, A5 landscape 210 x 148 mm, Letter 8.5 x 11 in.
  const TPaper papers[] = {{"Alpha", 4961, 7016}, {"Bravo", 4961, 3496}, {"Charlie", 5100, 6600}, {"Delta", 4961, 7016}};
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(papers[i].Marker);
    const TSpooledPage& p = Spooled()[i];
    EXPECT_EQ(p.Marker, papers[i].Marker);
    EXPECT_EQ(p.Printer, "Microsoft Print to PDF");
    EXPECT_EQ(p.Width, papers[i].Width);
    EXPECT_EQ(p.Height, papers[i].Height);
    // [TOTALPAGES#] counts every page of the report.
    EXPECT_TRUE(p.HasTotal);
    // The text drawn 1 cm + 1 cm from the paper's corner, at 600 / 96 the
    // screen size: its ink starts near 20 mm = 472 device pixels.
    EXPECT_GE(p.Bounds[0], 472 - 5);
    EXPECT_LE(p.Bounds[0], 472 + 60);
    EXPECT_GE(p.Bounds[1], 472 - 5);
    EXPECT_LE(p.Bounds[1], 472 + 130);
    EXPECT_GT(p.Bounds[2] - p.Bounds[0], 200);
  }
}

TEST_F(ReportPrint, PrinterNamesMatchIgnoringCaseAndFallBackToTheBuiltInPrinter) {
  for (const char* name : {"Microsoft Print to PDF", "MICROSOFT PRINT TO PDF", "Office Laser 5", ""}) {
    SCOPED_TRACE(name);
    Spooled().clear();
    Report.GetPrintOptions()->Printer = name;
    ASSERT_TRUE(Report.Print());
    ASSERT_EQ(Spooled().size(), 4u);
    EXPECT_EQ(Spooled()[0].Printer, "Microsoft Print to PDF");
  }
}

TEST_F(ReportPrint, APrinterWithoutDriverIsNotValid) {
  RegisterPrintDriver(BuiltInPrinterName, nullptr);
  std::vector<std::string> boxes;
  TScopedMessageBoxSink sink([&](const std::string& text, const std::string& caption, TMessageKind kind) {
    boxes.push_back(caption + ": " + text);
    EXPECT_EQ(kind, TMessageKind::mkError);
  });
  EXPECT_TRUE(Report.Print());
  EXPECT_EQ(boxes, std::vector<std::string>{"Error: Printer selected is not valid"});
  EXPECT_TRUE(Report.Errors.empty());
  EXPECT_TRUE(Files().empty());
}

TEST_F(ReportPrint, AFailedJobLeavesNoFileAndKeepsAnExistingOne) {
  WriteWholeFile(Dir / "blocker", "a file, not a folder");
  WriteWholeFile(Dir / "old.prn", "old");
  fs::create_directory(Dir / "folder.prn");
  struct TCase {
    const char* Name;
    std::string Output;
    const char* FailOn;
    const char* PageNumbers;
    std::string Message;  // a part of the error
  };
  const TCase cases[] = {
      {"folder missing", Dir / "missing/out.prn", "", "", "No such file or directory"},
      {"a file as folder", Dir / "blocker/out.prn", "", "", "Not a directory"},
      {"the name of a folder", Dir / "folder.prn", "", "", "Is a directory"},
      {"no output file", "", "", "", "no output file"},
      {"driver fails", Dir / "old.prn", "Charlie", "", "paper jam"},
      {"bad page range", Dir / "old.prn", "", "1-x", "'x' is not a valid integer value"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Report.Errors.clear();
    TRecordingDriver::FailOn = c.FailOn;
    Report.GetPrintOptions()->OutputFileName = c.Output;
    Report.GetPrintOptions()->PageNumbers = c.PageNumbers;
    EXPECT_FALSE(Report.Print());
    ASSERT_EQ(Report.Errors.size(), 1u);
    EXPECT_NE(Report.Errors[0].find(c.Message), std::string::npos) << Report.Errors[0];
    if (!c.Output.empty() && std::string(c.PageNumbers).empty()) {
      EXPECT_NE(Report.Errors[0].find(c.Output), std::string::npos) << Report.Errors[0];
    }
    EXPECT_EQ(Files(), (std::vector<std::string>{"blocker", "folder.prn", "old.prn"}));
    EXPECT_EQ(ReadWholeFile(Dir / "old.prn"), "old");
    EXPECT_EQ(ReadWholeFile(Dir / "blocker"), "a file, not a folder");
  }
}

TEST_F(ReportPrint, InvisibleAndNonPrintableObjectsStayOffThePaper) {
  TqdxReportPage* page = Pages.GetPage(0);
  auto* memo = static_cast<TqdxMemoView*>(page->Objects().at(0));
  memo->Visibility = 1 | 2;  // preview and export, not print
  Report.GetPrintOptions()->PageNumbers = "1";
  ASSERT_TRUE(Report.Print());
  ASSERT_EQ(Spooled().size(), 1u);
  EXPECT_EQ(Spooled()[0].Marker, "");
}
