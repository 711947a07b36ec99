// The report object model: initial values, colours, geometry, the tree,
// paper sizes and text.

#include "document/qdxClass.h"

#include <gtest/gtest.h>

#include <cmath>

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

struct InitialCase {
  const char* ClassName;
  const char* Path;
  const char* Expected;
};

}  // namespace

TEST(ObjectModel, InitialValues) {
  const InitialCase cases[] = {
      {"TqdxMemoView", "Visibility", "7"},          {"TqdxMemoView", "Anchors", "3"},
      {"TqdxMemoView", "ShiftMode", "smAlways"},    {"TqdxMemoView", "AllowVectorExport", "True"},
      {"TqdxMemoView", "Printable", "True"},        {"TqdxMemoView", "GapX", "2"},
      {"TqdxMemoView", "GapY", "1"},                {"TqdxMemoView", "LineSpacing", "2"},
      {"TqdxMemoView", "WordWrap", "True"},         {"TqdxMemoView", "ExpressionDelimiters", "[,]"},
      {"TqdxMemoView", "Clipped", "True"},          {"TqdxMemoView", "Color", "536870911"},
      {"TqdxMemoView", "Font.Name", "Arial"},       {"TqdxMemoView", "Font.Size", "10"},
      {"TqdxMemoView", "Font.Height", "-13"},       {"TqdxMemoView", "Font.Charset", "1"},
      {"TqdxMemoView", "ParentFont", "True"},       {"TqdxMemoView", "Frame.Width", "1"},
      {"TqdxMemoView", "Frame.ShadowWidth", "4"},   {"TqdxMemoView", "Frame.Style", "fsSolid"},
      {"TqdxMemoView", "Fill.ForeColor", "0"},      {"TqdxMemoView", "Hyperlink.ValuesSeparator", ";"},
      {"TqdxMemoView", "Highlight.Font.Color", "255"}, {"TqdxMemoView", "Highlight.ApplyFont", "True"},
      {"TqdxMemoView", "Highlight.Color", "536870911"}, {"TqdxLineView", "Color", "536870911"},
      {"TqdxLineView", "ArrowWidth", "5"},          {"TqdxPictureView", "TransparentColor", "16777215"},
      {"TqdxPictureView", "KeepAspectRatio", "True"}, {"TqdxShapeView", "Shape", "skRectangle"},
      {"TqdxReportPage", "PaperSize", "9"},         {"TqdxReportPage", "PaperWidth", "210"},
      {"TqdxReportPage", "PaperHeight", "297"},     {"TqdxReportPage", "Bin", "7"},
      {"TqdxReportPage", "TitleBeforeHeader", "True"}, {"TqdxReportPage", "Color", "536870911"},
      {"TqdxPageHeader", "PrintOnFirstPage", "True"}, {"TqdxMasterData", "ShiftEngine", "seTree"},
      {"TqdxCheckBoxView", "Checked", "True"},      {"TqdxCheckBoxView", "Width", "18.8976"},
      {"TqdxGradientView", "EndColor", "8421504"},  {"TqdxReport", "ShowProgress", "True"},
      {"TqdxReport", "EngineOptions.MaxMemSize", "10"}, {"TqdxReport", "EngineOptions.NewSilentMode", "simMessageBoxes"},
      {"TqdxReport", "PreviewOptions.PagesInCache", "50"}, {"TqdxReport", "PrintOptions.Copies", "1"},
  };
  for (const InitialCase& c : cases) {
    SCOPED_TRACE(std::string(c.ClassName) + "." + c.Path);
    auto obj = qdxCreateObject(c.ClassName);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(ValueText(*obj, c.Path), c.Expected);
  }
  TqdxReportPage page;
  EXPECT_EQ(page.GetWidth(), 794);  // 210 mm
  EXPECT_EQ(page.GetHeight(), 1123);
  TqdxMemoView memo;
  EXPECT_TRUE(memo.HasFlag(ofInPreparedPages));
  EXPECT_FALSE(memo.HasFlag(ofDiffByFullForm));
  EXPECT_TRUE(memo.HasFlag(ofWritesNestedElements));
  EXPECT_TRUE(TqdxCheckBoxView().HasFlag(ofDiffByFullForm));
  EXPECT_FALSE(TqdxPictureView().HasFlag(ofDiffByFullForm));
}

TEST(ObjectModel, ColorOfAGradientFillIsTheMiddleColour) {
  struct Case {
    TqdxColor Start, End, Expected;
  };
  const Case cases[] = {
      {0, 16777215, 0x7F7F7F},             // black to white: 127 each
      {16777215, 8421504, 12632256},       // white to grey: 255 - 63 = 192 each
      {16777215, 0, 0x808080},             // white to black: 255 - 127 = 128 each
      {0x0000FF, 0xFF0000, 0x7F0080},      // red to blue
      {0x123456, 0x123456, 0x123456},
      {static_cast<TqdxColor>(0x80000005), 0, 0x808080},  // system window colour is white
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Expected);
    TqdxMemoView memo;
    memo.SetFillType(ftGradient);
    auto* fill = static_cast<TqdxGradientFill*>(memo.GetFill());
    fill->StartColor = c.Start;
    fill->EndColor = c.End;
    EXPECT_EQ(memo.GetColor(), c.Expected);
    memo.SetColor(clRed);  // ignored by a gradient fill
    EXPECT_EQ(memo.GetColor(), c.Expected);
  }
  TqdxGradientView view;
  EXPECT_EQ(view.GetColor(), 12632256);
}

TEST(ObjectModel, ColorFollowsTheFillType) {
  TqdxMemoView memo;
  memo.SetColor(clRed);
  EXPECT_EQ(static_cast<TqdxBrushFill*>(memo.GetFill())->BackColor, clRed);
  memo.SetBrushStyle(bsCross);
  memo.SetFillType(ftBrush);  // same type: kept
  EXPECT_EQ(memo.GetColor(), clRed);
  EXPECT_EQ(memo.GetBrushStyle(), bsCross);

  memo.SetFillType(ftGlass);  // replaced by a new glass fill
  auto* glass = static_cast<TqdxGlassFill*>(memo.GetFill());
  EXPECT_EQ(memo.GetColor(), clGray);
  glass->Blend = 0.25;
  memo.SetColor(clWhite);
  EXPECT_EQ(glass->Color, clGray);
  EXPECT_EQ(glass->Blend, 0.25);
  EXPECT_EQ(memo.GetBrushStyle(), bsSolid);
}

TEST(ObjectModel, FrameValuesGoToAllLinesUntilOverridden) {
  TqdxFrame frame;
  frame.Typ = qdxBit(ftLeft) | qdxBit(ftRight) | qdxBit(ftTop) | qdxBit(ftBottom);
  EXPECT_EQ(frame.Typ, 15);
  frame.SetColor(clRed);
  frame.SetStyle(fsDot);
  frame.SetWidth(2);
  frame.GetTopLine()->Color = clGray;
  for (TqdxFrameLine* l : {frame.GetLeftLine(), frame.GetRightLine(), frame.GetBottomLine()}) {
    EXPECT_EQ(l->Color, clRed);
    EXPECT_EQ(l->Style, fsDot);
    EXPECT_EQ(l->Width, 2);
    EXPECT_FALSE(l->IsColorStored());
  }
  EXPECT_TRUE(frame.GetTopLine()->IsColorStored());
  frame.SetColor(clBlack);  // the frame's value wins again
  EXPECT_EQ(frame.GetTopLine()->Color, clBlack);
}

TEST(ObjectModel, AbsolutePositionsAddTheParents) {
  TqdxReportPage page;
  page.SetLeft(37.7953);
  page.SetTop(20);
  auto* band = static_cast<TqdxBand*>(page.AddChild(std::make_unique<TqdxMasterData>()));
  band->SetBounds(0, 100, 700, 50);
  auto* memo = page.Objects()[0]->AddChild(std::make_unique<TqdxMemoView>());
  memo->SetBounds(10, 5, 30, 40);
  EXPECT_NEAR(memo->AbsLeft(), 47.7953, 1e-9);
  EXPECT_NEAR(memo->AbsTop(), 125, 1e-9);
  TqdxRect r = static_cast<TqdxMemoView*>(memo)->GetExportBounds();
  EXPECT_NEAR(r.Right, 77.7953, 1e-9);
  EXPECT_NEAR(r.Bottom, 165, 1e-9);
  static_cast<TqdxMemoView*>(memo)->GetFrame()->DropShadow = true;
  r = static_cast<TqdxMemoView*>(memo)->GetExportBounds();
  EXPECT_NEAR(r.Right, 81.7953, 1e-9);
  EXPECT_NEAR(r.Bottom, 169, 1e-9);
  EXPECT_EQ(memo->Page(), &page);

  // A dialog page ends the chain.
  TqdxDialogPage dialog;
  dialog.SetLeft(500);
  auto* button = dialog.AddChild(std::make_unique<TqdxMemoView>());
  button->SetLeft(7);
  EXPECT_EQ(button->AbsLeft(), 7);
}

TEST(ObjectModel, FindObjectAndAllObjects) {
  TqdxReportPage page;
  auto add = [](TqdxComponent* parent, std::unique_ptr<TqdxComponent> c, const char* name) {
    c->Name = name;
    return parent->AddChild(std::move(c));
  };
  TqdxComponent* b1 = add(&page, std::make_unique<TqdxPageHeader>(), "PageHeader1");
  TqdxComponent* m1 = add(b1, std::make_unique<TqdxMemoView>(), "Memo1");
  TqdxComponent* m2 = add(b1, std::make_unique<TqdxMemoView>(), "Memo2");
  TqdxComponent* b2 = add(&page, std::make_unique<TqdxMasterData>(), "MasterData1");
  TqdxComponent* l1 = add(b2, std::make_unique<TqdxLineView>(), "");
  EXPECT_EQ(page.AllObjects(), (std::vector<TqdxComponent*>{b1, m1, m2, b2, l1}));
  EXPECT_EQ(page.FindObject("memo2"), m2);
  EXPECT_EQ(page.FindObject("MASTERDATA1"), b2);
  EXPECT_EQ(page.FindObject("Memo3"), nullptr);
  EXPECT_EQ(page.FindObject(""), nullptr);  // unnamed objects are not found by name
  EXPECT_EQ(b1->FindObject("PageHeader1"), nullptr);  // the subtree below only

  // Moving and detaching.
  m1->SetParent(b2);
  EXPECT_EQ(b2->Objects().back(), m1);
  EXPECT_EQ(b1->Objects().size(), 1u);
  EXPECT_THROW(b2->SetParent(m1), std::invalid_argument);  // would own itself
  EXPECT_EQ(b2->Parent(), &page);
  std::unique_ptr<TqdxComponent> own = m2->Detach();
  EXPECT_EQ(own->Parent(), nullptr);
  EXPECT_TRUE(b1->Objects().empty());
  own.reset();
  page.ClearObjects();
  EXPECT_TRUE(page.AllObjects().empty());
}

TEST(ObjectModel, ParentFont) {
  TqdxMasterData band;
  band.GetFont()->SetName("Times New Roman");
  EXPECT_FALSE(band.GetParentFont());
  auto* memo = band.AddChild(std::make_unique<TqdxMemoView>());
  EXPECT_EQ(memo->GetFont()->GetName(), "Times New Roman");
  EXPECT_TRUE(memo->GetParentFont());
  band.GetFont()->SetSize(12);  // follows the parent
  EXPECT_EQ(memo->GetFont()->GetSize(), 12);
  memo->GetFont()->SetColor(clRed);  // its own font from now on
  EXPECT_FALSE(memo->GetParentFont());
  band.GetFont()->SetSize(8);
  EXPECT_EQ(memo->GetFont()->GetSize(), 12);
  memo->SetParentFont(true);
  EXPECT_EQ(memo->GetFont()->GetSize(), 8);
  EXPECT_EQ(memo->GetFont()->GetColor(), clBlack);
}

TEST(ObjectModel, PaperSizes) {
  struct Case {
    int32_t Code;
    TqdxPrinterOrientation Orientation;
    double Width, Height;
  };
  const Case cases[] = {
      {9, poPortrait, 210, 297},   {9, poLandscape, 297, 210},  {8, poPortrait, 297, 420},
      {11, poPortrait, 148, 210},  {1, poPortrait, 215.9, 279.4}, {5, poLandscape, 355.6, 215.9},
      {70, poPortrait, 105, 148},  {48, poPortrait, 210, 297},  // no standard size: unchanged
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Code);
    TqdxReportPage page;
    page.SetOrientation(c.Orientation);
    page.SetPaperSize(c.Code);
    EXPECT_EQ(page.GetPaperSize(), c.Code);
    EXPECT_DOUBLE_EQ(page.GetPaperWidth(), c.Width);
    EXPECT_DOUBLE_EQ(page.GetPaperHeight(), c.Height);
    EXPECT_EQ(page.GetWidth(), std::nearbyint(c.Width * qd01cm));
  }
  TqdxReportPage page;
  page.SetPaperWidth(100);
  EXPECT_EQ(page.GetPaperSize(), DMPAPER_USER);
  EXPECT_EQ(page.GetWidth(), 378);
}

TEST(ObjectModel, PageCopiedPropertyByPropertyKeepsItsSize) {
  // Properties are applied in declaration order when a page is read or
  // copied; a landscape standard page must come out the same.
  TqdxReportPage source;
  source.SetOrientation(poLandscape);
  source.SetPaperSize(8);
  source.LeftMargin = 10;
  source.RightMargin = 10;
  source.SetColumns(2);
  TqdxReportPage copy;
  copy.Assign(source);
  EXPECT_EQ(copy.GetOrientation(), poLandscape);
  EXPECT_EQ(copy.GetPaperSize(), 8);
  EXPECT_EQ(copy.GetPaperWidth(), 420);
  EXPECT_EQ(copy.GetPaperHeight(), 297);
  EXPECT_EQ(copy.ColumnWidth, 200);
  EXPECT_EQ(copy.ColumnPositions, (std::vector<std::string>{"0", "200"}));
}

TEST(ObjectModel, ColumnsAndMirrorMargins) {
  TqdxReportPage page;
  page.LeftMargin = 10;
  page.RightMargin = 20;
  page.SetColumns(3);
  EXPECT_EQ(page.ColumnWidth, 60);
  EXPECT_EQ(page.ColumnPositions, (std::vector<std::string>{"0", "60", "120"}));
  EXPECT_THROW(page.SetColumns(2000000000), EqdxPropertyError);
  EXPECT_EQ(page.GetColumns(), 3);
  page.SetColumns(-4);
  EXPECT_EQ(page.GetColumns(), 0);
  EXPECT_TRUE(page.ColumnPositions.empty());
  page.MirrorMargins = true;
  EXPECT_EQ(page.LeftMarginOf(0), 10);
  EXPECT_EQ(page.LeftMarginOf(1), 20);
  EXPECT_EQ(page.RightMarginOf(1), 10);
  page.SetPageCount(0);
  EXPECT_EQ(page.GetPageCount(), 1);
}

TEST(ObjectModel, ComponentTextResolvesTheFirstTotalPages) {
  struct Case {
    std::u16string Text;
    bool AllowExpressions;
    const char* Expected;
  };
  const Case cases[] = {
      {u"Page 1 of [TOTALPAGES]", true, "Page 1 of 7"},
      {u"[totalpages]/[TotalPages]", true, "7/[TotalPages]"},
      {u"[TOTALPAGES]", false, "[TOTALPAGES]"},
      {u"[TOTALPAGES#]", true, "[TOTALPAGES#]"},
      {u"line 1\r\nline 2", true, "line 1\r\nline 2"},
      {u"\u00e9t\u00e9 \U0001F600 [TOTALPAGES", true, "\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80 [TOTALPAGES"},
      {u"", true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Expected);
    TqdxMemoView memo;
    memo.SetText(c.Text);
    memo.AllowExpressions = c.AllowExpressions;
    memo.TotalPages = 7;
    EXPECT_EQ(memo.GetComponentText(), c.Expected);
  }
  EXPECT_EQ(TqdxLineView().GetComponentText(), "");
}

TEST(ObjectModel, MemoTextSplitsAtAnyLineBreak) {
  struct Case {
    std::u16string Text;
    std::vector<std::u16string> Lines;
  };
  const Case cases[] = {
      {u"", {}},
      {u"a", {u"a"}},
      {u"a\r\nb\rc\nd", {u"a", u"b", u"c", u"d"}},
      {u"a\r\n", {u"a"}},
      {u"a\r\n\r\nb", {u"a", u"", u"b"}},
      {u"\n", {u""}},
  };
  for (const Case& c : cases) {
    TqdxMemoView memo;
    memo.SetText(c.Text);
    EXPECT_EQ(memo.Memo, c.Lines);
  }
}

TEST(ObjectModel, BaseNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"TqdxMemoView", "Memo"},         {"TqdxReportPage", "ReportPage"}, {"TqdxLineView", "Line"},
      {"TqdxMasterData", "MasterData"}, {"TqdxCheckBoxView", "CheckBox"},
  };
  for (auto [cls, base] : cases) {
    auto obj = qdxCreateObject(cls);
    EXPECT_EQ(static_cast<TqdxComponent*>(obj.get())->GetBaseName(), base);
  }
  TqdxMemoView memo;
  memo.SetBaseName("TqdxMemoView Left=\"1\"");
  EXPECT_EQ(memo.GetBaseName(), "TqdxMemoView Left=\"1\"");
}

TEST(PictureData, DataPropertyRoundTripsAndRejectsDamage) {
  const std::string bmp = "BM" + std::string(60, 'x');
  const std::string png = std::string("\x89PNG\r\n\x1A\n", 8) + "rest";
  std::string emf(48, '\0');
  emf.replace(40, 4, " EMF");
  struct Case {
    TqdxGraphicKind Kind;
    std::string Bytes;
  };
  const Case cases[] = {
      {TqdxGraphicKind::gkBitmap, bmp},
      {TqdxGraphicKind::gkJPEG, "\xFF\xD8jpeg"},
      {TqdxGraphicKind::gkPNG, png},
      {TqdxGraphicKind::gkMetafile, emf},
      {TqdxGraphicKind::gkIcon, std::string("\0\0\1\0icon", 8)},
  };
  for (const Case& c : cases) {
    TqdxPictureData pic, back;
    pic.SetGraphic(c.Kind, c.Bytes);
    std::vector<TqdxBinaryProperty> props;
    pic.WriteBinaryProperties(props);
    ASSERT_EQ(props.size(), 1u);
    EXPECT_EQ(props[0].Name, "Data");
    EXPECT_TRUE(back.ReadBinaryProperty("Data", props[0].Data));
    EXPECT_EQ(back.Kind(), c.Kind);
    EXPECT_EQ(back.Bytes(), c.Bytes);
    TqdxPictureData detected;
    EXPECT_TRUE(detected.LoadFromFileBytes(c.Bytes));
    EXPECT_EQ(detected.Kind(), c.Kind);
  }
  // A bitmap record: the class name, a length, the file.
  TqdxPictureData pic;
  pic.SetGraphic(TqdxGraphicKind::gkBitmap, "BMxy");
  EXPECT_EQ(pic.EncodeData(), std::string("\x07TBitmap\x04\0\0\0BMxy", 16));
  std::vector<TqdxBinaryProperty> none;
  TqdxPictureData().WriteBinaryProperties(none);
  EXPECT_TRUE(none.empty());

  const std::string damaged[] = {
      "",
      std::string("\x07TBitmap\xFF\xFF\xFF\x7F" "BM", 14),  // length beyond the data
      std::string("\x09TMetafile\x02\0\0\0", 14),            // length cannot count itself
      std::string("\x40") + std::string(64, 'T'),             // class name too long
      std::string("\x05TFoo\0", 6),
      std::string("\x0ATJPEGImage\x01\0", 13),                // length cut short
  };
  for (const std::string& d : damaged) {
    TqdxPictureData p;
    p.SetGraphic(TqdxGraphicKind::gkPNG, png);
    EXPECT_FALSE(p.DecodeData(d));
    EXPECT_TRUE(p.Empty());
  }
  TqdxPictureData cached;
  EXPECT_TRUE(cached.LoadFromFileBytes(std::string("\x01\0\0\x01\x04\0\0\0BMab", 12)));
  EXPECT_EQ(cached.Bytes(), "BMab");
  EXPECT_FALSE(cached.LoadFromFileBytes("unknown!"));
  EXPECT_TRUE(cached.Empty());
}

TEST(ObjectModel, UnknownBinaryRecordsOfViewsAreKept) {
  TqdxRichView rich;
  EXPECT_TRUE(rich.ReadBinaryProperty("RichEdit", "{\\rtf1 x}"));
  TqdxRichView copy;
  copy.Assign(rich);
  std::vector<TqdxBinaryProperty> out;
  copy.WriteBinaryProperties(out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].Name, "RichEdit");
  EXPECT_EQ(out[0].Data, "{\\rtf1 x}");
}

TEST(ObjectModel, MulDivRoundsHalfAwayFromZero) {
  struct Case {
    int32_t A, B, C, Expected;
  };
  const Case cases[] = {{127, -127, 255, -63}, {127, 255, 255, 127}, {10, 96, 72, 13},
                        {-13, 72, 96, -10},    {1, 1, 2, 1},         {-1, 1, 2, -1},
                        {5, 5, 0, -1}};
  for (const Case& c : cases) EXPECT_EQ(qdxMulDiv(c.A, c.B, c.C), c.Expected) << c.A << "*" << c.B << "/" << c.C;
}
