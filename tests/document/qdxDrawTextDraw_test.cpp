#include "document/qdxDrawText.h"
#include "platform/Bitmap.h"
#include "platform/RasterCanvas.h"
#include "platform/VectorCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Ints = std::vector<int>;

TEST(DrawTextSpread, RecursiveHalvingPlacesEveryUnit) {
  struct {
    int Count, Difference;
    Ints Expected;
  } cases[] = {
      {4, 0, {0, 0, 0, 0}},
      {4, 1, {0, 1, 0, 0}},
      {4, 2, {1, 0, 1, 0}},
      {4, 3, {1, 0, 1, 1}},
      {4, -2, {-1, 0, -1, 0}},
      {5, 3, {1, 0, 1, 1, 0}},
      {8, 5, {1, 0, 1, 0, 1, 0, 1, 1}},
      {3, 7, {3, 2, 2}},      // the quotient first, then the rest
      {4, -9, {-2, -3, -2, -2}},
      {1, 5, {5}},
      {0, 3, {}},
  };
  for (const auto& c : cases) {
    Ints v(static_cast<size_t>(c.Count), 0);
    qdxSpreadDifference(v, c.Difference);
    EXPECT_EQ(v, c.Expected) << c.Count << " gaps, difference " << c.Difference;
  }
}

TEST(DrawTextBlock, StartLengthAndAvailableHeightPerRotation) {
  const TqdxIntRect square{0, 0, 200, 200};
  const TqdxIntRect wide{10, 20, 110, 70};
  // For the oblique angles with a block of 30: W = round((200 - 0.7071 * 30)
  // / 0.7071) = 253, s * W = 178.9, c * H = 21.2.
  struct {
    TqdxIntRect Rect;
    int Rotation;
    TqdxTextBlock Expected;
  } cases[] = {
      {wide, 0, {10, 20, 100, 50}},   {wide, 90, {10, 70, 50, 100}},  {wide, 180, {110, 70, 100, 50}},
      {wide, 270, {110, 20, 50, 100}}, {square, 45, {0, 179, 253, 30}}, {square, 135, {179, 200, 253, 30}},
      {square, 225, {200, 21, 253, 30}}, {square, 315, {21, 0, 253, 30}},
  };
  for (const auto& c : cases) EXPECT_EQ(qdxTextBlockStart(c.Rect, c.Rotation, 30), c.Expected) << c.Rotation;
}

// A recording canvas that also keeps the ruled lines.
class TRulesCanvas : public TVectorCanvas {
public:
  void LineTo(int x, int y) override {
    Rules.push_back(State().Position.Y);
    Ends.push_back(x);
    TVectorCanvas::LineTo(x, y);
  }
  Ints Rules, Ends;
};

// Every character is half the font height wide: at 10 points the layout
// advance is 42 of 600 ppi (6.72 screen pixels), the target font is 13
// pixels high with advances of 6, and a line moves by 13 + 2 = 15 pixels.
class DrawTextDrawTest : public ::testing::Test {
protected:
  DrawTextDrawTest() : Layout(&Measurer) {
    TqdxFont f;
    f.SetSize(10);
    Layout.SetFont(f);
    Options();
    Layout.SetGaps(2, 0, 0);
    Rect({0, 0, 100, 200});
  }
  void Options(bool wysiwyg = false, bool htmlTags = false, int rotation = 0, bool rtl = false) {
    Layout.SetOptions(true, htmlTags, rotation, wysiwyg, true, false, rtl);
  }
  void Rect(TqdxIntRect r) { Layout.SetDimensions(r, r); }
  const std::vector<TVectorRecord>& Draw(const std::vector<std::u16string>& paragraphs, TqdxHAlign h = haLeft,
                                         TqdxVAlign v = vaTop, TqdxUnderlinesTextMode u = ulmNone) {
    Layout.SetText(paragraphs);
    Canvas.Clear();
    Canvas.Rules.clear();
    Layout.DrawText(Canvas, h, v, u);
    return Canvas.Records();
  }
  static const TVector_ExtTextOutW& Run(const std::vector<TVectorRecord>& records, size_t i) {
    return std::get<TVector_ExtTextOutW>(records.at(i));
  }

  TqdxFixedTextMeasurer Measurer;
  TqdxDrawText Layout;
  TRulesCanvas Canvas;
};

TEST_F(DrawTextDrawTest, HorizontalAlignmentOfEveryLine) {
  // "aa bb cc dd ee" fills 14 of the layout's characters; drawn it is 84 of
  // 100 pixels wide, leaving 16.
  const std::vector<std::u16string> text{u"aa bb cc dd ee ff"};
  const Ints plain(14, 6);
  const Ints justified{6, 6, 10, 6, 6, 10, 6, 6, 10, 6, 6, 10, 6, 6};
  struct {
    const char* Label;
    TqdxHAlign Align;
    bool Rtl;
    int X1, X2;  // start of the first and the last line
    Ints Advances1;
  } cases[] = {
      {"left", haLeft, false, 0, 0, plain},
      {"right: free space + 1, then a pixel back", haRight, false, 16, 88, plain},
      {"centre", haCenter, false, 8, 44, plain},
      {"justified; the last line left", haBlock, false, 0, 0, justified},
      {"justified right to left; the last line right", haBlock, true, 0, 88, justified},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Label);
    Options(false, false, 0, c.Rtl);
    const auto& records = Draw(text, c.Align);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(Run(records, 0).Text, u"aa bb cc dd ee");
    EXPECT_EQ(Run(records, 0).X, c.X1);
    EXPECT_EQ(Run(records, 0).Y, 0);
    EXPECT_EQ(Run(records, 0).Advances, c.Advances1);
    EXPECT_EQ(Run(records, 1).Text, u"ff");
    EXPECT_EQ(Run(records, 1).X, c.X2);
    EXPECT_EQ(Run(records, 1).Y, 15);
    EXPECT_EQ(Run(records, 1).Advances, (Ints{6, 6}));
    EXPECT_EQ(Run(records, 1).RtlReading, c.Rtl);
  }
}

TEST_F(DrawTextDrawTest, JustifiedLineWithoutSpacesIsDrawnLeftAligned) {
  const auto& records = Draw({u"abcdefghijklmnopqrst"}, haBlock);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(Run(records, 0).Text, u"abcdefghijklmn");
  EXPECT_EQ(Run(records, 0).X, 0);
  EXPECT_EQ(Run(records, 0).Advances, Ints(14, 6));
}

TEST_F(DrawTextDrawTest, JustificationCountsNoBreakSpacesAndGivesTheRemainderToTheFirst) {
  // Both rectangles hold the five characters "a b\u00A0c" (30 pixels drawn)
  // on the first line; the free pixels go to its two spaces.
  struct {
    int Width;
    Ints Advances;
  } cases[] = {{34, {6, 8, 6, 8, 6}}, {35, {6, 9, 6, 8, 6}}};
  for (const auto& c : cases) {
    Rect({0, 0, c.Width, 200});
    const auto& records = Draw({u"a b\u00A0c dd"}, haBlock);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(Run(records, 0).Text, u"a b\u00A0c");
    EXPECT_EQ(Run(records, 0).Advances, c.Advances) << c.Width;
  }
}

TEST_F(DrawTextDrawTest, VerticalAlignmentMovesTheBlock) {
  // Two lines: the block is round(2 * (83 / 6.25 + 2)) = 31 high in 200.
  struct {
    TqdxVAlign Align;
    int Y;
  } cases[] = {{vaTop, 0}, {vaBottom, 169}, {vaCenter, 84}};
  for (const auto& c : cases) {
    const auto& records = Draw({u"a", u"b"}, haLeft, c.Align);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(Run(records, 0).Y, c.Y) << int(c.Align);
    EXPECT_EQ(Run(records, 1).Y, c.Y + 15) << int(c.Align);
  }
}

TEST_F(DrawTextDrawTest, WysiwygKeepsTheLayoutsBlockHeightAndLineWidths) {
  Options(true);
  // The block of 31 pixels takes one more than two 15-pixel lines: the first
  // gap gets it. "ff" is 84 layout units, 13 pixels, against 12 drawn.
  const auto& records = Draw({u"ff", u"ff"});
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(Run(records, 1).Y, 16);
  EXPECT_EQ(Run(records, 0).Advances, (Ints{7, 6}));
}

TEST_F(DrawTextDrawTest, RotatedTextStartsWhereTheTableSaysAndCarriesItsAngle) {
  Rect({10, 20, 110, 70});
  struct {
    int Rotation;
    int X1, Y1, X2, Y2;  // first and second line
  } cases[] = {
      {0, 10, 20, 10, 35}, {90, 10, 70, 25, 70}, {180, 110, 70, 110, 55}, {270, 110, 20, 95, 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Rotation);
    Options(false, false, c.Rotation);
    const auto& records = Draw({u"a", u"b"});
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(Run(records, 0).X, c.X1);
    EXPECT_EQ(Run(records, 0).Y, c.Y1);
    EXPECT_EQ(Run(records, 1).X, c.X2);
    EXPECT_EQ(Run(records, 1).Y, c.Y2);
    EXPECT_EQ(Run(records, 0).Font.Escapement, c.Rotation * 10);
    EXPECT_EQ(Run(records, 0).Rect, (TRect{10, 20, 110, 70}));
    EXPECT_TRUE(Run(records, 0).Clipped);
  }
}

TEST_F(DrawTextDrawTest, StyleRunsSubscriptAndColours) {
  Options(false, true);
  const auto& records = Draw({u"a<b>b</b><sub>c</sub><font color=red>d</font>"});
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(Run(records, 0).Text, u"a");
  EXPECT_EQ(Run(records, 1).Text, u"b");
  EXPECT_EQ(Run(records, 1).Font.Weight, FontWeightBold);
  EXPECT_EQ(Run(records, 1).X, 6);
  // Bold is 10% wider; the subscript is 7 points (9 pixels) and 7 lower.
  EXPECT_EQ(Run(records, 2).X, 6 + 7);
  EXPECT_EQ(Run(records, 2).Y, 7);
  EXPECT_EQ(Run(records, 2).Font.Height, -9);
  EXPECT_EQ(Run(records, 3).Color, RGBColor(255, 0, 0));
  EXPECT_EQ(Run(records, 0).Color, clBlackRGB);
}

TEST_F(DrawTextDrawTest, MonoFontDrawsEveryRunBlack) {
  Options(false, true);
  TqdxFont red;
  red.SetSize(10);
  red.SetColor(clRed);
  Layout.SetFont(red);
  Layout.MonoFont = true;
  const auto& records = Draw({u"a<font color=\"#00FF00\">b</font>"});
  ASSERT_EQ(records.size(), 2u);
  for (const auto& r : records) EXPECT_EQ(std::get<TVector_ExtTextOutW>(r).Color, clBlackRGB);
}

TEST_F(DrawTextDrawTest, FontHeightFollowsTheDevice) {
  struct {
    const char* Label;
    TCanvasDevice Device;
    double PrintScale, Scale;
    int Height;
  } cases[] = {
      {"screen", {}, 1, 1, -13},
      {"screen at scale 2", {}, 1, 2, -27},
      {"printer at 600 ppi", {true, 600, 600}, 1, 6.25, -83},
      {"printer scaled down", {true, 600, 600}, 0.5, 3.125, -42},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Label);
    Canvas.SetDevice(c.Device);
    Layout.SetDimensions({0, 0, 100, 200}, {0, 0, 100, 200}, c.PrintScale, c.Scale, c.Scale);
    const auto& records = Draw({u"a"});
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(Run(records, 0).Font.Height, c.Height);
  }
}

TEST_F(DrawTextDrawTest, RulesUnderlinesPerMode) {
  // Lines at 0, 15 and 30 (the middle one blank) in a 100-pixel rectangle.
  Rect({0, 0, 100, 100});
  const std::vector<std::u16string> text{u"ab", u"", u"cd"};
  struct {
    const char* Label;
    std::vector<std::u16string> Text;
    TqdxUnderlinesTextMode Mode;
    TqdxVAlign Align;
    Ints Rules;
  } cases[] = {
      {"none", text, ulmNone, vaTop, {}},
      {"text lines only", text, ulmUnderlinesText, vaTop, {15, 45}},
      {"text and empty lines", text, ulmUnderlinesTextAndEmptyLines, vaTop, {15, 30, 45}},
      {"all: on below the last line", text, ulmUnderlinesAll, vaTop, {15, 30, 45, 60, 75, 90}},
      // The block is 46 high: lines at 54, 69, 84; above the first line too.
      {"all, bottom aligned: on above the first line", text, ulmUnderlinesAll, vaBottom,
       {9, 24, 39, 54, 69, 84, 99}},
      {"all without lines", {}, ulmUnderlinesAll, vaTop, {15, 30, 45, 60, 75, 90}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Label);
    Draw(c.Text, haLeft, c.Align, c.Mode);
    Ints rules = Canvas.Rules;
    std::sort(rules.begin(), rules.end());
    EXPECT_EQ(rules, c.Rules);
    for (int end : Canvas.Ends) EXPECT_EQ(end, 100);
  }
}

TEST_F(DrawTextDrawTest, AttachedRecorderReceivesTheRunsDrawnElsewhere) {
  TBitmap bitmap(100, 60);
  TRasterCanvas raster(bitmap);
  raster.FillRect(TRect{0, 0, 100, 60}, TBrush{TBrushStyle::bsSolid, clWhiteRGB});
  TVectorCanvas recorder;
  Layout.VectorCanvas = &recorder;
  Rect({0, 0, 100, 60});
  Layout.SetText({u"one", u"two"});
  Layout.DrawText(raster, haLeft, vaTop, ulmNone);
  Layout.VectorCanvas = nullptr;
  ASSERT_EQ(recorder.Records().size(), 2u);
  EXPECT_EQ(Run(recorder.Records(), 1).Text, u"two");
  EXPECT_EQ(Run(recorder.Records(), 1).Y, 15);
  // And the raster canvas got ink.
  int ink = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 100; ++x) ink += bitmap.GetPixel(x, y) != clWhiteRGB;
  EXPECT_GT(ink, 20);
}

TEST_F(DrawTextDrawTest, MonoFontOnARasterCanvasInksOnlyGrey) {
  Options(false, true);
  Layout.MonoFont = true;
  TBitmap bitmap(100, 30);
  TRasterCanvas raster(bitmap);
  raster.FillRect(TRect{0, 0, 100, 30}, TBrush{TBrushStyle::bsSolid, clWhiteRGB});
  Rect({0, 0, 100, 30});
  Layout.SetText({u"<font color=red>Red</font> text"});
  Layout.DrawText(raster, haLeft, vaTop, ulmNone);
  int ink = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 100; ++x) {
      TColor c = bitmap.GetPixel(x, y);
      if (c == clWhiteRGB) continue;
      ++ink;
      EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c));
    }
  EXPECT_GT(ink, 20);
}

}  // namespace
