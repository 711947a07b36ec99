// Text objects: the text rectangle, the layout set-up, wrapping, automatic
// width, monochrome drawing and the recording canvas.
#include "document/qdxClass.h"
#include "document/qdxDrawText.h"
#include "platform/RasterCanvas.h"
#include "platform/VectorCanvas.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Layout with fixed character widths for the duration of a test.
class TFixedWidths {
public:
  TFixedWidths() { qdxSetDefaultTextMeasurer(&FMeasurer); }
  ~TFixedWidths() { qdxSetDefaultTextMeasurer(nullptr); }

private:
  TqdxFixedTextMeasurer FMeasurer;
};

TEST(MemoDraw, TextRectangleInsideFrameGapsAndShadow) {
  struct {
    const char* Label;
    TqdxFrameTypes Sides;
    double FrameWidth;
    bool Shadow;
    double Scale, Offset;
    TRect Expected;
  } cases[] = {
      {"thin frame all round", 15, 1, false, 1, 0, {12, 21, 109, 70}},
      {"no frame", 0, 1, false, 1, 0, {12, 21, 109, 70}},
      {"thick sides, shadow, scale 2, offset 5", 1 | 2, 3, true, 2, 5, {31, 47, 211, 136}},
      {"thick top and bottom", 4 | 8, 3, false, 1, 0, {12, 22, 109, 68}},
  };
  for (const auto& c : cases) {
    TqdxMemoView m;
    m.SetBounds(10, 20, 100, 50);
    m.GetFrame()->Typ = c.Sides;
    m.GetFrame()->SetWidth(c.FrameWidth);
    m.GetFrame()->DropShadow = c.Shadow;
    EXPECT_EQ(m.GetTextRect(c.Scale, c.Scale, c.Offset, c.Offset), c.Expected) << c.Label;
  }
}

TEST(MemoDraw, DrawParamsScaleTheDrawingRectangleAndMendParagraphFlags) {
  TFixedWidths fixed;
  TqdxMemoView m;
  m.SetBounds(10, 20, 100, 50);
  m.Memo = {u"first", u"second"};
  m.FirstParaBreak = true;
  m.LastParaBreak = true;
  TBitmap b(1, 1);
  TRasterCanvas canvas(b);
  TqdxDrawText& text = DrawTextObject();
  text.Lock();
  m.SetDrawParams(canvas, 5, 5, 2, 2);
  EXPECT_EQ(text.UnscaledRect.Left, 12);
  EXPECT_EQ(text.UnscaledRect.Right, 109);
  EXPECT_EQ(text.DrawRect.Left, 29);
  EXPECT_EQ(text.DrawRect.Right, 222);
  ASSERT_EQ(text.Lines().size(), 2u);
  EXPECT_EQ(text.LineFlags()[0], lfLastOfParagraph);
  EXPECT_EQ(text.LineFlags()[1], lfFirstOfParagraph);
  m.SetDrawParams(canvas, 0, 0, 1, 1);
  EXPECT_EQ(text.DrawRect.Left, text.UnscaledRect.Left);
  text.Unlock();
}

TEST(MemoDraw, WrapTextGivesLinesOrPlainText) {
  TFixedWidths fixed;
  TqdxMemoView m;
  m.SetBounds(0, 0, 60, 100);  // 56 pixels of line: 8 characters
  m.AllowHTMLTags = true;
  m.Memo = {u"<b>aaaa</b> bbbb cccc", u""};
  std::vector<std::u16string> lines;
  std::vector<int> flags;
  EXPECT_EQ(m.WrapText(true, &lines, &flags), u"aaaa\r\nbbbb\r\ncccc\r\n ");
  EXPECT_EQ(lines.size(), 4u);
  EXPECT_EQ(flags, (std::vector<int>{1, 0, 2, 3}));
  EXPECT_EQ(m.WrapText(false), u"aaaa bbbb cccc\r\n");
  m.AllowHTMLTags = false;
  EXPECT_EQ(m.WrapText(false), u"<b>aaaa</b> bbbb cccc\r\n");
}

TEST(MemoDraw, AutoWidthFitsTheTextAndKeepsTheAlignedEdge) {
  TFixedWidths fixed;
  auto make = [](TqdxHAlign align, bool framed) {
    auto m = std::make_unique<TqdxMemoView>();
    m->SetBounds(100, 0, 300, 20);
    m->Memo = {u"abcd", u"ab"};
    m->HAlign = align;
    if (framed) {
      m->GetFrame()->Typ = 1 | 2;
      m->GetFrame()->SetWidth(3);
      m->GetFrame()->DropShadow = true;
    }
    m->CalcAutoWidth();
    return m;
  };
  const auto plain = make(haLeft, false);
  const double text = plain->GetWidth() - 4;  // two gaps of 2
  EXPECT_GT(text, 20);
  EXPECT_LT(text, 30);
  EXPECT_EQ(plain->GetLeft(), 100);
  EXPECT_DOUBLE_EQ(make(haLeft, true)->GetWidth(), plain->GetWidth() + 1 + 1.5 + 4);
  const auto right = make(haRight, false);
  EXPECT_DOUBLE_EQ(right->GetLeft() + right->GetWidth(), 400);
  const auto centre = make(haCenter, false);
  EXPECT_DOUBLE_EQ(centre->GetLeft() + centre->GetWidth() / 2, 250);
}

TEST(MemoDraw, MonoDrawsTheTextInBlack) {
  auto count = [](bool mono, bool& dark) {
    TqdxMemoView m;
    m.SetBounds(0, 0, 120, 30);
    m.Memo = {u"Hello world"};
    m.GetFont()->SetColor(255);  // red
    m.GetFont()->SetSize(14);
    m.DrawMono = mono;
    TBitmap b(300, 80);
    b.Fill(clWhiteRGB);
    TRasterCanvas canvas(b);
    m.Draw(canvas, 2, 2, 0, 0);
    int reddish = 0;
    dark = false;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) {
        const TColor c = b.GetPixel(x, y);
        if (GetRValue(c) > 180 && GetGValue(c) < 80 && GetBValue(c) < 80) ++reddish;
        if (GetRValue(c) < 60 && GetGValue(c) < 60) dark = true;
      }
    return reddish;
  };
  bool dark = false;
  EXPECT_GT(count(false, dark), 10);
  EXPECT_FALSE(dark);
  EXPECT_EQ(count(true, dark), 0);
  EXPECT_TRUE(dark);
}

TEST(MemoDraw, RecordingCanvasGetsTheTextAndNoBackground) {
  TqdxMemoView m;
  m.SetBounds(50, 40, 100, 20);
  m.Memo = {u"Hi"};
  m.SetColor(0xFF00);
  m.GetFrame()->Typ = 15;
  std::unique_ptr<TVectorCanvas> runs = m.GetVectorCanvas();
  ASSERT_FALSE(runs->Records().empty());
  const auto& first = std::get<TVector_ExtTextOutW>(runs->Records().front());
  EXPECT_EQ(first.Text, u"Hi");
  EXPECT_LT(first.X, 10);  // drawn with the object's corner at the origin
  // Afterwards the object draws as usual again.
  TBitmap b(200, 100);
  b.Fill(clWhiteRGB);
  TRasterCanvas canvas(b);
  m.Draw(canvas, 1, 1, 0, 0);
  EXPECT_EQ(b.GetPixel(120, 55), RGBColor(0, 255, 0));

  // Recording needs no pixels: an object far larger than any bitmap records
  // its text all the same.
  TqdxMemoView huge;
  huge.SetBounds(0, 0, 200000, 150000);
  huge.Memo = {u"Wide"};
  huge.Rotation = 90;
  std::unique_ptr<TVectorCanvas> hugeRuns = huge.GetVectorCanvas();
  ASSERT_FALSE(hugeRuns->Records().empty());
  EXPECT_EQ(std::get<TVector_ExtTextOutW>(hugeRuns->Records().front()).Text, u"Wide");
}

}  // namespace
