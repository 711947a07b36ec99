// The export run: order of calls, page ranges, placement, skipping rules,
// text preparation and error handling.

#include "document/qdxNumbers.h"
#include "export/qdxExportRun.h"
#include "platform/MessageBox.h"
#include "tests/TestSupport.h"
#include "tests/export/ExportDoubles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace {

// The 0-based indexes of the pages the filter saw.
std::vector<int> StartedPages(const TRecordingFilter& f) {
  std::vector<int> pages;
  for (const std::string& l : f.Log)
    if (l.rfind("StartPage ", 0) == 0) pages.push_back(std::stoi(l.substr(10)));
  return pages;
}

// The objects the filter saw on one page, in order.
std::vector<std::string> ObjectsOfPage(const TRecordingFilter& f, int page) {
  std::vector<std::string> out;
  bool in = false;
  for (const std::string& l : f.Log) {
    if (l == "StartPage " + std::to_string(page)) in = true;
    else if (l.rfind("FinishPage", 0) == 0) in = false;
    else if (in && l.rfind("Object ", 0) == 0) out.push_back(l.substr(7));
  }
  return out;
}

std::vector<std::string> LeftoverFiles(const TTempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) names.push_back(e.path().filename().string());
  return names;
}

}  // namespace

TEST(ExportRun, CallsTheFilterInOrderAndWritesTheFile) {
  TTempDir dir;
  TBandedReport r(2);
  TRecordingFilter f;
  f.SetFileName(dir / "out.txt");
  ASSERT_TRUE(r.Report.Export(&f));

  std::vector<std::string> page0 = {"StartPage 0", "Object _pagebackground", "Object H", "Object HM", "Object D",
                                    "Object M", "Object F", "Object FM", "FinishPage 0"};
  std::vector<std::string> expected = {"Start"};
  expected.insert(expected.end(), page0.begin(), page0.end());
  for (std::string s : page0) {
    if (s.back() == '0') s.back() = '1';
    expected.push_back(s);
  }
  expected.push_back("Finish");
  expected.push_back("AfterFinish");
  // N sits two levels below its band and X is not visible in exports.
  EXPECT_EQ(f.Log, expected);
  EXPECT_EQ(ReadWholeFile(dir / "out.txt"), "_pagebackground\nH\nHM\nD\nM\nF\nFM\n"
                                            "_pagebackground\nH\nHM\nD\nM\nF\nFM\n");
  EXPECT_EQ(LeftoverFiles(dir), std::vector<std::string>{"out.txt"});
  // The page cache is emptied after every page; the filter is as before.
  EXPECT_EQ(r.Pages.CacheClears, 2);
  EXPECT_EQ(f.GetFileName(), dir / "out.txt");
  EXPECT_EQ(f.IOTransport, nullptr);
  EXPECT_EQ(f.DefaultIOTransport(), nullptr);
  EXPECT_EQ(f.Report, &r.Report);
  EXPECT_GT(f.CreationTime, 40000.0);
}

TEST(ExportRun, PageNumbersSelectPages) {
  struct TCase {
    const char* Text;
    std::vector<int> Pages;  // 0-based
  } cases[] = {
      {"1,3-5", {0, 2, 3, 4}},
      {"5-", {4, 5, 6}},
      {"3-2", {}},
      {"", {0, 1, 2, 3, 4, 5, 6}},
      {" 2 , 6 ", {1, 5}},
      {"7,1", {0, 6}},
      {"1-999999999", {0, 1, 2, 3, 4, 5, 6}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text);
    TTempDir dir;
    TBandedReport r(7);
    TRecordingFilter f;
    f.SetFileName(dir / "out.txt");
    f.PageNumbers = c.Text;
    ASSERT_TRUE(r.Report.Export(&f));
    EXPECT_EQ(StartedPages(f), c.Pages);
    EXPECT_EQ(f.PageNumbers, c.Text);
  }
}

TEST(ExportRun, BadPageNumbersRaiseAndWriteNothing) {
  for (const char* text : {"a", "1-b", "1,,2", "-3"}) {
    SCOPED_TRACE(text);
    TTempDir dir;
    WriteWholeFile(dir / "out.txt", "old");
    TBandedReport r(3);
    TRecordingFilter f;
    f.SetFileName(dir / "out.txt");
    f.PageNumbers = text;
    EXPECT_THROW(r.Report.Export(&f), EConvertError);
    EXPECT_TRUE(f.Log.empty());
    EXPECT_EQ(ReadWholeFile(dir / "out.txt"), "old");
    EXPECT_EQ(LeftoverFiles(dir), std::vector<std::string>{"out.txt"});
    EXPECT_EQ(f.GetFileName(), dir / "out.txt");
    EXPECT_EQ(f.IOTransport, nullptr);
  }
}

TEST(ExportRun, PagesArePlacedAtTheirMarginsMirroredOnOddPages) {
  struct TCase {
    bool Mirror;
    int Page;
    double LeftMm;
  } cases[] = {{true, 0, 10}, {true, 1, 20}, {true, 2, 10}, {false, 1, 10}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Mirror << " page " << c.Page);
    TBandedReport r(3);
    for (auto& p : r.Pages.Pages) p->MirrorMargins = c.Mirror;
    TRecordingFilter f;
    f.NoOutput = true;
    f.PageNumbers = std::to_string(c.Page + 1);
    ASSERT_TRUE(r.Report.Export(&f));
    // The background covers the area inside the margins; M sits 7 pixels
    // into its band.
    ASSERT_EQ(f.Placed[0].first, "_pagebackground");
    EXPECT_NEAR(f.Placed[0].second, c.LeftMm * qd01cm, 1e-9);
    EXPECT_EQ(f.Placed[4].first, "M");
    EXPECT_NEAR(f.Placed[4].second, 7 + c.LeftMm * qd01cm, 1e-9);
  }
}

TEST(ExportRun, PageBackgroundTakesThePagesLook) {
  TBandedReport r(1);
  TqdxReportPage& page = *r.Pages.Pages[0];
  page.Color = 0x00FF00;
  page.GetFrame()->Typ = 15;
  TRecordingFilter f;
  f.NoOutput = true;
  f.OnObject = [&](TqdxComponent& obj) {
    if (obj.Name != "_pagebackground") return;
    auto& bg = dynamic_cast<TqdxPictureView&>(obj);
    EXPECT_EQ(bg.GetColor(), 0x00FF00);
    EXPECT_EQ(bg.GetFrame()->Typ, 15);
    EXPECT_TRUE(bg.Stretched);
    EXPECT_FALSE(bg.KeepAspectRatio);
    EXPECT_NEAR(bg.GetTop(), 5 * qd01cm, 1e-9);
    EXPECT_NEAR(bg.GetWidth(), page.GetWidth() - 30 * qd01cm, 1e-9);
    EXPECT_NEAR(bg.GetHeight(), page.GetHeight() - 10 * qd01cm, 1e-9);
  };
  ASSERT_TRUE(r.Report.Export(&f));
  EXPECT_EQ(f.Objects.front(), "_pagebackground");
}

TEST(ExportRun, DataOnlyPassesOnlyObjectsOfDataBands) {
  TBandedReport r(2);
  TRecordingFilter f;
  f.NoOutput = true;
  f.DataOnly = true;
  ASSERT_TRUE(r.Report.Export(&f));
  EXPECT_EQ(f.Objects, (std::vector<std::string>{"M", "M"}));
}

TEST(ExportRun, SuppressedHeadersAndFootersAppearOnFirstAndLastPageOnly) {
  TBandedReport r(3);
  TRecordingFilter f;
  f.NoOutput = true;
  f.SuppressPageHeadersFooters = true;
  ASSERT_TRUE(r.Report.Export(&f));
  using V = std::vector<std::string>;
  EXPECT_EQ(ObjectsOfPage(f, 0), (V{"_pagebackground", "H", "HM", "D", "M"}));
  EXPECT_EQ(ObjectsOfPage(f, 1), (V{"_pagebackground", "D", "M"}));
  EXPECT_EQ(ObjectsOfPage(f, 2), (V{"_pagebackground", "D", "M", "F", "FM"}));
}

TEST(ExportRun, TextObjectsGetTheTotalPageCount) {
  TBandedReport r(7);
  auto* m = dynamic_cast<TqdxMemoView*>(r.Pages.Pages[0]->FindObject("M"));
  m->SetText(u"Page 1 of [TotalPages#]\r\n[totalpages#] [COPYNAME#]!");
  auto* fm = dynamic_cast<TqdxMemoView*>(r.Pages.Pages[0]->FindObject("FM"));
  fm->SetText(u"[TOTALPAGES#]");
  fm->AllowExpressions = false;
  TRecordingFilter f;
  f.NoOutput = true;
  f.PageNumbers = "1";
  ASSERT_TRUE(r.Report.Export(&f));
  EXPECT_EQ(m->Text(), u"Page 1 of 7\r\n7 !");
  EXPECT_EQ(fm->Text(), u"[TOTALPAGES#]");
  EXPECT_EQ(m->TotalPages, 7);
  EXPECT_EQ(m->CopyNo, 1);
  EXPECT_EQ(fm->TotalPages, 7);
}

namespace {
int AutoWidthCalls = 0;
void CountAutoWidth(TqdxCustomMemoView& memo) {
  ++AutoWidthCalls;
  memo.SetWidth(42);
}
}  // namespace

TEST(ExportRun, AutoWidthTextIsMeasuredBeforeTheFilterSeesIt) {
  TBandedReport r(1);
  auto* m = dynamic_cast<TqdxMemoView*>(r.Pages.Pages[0]->FindObject("M"));
  m->AutoWidth = true;
  qdxSetAutoWidthProc(CountAutoWidth);
  TRecordingFilter f;
  f.NoOutput = true;
  f.OnObject = [](TqdxComponent& obj) {
    if (obj.Name == "M") {
      EXPECT_EQ(obj.GetWidth(), 42);
    }
  };
  AutoWidthCalls = 0;
  EXPECT_TRUE(r.Report.Export(&f));
  qdxSetAutoWidthProc(nullptr);
  EXPECT_EQ(AutoWidthCalls, 1);
}

TEST(ExportRun, AnErrorFailsTheRunButPageAndDocumentAreStillFinished) {
  TTempDir dir;
  WriteWholeFile(dir / "out.txt", "old");
  TBandedReport r(3);
  r.Report.Errors = {"earlier"};
  TRecordingFilter f;
  f.SetFileName(dir / "out.txt");
  f.OnObject = [&](TqdxComponent& obj) {
    if (obj.Name == "M" && StartedPages(f).back() == 1) throw std::runtime_error("disk full");
  };
  EXPECT_FALSE(r.Report.Export(&f));
  EXPECT_EQ(r.Report.Errors, (std::vector<std::string>{"earlier", "disk full"}));
  std::vector<std::string> tail(f.Log.end() - 4, f.Log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"Object M", "FinishPage 1", "Finish", "AfterFinish"}));
  EXPECT_EQ(StartedPages(f), (std::vector<int>{0, 1}));
  // Nothing of the failed run is left; the file from before stays.
  EXPECT_EQ(ReadWholeFile(dir / "out.txt"), "old");
  EXPECT_EQ(LeftoverFiles(dir), std::vector<std::string>{"out.txt"});
}

TEST(ExportRun, ErrorsAreReportedAsTheSilentModeSays) {
  const std::string text = "The following error(s) have occured:\r\nfirst\r\nbroken\r\n";
  for (TqdxSilentMode mode : {simMessageBoxes, simSilent, simReThrow}) {
    SCOPED_TRACE(static_cast<int>(mode));
    TBandedReport r(2);
    r.Report.GetEngineOptions()->NewSilentMode = mode;
    r.Report.Errors = {"first"};
    TRecordingFilter f;
    f.NoOutput = true;
    f.OnObject = [](TqdxComponent& obj) {
      if (obj.Name == "D") throw std::runtime_error("broken");
    };
    std::vector<std::string> boxes;
    TScopedMessageBoxSink sink([&](const std::string& t, const std::string& caption, TMessageKind kind) {
      EXPECT_EQ(caption, "Error");
      EXPECT_EQ(kind, TMessageKind::mkError);
      boxes.push_back(t);
    });
    if (mode == simReThrow) {
      try {
        r.Report.Export(&f);
        ADD_FAILURE() << "expected an error";
      } catch (const EqdxExportError& e) {
        EXPECT_EQ(e.what(), text);
      }
    } else {
      EXPECT_FALSE(r.Report.Export(&f));
    }
    EXPECT_EQ(boxes, mode == simMessageBoxes ? std::vector<std::string>{text} : std::vector<std::string>{});
    EXPECT_EQ(r.Report.Errors.back(), "broken");
    EXPECT_EQ(f.Log.back(), "AfterFinish");
  }
}

TEST(ExportRun, FailuresOutsideThePagesAlsoFailTheRun) {
  // A filter that cannot make its output raises in Start: no page, no Finish.
  TBandedReport r(2);
  TRecordingFilter f;
  f.SetFileName("/nonexistent-folder-qdx/out.txt");
  EXPECT_FALSE(r.Report.Export(&f));
  EXPECT_EQ(f.Log, std::vector<std::string>{"Start"});
  ASSERT_EQ(r.Report.Errors.size(), 1u);
  EXPECT_NE(r.Report.Errors[0].find("/nonexistent-folder-qdx/out.txt"), std::string::npos);

  TBandedReport r2(2);
  struct TFinishFails : TRecordingFilter {
    void Finish() override {
      TRecordingFilter::Finish();
      throw std::runtime_error("cannot finish");
    }
  } g;
  g.NoOutput = true;
  EXPECT_FALSE(r2.Report.Export(&g));
  EXPECT_EQ(r2.Report.Errors, std::vector<std::string>{"cannot finish"});
}

TEST(ExportRun, TerminationEndsTheRunQuietlyAndKeepsTheOutput) {
  TTempDir dir;
  TBandedReport r(3);
  TRecordingFilter f;
  f.SetFileName(dir / "out.txt");
  f.OnObject = [&](TqdxComponent& obj) {
    if (obj.Name == "M") r.Report.Terminated = true;
  };
  EXPECT_TRUE(r.Report.Export(&f));
  EXPECT_TRUE(r.Report.Errors.empty());
  std::vector<std::string> tail(f.Log.end() - 4, f.Log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"Object M", "FinishPage 0", "Finish", "AfterFinish"}));
  EXPECT_EQ(ReadWholeFile(dir / "out.txt"), "_pagebackground\nH\nHM\nD\nM\n");
}

TEST(ExportRun, DeclinedStartsAndDialogsEndTheRunEarly) {
  TTempDir dir;
  TBandedReport r(2);
  TRecordingFilter f;
  f.NoOutput = true;
  f.StartResult = false;
  f.SetFileName(dir / "out.txt");
  EXPECT_TRUE(r.Report.Export(&f));
  EXPECT_EQ(f.Log, std::vector<std::string>{"Start"});
  EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));

  struct TCancelled : TRecordingFilter {
    int ShowModal() override { return qdxModalCancel; }
  } g;
  g.SetShowDialog(true);
  EXPECT_FALSE(r.Report.Export(&g));
  EXPECT_TRUE(g.Log.empty());
  EXPECT_TRUE(r.Report.Errors.empty());

  EXPECT_FALSE(r.Report.Export(nullptr));
}

TEST(ExportRun, PreparedPagesKeepAtMostOnePageBuilt) {
  TqdxReport report;
  TqdxPreviewPages pages(&report);
  report.GetEngineOptions()->NewSilentMode = simSilent;
  pages.AddSourcePage(MakeBandedPage());
  for (int i = 0; i < 4; ++i) {
    auto page = MakeBandedPage();
    pages.AddPage(0, *page);
  }
  pages.ClearPageCache();
  std::vector<int> cached;
  struct TCounting : TRecordingFilter {
    TqdxPreviewPages* Pages = nullptr;
    std::vector<int>* Cached = nullptr;
    void StartPage(TqdxReportPage* p, int i) override {
      TRecordingFilter::StartPage(p, i);
      Cached->push_back(Pages->CachedPageCount());
    }
  } f;
  f.NoOutput = true;
  f.Pages = &pages;
  f.Cached = &cached;
  ASSERT_TRUE(report.Export(&f));
  EXPECT_EQ(cached, (std::vector<int>{1, 1, 1, 1}));
  EXPECT_EQ(ObjectsOfPage(f, 3), (std::vector<std::string>{"_pagebackground", "H", "HM", "D", "M", "F", "FM"}));
}
