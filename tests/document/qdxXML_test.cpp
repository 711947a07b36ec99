#include "document/qdxXML.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/Streams.h"
#include "tests/TestSupport.h"

namespace {

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";

void Load(TqdxXMLDocument& doc, const std::string& xml) {
  TMemoryStream s(xml);
  doc.LoadFromStream(s);
}

std::string Save(TqdxXMLDocument& doc) {
  TMemoryStream s;
  doc.SaveToStream(s);
  return s.Data();
}

TqdxXMLItem* ItemWithText(TqdxXMLItem& parent, const std::string& text) {
  TqdxXMLItem* item = parent.Add();
  item->SetName("a");
  item->SetText(text);
  return item;
}

// --- Attributes --------------------------------------------------------------

TEST(XMLItemProp, LookupMatchesWholeNamesIgnoringCase) {
  TqdxXMLItem root;
  TqdxXMLItem* it = ItemWithText(root, "AB=\"1\" B=\"2\" Left=\"a&#60;b&#34;\" open=\"xy");
  struct Case { const char* name; bool exists; const char* value; };
  const Case cases[] = {
      {"b", true, "2"},      {"B", true, "2"},        {"ab", true, "1"},  {"a", false, ""},
      {"left", true, "a<b\""}, {"LEFT", true, "a<b\""}, {"Lef", false, ""}, {"eft", false, ""},
      {"open", true, "xy"},  // an unclosed value runs to the end of the text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(it->PropExists(c.name), c.exists);
    EXPECT_EQ(it->Prop(c.name), c.value);
  }
}

TEST(XMLItemProp, WriteReplacesInPlaceOrAppends) {
  struct Case { const char* before; const char* name; const char* value; const char* after; };
  const Case cases[] = {
      {"a=\"1\" b=\"2\" c=\"3\"", "B", "x<y", "a=\"1\" B=\"x&#60;y\" c=\"3\""},
      {"ab=\"1\" b=\"2\"", "b", "", "ab=\"1\" b=\"\""},
      {"a=\"1\"", "b", "2", "a=\"1\" b=\"2\""},
      {"a=\"1\" ", "b", "2", "a=\"1\" b=\"2\""},
      {"", "b", "2", "b=\"2\""},
  };
  for (const Case& c : cases) {
    TqdxXMLItem root;
    TqdxXMLItem* it = ItemWithText(root, c.before);
    it->SetProp(c.name, c.value);
    EXPECT_EQ(it->Text(), c.after) << c.before;
    EXPECT_EQ(it->Prop(c.name), c.value);
  }
}

// --- Escaping -----------------------------------------------------------------

TEST(XMLStrings, Escape) {
  const std::string longPrefix(32, 'x');
  struct Case { std::string in, out; };
  const Case cases[] = {
      {"a<b & \"c\"", "a&#60;b &#38; &#34;c&#34;"},
      {"say &quot;hi&quot;", "say &#34;hi&#34;"},
      {"line\nnext\r", "line&#10;next&#13;"},
      {"x>y", "x&#62;y"},
      {std::string("a\0b", 3), "a&#0;b"},
      {longPrefix + std::string(1, '\0'), longPrefix + " "},
      {"tab\t\xE4\xFF", "tab\t\xE4\xFF"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(StrToXML(c.in), c.out);
}

TEST(XMLStrings, Unescape) {
  struct Case { const char* in; std::string out; };
  const Case cases[] = {
      {"&quot;&amp;&lt;&gt;", "\"&<>"},
      {"&amp;lt;", "&lt;"},                // a replaced character is not scanned again
      {"&apos;&nbsp;", "&apos;&nbsp;"},
      {"end&", "end&"},
      {"&#65;&#0321;", "AA"},              // only the low 8 bits remain
      {"&#0;", std::string(1, '\0')},
      // Malformed character references stay as they are.
      {"&#;", "&#;"}, {"&#12a;", "&#12a;"}, {"&#x41;", "&#x41;"}, {"&#65", "&#65"},
      {"&#99999999999999999999;", "&#99999999999999999999;"},
      {"&#2147483648;", "&#2147483648;"},
  };
  for (const Case& c : cases) EXPECT_EQ(XMLToStr(c.in), c.out) << c.in;
}

TEST(XMLStrings, EveryByteRoundTrips) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(XMLToStr(StrToXML(all)), all);
  std::string shortNul = std::string("q\0\"", 3);
  EXPECT_EQ(XMLToStr(StrToXML(shortNul)), shortNul);

  TqdxXMLItem root;
  TqdxXMLItem* it = ItemWithText(root, "");
  it->SetProp("v", "a&quot;b");
  EXPECT_EQ(it->Prop("v"), "a\"b");
}

TEST(XMLStrings, ValueToXML) {
  EXPECT_EQ(ValueToXML(int64_t{42}), "42");
  EXPECT_EQ(ValueToXML(-7), "-7");
  EXPECT_EQ(ValueToXML(0.1), "0.1");
  EXPECT_EQ(ValueToXML(1.5), "1.5");
  EXPECT_EQ(ValueToXML(1e20), "1e+20");
  EXPECT_EQ(ValueToXML(true), "1");
  EXPECT_EQ(ValueToXML(false), "0");
  EXPECT_EQ(ValueToXML(std::string("a<b")), "a&#60;b");
  EXPECT_EQ(ValueToXML(TqdxXMLValue{}), "");
}

// --- Tree ---------------------------------------------------------------------

TEST(XMLItem, ChildListOperations) {
  TqdxXMLItem root;
  TqdxXMLItem* a = root.Add();
  a->SetName("Alpha");
  TqdxXMLItem* b = root.FindItem("beta");
  EXPECT_EQ(root.Count(), 2);
  EXPECT_EQ(root.Find("ALPHA"), 0);
  EXPECT_EQ(root.FindItem("BETA"), b);
  EXPECT_EQ(root.Find("gamma"), -1);

  // Moving an item between parents keeps the invariant.
  a->AddItem(b);
  EXPECT_EQ(root.Count(), 1);
  EXPECT_EQ(b->Parent(), a);
  root.InsertItem(0, b);
  EXPECT_EQ(root.IndexOf(b), 0);
  EXPECT_EQ(root.IndexOf(a), 1);
  EXPECT_EQ(a->Count(), 0);
  root.InsertItem(1, b);  // moving within the same list
  EXPECT_EQ(root.IndexOf(b), 1);
  EXPECT_THROW(root.InsertItem(2, b), std::out_of_range);
  EXPECT_EQ(root.IndexOf(b), 1);
  EXPECT_THROW(b->AddItem(&root), std::invalid_argument);
  EXPECT_THROW(root.Items(5), std::out_of_range);

  auto free = std::make_unique<TqdxXMLItem>();
  free->SetName("c");
  root.AddItem(std::move(free));
  EXPECT_EQ(root.Count(), 3);

  delete root.Items(0);  // destroying a child takes it out of the list
  EXPECT_EQ(root.Count(), 2);
  EXPECT_EQ(root.Items(0)->Name(), "beta");
}

TEST(XMLItem, ClearOfUnloadableItemUnloadsIt) {
  TqdxXMLItem item;
  item.Add()->Add();
  item.Clear();
  EXPECT_EQ(item.Count(), 0);
  EXPECT_TRUE(item.Loaded());
  item.SetUnloadable(true);
  item.Clear();
  EXPECT_FALSE(item.Loaded());
}

// --- Reading ------------------------------------------------------------------

TEST(XMLReader, EmptyElementSpellings) {
  struct Case { const char* xml; const char* text; };
  const Case cases[] = {
      {"<a/>", ""}, {"<a />", ""}, {"<a x=\"1\"/>", "x=\"1\""},
      {"<a x=\"1\" />", "x=\"1\" "}, {"<a></a>", ""}, {"<a x=\"1\"></A>", "x=\"1\""},
      {"<a\tx=\"1\"/>", ""},  // a tab does not separate: the name is "a\tx=..."
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.xml);
    TqdxXMLDocument doc;
    Load(doc, kHeader + "<r>" + c.xml + "<z/></r>");
    ASSERT_EQ(doc.Root()->Count(), 2);
    TqdxXMLItem* a = doc.Root()->Items(0);
    EXPECT_EQ(a->Count(), 0);
    EXPECT_EQ(a->Text(), c.text);
    if (*c.text) {
      EXPECT_EQ(a->Name(), "a");
    }
    EXPECT_EQ(doc.Root()->Items(1)->Name(), "z");
  }
}

TEST(XMLReader, SkipsCommentsTextAndByteOrderMark) {
  TqdxXMLDocument doc;
  Load(doc,
       "\xEF\xBB\xBF<!-- before header -->" + kHeader +
           "<!-- <not> a tag -- > -->text<r a=\"1\">some text"
           "<!-- three hyphens do not close it ---> <x/> still a comment -->"
           "<b>t</b><!----><!-- a -->\r\n<c/></r>trailing");
  EXPECT_EQ(doc.Root()->Name(), "r");
  EXPECT_EQ(doc.Root()->Prop("a"), "1");
  ASSERT_EQ(doc.Root()->Count(), 2);
  EXPECT_EQ(doc.Root()->Items(0)->Name(), "b");
  EXPECT_EQ(doc.Root()->Items(0)->Value(), "");  // character content is not kept
  EXPECT_EQ(doc.Root()->Items(1)->Name(), "c");
}

// Tags and comments that straddle the 4096-byte read buffer.
TEST(XMLReader, TagsAcrossBufferBoundaries) {
  const std::string value(5000, 'v');
  for (size_t pad = 4040; pad < 4060; ++pad) {
    SCOPED_TRACE(pad);
    std::string xml = kHeader + std::string(pad - kHeader.size(), ' ') +
                      "<!-- c --><r><a v=\"" + value + "\"/><!-- < --><b/></r>";
    TqdxXMLDocument doc;
    Load(doc, xml);
    ASSERT_EQ(doc.Root()->Count(), 2);
    EXPECT_EQ(doc.Root()->Items(0)->Prop("v"), value);
    EXPECT_EQ(doc.Root()->Items(1)->Name(), "b");
  }
}

TEST(XMLReader, TruncatedDocumentLoadsAsFarAsItGoes) {
  TqdxXMLDocument doc;
  Load(doc, kHeader + "<r><a><b x=\"1\"/><c>");
  EXPECT_EQ(doc.Root()->Name(), "r");
  ASSERT_EQ(doc.Root()->Count(), 1);
  TqdxXMLItem* a = doc.Root()->Items(0);
  ASSERT_EQ(a->Count(), 2);
  EXPECT_EQ(a->Items(0)->Prop("x"), "1");
  EXPECT_EQ(a->Items(1)->Name(), "c");
}

TEST(XMLReader, MalformedDocumentsRaise) {
  const std::string cases[] = {
      kHeader + "<r><a x=\"1",          // cut inside a tag
      kHeader + "<r><!-- cut in a comment",
      kHeader + "<r><a></b></r>",       // mismatched end tag
      kHeader + "<r><a></r>",
      kHeader + "<r><></r>",
      "<r></r>",                         // first tag is not the header
      "",
      kHeader + "<r><a x=\"<\"/></r>",  // "<" inside a tag
  };
  for (const std::string& xml : cases) {
    TqdxXMLDocument doc;
    try {
      Load(doc, xml);
      ADD_FAILURE() << "no error for: " << xml;
    } catch (const TqdxInvalidXMLException& e) {
      EXPECT_STREQ(e.what(), "Invalid file format");
    }
  }
}

TEST(XMLReader, LegacyHeader) {
  struct Case { const char* header; bool legacy; };
  const Case cases[] = {
      {"<?xml version=\"1.0\" encoding=\"utf-8\"?>", true},
      {"<?xml version='1.0'?>", true},
      {"<?xml version=\"1.1\"?>", false},
      {"<?xml version=\"1.0\" standalone=\"yes\"?>", false},
      {"<?xml encoding=\"utf-8\"?>", false},
  };
  for (const Case& c : cases) {
    TqdxXMLDocument doc;
    doc.SetLegacyHeader(!c.legacy);
    Load(doc, std::string(c.header) + "<r/>");
    EXPECT_EQ(doc.LegacyHeader(), c.legacy) << c.header;
  }
}

TEST(XMLReader, StreamStandsAfterLastCharacterConsumed) {
  std::string xml = kHeader + "<r><a/></r>tail";
  TMemoryStream s(xml);
  TqdxXMLDocument doc;
  doc.LoadFromStream(s);
  EXPECT_EQ(s.Position(), static_cast<int64_t>(xml.size() - 4));
}

TEST(XMLReader, UnloadMarkerIsStripped) {
  const std::string xml = kHeader + "<r><p ld=\"0\"><o/></p><q a=\"1\" LD=\"0\" b=\"2\"/></r>";
  TqdxXMLDocument doc;
  Load(doc, xml);
  TqdxXMLItem* p = doc.Root()->Items(0);
  TqdxXMLItem* q = doc.Root()->Items(1);
  EXPECT_EQ(p->Text(), "");
  EXPECT_EQ(q->Text(), "a=\"1\" b=\"2\"");
  // Read in full, a marked element stays loaded but keeps its mark, so a
  // document saved again can still swap it out.
  EXPECT_TRUE(p->Unloadable());
  EXPECT_TRUE(p->Loaded());
  EXPECT_EQ(p->Count(), 1);
  TMemoryStream out;
  doc.SaveToStream(out);
  EXPECT_NE(out.Data().find("<p ld=\"0\"><o/></p>"), std::string::npos) << out.Data();
}

TEST(XMLReader, PartialLoadLeavesMarkedElementsSwappedOut) {
  const std::string xml =
      kHeader + "<r><p ld=\"0\"><o x=\"1\"><i/></o></p><q ld=\"0\"/><s><t/></s></r>";
  TqdxXMLDocument doc;
  doc.LoadFromStream(std::make_unique<TMemoryStream>(xml), true);
  TqdxXMLItem* p = doc.Root()->Items(0);
  EXPECT_TRUE(p->Unloadable());
  EXPECT_FALSE(p->Loaded());
  EXPECT_EQ(p->Count(), 0);
  EXPECT_EQ(p->Offset(), static_cast<int64_t>(kHeader.size() + 3));
  EXPECT_FALSE(doc.Root()->Items(1)->Loaded());
  EXPECT_EQ(doc.Root()->Items(2)->Count(), 1);

  // Written in full, and still swapped out afterwards.
  std::string expected = kHeader + "<r><p ld=\"0\"><o x=\"1\"><i/></o></p><q ld=\"0\"/><s><t/></s></r>";
  EXPECT_EQ(Save(doc), expected);
  EXPECT_FALSE(p->Loaded());

  doc.LoadItem(p);
  EXPECT_TRUE(p->Loaded());
  ASSERT_EQ(p->Count(), 1);
  EXPECT_EQ(p->Items(0)->Prop("x"), "1");
  EXPECT_EQ(p->Items(0)->Count(), 1);
  EXPECT_THROW(doc.UnloadItem(p), std::logic_error);
}

// --- Writing ------------------------------------------------------------------

TEST(XMLWriter, ByteExactOutput) {
  TqdxXMLDocument doc;
  TqdxXMLItem* r = doc.Root();
  r->SetName("r");
  r->SetText("a=\"1\"");
  r->Add()->SetName("c");
  TqdxXMLItem* v = r->Add();
  v->SetName("v");
  v->SetValue("x<y");  // written as it is
  TqdxXMLItem* d = r->Add();
  d->SetName("d");
  d->SetText(" b=\"2\"");
  d->Add()->SetName("e");
  TqdxXMLItem* u = r->Add();
  u->SetName("u");
  u->SetUnloadable(true);

  EXPECT_EQ(Save(doc), kHeader + "<r a=\"1\"><c/><v>x<y</v><d b=\"2\"><e/></d><u ld=\"0\"/></r>");
  doc.SetIndentOutput(true);
  EXPECT_EQ(Save(doc), kHeader +
                           "<r a=\"1\">\r\n"
                           "  <c/>\r\n"
                           "  <v>x<y</v>\r\n"
                           "  <d b=\"2\">\r\n"
                           "    <e/>\r\n"
                           "  </d>\r\n"
                           "  <u ld=\"0\"/>\r\n"
                           "</r>\r\n");
}

TEST(XMLWriter, LargeOutputIsWrittenWhole) {
  TqdxXMLDocument doc;
  doc.Root()->SetName("r");
  std::string expected = kHeader + "<r>";
  for (int i = 0; i < 3000; ++i) {
    TqdxXMLItem* it = doc.Root()->Add();
    it->SetName("item");
    it->SetProp("n", std::to_string(i));
    expected += "<item n=\"" + std::to_string(i) + "\"/>";
  }
  expected += "</r>";
  EXPECT_EQ(Save(doc), expected);

  TqdxXMLDocument back;
  Load(back, expected);
  EXPECT_EQ(back.Root()->Count(), 3000);
  EXPECT_EQ(back.Root()->Items(2999)->Prop("n"), "2999");
}

// --- Swapping -----------------------------------------------------------------

TEST(XMLSwap, UnloadedItemsAreWrittenBackAndReloaded) {
  TTempDir dir;
  TqdxXMLDocument doc;
  doc.SetTempFolder(dir.Path().string());
  doc.Root()->SetName("r");
  std::vector<TqdxXMLItem*> pages;
  for (int i = 0; i < 3; ++i) {
    TqdxXMLItem* page = doc.Root()->Add();
    page->SetName("page" + std::to_string(i));
    page->SetUnloadable(true);
    TqdxXMLItem* band = page->Add();
    band->SetName("b");
    band->SetUnloadable(true);
    TqdxXMLItem* memo = band->Add();
    memo->SetName("m1");
    memo->SetProp("t", "x \"" + std::to_string(i) + "\"");
    pages.push_back(page);
  }
  const std::string before = Save(doc);

  doc.UnloadItem(pages[0]->Items(0));  // a nested element first, then its page
  doc.UnloadItem(pages[0]);
  doc.UnloadItem(pages[2]);
  EXPECT_FALSE(pages[0]->Loaded());
  EXPECT_EQ(pages[0]->Count(), 0);
  // The swap file is unlinked as soon as it is open.
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

  EXPECT_EQ(Save(doc), before);
  EXPECT_FALSE(pages[0]->Loaded());
  EXPECT_FALSE(pages[2]->Loaded());

  doc.LoadItem(pages[2]);
  ASSERT_EQ(pages[2]->Count(), 1);
  EXPECT_EQ(pages[2]->Items(0)->Items(0)->Prop("t"), "x \"2\"");
  EXPECT_TRUE(pages[2]->Items(0)->Unloadable());  // nested marks survive the round trip
  doc.LoadItem(pages[0]);
  EXPECT_EQ(Save(doc), before);
}

TEST(XMLSwap, BadOffsetRaisesAndLeavesItemSwappedOut) {
  TqdxXMLDocument doc;
  doc.Root()->SetName("r");
  TqdxXMLItem* a = doc.Root()->Add();
  a->SetName("a");
  a->SetUnloadable(true);
  a->Add()->SetName("x");
  TqdxXMLItem* b = doc.Root()->Add();
  b->SetName("b");
  b->SetUnloadable(true);
  b->Add()->SetName("y");
  doc.UnloadItem(a);
  doc.UnloadItem(b);

  const int64_t good = b->Offset();
  for (int64_t bad : {int64_t{-1}, int64_t{1} << 40, a->Offset()}) {
    b->SetOffset(bad);
    EXPECT_THROW(doc.LoadItem(b), TqdxInvalidXMLException) << bad;
    EXPECT_FALSE(b->Loaded());
    EXPECT_EQ(b->Count(), 0);
  }
  b->SetOffset(good);
  doc.LoadItem(b);
  EXPECT_EQ(b->Items(0)->Name(), "y");
}

TEST(XMLSwap, LoadItemAfterPartialLoadFromFile) {
  TTempDir dir;
  const std::string xml = kHeader +
                          "<preparedreport><previewpages><page0><m1 u=\"A\"/></page0>"
                          "<page0 ld=\"0\"><m1 u=\"B\"/></page0>"
                          "<page0 x=\"1\" ld=\"0\"><m1 u=\"C\"/></page0></previewpages></preparedreport>";
  const std::string file = dir / "r.qdp";
  WriteWholeFile(file, xml);

  TqdxXMLDocument doc;
  doc.LoadFromFile(file);
  TqdxXMLItem* pages = doc.Root()->FindItem("previewpages");
  ASSERT_EQ(pages->Count(), 3);
  EXPECT_TRUE(pages->Items(0)->Loaded());
  for (int i = 1; i < 3; ++i) {
    EXPECT_TRUE(pages->Items(i)->Unloadable());
    EXPECT_FALSE(pages->Items(i)->Loaded());
  }
  EXPECT_EQ(pages->Items(2)->Text(), "x=\"1\"");

  doc.LoadItem(pages->Items(2));
  EXPECT_EQ(pages->Items(2)->Items(0)->Prop("u"), "C");
  EXPECT_EQ(pages->Items(1)->Count(), 0);

  doc.SaveToFile(dir / "copy.qdp");
  EXPECT_EQ(ReadWholeFile(dir / "copy.qdp"), xml);
  // Saving over the file that is still being read from keeps every element.
  doc.SaveToFile(file);
  EXPECT_EQ(ReadWholeFile(file), xml);
}

// --- Depth --------------------------------------------------------------------

TEST(XMLReader, DeepNestingDoesNotExhaustTheStack) {
  const int depth = 1000000;
  std::string xml = kHeader;
  xml.reserve(xml.size() + 3 * depth);
  for (int i = 0; i < depth; ++i) xml += "<a>";
  {
    TqdxXMLDocument doc;
    Load(doc, xml);  // every end tag is missing: the stream ends first
    int levels = 0;
    for (TqdxXMLItem* it = doc.Root(); it->Count() > 0; it = it->Items(0)) ++levels;
    EXPECT_EQ(levels, depth - 1);
    doc.Root()->Items(0)->SetUnloadable(true);
    const std::string out = Save(doc);
    EXPECT_EQ(out.size(), kHeader.size() + (depth - 1) * 7 + 4 + 7);
    doc.UnloadItem(doc.Root()->Items(0));
    EXPECT_EQ(doc.Root()->Items(0)->Count(), 0);
    EXPECT_TRUE(Save(doc) == out);  // not EXPECT_EQ: a mismatch would print megabytes
  }  // and the deep tree is freed
}

}  // namespace
