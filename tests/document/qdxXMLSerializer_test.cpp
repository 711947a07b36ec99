// The object serializer: the full form, the difference form, the attribute
// reader, binary property records and whole element trees.

#include "document/qdxClass.h"
#include "document/qdxDiff.h"
#include "document/qdxUtils.h"
#include "document/qdxXML.h"
#include "document/qdxXMLSerializer.h"
#include "platform/CodePage.h"
#include "platform/Streams.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace {

// A property value as text: enumeration names, decimal ordinals, floats with
// up to 6 significant digits, strings as they are.
std::string ValueText(TqdxPersistent& obj, const char* path) {
  TqdxPropTarget t = qdxFindProperty(obj, path);
  if (!t) return "<absent>";
  switch (t.Prop->Kind()) {
    case TqdxPropKind::pkFloat: {
      char buf[32];
      snprintf(buf, sizeof buf, "%g", t.Prop->GetFloat(*t.Object));
      return buf;
    }
    case TqdxPropKind::pkString: return t.Prop->GetStr(*t.Object);
    default: return t.Prop->GetOrdAsText(*t.Object);
  }
}

std::string U8(const std::u16string& s) { return Utf16ToUtf8(s); }

std::string LE32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

std::string ShortStr(const std::string& s) { return static_cast<char>(s.size()) + s; }

// One "PropData" record of binary type.
std::string Record(const std::string& name, const std::string& data) {
  return ShortStr(name) + '\x0A' + LE32(static_cast<uint32_t>(data.size())) + data;
}

std::string Hex(const std::string& bytes) { return BytesToHex(bytes); }

const std::string PngBytes = std::string("\x89PNG\r\n\x1A\n", 8) + "png-body";

}  // namespace

// ---------------------------------------------------------------- reading

TEST(Serializer, ReadsAttributesIntoProperties) {
  struct Case {
    const char* Attributes;
    const char* Path;
    const char* Expected;
  };
  const Case cases[] = {
      {R"(l="12,5")", "Left", "12.5"},
      {R"(l="12.5")", "Left", "12.5"},
      {R"(l=" 1 2,5 ")", "Left", "12.5"},
      {R"(t="3" w="40" h="7.25")", "Height", "7.25"},
      {R"(HAlign="2")", "HAlign", "haCenter"},
      {R"(HAlign="haCenter")", "HAlign", "haCenter"},
      {R"(Frame.Typ="15")", "Frame.Typ", "15"},
      {R"(Frame.Width="2" Frame.LeftLine.Width="1")", "Frame.Width", "2"},
      {R"(Frame.Width="2" Frame.LeftLine.Width="1")", "Frame.LeftLine.Width", "1"},
      {R"(Frame.Width="2" Frame.LeftLine.Width="1")", "Frame.TopLine.Width", "2"},
      {R"(Frame.LeftLine.Width="1" Frame.Width="2")", "Frame.LeftLine.Width", "2"},
      {R"(Fill.BackColor="255")", "Color", "255"},
      {R"(Hyperlink.Value="a&amp;b&#34;c")", "Hyperlink.Value", "a&b\"c"},
      {R"(Font.Name="Courier New" ParentFont="False")", "Font.Name", "Courier New"},
      {R"(DisplayFormat.FormatStr="%2.2f")", "DisplayFormat.FormatStr", "%2.2f"},
      // Non-UTF-8 bytes come from files written under a Windows code page.
      {"Hint=\"caf\xE9\"", "Hint", "caf\xC3\xA9"},
      {"Hint=\"caf\xC3\xA9\"", "Hint", "caf\xC3\xA9"},
      // Paths that name no property are ignored, the rest still applies.
      {R"(Frame.Nothing.Width="3" Nope.Color="1" Frame.Typ.Bit="1" Nope="2" t="4")", "Top", "4"},
      {R"(Hyperlink.Value.Text="x" Fill.BackColor.Foo="3" t="4")", "Color", "536870911"},
      {R"(  t  =  "9"  )", "Top", "9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Attributes);
    TqdxMemoView memo;
    TqdxXMLSerializer s;
    s.XMLToObj(c.Attributes, memo);
    EXPECT_EQ(ValueText(memo, c.Path), c.Expected);
    EXPECT_TRUE(s.Errors.empty()) << *s.Errors.begin();
  }
}

TEST(Serializer, ReadsTextOfTextObjects) {
  struct Case {
    const char* Attributes;
    std::vector<std::string> Lines;
  };
  const Case cases[] = {
      {R"(u="A")", {"A"}},
      {R"(u="")", {}},
      {R"(u="a&#13;&#10;b")", {"a", "b"}},
      {R"(u="a&#13;&#10;")", {"a"}},
      {"u=\"\xC3\xA9t\xC3\xA9\"", {"\xC3\xA9t\xC3\xA9"}},
      {"u=\"\xE9t\xE9\"", {"\xC3\xA9t\xC3\xA9"}},
      {R"(x="plain")", {"plain"}},
      {R"(Text="one&#10;two")", {"one", "two"}},
      {R"(Memo.Text="m1&#13;&#10;m2")", {"m1", "m2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Attributes);
    TqdxMemoView memo;
    TqdxXMLSerializer s;
    s.XMLToObj(c.Attributes, memo);
    std::vector<std::string> lines;
    for (const auto& l : memo.Memo) lines.push_back(U8(l));
    EXPECT_EQ(lines, c.Lines);
  }
}

TEST(Serializer, EightBitTextOfOlderFilesBecomesUTF8) {
  for (bool legacy : {true, false}) {
    SCOPED_TRACE(legacy);
    TqdxReportPage page;
    TqdxXMLSerializer s;
    s.LegacyText = legacy;
    s.XMLToObj("HGuides.Text=\"caf\xE9&#13;&#10;\xC3\xA9t\xC3\xA9\" OutlineText=\"\x80 5\"", page);
    EXPECT_EQ(page.HGuides, (std::vector<std::string>{"caf\xC3\xA9", "\xC3\xA9t\xC3\xA9"}));
    EXPECT_EQ(page.OutlineText, "\xE2\x82\xAC 5");
  }
}

TEST(Serializer, BadValuesAreReportedAndReadingGoesOn) {
  struct Case {
    const char* Attributes;
    size_t Errors;
  };
  const Case cases[] = {
      {R"(l="abc" t="7" w="3")", 1},
      {R"(HAlign="haNowhere" t="7" w="3")", 1},
      {R"(Frame.Typ="x" Rotation="1.5" t="7" w="3")", 2},
      {R"(GapX="1,2,3" Frame.Width="" t="7" w="3")", 2},
      {R"(HAlign="99" t="7" w="3")", 1},
      {R"(l="1e999" t="7" w="3")", 1},
      {R"(l="nan" t="7" w="3")", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Attributes);
    TqdxMemoView memo;
    TqdxXMLSerializer s;
    s.XMLToObj(c.Attributes, memo);
    EXPECT_EQ(s.Errors.size(), c.Errors);
    EXPECT_EQ(memo.GetTop(), 7);
    EXPECT_EQ(memo.GetWidth(), 3);
  }
}

TEST(Serializer, MalformedAttributeTextEndsQuietly) {
  const char* texts[] = {"", " ", "=", "=\"1\"", "t", "t=", "t=\"", "t=\"5", "t=5 w=\"6\"", "\"\"=\"\"", "t=\"1\"\"\"\""};
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    TqdxMemoView memo;
    TqdxXMLSerializer s;
    s.XMLToObj(text, memo);
  }
  TqdxMemoView memo;
  TqdxXMLSerializer s;
  s.XMLToObj("t=\"5", memo);  // an unterminated value runs to the end
  EXPECT_EQ(memo.GetTop(), 5);
}

// ---------------------------------------------------------------- full form

TEST(Serializer, FullFormLeavesOutDefaults) {
  TqdxMemoView memo;
  TqdxXMLSerializer s;
  std::string fresh = s.ObjToXML(memo);
  for (const char* absent : {"Frame.Width", "Frame.ShadowWidth", "Font.", "Frame.LeftLine", "HAlign", "Name="})
    EXPECT_EQ(fresh.find(absent), std::string::npos) << absent << " in" << fresh;

  memo.GetFrame()->Typ = 15;
  memo.GetFrame()->SetWidth(2);
  memo.GetFrame()->ShadowWidth = 5;
  memo.GetFrame()->GetLeftLine()->Width = 1;
  memo.HAlign = haCenter;
  memo.SetText(u"a\r\nb");
  std::string text = s.ObjToXML(memo);
  for (const char* present : {R"( Frame.Typ="15")", R"( Frame.Width="2")", R"( Frame.ShadowWidth="5")",
                              R"( Frame.LeftLine.Width="1")", R"( HAlign="haCenter")", R"( Text="a&#13;&#10;b")"})
    EXPECT_NE(text.find(present), std::string::npos) << present << " not in" << text;
  EXPECT_EQ(text.find("Frame.TopLine.Width"), std::string::npos);

  // Against a reference only what differs is written.
  TqdxMemoView same;
  same.Assign(memo);
  same.SetText(memo.Text());
  EXPECT_EQ(s.ObjToXML(memo, {}, &same), "");
  EXPECT_EQ(s.ObjToXML(*memo.GetFrame(), "Frame."), R"( Frame.Typ="15" Frame.Width="2" Frame.ShadowWidth="5" Frame.LeftLine.Width="1")");
}

TEST(Serializer, FontIsWrittenOnlyWithoutParentFont) {
  for (bool parentFont : {true, false}) {
    SCOPED_TRACE(parentFont);
    TqdxMemoView memo, source;
    memo.SetParentFont(parentFont);
    source.SetParentFont(parentFont);
    memo.GetFont()->SetName("Courier New");
    memo.GetFont()->SetSize(12);
    memo.SetParentFont(parentFont);  // changing the font leaves ParentFont as it was
    TqdxXMLSerializer s;
    std::string full = s.ObjToXML(memo);
    std::string diff = qdxDiff(memo, source);
    EXPECT_EQ(full.find("Font.Name") != std::string::npos, !parentFont) << full;
    EXPECT_EQ(diff.find("Font.") != std::string::npos, !parentFont) << diff;
    if (!parentFont) {
      EXPECT_NE(diff.find(R"( Font.Name="Courier New" Font.Size="12")"), std::string::npos) << diff;
    }
  }
}

// ---------------------------------------------------------------- difference form

TEST(Serializer, DifferenceTextOfAMemo) {
  struct Case {
    std::u16string Text;
    const char* Expected;
  };
  const Case cases[] = {
      {u"A", R"( u="A")"},
      {u"", R"( u="")"},
      {u"a\r\nb", R"( u="a&#13;&#10;b")"},
      {u"<\"&\">", R"( u="&#60;&#34;&#38;&#34;&#62;")"},
      {u"\u00e9", " u=\"\xC3\xA9\""},
  };
  for (const Case& c : cases) {
    TqdxMemoView memo, source;
    memo.SetText(c.Text);
    EXPECT_EQ(memo.Memo.size(), c.Text.empty() ? 0u : (c.Text.find(u'\n') == std::u16string::npos ? 1u : 2u));
    EXPECT_EQ(qdxDiff(memo, source), c.Expected);
  }
}

TEST(Serializer, DifferencePerClass) {
  struct Case {
    const char* Name;
    const char* ClassName;
    std::function<void(TqdxComponent&)> Change;
    const char* Expected;
  };
  auto view = [](TqdxComponent& c) -> TqdxView& { return static_cast<TqdxView&>(c); };
  auto memo = [](TqdxComponent& c) -> TqdxMemoView& { return static_cast<TqdxMemoView&>(c); };
  const Case cases[] = {
      {"unchanged shape", "TqdxShapeView", [](TqdxComponent&) {}, ""},
      {"geometry", "TqdxShapeView", [](TqdxComponent& c) { c.SetBounds(10, 5.5, 30, 0.00005); },
       R"( l="10" t="5.5" w="30")"},
      {"band top always", "TqdxMasterData", [](TqdxComponent&) {}, R"( t="0")"},
      {"band", "TqdxPageHeader", [](TqdxComponent& c) { c.SetHeight(20); c.SetVisible(false); c.Tag = 4; },
       R"( t="0" h="20" Visible="0" Tag="4")"},
      {"font", "TqdxMemoView",
       [](TqdxComponent& c) {
         c.SetParentFont(false);
         c.GetFont()->SetStyle(1);
         c.GetFont()->SetColor(255);
       },
       R"( Font.Color="255" Font.Style="1" ParentFont="0" u="")"},
      {"frame", "TqdxShapeView",
       [&](TqdxComponent& c) {
         view(c).GetFrame()->Typ = 15;
         view(c).GetFrame()->SetColor(255);
         view(c).GetFrame()->DropShadow = true;
       },
       R"( Frame.Color="255" Frame.DropShadow="1" Frame.Typ="15")"},
      {"frame width then one side", "TqdxShapeView",
       [&](TqdxComponent& c) {
         view(c).GetFrame()->SetWidth(2);
         view(c).GetFrame()->GetLeftLine()->Width = 1;
       },
       R"( Frame.Width="2" Frame.LeftLine.Width="1")"},
      {"one side only", "TqdxShapeView",
       [&](TqdxComponent& c) {
         view(c).GetFrame()->GetBottomLine()->Color = 65280;
         view(c).GetFrame()->GetBottomLine()->Style = fsDot;
       },
       R"( Frame.BottomLine.Color="65280" Frame.BottomLine.Style="2")"},
      {"view fields", "TqdxShapeView",
       [&](TqdxComponent& c) {
         view(c).Align = baClient;
         view(c).Cursor = 3;
         view(c).Visibility = 3;
         view(c).TagStr = "a\"b";
       },
       R"( Align="6" Cursor="3" Visibility="3" TagStr="a&#34;b")"},
      {"brush fill", "TqdxShapeView", [&](TqdxComponent& c) { view(c).SetColor(255); }, R"( Fill.BackColor="255")"},
      {"gradient fill", "TqdxShapeView", [&](TqdxComponent& c) { view(c).SetFillType(ftGradient); },
       R"( FillType="1" Fill.StartColor="16777215" Fill.EndColor="0" Fill.GradientStyle="0")"},
      {"glass fill", "TqdxShapeView", [&](TqdxComponent& c) { view(c).SetFillType(ftGlass); },
       R"( FillType="2" Fill.Color="8421504" Fill.Blend="0.5" Fill.Hatch="0" Fill.Orientation="1")"},
      {"hyperlink", "TqdxShapeView",
       [&](TqdxComponent& c) {
         view(c).GetHyperlink()->Kind = hkAnchor;
         view(c).GetHyperlink()->Value = "Total & more";
       },
       R"( Hyperlink.Kind="1" Hyperlink.Value="Total &#38; more")"},
      {"memo fields", "TqdxMemoView",
       [&](TqdxComponent& c) {
         memo(c).HAlign = haCenter;
         memo(c).GapX = 4;
         memo(c).SetText(u"x");
         memo(c).Hint = "tip";
         memo(c).Rotation = 90;
         memo(c).WordWrap = false;
       },
       R"( GapX="4" HAlign="2" u="x" Hint="tip" Rotation="90" WordWrap="0")"},
      {"memo display format", "TqdxMemoView",
       [&](TqdxComponent& c) {
         memo(c).GetDisplayFormat()->Kind = fkNumeric;
         memo(c).GetDisplayFormat()->FormatStr = "%g";
       },
       R"( u="" DisplayFormat.Kind="1" DisplayFormat.FormatStr="%g")"},
      {"auto width keeps width out", "TqdxMemoView",
       [&](TqdxComponent& c) {
         memo(c).AutoWidth = true;
         c.SetWidth(50);
       },
       R"( AutoWidth="1" u="")"},
      {"first paragraph break", "TqdxMemoView", [&](TqdxComponent& c) { memo(c).FirstParaBreak = true; },
       R"( u="" FirstParaBreak="1")"},
      {"line", "TqdxLineView", [&](TqdxComponent& c) { c.SetWidth(100); view(c).GetFrame()->SetWidth(0.5); },
       R"( w="100" Frame.Width="0.5")"},
      {"picture index", "TqdxPictureView", [&](TqdxComponent& c) { static_cast<TqdxPictureView&>(c).ImageIndex = 3; },
       R"( ImageIndex="3")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    auto source = std::unique_ptr<TqdxComponent>(static_cast<TqdxComponent*>(qdxCreateObject(c.ClassName).release()));
    auto obj = std::unique_ptr<TqdxComponent>(static_cast<TqdxComponent*>(qdxCreateObject(c.ClassName).release()));
    ASSERT_TRUE(source && obj);
    c.Change(*obj);
    std::string diff = qdxDiff(*obj, *source);
    EXPECT_EQ(diff, c.Expected);
    // The source's stored form followed by the difference rebuilds the object.
    TqdxXMLSerializer s;
    std::unique_ptr<TqdxComponent> copy = s.ReadComponentStr(nullptr, s.WriteComponentStr(*source) + diff);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(s.Errors.empty()) << *s.Errors.begin();
    EXPECT_EQ(qdxDiff(*copy, *source), diff);
  }
}

TEST(Serializer, LastParagraphBreakMovesToTheNextPart) {
  TqdxMemoView memo, source;
  memo.SetText(u"part");
  memo.LastParaBreak = true;
  EXPECT_EQ(qdxDiff(memo, source), R"( u="part" LastParaBreak="1")");
  EXPECT_TRUE(memo.FirstParaBreak);
  EXPECT_FALSE(memo.LastParaBreak);
  EXPECT_EQ(qdxDiff(memo, source), R"( u="part" FirstParaBreak="1")");
}

TEST(Serializer, FullFormDifferenceForOtherViews) {
  TqdxCheckBoxView box, source;
  ASSERT_TRUE(box.HasFlag(ofDiffByFullForm));
  box.SetLeft(3);
  box.Checked = !source.Checked;
  std::string diff = qdxDiff(box, source);
  EXPECT_NE(diff.find(" Checked="), std::string::npos) << diff;
  EXPECT_NE(diff.find(R"( Left="3")"), std::string::npos) << diff;
  EXPECT_NE(diff.find(R"( l="3")"), std::string::npos) << diff;
  TqdxXMLSerializer s;
  auto copy = s.ReadComponentStr(nullptr, s.WriteComponentStr(source) + diff);
  EXPECT_EQ(static_cast<TqdxCheckBoxView&>(*copy).Checked, box.Checked);
  EXPECT_EQ(copy->GetLeft(), 3);
}

// ---------------------------------------------------------------- PropData

TEST(Serializer, PictureRecordsOfEveryGraphicClass) {
  const std::string bmp = "BM" + std::string(20, '\x01');
  const std::string jpeg = std::string("\xFF\xD8\xFF\xE0", 4) + "jfif";
  std::string emf(48, '\0');
  emf[0] = 1;
  emf.replace(40, 4, " EMF");
  const std::string icon = std::string("\x00\x00\x01\x00\x01\x00", 6) + "icon";
  struct Case {
    const char* ClassName;
    std::string Data;  // graphic data as stored after the class name
    TqdxGraphicKind Kind;
    std::string Bytes;
  };
  const Case cases[] = {
      {"TBitmap", LE32(static_cast<uint32_t>(bmp.size())) + bmp, TqdxGraphicKind::gkBitmap, bmp},
      {"TJPEGImage", LE32(static_cast<uint32_t>(jpeg.size())) + jpeg, TqdxGraphicKind::gkJPEG, jpeg},
      {"TMetafile", LE32(static_cast<uint32_t>(emf.size() + 4)) + emf, TqdxGraphicKind::gkMetafile, emf},
      {"TPNGObject", PngBytes, TqdxGraphicKind::gkPNG, PngBytes},
      {"TIcon", icon, TqdxGraphicKind::gkIcon, icon},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ClassName);
    std::string value = Hex(Record("Data", ShortStr(c.ClassName) + c.Data));
    TqdxPictureView pic;
    TqdxXMLSerializer s;
    s.XMLToObj("Picture.PropData=\"" + value + "\" t=\"2\"", pic);
    EXPECT_EQ(pic.GetPicture()->Kind(), c.Kind);
    EXPECT_EQ(pic.GetPicture()->Bytes(), c.Bytes);
    EXPECT_EQ(pic.GetTop(), 2);
    // Written back in the same form.
    std::string written = s.ObjToXML(pic);
    EXPECT_NE(written.find(" Picture.PropData=\"" + value + "\""), std::string::npos) << written;
    // A reference holding the same picture suppresses it.
    TqdxPictureView same;
    same.GetPicture()->Assign(*pic.GetPicture());
    EXPECT_EQ(s.ObjToXML(pic, {}, &same).find("PropData"), std::string::npos);
  }
}

TEST(Serializer, BrokenPropDataNeverCrashes) {
  const std::string good = Record("Data", ShortStr("TPNGObject") + PngBytes);
  struct Case {
    const char* Name;
    std::string Value;  // already hexadecimal
    bool Picture;       // the picture is still read
  };
  const Case cases[] = {
      {"empty", "", false},
      {"bad hex", "ZZ" + Hex(good), false},
      {"odd length", Hex(good) + "0", true},
      {"bad pair at the end", Hex(good) + "0G", true},
      {"lower case hex", [&] {
         std::string h = Hex(good);
         for (char& ch : h) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
         return h;
       }(), true},
      {"short record", Hex(good.substr(0, 3)), false},
      {"name longer than the data", Hex("\xF0" "Data"), false},
      {"zero name length", Hex(std::string("\0\x0A\0\0\0\0", 6)), false},
      {"length past the end", Hex(ShortStr("Data") + "\x0A" + LE32(1000) + "TPNG"), false},
      {"length 4G", Hex(ShortStr("Data") + "\x0A" + LE32(0xFFFFFFFFu) + "x"), false},
      {"type not binary", Hex(ShortStr("Data") + "\x06" + LE32(3) + "abc"), false},
      {"unknown record first", Hex(Record("Other", "xyz") + good), false},
      {"class name too long", Hex(Record("Data", std::string(1, '\x7F') + std::string(127, 'A'))), false},
      {"class name past data", Hex(Record("Data", std::string(1, '\x20') + "TBitmap")), false},
      {"unknown graphic class", Hex(Record("Data", ShortStr("TGIFImage") + "GIF89a")), false},
      {"bitmap length past data", Hex(Record("Data", ShortStr("TBitmap") + LE32(999) + "BM")), false},
      {"bitmap without length", Hex(Record("Data", ShortStr("TBitmap") + "BM")), false},
      {"metafile length below 4", Hex(Record("Data", ShortStr("TMetafile") + LE32(2) + "xx")), false},
      {"empty png", Hex(Record("Data", ShortStr("TPNGObject"))), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TqdxPictureView pic;
    TqdxXMLSerializer s;
    s.XMLToObj("Picture.PropData=\"" + c.Value + "\" t=\"2\"", pic);
    EXPECT_EQ(!pic.GetPicture()->Empty(), c.Picture);
    EXPECT_EQ(pic.GetTop(), 2);
    // The same bytes on objects with binary records of their own.
    TqdxMemoView memo;
    s.XMLToObj("PropData=\"" + c.Value + "\" t=\"2\"", memo);
    EXPECT_EQ(memo.GetTop(), 2);
    TqdxReportPage page;
    s.XMLToObj("BackPicture.PropData=\"" + c.Value + "\"", page);
    EXPECT_EQ(!page.GetBackPicture()->Empty(), c.Picture);
  }
}

TEST(Serializer, UnknownBinaryRecordsOfViewsAreKept) {
  std::string value = Hex(Record("ChartData", "\x01\x02\x03"));
  TqdxShapeView shape;
  TqdxXMLSerializer s;
  s.XMLToObj("PropData=\"" + value + "\"", shape);
  EXPECT_NE(s.ObjToXML(shape).find(" PropData=\"" + value + "\""), std::string::npos);
}

// ---------------------------------------------------------------- components

TEST(Serializer, ComponentStrings) {
  TqdxXMLSerializer s;
  EXPECT_EQ(s.ReadComponentStr(nullptr, ""), nullptr);
  EXPECT_EQ(s.ReadComponentStr(nullptr, " \t\r\n"), nullptr);
  EXPECT_THROW(s.ReadComponentStr(nullptr, "TqdxNoSuchView l=\"1\""), std::exception);
  EXPECT_THROW(s.ReadComponentStr(nullptr, "TqdxFrame"), std::exception);  // not a component
  auto memo = s.ReadComponentStr(nullptr, "  TqdxMemoView  l=\"4\" u=\"x\"  ");
  ASSERT_TRUE(memo);
  EXPECT_EQ(memo->ClassName(), "TqdxMemoView");
  EXPECT_EQ(memo->GetLeft(), 4);
  EXPECT_EQ(s.WriteComponentStr(*memo).substr(0, 13), "TqdxMemoView ");
}

TEST(Serializer, ReferencesOfObjectsReadOneByOne) {
  // A serializer without owner reads several objects that their callers
  // free in between; references must not be looked up in a freed object.
  TqdxXMLSerializer s;
  {
    TqdxMemoView written;
    s.ObjToXML(written);
  }
  auto first = s.ReadComponentStr(nullptr, R"(TqdxMemoView FlowTo="Memo2")");
  ASSERT_TRUE(first);
  first.reset();
  auto second = s.ReadComponentStr(nullptr, R"(TqdxMemoView FlowTo="Memo2")");
  ASSERT_TRUE(second);
  EXPECT_EQ(static_cast<TqdxMemoView&>(*second).FlowTo, nullptr);

  // With an owner the reference is found there.
  TqdxReportPage page;
  auto* target = static_cast<TqdxMemoView*>(page.AddChild(std::make_unique<TqdxMemoView>()));
  target->Name = "Memo2";
  TqdxXMLSerializer withOwner;
  auto third = withOwner.ReadComponentStr(&page, R"(TqdxMemoView FlowTo="memo2")");
  EXPECT_EQ(static_cast<TqdxMemoView&>(*third).FlowTo, target);
}

namespace {

// A page with two bands and one object of each common class.
std::unique_ptr<TqdxReportPage> SamplePage() {
  auto page = std::make_unique<TqdxReportPage>();
  page->Name = "Page1";
  page->SetPaperWidth(150);
  page->LeftMargin = 10;
  page->HGuides = {"1", "2,5"};
  auto* header = page->AddChild(std::make_unique<TqdxPageHeader>());
  header->Name = "PageHeader1";
  header->SetBounds(0, 20, 500, 40);
  auto* data = static_cast<TqdxBand*>(page->AddChild(std::make_unique<TqdxMasterData>()));
  data->Name = "MasterData1";
  data->SetBounds(0, 80, 500, 30);
  data->SetFillType(ftGradient);
  auto* title = static_cast<TqdxMemoView*>(header->AddChild(std::make_unique<TqdxMemoView>()));
  title->Name = "Title";
  title->SetBounds(10, 2, 200, 18.5);
  title->SetText(u"Sales \"2024\" <all> & more\r\n\u00e9t\u00e9 \u20ac");
  title->SetParentFont(false);
  title->GetFont()->SetName("Times New Roman");
  title->GetFont()->SetStyle(3);
  title->HAlign = haCenter;
  title->GetFrame()->Typ = 15;
  title->GetFrame()->SetWidth(2);
  title->GetFrame()->GetLeftLine()->Width = 1;
  title->GetHyperlink()->Value = "http://example.org/?a=1&b=2";
  title->Hint = "caf\xC3\xA9";
  auto* pic = static_cast<TqdxPictureView*>(data->AddChild(std::make_unique<TqdxPictureView>()));
  pic->Name = "Picture1";
  pic->SetBounds(1, 1, 20, 20);
  pic->GetPicture()->SetGraphic(TqdxGraphicKind::gkPNG, PngBytes);
  auto* line = static_cast<TqdxLineView*>(data->AddChild(std::make_unique<TqdxLineView>()));
  line->Name = "Line1";
  line->SetBounds(0, 29, 500, 0);
  line->Diagonal = true;
  auto* shape = static_cast<TqdxShapeView*>(data->AddChild(std::make_unique<TqdxShapeView>()));
  shape->Name = "Shape1";
  shape->Shape = skEllipse;
  shape->SetFillType(ftGlass);
  shape->SetBounds(300, 0, 30, 30);
  return page;
}

std::string WriteTree(const TqdxReportPage& page, bool nested = false) {
  TqdxXMLDocument doc;
  TqdxXMLSerializer s;
  s.HandleNestedProperties = nested;
  s.WriteRootComponent(page, true, doc.Root());
  TMemoryStream out;
  doc.SaveToStream(out);
  return out.Data();
}

}  // namespace

TEST(Serializer, FullFormRoundTripOfAPage) {
  auto page = SamplePage();
  std::string first = WriteTree(*page);
  EXPECT_NE(first.find("<TqdxMemoView Name=\"Title\""), std::string::npos) << first;

  TMemoryStream in(first);
  TqdxXMLSerializer reader(&in);
  TqdxReportPage copy;
  reader.ReadRootComponent(copy);
  EXPECT_TRUE(reader.Errors.empty()) << *reader.Errors.begin();
  EXPECT_EQ(WriteTree(copy), first);

  auto* title = static_cast<TqdxMemoView*>(copy.FindObject("Title"));
  ASSERT_TRUE(title);
  EXPECT_EQ(title->Text(), u"Sales \"2024\" <all> & more\r\n\u00e9t\u00e9 \u20ac");
  EXPECT_EQ(title->Parent()->Name, "PageHeader1");
  EXPECT_EQ(title->GetFrame()->GetLeftLine()->Width, 1);
  EXPECT_EQ(title->GetFrame()->GetTopLine()->Width, 2);
  EXPECT_EQ(title->Hint, "caf\xC3\xA9");
  auto* pic = static_cast<TqdxPictureView*>(copy.FindObject("Picture1"));
  ASSERT_TRUE(pic);
  EXPECT_EQ(pic->GetPicture()->Bytes(), PngBytes);
  EXPECT_EQ(copy.GetPaperWidth(), 150);
  EXPECT_EQ(copy.HGuides, page->HGuides);
}

TEST(Serializer, NestedFormatsOfTextObjects) {
  auto page = std::make_unique<TqdxReportPage>();
  auto* memo = static_cast<TqdxMemoView*>(page->AddChild(std::make_unique<TqdxMemoView>()));
  memo->Name = "Memo1";
  memo->Formats().Add().FormatStr = "%d";
  memo->Formats().Add().FormatStr = "%g";
  std::string first = WriteTree(*page, true);
  EXPECT_NE(first.find("<Formats>"), std::string::npos) << first;

  TqdxXMLDocument doc;
  TMemoryStream in(first);
  doc.LoadFromStream(in);
  TqdxXMLSerializer reader;
  reader.HandleNestedProperties = true;
  TqdxReportPage copy;
  reader.ReadRootComponent(copy, doc.Root());
  auto* read = static_cast<TqdxMemoView*>(copy.FindObject("Memo1"));
  ASSERT_TRUE(read);
  ASSERT_EQ(read->Formats().Count(), 2);
  EXPECT_EQ(read->Formats()[1].FormatStr, "%g");
  EXPECT_EQ(read->Objects().size(), 0u);
}

TEST(Serializer, ElementTreesWithUnknownClassesAndDeepNesting) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
      "<TqdxReportPage Name=\"Page1\">"
      "<TqdxNoSuchBand Name=\"X\"><TqdxMemoView Name=\"Lost\"/></TqdxNoSuchBand>"
      "<TqdxMasterData Name=\"Band\" t=\"5\"><TqdxMemoView Name=\"Kept\" u=\"k\"/></TqdxMasterData>"
      "<TqdxFrame Name=\"NotAComponent\"/>"
      "<TqdxReport Name=\"NotAChild\"/>";
  const int depth = 10000;
  for (int i = 0; i < depth; ++i) xml += "<TqdxChild>";
  for (int i = 0; i < depth; ++i) xml += "</TqdxChild>";
  xml += "</TqdxReportPage>";
  TMemoryStream in(xml);
  TqdxXMLSerializer reader(&in);
  TqdxReportPage page;
  reader.ReadRootComponent(page);
  EXPECT_TRUE(reader.Errors.count("Cannot find class TqdxNoSuchBand"));
  EXPECT_TRUE(reader.Errors.count("Cannot find class TqdxFrame"));
  EXPECT_TRUE(reader.Errors.count("Objects nested too deeply"));
  EXPECT_EQ(page.FindObject("Lost"), nullptr);
  ASSERT_NE(page.FindObject("Kept"), nullptr);
  EXPECT_EQ(page.FindObject("Kept")->Parent()->Name, "Band");
  EXPECT_LE(page.AllObjects().size(), static_cast<size_t>(TqdxXMLSerializer::MaxDepth) + 3);
}

TEST(Serializer, LinesSplitAndJoin) {
  struct Case {
    std::u16string Text;
    std::vector<std::u16string> Lines;
    std::u16string Joined;
  };
  const Case cases[] = {
      {u"", {}, u""},
      {u"a", {u"a"}, u"a"},
      {u"a\r\n", {u"a"}, u"a"},
      {u"a\r\nb", {u"a", u"b"}, u"a\r\nb"},
      {u"a\rb\nc", {u"a", u"b", u"c"}, u"a\r\nb\r\nc"},
      {u"\r\n\r\n", {u"", u""}, u"\r\n"},
      {u"a\n\rb", {u"a", u"", u"b"}, u"a\r\n\r\nb"},
  };
  for (const Case& c : cases) {
    auto lines = qdxSplitLines(std::u16string_view(c.Text));
    EXPECT_EQ(lines, c.Lines);
    EXPECT_EQ(qdxJoinLines(lines), c.Joined);
  }
}

// Copies of a source object are read from its text split once; the object
// and the messages must be those of reading the whole text each time.
TEST(Serializer, ParsedBaseTextReadsLikeTheWholeText) {
  TqdxMemoView memo;
  memo.SetBounds(10, 20, 120, 30);
  memo.SetText(u"Total");
  memo.GetFrame()->Typ = 15;
  memo.GetFrame()->SetColor(0x808080);
  memo.HAlign = haRight;
  memo.SetFillType(ftGradient);
  TqdxShapeView shape;
  shape.SetBounds(5, 5, 50, 40);
  shape.Shape = skRoundRectangle;
  TqdxLineView line;
  line.SetBounds(0, 36, 300, 0);
  line.Diagonal = true;
  TqdxXMLSerializer writer;
  const std::string bases[] = {writer.WriteComponentStr(memo), writer.WriteComponentStr(shape),
                               writer.WriteComponentStr(line), "TqdxMemoView", "TqdxNoSuchView l=\"1\"",
                               "TqdxMemoView HAlign=\"haNowhere\" l=\"2\" Frame.Typ=\"3\" Font.Size=\"x\""};
  const std::string mores[] = {"", "u=\"Copy &amp; paste\" l=\"40\"", "FillType=\"ftBrush\" Fill.BackColor=\"255\"",
                               "Frame.Width=\"2\" HAlign=\"haCenter\" Highlight.Active=\"True\"", "w=\"abc\" VAlign=\"7\"",
                               "Memo.Text=\"a\r\nb\" t=\"3"};
  for (const std::string& base : bases)
    for (const std::string& more : mores) {
      SCOPED_TRACE(base + " | " + more);
      TqdxXMLSerializer whole, parsed;
      std::unique_ptr<TqdxComponent> a, b;
      std::string errorA, errorB;
      try {
        a = whole.ReadComponentStr(nullptr, base + " " + more);
      } catch (const std::exception& e) {
        errorA = e.what();
      }
      try {
        b = parsed.ReadComponentParsed(nullptr, *qdxParseAttributes(base), more);
      } catch (const std::exception& e) {
        errorB = e.what();
      }
      EXPECT_EQ(errorA, errorB);
      ASSERT_EQ(a == nullptr, b == nullptr);
      if (!a) continue;
      TqdxXMLSerializer out;
      EXPECT_EQ(out.WriteComponentStr(*a), out.WriteComponentStr(*b));
      EXPECT_EQ(whole.Errors, parsed.Errors);
    }
  // A source text cut inside a value ends there: the copy's own attributes
  // still apply (read as one text they would vanish into the cut value).
  TqdxXMLSerializer reader;
  std::unique_ptr<TqdxComponent> copy =
      reader.ReadComponentParsed(nullptr, *qdxParseAttributes("TqdxMemoView l=\"5\" u=\"cut"), "l=\"40\" u=\"own\"");
  EXPECT_EQ(copy->GetLeft(), 40);
  EXPECT_EQ(static_cast<TqdxMemoView&>(*copy).Memo, std::vector<std::u16string>{u"own"});
}
