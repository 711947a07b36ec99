// The published-property facility: registry, declaration order, defaults,
// stored-tests, paths and typed access.

#include "document/qdxClass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

std::vector<std::string> PropNames(const TqdxClassInfo& cls) {
  std::vector<std::string> names;
  for (const TqdxPropInfo* p : cls.Properties()) names.push_back(p->Name());
  return names;
}

ptrdiff_t IndexOf(const std::vector<std::string>& names, const std::string& name) {
  auto it = std::find(names.begin(), names.end(), name);
  return it == names.end() ? -1 : it - names.begin();
}

}  // namespace

TEST(TypInfoRegistry, FindsAndCreatesClassesByNameIgnoringCase) {
  struct Case {
    const char* Name;
    const char* Expected;  // class name of the created object; empty: none
  };
  const Case cases[] = {
      {"TqdxMemoView", "TqdxMemoView"},   {"tqdxmemoview", "TqdxMemoView"},
      {"TQDXREPORTPAGE", "TqdxReportPage"}, {"TqdxDMPPage", "TqdxDMPPage"},
      {"TqdxBarCodeView", "TqdxBarCodeView"}, {"TqdxMasterData", "TqdxMasterData"},
      {"TqdxCustomFill", ""},  // abstract
      {"TqdxNoSuchView", ""},  {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    auto obj = qdxCreateObject(c.Name);
    if (*c.Expected == 0) {
      EXPECT_EQ(obj, nullptr);
    } else {
      ASSERT_NE(obj, nullptr);
      EXPECT_EQ(obj->ClassName(), c.Expected);
    }
  }
  EXPECT_EQ(qdxFindClass("TqdxCustomFill"), &TqdxCustomFill::StaticClassInfo());
  EXPECT_EQ(qdxFindClass("nothing"), nullptr);
}

TEST(TypInfoRegistry, FactoryPassesTheOwner) {
  TqdxReportPage page;
  auto obj = qdxCreateObject("TqdxMemoView", &page);
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(static_cast<TqdxBaseComponent*>(obj.get())->Owner(), &page);
  EXPECT_EQ(static_cast<TqdxComponent*>(obj.get())->Parent(), nullptr);
}

TEST(TypInfoRegistry, InheritsFromAndClassName) {
  TqdxMasterData band;
  EXPECT_EQ(band.ClassName(), "TqdxMasterData");
  EXPECT_TRUE(band.InheritsFrom("TqdxDataBand"));
  EXPECT_TRUE(band.InheritsFrom("tqdxband"));
  EXPECT_TRUE(band.Is<TqdxComponent>());
  EXPECT_FALSE(band.InheritsFrom("TqdxView"));
  EXPECT_FALSE(band.Is<TqdxPage>());
}

TEST(TypInfoProperties, BaseClassFirstThenDeclarationOrder) {
  auto names = PropNames(TqdxMemoView::StaticClassInfo());
  const std::vector<std::string> head = {"Name", "Tag", "Description", "IndexTag", "Left", "Top", "Width",
                                         "Height", "Align", "Anchors"};
  ASSERT_GE(names.size(), head.size());
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + head.size()), head);
  // Every later name comes after the one before it.
  const char* order[] = {"OnPreviewDblClick", "StretchMode", "CanShrink", "Memo", "Font", "HAlign",
                         "DisplayFormat", "FillType", "Fill", "Color", "Processing", "DataSetName"};
  for (size_t i = 1; i < std::size(order); ++i)
    EXPECT_LT(IndexOf(names, order[i - 1]), IndexOf(names, order[i])) << order[i];
  // Published once each.
  auto sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
  // The text object without data binding.
  EXPECT_EQ(IndexOf(PropNames(TqdxSysMemoView::StaticClassInfo()), "DataField"), -1);
}

TEST(TypInfoProperties, DeclaredDefaultsAndKinds) {
  struct Case {
    const TqdxClassInfo& Cls;
    const char* Path;
    TqdxPropKind Kind;
    bool HasDefault;
    int64_t Default;
  };
  const Case cases[] = {
      {TqdxMemoView::StaticClassInfo(), "HAlign", TqdxPropKind::pkEnumeration, true, haLeft},
      {TqdxMemoView::StaticClassInfo(), "WordWrap", TqdxPropKind::pkEnumeration, true, 1},
      {TqdxMemoView::StaticClassInfo(), "Visibility", TqdxPropKind::pkSet, true, 7},
      {TqdxMemoView::StaticClassInfo(), "Color", TqdxPropKind::pkInteger, true, clNone},
      {TqdxMemoView::StaticClassInfo(), "GapX", TqdxPropKind::pkFloat, false, 0},
      {TqdxMemoView::StaticClassInfo(), "Memo", TqdxPropKind::pkWStringList, false, 0},
      {TqdxMemoView::StaticClassInfo(), "Frame", TqdxPropKind::pkClass, false, 0},
      {TqdxMemoView::StaticClassInfo(), "FlowTo", TqdxPropKind::pkComponent, false, 0},
      {TqdxMemoView::StaticClassInfo(), "OnBeforePrint", TqdxPropKind::pkEvent, false, 0},
      {TqdxMemoView::StaticClassInfo(), "Frame.LeftLine.Color", TqdxPropKind::pkInteger, false, 0},
      {TqdxMemoView::StaticClassInfo(), "Font.Style", TqdxPropKind::pkSet, true, 0},
      {TqdxLineView::StaticClassInfo(), "ArrowLength", TqdxPropKind::pkInteger, true, 20},
      {TqdxReportPage::StaticClassInfo(), "PaperSize", TqdxPropKind::pkInteger, false, 0},
      {TqdxReportPage::StaticClassInfo(), "HGuides", TqdxPropKind::pkStringList, false, 0},
      {TqdxDataBand::StaticClassInfo(), "ShiftEngine", TqdxPropKind::pkEnumeration, true, seTree},
      {TqdxReport::StaticClassInfo(), "PreviewOptions.OutlineWidth", TqdxPropKind::pkInteger, true, 120},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Path);
    const TqdxPropInfo* p = qdxFindClassProperty(c.Cls, c.Path);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Kind(), c.Kind);
    EXPECT_EQ(p->HasDefault(), c.HasDefault);
    if (c.HasDefault) {
      EXPECT_EQ(p->Default(), c.Default);
    }
  }
}

TEST(TypInfoProperties, StoredTests) {
  TqdxMemoView memo;
  auto stored = [&](const char* path) {
    TqdxPropTarget t = qdxFindProperty(memo, path);
    EXPECT_TRUE(t) << path;
    return t ? t.Prop->IsStored(*t.Object) : false;
  };
  EXPECT_FALSE(stored("Name"));
  EXPECT_FALSE(stored("Printable"));
  EXPECT_FALSE(stored("Font"));  // taken from the parent
  EXPECT_FALSE(stored("Frame.Width"));
  EXPECT_FALSE(stored("Frame.ShadowWidth"));
  EXPECT_FALSE(stored("Frame.LeftLine.Color"));
  EXPECT_FALSE(stored("DisplayFormat"));
  EXPECT_FALSE(stored("Font.Size"));
  EXPECT_TRUE(stored("Frame.Typ"));
  EXPECT_TRUE(stored("Color"));

  memo.GetFont()->SetName("Courier New");  // leaves ParentFont
  memo.GetFrame()->SetWidth(2);
  memo.GetFrame()->ShadowWidth = 3;
  memo.GetFrame()->GetLeftLine()->Color = clRed;
  memo.GetDisplayFormat();
  memo.SetFillType(ftGradient);
  EXPECT_TRUE(stored("Font"));
  EXPECT_TRUE(stored("Frame.Width"));
  EXPECT_TRUE(stored("Frame.ShadowWidth"));
  EXPECT_TRUE(stored("Frame.LeftLine.Color"));
  EXPECT_FALSE(stored("Frame.TopLine.Color"));
  EXPECT_FALSE(stored("Frame.LeftLine.Width"));  // follows the frame's 2
  EXPECT_TRUE(stored("DisplayFormat"));
  EXPECT_FALSE(stored("Color"));  // derived from the gradient
}

TEST(TypInfoProperties, PathsThatDoNotExistAreAbsent) {
  TqdxMemoView memo;
  TqdxPictureView picture;
  const char* absent[] = {"",          ".",           "Frame.",        ".Typ",        "Frame..Typ",
                          "Nope",      "Nope.Typ",    "Frame.Nope",    "Memo.Text",   "Left.X",
                          "Font.Style.fsBold", "Frame.LeftLine.Color.X", "FlowTo.Name", "Fill.StartColor"};
  for (const char* path : absent) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(qdxFindProperty(memo, path));
    EXPECT_EQ(qdxFindClassProperty(TqdxMemoView::StaticClassInfo(), path), nullptr);
  }
  const char* present[] = {"Frame.Typ", "font.style", "FRAME.LEFTLINE.COLOR", "Fill.BackColor",
                           "Hyperlink.Value", "DisplayFormat.FormatStr", "Highlight.Font.Color"};
  for (const char* path : present) EXPECT_TRUE(qdxFindProperty(memo, path)) << path;
  EXPECT_TRUE(qdxFindProperty(picture, "Picture"));
  // The instance path follows the actual fill class.
  memo.SetFillType(ftGradient);
  EXPECT_TRUE(qdxFindProperty(memo, "Fill.StartColor"));
  EXPECT_FALSE(qdxFindProperty(memo, "Fill.BackColor"));
}

TEST(TypInfoAccess, RefusesValuesOutOfRange) {
  TqdxMemoView memo;
  TqdxLineView line;
  struct Case {
    const char* Path;
    int64_t Value;
  };
  const Case refused[] = {
      {"HAlign", 4}, {"HAlign", -1}, {"WordWrap", 2}, {"Visibility", 8}, {"Frame.Typ", 16},
      {"Visibility", -1}, {"Rotation", int64_t(1) << 40}, {"Font.Charset", 256},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.Path);
    TqdxPropTarget t = qdxFindProperty(memo, c.Path);
    ASSERT_TRUE(t);
    int64_t before = t.Prop->GetOrd(*t.Object);
    EXPECT_THROW(t.Prop->SetOrd(*t.Object, c.Value), EqdxPropertyError);
    EXPECT_EQ(t.Prop->GetOrd(*t.Object), before);
  }
  TqdxPropTarget gap = qdxFindProperty(memo, "GapX");
  EXPECT_THROW(gap.Prop->SetFloat(memo, std::numeric_limits<double>::quiet_NaN()), EqdxPropertyError);
  EXPECT_THROW(gap.Prop->SetFloat(memo, HUGE_VAL), EqdxPropertyError);
  EXPECT_EQ(memo.GapX, 2);
  // Access of the wrong kind.
  EXPECT_THROW(gap.Prop->GetStr(memo), EqdxPropertyError);
  EXPECT_THROW(gap.Prop->GetOrd(memo), EqdxPropertyError);
  // A reference to a component of another class.
  const TqdxPropInfo* flow = memo.ClassInfo().FindProperty("FlowTo");
  EXPECT_THROW(flow->SetRef(memo, &line), EqdxPropertyError);
  EXPECT_EQ(memo.FlowTo, nullptr);
}

TEST(TypInfoAccess, ReadsAndWritesEveryValueForm) {
  TqdxMemoView memo, other;
  const TqdxClassInfo& cls = memo.ClassInfo();
  cls.FindProperty("HAlign")->SetOrd(memo, haCenter);
  EXPECT_EQ(memo.HAlign, haCenter);
  EXPECT_EQ(cls.FindProperty("halign")->GetOrdAsText(memo), "haCenter");
  EXPECT_EQ(cls.FindProperty("HAlign")->EnumInfo()->ValueOf("HABLOCK"), haBlock);
  EXPECT_EQ(cls.FindProperty("WordWrap")->GetOrdAsText(memo), "True");
  cls.FindProperty("Color")->SetOrd(memo, 2147483663);  // a system colour written unsigned
  EXPECT_EQ(memo.GetColor(), static_cast<TqdxColor>(0x8000000F));
  cls.FindProperty("GapY")->SetFloat(memo, 4.5);
  EXPECT_EQ(memo.GapY, 4.5);
  cls.FindProperty("Hint")->SetStr(memo, "tip");
  EXPECT_EQ(memo.Hint, "tip");
  cls.FindProperty("Memo")->SetWStrings(memo, {u"a", u"b"});
  EXPECT_EQ(memo.Text(), u"a\r\nb");
  cls.FindProperty("OnAfterData")->SetStr(memo, "Memo1OnAfterData");
  EXPECT_EQ(memo.OnAfterData, "Memo1OnAfterData");
  cls.FindProperty("FlowTo")->SetRef(memo, &other);
  EXPECT_EQ(memo.FlowTo, &other);
  EXPECT_EQ(cls.FindProperty("Frame")->GetObject(memo), memo.GetFrame());
  EXPECT_FALSE(cls.FindProperty("Frame")->IsWritable());
  TqdxReportPage page;
  page.ClassInfo().FindProperty("VGuides")->SetStrings(page, {"1", "2"});
  EXPECT_EQ(page.VGuides, (std::vector<std::string>{"1", "2"}));
}

TEST(TypInfoAssign, CopiesPropertiesAndSubObjectsButNotChildren) {
  TqdxMemoView source;
  source.Name = "Memo1";
  source.SetText(u"Hello");
  source.SetBounds(1, 2, 3, 4);
  source.GetFrame()->Typ = 15;
  source.GetFrame()->SetColor(clRed);
  source.GetFrame()->GetBottomLine()->Width = 3;
  source.SetFillType(ftGradient);
  static_cast<TqdxGradientFill*>(source.GetFill())->StartColor = 0x123456;
  source.GetFont()->SetSize(14);
  source.AddChild(std::make_unique<TqdxLineView>());

  TqdxMemoView copy;
  copy.Assign(source);
  EXPECT_EQ(copy.Name, "Memo1");
  EXPECT_EQ(copy.Text(), u"Hello");
  EXPECT_EQ(copy.GetHeight(), 4);
  EXPECT_EQ(copy.GetFrame()->Typ, 15);
  EXPECT_EQ(copy.GetFrame()->GetTopLine()->Color, clRed);
  EXPECT_EQ(copy.GetFrame()->GetBottomLine()->Width, 3);
  ASSERT_EQ(copy.GetFillType(), ftGradient);
  EXPECT_EQ(static_cast<TqdxGradientFill*>(copy.GetFill())->StartColor, 0x123456);
  EXPECT_EQ(copy.GetFont()->GetSize(), 14);
  EXPECT_FALSE(copy.GetParentFont());
  EXPECT_TRUE(copy.Objects().empty());
}
