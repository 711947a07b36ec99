// Prepared pages: building, saving and loading the prepared report file,
// pages built on demand through the dictionary and the page cache, the
// picture cache, anchors, the outline and damaged files.

#include "document/qdxClass.h"
#include "document/qdxNumbers.h"
#include "document/qdxPreviewPages.h"
#include "document/qdxUtils.h"
#include "platform/CodePage.h"
#include "platform/Streams.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string PngBytes = std::string("\x89PNG\r\n\x1A\n", 8) + "png-body";
const char* Header = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>";

template <class T>
T* Add(TqdxComponent& parent, const char* name, double l, double t, double w, double h) {
  auto* obj = static_cast<T*>(parent.AddChild(std::make_unique<T>()));
  obj->Name = name;
  obj->SetBounds(l, t, w, h);
  return obj;
}

// The designed page (row < 0) or the printed copy of row `row`: a band with
// two memos, a picture, a line and a shape, plus an object that has no
// source and is therefore stored whole.
std::unique_ptr<TqdxReportPage> MakePage(int row) {
  auto page = std::make_unique<TqdxReportPage>();
  page->Name = "Page1";
  page->LeftMargin = 10;
  auto* band = Add<TqdxMasterData>(*page, "MasterData1", 0, 20, 718, 40);
  auto* m1 = Add<TqdxMemoView>(*band, "Memo1", 0, 0, 100, 18);
  m1->SetText(u"[Name]");
  auto* m2 = Add<TqdxMemoView>(*band, "Memo2", 100, 0, 80, 18);
  m2->SetText(u"[Amount]");
  m2->HAlign = haRight;
  m2->GetFrame()->Typ = 15;
  Add<TqdxPictureView>(*band, "Picture1", 200, 0, 20, 20)->GetPicture()->SetGraphic(TqdxGraphicKind::gkPNG, PngBytes);
  Add<TqdxLineView>(*band, "Line1", 0, 39, 718, 0);
  Add<TqdxShapeView>(*band, "Shape1", 300, 0, 30, 30)->Shape = skEllipse;
  if (row < 0) return page;
  band->SetTop(20 + 40 * row);
  m1->SetText(u"Row " + Utf8ToUtf16(std::to_string(row)) + u"\r\nsecond \u00e9");
  m2->SetText(Utf8ToUtf16(std::to_string(row * 100)));
  m2->SetLeft(100 + row);
  if (row % 2) m2->GetFrame()->SetColor(255);
  auto* extra = Add<TqdxMemoView>(*band, "", 400, 0, 50, 18);
  extra->SetText(u"extra & <" + Utf8ToUtf16(std::to_string(row)) + u">");
  return page;
}

// Class, name, geometry and text of every object of a page, one line each.
std::vector<std::string> Describe(const TqdxReportPage& page) {
  std::vector<std::string> out;
  for (TqdxComponent* c : page.AllObjects()) {
    std::string line = c->ClassName() + " " + c->Name + " " + qdxFloatToStr(c->GetLeft()) + "," +
                       qdxFloatToStr(c->GetTop()) + "," + qdxFloatToStr(c->GetWidth()) + "," +
                       qdxFloatToStr(c->GetHeight());
    if (auto* m = dynamic_cast<TqdxCustomMemoView*>(c)) line += " [" + Utf16ToUtf8(m->Text()) + "]";
    if (auto* v = dynamic_cast<TqdxView*>(c)) line += " frame " + std::to_string(v->GetFrame()->Typ) + "/" +
                                                      std::to_string(v->GetFrame()->GetColor());
    if (auto* p = dynamic_cast<TqdxPictureView*>(c)) line += " picture " + std::to_string(p->GetPicture()->Bytes().size());
    out.push_back(line);
  }
  return out;
}

std::string Save(TqdxPreviewPages& pages) {
  TMemoryStream out;
  pages.SaveToStream(out);
  return out.Data();
}

void Load(TqdxPreviewPages& pages, const std::string& data) {
  TMemoryStream in(data);
  pages.LoadFromStream(in);
}

// A prepared report file with one source page (Page0: MasterData1 at top 20
// holding Memo1 at left 10 with the text "Designed") and the given
// dictionary and page elements.
std::string SmallFile(const std::string& dictionary, const std::string& pages, const std::string& more = {}) {
  return std::string(Header) +
         "<preparedreport><sourcepages><TqdxReportPage Name=\"Page1\">"
         "<TqdxMasterData Name=\"MasterData1\" Top=\"20\" Height=\"40\" Width=\"700\">"
         "<TqdxMemoView Name=\"Memo1\" Left=\"10\" Width=\"120\" Height=\"18\" Text=\"Designed\" HAlign=\"haCenter\"/>"
         "<TqdxPictureView Name=\"Picture1\" Left=\"200\" Width=\"20\" Height=\"20\"/>"
         "</TqdxMasterData></TqdxReportPage></sourcepages>"
         "<dictionary>" +
         dictionary + "</dictionary><previewpages>" + pages + "</previewpages>" + more + "</preparedreport>";
}

const std::string StdDictionary =
    "<b1 name=\"Page0.MasterData1\"/><m1 name=\"Page0.Memo1\"/><p1 name=\"Page0.Picture1\"/>";

}  // namespace

TEST(PreviewPages, BuiltReportSurvivesSaveAndLoad) {
  const int pageCount = 5;
  TqdxReport report;
  TqdxPreviewPages built(&report);
  built.AddSourcePage(MakePage(-1));
  std::vector<std::vector<std::string>> expected;
  for (int i = 0; i < pageCount; ++i) {
    auto page = MakePage(i);
    expected.push_back(Describe(*page));
    built.AddPage(0, *page);
  }
  EXPECT_EQ(built.Count(), pageCount);
  std::string first = Save(built);
  // Objects with a source are stored as differences under a short name.
  EXPECT_NE(first.find("<m1 name=\"Page0.Memo1\"/>"), std::string::npos) << first;
  EXPECT_NE(first.find("<b1 name=\"Page0.MasterData1\"/>"), std::string::npos) << first;
  EXPECT_NE(first.find("<m1 u=\"Row 0&#13;&#10;second \xC3\xA9\"/>"), std::string::npos) << first;
  EXPECT_NE(first.find("<TqdxMemoView "), std::string::npos);  // the object without source

  TqdxReport report2;
  TqdxPreviewPages loaded(&report2);
  Load(loaded, first);
  EXPECT_TRUE(loaded.LoadErrors().empty()) << loaded.LoadErrors().front();
  ASSERT_EQ(loaded.Count(), pageCount);
  for (int i = 0; i < pageCount; ++i) {
    SCOPED_TRACE(i);
    TqdxReportPage* page = loaded.GetPage(i);
    ASSERT_TRUE(page);
    EXPECT_EQ(Describe(*page), expected[static_cast<size_t>(i)]);
    EXPECT_EQ(page->LeftMargin, 10);
  }

  // Saving what was loaded and loading it again changes nothing. (The
  // first file differs only in the swap markers of the pages being built.)
  std::string second = Save(loaded);
  TqdxReport report3;
  TqdxPreviewPages again(&report3);
  Load(again, second);
  for (int i = 0; i < pageCount; ++i) EXPECT_EQ(Describe(*again.GetPage(i)), expected[static_cast<size_t>(i)]);
  EXPECT_EQ(Save(again), second);
}

TEST(PreviewPages, SaveToFileAndLoadFromFile) {
  TTempDir dir;
  TqdxReport report;
  TqdxPreviewPages pages(&report);
  pages.AddSourcePage(MakePage(-1));
  pages.AddPage(0, *MakePage(3));
  pages.SaveToFile(dir / "r.qdp");
  EXPECT_EQ(report.FileName, dir / "r.qdp");

  TqdxPreviewPages loaded(nullptr);
  EXPECT_FALSE(loaded.LoadFromFile(dir / "missing.qdp"));
  EXPECT_EQ(loaded.Count(), 0);
  EXPECT_THROW(loaded.LoadFromFile(dir / "missing.qdp", true), std::exception);
  EXPECT_TRUE(loaded.LoadFromFile(dir / "r.qdp"));
  ASSERT_EQ(loaded.Count(), 1);
  EXPECT_EQ(Describe(*loaded.GetPage(0)), Describe(*MakePage(3)));
}

TEST(PreviewPages, PageSizeFromPageDifferences) {
  struct Case {
    const char* Page;
    std::pair<int, int> Size;
  };
  const Case cases[] = {
      {"<page0/>", {794, 1123}},
      {"<page0 PaperWidth=\"100\"/>", {378, 1123}},
      {"<page0 PaperHeight=\"100,5\"/>", {794, 380}},
      {"<page0 Orientation=\"1\" PaperWidth=\"297\" PaperHeight=\"210\"/>", {1123, 794}},
      {"<page0 PaperWidth=\"wide\"/>", {794, 1123}},
      {"<page0 a=\"100\"/>", {794, 1123}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Page);
    TqdxPreviewPages pages(nullptr);
    Load(pages, SmallFile(StdDictionary, c.Page));
    EXPECT_EQ(pages.GetPageSize(0), c.Size);
    EXPECT_EQ(pages.GetPageSize(1), std::make_pair(0, 0));
    EXPECT_EQ(pages.GetPageSize(-1), std::make_pair(0, 0));
  }
  TqdxPreviewPages pages(nullptr);
  Load(pages, SmallFile(StdDictionary, "<page0 PaperWidth=\"100\"/>"));
  EXPECT_EQ(pages.GetPage(0)->GetPaperWidth(), 100);
}

TEST(PreviewPages, ShortNamesStandForSourceObjects) {
  TqdxPreviewPages pages(nullptr);
  Load(pages, SmallFile(StdDictionary,
                        "<page0><b1 t=\"300\"><m1 u=\"Total\"/><m1 t=\"20\" u=\"Second\"/></b1></page0>"
                        "<page0><TqdxMasterData Name=\"Own\"><TqdxMemoView l=\"5\" u=\"Whole\"/></TqdxMasterData></page0>"));
  ASSERT_EQ(pages.Count(), 2);
  TqdxReportPage* page = pages.GetPage(0);
  ASSERT_TRUE(page);
  ASSERT_EQ(page->Objects().size(), 1u);
  TqdxComponent* band = page->Objects()[0];
  EXPECT_EQ(band->ClassName(), "TqdxMasterData");
  EXPECT_EQ(band->Name, "MasterData1");
  EXPECT_EQ(band->GetTop(), 300);
  EXPECT_EQ(band->GetHeight(), 40);
  ASSERT_EQ(band->Objects().size(), 2u);
  for (int k = 0; k < 2; ++k) {
    auto* memo = dynamic_cast<TqdxMemoView*>(band->Objects()[static_cast<size_t>(k)]);
    ASSERT_TRUE(memo);
    EXPECT_EQ(memo->Name, "Memo1");
    EXPECT_EQ(memo->GetLeft(), 10);
    EXPECT_EQ(memo->GetWidth(), 120);
    EXPECT_EQ(memo->HAlign, haCenter);
    EXPECT_EQ(memo->Parent(), band);
    EXPECT_NE(memo->XMLItem, nullptr);
  }
  EXPECT_EQ(static_cast<TqdxMemoView*>(band->Objects()[0])->Text(), u"Total");
  EXPECT_EQ(band->Objects()[0]->GetTop(), 0);
  EXPECT_EQ(static_cast<TqdxMemoView*>(band->Objects()[1])->Text(), u"Second");
  EXPECT_EQ(band->Objects()[1]->GetTop(), 20);

  TqdxReportPage* whole = pages.GetPage(1);
  ASSERT_EQ(whole->Objects().size(), 1u);
  EXPECT_EQ(whole->Objects()[0]->Name, "Own");
  auto* memo = static_cast<TqdxMemoView*>(whole->Objects()[0]->Objects().at(0));
  EXPECT_EQ(memo->Text(), u"Whole");
  EXPECT_EQ(memo->GetLeft(), 5);
}

TEST(PreviewPages, PageCacheIsBounded) {
  struct Case {
    int PagesInCache;
    int Cached;
  };
  const Case cases[] = {{50, 50}, {5, 5}, {1, 1}, {0, 1}, {200, 61}};
  std::string file;
  {
    TqdxPreviewPages built(nullptr);
    built.AddSourcePage(MakePage(-1));
    for (int i = 0; i < 100; ++i) built.AddPage(0, *MakePage(i % 7));
    file = Save(built);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.PagesInCache);
    TqdxReport report;
    report.GetPreviewOptions()->PagesInCache = c.PagesInCache;
    TqdxPreviewPages pages(&report);
    Load(pages, file);
    ASSERT_EQ(pages.Count(), 100);
    for (int i = 0; i <= 59; ++i) ASSERT_TRUE(pages.GetPage(i));
    TqdxReportPage* p60 = pages.GetPage(60);
    ASSERT_TRUE(p60);
    EXPECT_EQ(pages.CachedPageCount(), c.Cached);
    // The page just built is cached and handed out again.
    EXPECT_EQ(pages.GetPage(60), p60);
    EXPECT_EQ(Describe(*p60), Describe(*MakePage(60 % 7)));
    pages.ClearPageCache();
    EXPECT_EQ(pages.CachedPageCount(), 0);
  }
}

TEST(PreviewPages, PagesSwappedOutWithTheFileCache) {
  TTempDir dir;
  TqdxReport report;
  report.GetEngineOptions()->UseFileCache = true;
  report.GetEngineOptions()->TempDir = dir.Path().string();
  report.GetPreviewOptions()->PagesInCache = 2;
  TqdxPreviewPages pages(&report);
  pages.Initialize();
  pages.AddSourcePage(MakePage(-1));
  for (int i = 0; i < 8; ++i) pages.AddPage(0, *MakePage(i));
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < 8; ++i) EXPECT_EQ(Describe(*pages.GetPage(i)), Describe(*MakePage(i))) << i;
  TqdxPreviewPages loaded(nullptr);
  Load(loaded, Save(pages));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Describe(*loaded.GetPage(i)), Describe(*MakePage(i))) << i;
}

TEST(PreviewPages, ModifiedPagesAndObjects) {
  // With the file cache, pages after the second are swapped out when they
  // leave the page cache; a modified page must not come back in its old form.
  TTempDir dir;
  TqdxReport report;
  report.GetEngineOptions()->UseFileCache = true;
  report.GetEngineOptions()->TempDir = dir.Path().string();
  report.GetPreviewOptions()->PagesInCache = 1;
  TqdxPreviewPages pages(&report);
  pages.Initialize();
  pages.AddSourcePage(MakePage(-1));
  for (int i = 0; i < 4; ++i) pages.AddPage(0, *MakePage(i));
  for (int i : {3, 2, 1, 0}) pages.GetPage(i);
  for (int index : {0, 3}) {
    SCOPED_TRACE(index);
    auto edited = MakePage(9);
    pages.ModifyPage(index, *edited);
    EXPECT_EQ(Describe(*pages.GetPage(index)), Describe(*edited));
    pages.GetPage(1);
    pages.GetPage(2);
    EXPECT_EQ(Describe(*pages.GetPage(index)), Describe(*edited));
  }
  // An object rewritten in place keeps its short name.
  TqdxReportPage* page = pages.GetPage(1);
  auto* memo = static_cast<TqdxMemoView*>(page->FindObject("Memo1"));
  ASSERT_TRUE(memo && memo->XMLItem);
  memo->SetText(u"changed");
  pages.ModifyObject(*memo);
  EXPECT_EQ(memo->XMLItem->Name(), "m1");
  TqdxPreviewPages loaded(nullptr);
  Load(loaded, Save(pages));
  EXPECT_EQ(static_cast<TqdxMemoView*>(loaded.GetPage(1)->FindObject("Memo1"))->Text(), u"changed");
  EXPECT_EQ(Describe(*loaded.GetPage(3)), Describe(*MakePage(9)));
}

TEST(PreviewPages, AnchorsAndOutline) {
  TqdxReport report;
  TqdxPreviewPages pages(&report);
  pages.AddSourcePage(MakePage(-1));
  for (int i = 0; i < 6; ++i) pages.AddPage(0, *MakePage(i));
  pages.AddAnchor("Total", 1, 10);
  pages.AddAnchor("Other", 2, 0);
  pages.AddAnchor("total", 4, 30);
  pages.Outline().AddItem("Chapter <1>", 0, 5);
  pages.Outline().AddItem("Section", 1, 7);
  pages.Outline().LevelRoot();
  pages.Outline().AddItem("Chapter 2", 3, 0);

  TqdxPreviewPages loaded(nullptr);
  Load(loaded, Save(pages));
  for (TqdxPreviewPages* p : {&pages, &loaded}) {
    EXPECT_EQ(p->GetAnchorPage("TOTAL"), 5);
    EXPECT_EQ(p->GetAnchorPage("Other"), 3);
    EXPECT_EQ(p->GetAnchorPage("missing"), 1);
    TqdxOutline& o = p->Outline();
    o.LevelRoot();
    ASSERT_EQ(o.Count(), 2);
    EXPECT_EQ(o.Item(0).Text, "Chapter <1>");
    EXPECT_EQ(o.Item(1).Page, 3);
    o.LevelDown(0);
    ASSERT_EQ(o.Count(), 1);
    EXPECT_EQ(o.Item(0).Text, "Section");
    EXPECT_EQ(o.Item(0).Page, 1);
    EXPECT_EQ(o.Item(0).Top, 7);
    o.LevelUp();
    EXPECT_EQ(o.Count(), 2);
  }
}

TEST(PreviewPages, EmptyDocuments) {
  const std::string files[] = {
      std::string(Header) + "<preparedreport><previewpages/></preparedreport>",
      std::string(Header) + "<preparedreport></preparedreport>",
      std::string(Header) + "<PreparedReport><PreviewPages></PreviewPages></PreparedReport>",
  };
  for (const std::string& f : files) {
    SCOPED_TRACE(f);
    TqdxPreviewPages pages(nullptr);
    Load(pages, f);
    EXPECT_EQ(pages.Count(), 0);
    EXPECT_EQ(pages.GetPage(0), nullptr);
    EXPECT_EQ(pages.GetPageSize(0), std::make_pair(0, 0));
    EXPECT_EQ(pages.GetAnchorPage("x"), 1);
  }
}

TEST(PreviewPages, PicturesComeFromThePictureCache) {
  TqdxPreviewPages pages(nullptr);
  auto source = MakePage(-1);
  source->FindObject("Picture1")->Name = "Picture1";
  static_cast<TqdxPictureView*>(source->FindObject("Picture1"))->GetPicture()->Clear();
  pages.AddSourcePage(std::move(source));
  int index = pages.PictureCache().AddPicture(PngBytes);
  EXPECT_EQ(index, 1);
  auto page = MakePage(0);
  auto* pic = static_cast<TqdxPictureView*>(page->FindObject("Picture1"));
  pic->GetPicture()->Clear();
  pic->ImageIndex = index;
  pages.AddPage(0, *page);
  std::string file = Save(pages);
  EXPECT_NE(file.find("<picturecache><item stream=\"" + BytesToHex(PngBytes) + "\"/></picturecache>"), std::string::npos)
      << file;

  TqdxPreviewPages loaded(nullptr);
  Load(loaded, file);
  EXPECT_EQ(loaded.PictureCache().Count(), 1);
  auto* read = static_cast<TqdxPictureView*>(loaded.GetPage(0)->FindObject("Picture1"));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->ImageIndex, 1);
  EXPECT_EQ(read->GetPicture()->Kind(), TqdxGraphicKind::gkPNG);
  EXPECT_EQ(read->GetPicture()->Bytes(), PngBytes);
}

TEST(PreviewPages, PictureFormatsDetectedThroughTheCache) {
  auto le32 = [](uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  std::string emf(48, '\x01');
  emf.replace(40, 4, " EMF");
  struct Case {
    const char* Name;
    std::string Bytes;
    TqdxGraphicKind Kind;
  };
  const Case cases[] = {
      {"bitmap", "BM" + std::string(10, '\0'), TqdxGraphicKind::gkBitmap},
      {"jpeg", "\xFF\xD8\xFF\xE0", TqdxGraphicKind::gkJPEG},
      {"png", PngBytes, TqdxGraphicKind::gkPNG},
      {"placeable metafile", le32(2596720087u) + "wmf-body", TqdxGraphicKind::gkWMF},
      {"enhanced metafile", emf, TqdxGraphicKind::gkMetafile},
      {"icon", std::string("\0\0\1\0\1\0", 6), TqdxGraphicKind::gkIcon},
      {"stream header", std::string("\x01\x00\x00\x01", 4) + le32(static_cast<uint32_t>(PngBytes.size())) + PngBytes,
       TqdxGraphicKind::gkPNG},
      {"unknown", "GIF89a-not-known", TqdxGraphicKind::gkNone},
      {"one byte", "B", TqdxGraphicKind::gkNone},
      {"empty", "", TqdxGraphicKind::gkNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string file = SmallFile(StdDictionary, "<page0><b1><p1 ImageIndex=\"1\"/></b1></page0>",
                                 "<picturecache><item stream=\"" + BytesToHex(c.Bytes) + "\"/></picturecache>");
    TqdxPreviewPages pages(nullptr);
    Load(pages, file);
    auto* pic = static_cast<TqdxPictureView*>(pages.GetPage(0)->FindObject("Picture1"));
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->GetPicture()->Kind(), c.Kind);
  }
}

TEST(PreviewPages, PostProcessedValues) {
  // Memo1 merges repeated values; its text is the index of a value known
  // only after the report was finished.
  std::string file = std::string(Header) +
                     "<preparedreport><sourcepages><TqdxReportPage Name=\"Page1\">"
                     "<TqdxMasterData Name=\"MasterData1\" Top=\"100\" Height=\"40\">"
                     "<TqdxMemoView Name=\"Memo1\" Height=\"10\" Duplicates=\"dmMerge\"/>"
                     "</TqdxMasterData></TqdxReportPage></sourcepages>"
                     "<dictionary><b1 name=\"Page0.MasterData1\"/><m1 name=\"Page0.Memo1\"/></dictionary>"
                     "<postprocessing><Memo1><i cnt=\"first\"/><i cnt=\"second &#38; \xC3\xA9\"/></Memo1></postprocessing>"
                     "<previewpages>"
                     "<page0><b1><m1 u=\"0\"/><m1 t=\"20\" u=\"0\"/><m1 t=\"40\" u=\"1\"/></b1></page0>"
                     "<page0><b1><m1 u=\"1\"/></b1></page0>"
                     "</previewpages></preparedreport>";
  TqdxPreviewPages pages(nullptr);
  Load(pages, file);
  TqdxReportPage* page = pages.GetPage(0);
  ASSERT_TRUE(page);
  const auto& memos = page->Objects().at(0)->Objects();
  ASSERT_EQ(memos.size(), 2u);
  EXPECT_EQ(static_cast<TqdxMemoView*>(memos[0])->Text(), u"first");
  EXPECT_EQ(memos[0]->GetHeight(), 30);  // reaches the bottom of the merged copy
  EXPECT_EQ(static_cast<TqdxMemoView*>(memos[1])->Text(), u"second & \u00e9");

  // The object that took the last value may be gone with its page.
  pages.ClearPageCache();
  for (int i : {1, 0, 1}) {
    page = pages.GetPage(i);
    ASSERT_TRUE(page);
    pages.ClearPageCache();
  }
  // The values are written back with the document.
  TqdxPreviewPages again(nullptr);
  Load(again, Save(pages));
  EXPECT_EQ(static_cast<TqdxMemoView*>(again.GetPage(0)->FindObject("Memo1"))->Text(), u"first");
}

TEST(PreviewPages, ReportAttributes) {
  TqdxReport report;
  report.GetPreviewOptions()->OutlineVisible = true;
  report.GetPreviewOptions()->OutlineWidth = 200;
  report.GetReportOptions()->Name = "Sales \"Q1\"";
  TqdxPreviewPages pages(&report);
  std::string file = Save(pages);
  EXPECT_NE(file.find("<TqdxReport DotMatrixReport=\"0\" PreviewOptions.OutlineVisible=\"1\" "
                      "PreviewOptions.OutlineWidth=\"200\" ReportOptions.Name=\"Sales &#34;Q1&#34;\"/>"),
            std::string::npos)
      << file;
  TqdxReport other;
  other.Name = "Kept";
  TqdxPreviewPages loaded(&other);
  Load(loaded, file);
  EXPECT_TRUE(other.GetPreviewOptions()->OutlineVisible);
  EXPECT_EQ(other.GetPreviewOptions()->OutlineWidth, 200);
  EXPECT_EQ(other.GetReportOptions()->Name, "Sales \"Q1\"");
  EXPECT_EQ(other.Name, "Kept");
}

// ---------------------------------------------------------------- damaged files

namespace {

std::string Nested(int depth, const std::string& open, const std::string& close) {
  std::string s;
  for (int i = 0; i < depth; ++i) s += open;
  for (int i = 0; i < depth; ++i) s += close;
  return s;
}

enum class TOutcome {
  Loads,        // loads, and page 0 builds
  LoadFails,    // LoadFromStream raises
  PageFails,    // loads, GetPage(0) raises
};

}  // namespace

TEST(PreviewPages, DamagedFilesGiveClearErrors) {
  const std::string good = SmallFile(StdDictionary, "<page0><b1><m1 u=\"x\"/></b1></page0>");
  struct Case {
    const char* Name;
    std::string File;
    TOutcome Outcome;
    const char* Message;  // part of the raised message or of a load error
  };
  const Case cases[] = {
      {"truncated", good.substr(0, good.size() / 2), TOutcome::LoadFails, "Invalid file format"},
      {"truncated in a tag", good.substr(0, good.find("<m1 name") + 4), TOutcome::LoadFails, "Invalid file format"},
      {"empty", "", TOutcome::LoadFails, "Invalid file format"},
      {"not a prepared report", std::string(Header) + "<TqdxReport/>", TOutcome::LoadFails, "Invalid file format"},
      {"unknown class in a page", SmallFile(StdDictionary, "<page0><TqdxNoSuchView l=\"1\"/></page0>"),
       TOutcome::PageFails, "TqdxNoSuchView"},
      {"non-component class in a page", SmallFile(StdDictionary, "<page0><TqdxFrame/></page0>"), TOutcome::PageFails,
       "TqdxFrame"},
      {"unknown short name", SmallFile(StdDictionary, "<page0><x7/></page0>"), TOutcome::PageFails, "x7"},
      {"unknown class in source pages",
       std::string(Header) +
           "<preparedreport><sourcepages><TqdxReportPage><TqdxNoSuchBand Name=\"B\"/>"
           "<TqdxMasterData Name=\"MasterData1\"/></TqdxReportPage></sourcepages>"
           "<dictionary><b1 name=\"Page0.MasterData1\"/></dictionary><previewpages><page0><b1/></page0></previewpages>"
           "</preparedreport>",
       TOutcome::Loads, "Cannot find class TqdxNoSuchBand"},
      {"bad numbers", SmallFile(StdDictionary, "<page0><b1 t=\"1,2,3\"><m1 l=\"abc\" HAlign=\"haWhere\"/></b1></page0>"),
       TOutcome::Loads, "abc"},
      {"broken PropData", SmallFile(StdDictionary, "<page0><b1><p1 Picture.PropData=\"0444617461GG\"/></b1></page0>"),
       TOutcome::Loads, nullptr},
      {"odd-length picture cache", SmallFile(StdDictionary, "<page0><b1><p1 ImageIndex=\"1\"/></b1></page0>",
                                             "<picturecache><item stream=\"89504\"/></picturecache>"),
       TOutcome::Loads, "picture cache"},
      {"bad hex in picture cache", SmallFile(StdDictionary, "<page0><b1><p1 ImageIndex=\"2\"/></b1></page0>",
                                             "<picturecache><item stream=\"XY\"/><item/></picturecache>"),
       TOutcome::Loads, "picture cache"},
      {"image index out of range", SmallFile(StdDictionary, "<page0><b1><p1 ImageIndex=\"99\"/><p1 ImageIndex=\"-5\"/></b1></page0>"),
       TOutcome::Loads, nullptr},
      {"dictionary names a missing source page", SmallFile("<m1 name=\"Page7.Memo1\"/>", "<page0/>"),
       TOutcome::LoadFails, "Page7.Memo1"},
      {"dictionary entry without page", SmallFile("<m1 name=\"Memo1\"/>", "<page0/>"), TOutcome::LoadFails, "Memo1"},
      {"dictionary entry without name", SmallFile("<m1/>", "<page0/>"), TOutcome::LoadFails, "m1"},
      {"dictionary names a missing object", SmallFile("<m1 name=\"Page0.Nothing\"/>", "<page0><m1 u=\"x\"/></page0>"),
       TOutcome::PageFails, "m1"},
      {"page of a missing source page", SmallFile(StdDictionary, "<page99/>"), TOutcome::PageFails, "page99"},
      {"page without number", SmallFile(StdDictionary, "<pageX/>"), TOutcome::PageFails, "pageX"},
      {"page with a negative number", SmallFile(StdDictionary, "<page-1/>"), TOutcome::PageFails, "page-1"},
      {"other page element", SmallFile(StdDictionary, "<item/>"), TOutcome::PageFails, "item"},
      {"deep nesting in a page", SmallFile(StdDictionary, "<page0>" + Nested(10000, "<b1>", "</b1>") + "</page0>"),
       TOutcome::PageFails, "nested too deeply"},
      {"deep nesting of a whole page",
       SmallFile(StdDictionary, "<TqdxReportPage>" + Nested(10000, "<TqdxChild>", "</TqdxChild>") + "</TqdxReportPage>"),
       TOutcome::Loads, "nested too deeply"},
      {"deep nesting in source pages",
       std::string(Header) + "<preparedreport><sourcepages><TqdxReportPage>" +
           Nested(10000, "<TqdxChild>", "</TqdxChild>") +
           "</TqdxReportPage></sourcepages><previewpages><page0/></previewpages></preparedreport>",
       TOutcome::Loads, "nested too deeply"},
      {"deep nesting of sections", std::string(Header) + "<preparedreport>" + Nested(10000, "<outline>", "</outline>") +
                                       "<previewpages><page0/></previewpages></preparedreport>",
       TOutcome::PageFails, "page0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TqdxReport report;
    TqdxPreviewPages pages(&report);
    std::string raised;
    try {
      Load(pages, c.File);
    } catch (const std::exception& e) {
      raised = e.what();
    }
    if (c.Outcome == TOutcome::LoadFails) {
      EXPECT_NE(raised.find(c.Message), std::string::npos) << "raised: " << raised;
      continue;
    }
    ASSERT_EQ(raised, "");
    try {
      TqdxReportPage* page = pages.GetPage(0);
      EXPECT_NE(page, nullptr);
      pages.GetPageSize(0);
    } catch (const std::exception& e) {
      raised = e.what();
    }
    if (c.Outcome == TOutcome::PageFails) {
      EXPECT_NE(raised.find(c.Message), std::string::npos) << "raised: " << raised;
      EXPECT_EQ(pages.CachedPageCount(), 0);
      continue;
    }
    EXPECT_EQ(raised, "");
    if (c.Message) {
      std::string all;
      for (const std::string& e : pages.LoadErrors()) all += e + "\n";
      EXPECT_NE(all.find(c.Message), std::string::npos) << "errors: " << all;
    }
    // Whatever loaded can be saved and loaded again.
    TqdxPreviewPages again(nullptr);
    Load(again, Save(pages));
    EXPECT_EQ(again.Count(), pages.Count());
  }
}

TEST(PreviewPages, NamesThatNeedEscapingSurviveSaving) {
  std::string file = std::string(Header) +
                     "<preparedreport><sourcepages><TqdxReportPage>"
                     "<TqdxMemoView Name=\"a&#34;b&#60;c\" Text=\"src\"/></TqdxReportPage></sourcepages>"
                     "<dictionary><m1 name=\"Page0.a&#34;b&#60;c\"/></dictionary>"
                     "<previewpages><page0><m1 u=\"printed\"/></page0></previewpages></preparedreport>";
  TqdxPreviewPages pages(nullptr);
  Load(pages, file);
  ASSERT_NE(pages.GetPage(0)->FindObject("a\"b<c"), nullptr);
  TqdxPreviewPages again(nullptr);
  Load(again, Save(pages));
  auto* memo = static_cast<TqdxMemoView*>(again.GetPage(0)->FindObject("a\"b<c"));
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->Text(), u"printed");
}

TEST(PreviewPages, FilePagesAreReadWhenBuiltAndDroppedWhenUncached) {
  // A file opened for conversion keeps only the elements of cached pages in
  // memory; the rest are read from the file when their page is built.
  TTempDir dir;
  const int count = 1000;
  const std::string path = dir / "large.qdp";
  {
    TqdxPreviewPages built(nullptr);
    built.AddSourcePage(MakePage(-1));
    for (int i = 0; i < count; ++i) built.AddPage(0, *MakePage(i % 7));
    built.SaveToFile(path);
  }
  TqdxReport report;
  report.GetPreviewOptions()->PagesInCache = 5;
  TqdxPreviewPages pages(&report);
  ASSERT_TRUE(pages.LoadFromFile(path));
  ASSERT_EQ(pages.Count(), count);
  // The first two pages are never swappable.
  EXPECT_EQ(pages.LoadedPageElementCount(), 2);
  int most = 0;
  for (int i = 0; i < count; ++i) {
    TqdxReportPage* page = pages.GetPage(i);
    ASSERT_TRUE(page);
    if (i % 97 == 0) {
      EXPECT_EQ(Describe(*page), Describe(*MakePage(i % 7))) << i;
    }
    most = std::max(most, pages.LoadedPageElementCount());
  }
  EXPECT_EQ(most, 2 + 5);
  pages.ClearPageCache();
  EXPECT_EQ(pages.LoadedPageElementCount(), 2);
  // Built again from the file after being dropped.
  EXPECT_EQ(Describe(*pages.GetPage(count - 1)), Describe(*MakePage((count - 1) % 7)));
  pages.ClearPageCache();

  // Saving writes every page in full, exactly as the fully read document does.
  TqdxReport fullReport;
  TqdxPreviewPages full(&fullReport);
  Load(full, ReadWholeFile(path));
  const std::string expected = Save(full);
  const std::string saved = Save(pages);
  const auto diff = std::mismatch(saved.begin(), saved.end(), expected.begin(), expected.end());
  EXPECT_TRUE(saved == expected) << "differs at " << (diff.first - saved.begin()) << ": "
                                 << saved.substr(static_cast<size_t>(diff.first - saved.begin()), 80) << " / "
                                 << expected.substr(static_cast<size_t>(diff.second - expected.begin()), 80);
  EXPECT_EQ(pages.LoadedPageElementCount(), 2);

  // Changes in memory survive the page leaving the cache and reach the saved
  // file, even when it replaces the file the pages are read from.
  auto edited = MakePage(9);
  pages.ModifyPage(500, *edited);
  auto* memo = static_cast<TqdxMemoView*>(pages.GetPage(700)->FindObject("Memo1"));
  ASSERT_TRUE(memo);
  memo->SetText(u"changed");
  pages.ModifyObject(*memo);
  pages.ClearPageCache();
  for (int i = 0; i < 10; ++i) pages.GetPage(i);
  pages.ClearPageCache();
  EXPECT_EQ(Describe(*pages.GetPage(500)), Describe(*edited));
  EXPECT_EQ(static_cast<TqdxMemoView*>(pages.GetPage(700)->FindObject("Memo1"))->Text(), u"changed");
  pages.SaveToFile(path);
  EXPECT_EQ(Describe(*pages.GetPage(count - 1)), Describe(*MakePage((count - 1) % 7)));
  TqdxPreviewPages reloaded(nullptr);
  ASSERT_TRUE(reloaded.LoadFromFile(path));
  ASSERT_EQ(reloaded.Count(), count);
  EXPECT_EQ(Describe(*reloaded.GetPage(500)), Describe(*edited));
  EXPECT_EQ(static_cast<TqdxMemoView*>(reloaded.GetPage(700)->FindObject("Memo1"))->Text(), u"changed");
  EXPECT_EQ(Describe(*reloaded.GetPage(999)), Describe(*MakePage(999 % 7)));
}
