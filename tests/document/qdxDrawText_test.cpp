#include "document/qdxDrawText.h"
#include "document/qdxHTMLTags.h"
#include "document/qdxHyphenation.h"

#include <gtest/gtest.h>

namespace {

// Every character is 42 units wide at 10 points (half the 83-unit height):
// a 100-pixel line (625 units) holds 14 characters.
class DrawTextTest : public ::testing::Test {
protected:
  DrawTextTest() : Layout(&Measurer) {
    TqdxFont f;
    f.SetSize(10);
    Layout.SetFont(f);
    Layout.SetOptions(true, false, 0, true, true, false, false);
    Layout.SetGaps(2, 0, 0);
    Width(100);
  }
  void Width(int w, int h = 1000) { Layout.SetDimensions({0, 0, w, h}, {0, 0, w, h}); }
  std::vector<std::u16string> Lay(const std::vector<std::u16string>& paragraphs) {
    Layout.SetText(paragraphs);
    return Layout.Lines();
  }
  TqdxFixedTextMeasurer Measurer;
  TqdxDrawText Layout;
};

using Lines = std::vector<std::u16string>;

TEST_F(DrawTextTest, BreaksAtSpacesAndCutsLongWords) {
  struct {
    const char* Label;
    bool WordBreak;
    Lines In, Out;
  } cases[] = {
      {"fits", false, {u"short line"}, {u"short line"}},
      {"break at the last space", false, {u"hello world foo"}, {u"hello world", u"foo"}},
      {"empty paragraph is a space", false, {u"a", u"", u"b"}, {u"a", u" ", u"b"}},
      {"long word cut where it stops fitting", false, {u"abcdefghijklmnopqrst"}, {u"abcdefghijklmn", u"opqrst"}},
      {"overflowing space is a break point", false, {u"abcdefghijklmn xyz"}, {u"abcdefghijklmn", u"xyz"}},
      {"cyrillic word hyphenated", true, {u"ОТ ПЕРЕМЕНЧИВОСТЬ"}, {u"ОТ ПЕРЕМЕНЧИ-", u"ВОСТЬ"}},
  };
  for (const auto& c : cases) {
    Layout.WordBreak = c.WordBreak;
    EXPECT_EQ(Lay(c.In), c.Out) << c.Label;
  }
}

TEST_F(DrawTextTest, SingleCharacterWiderThanTheLineStandsAlone) {
  Width(5);  // 31 units: not even one character fits
  EXPECT_EQ(Lay({u"abc"}), (Lines{u"a", u"b", u"c"}));
}

TEST_F(DrawTextTest, NoWrapSectionsNeverBreakAtTheirSpaces) {
  Layout.SetOptions(true, true, 0, true, true, false, false);
  EXPECT_EQ(Lay({u"<nowrap>aa bb cc dd</nowrap> ee"}), (Lines{u"aa bb cc dd ee"}));
  Width(60);  // 375 units: 8 characters
  EXPECT_EQ(Lay({u"x <nowrap>aa bb cc</nowrap> ee"}), (Lines{u"x", u"aa bb cc", u"ee"}));
}

TEST_F(DrawTextTest, LineFlagsMarkParagraphs) {
  Lay({u"hello world foo", u"one"});
  EXPECT_EQ(Layout.LineFlags(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Layout.SourceText(), u"hello world foo\r\none\r\n");
}

TEST_F(DrawTextTest, HeightsFollowTheLayoutFont) {
  Lay({u"one", u"two", u"three"});
  EXPECT_NEAR(Layout.LineHeight(), 15.28, 1e-9);
  EXPECT_NEAR(Layout.CalcHeight(), 45.84, 1e-9);
  Layout.SetGaps(-2, 0, 0);
  EXPECT_NEAR(Layout.CalcHeight(), 3 * 11.28 + 2, 1e-9);
  // 5 characters of 42 units, back in screen pixels.
  EXPECT_NEAR(Layout.CalcWidth(), 5 * 42 / 6.25, 1e-9);
}

TEST_F(DrawTextTest, OutOfBoundsTextRestoresTheMarkup) {
  Layout.SetOptions(true, true, 0, true, true, false, false);
  Width(100, 30);  // (30 + 1) / 15.28: two lines fit
  Lay({u"aaaa bbbb cccc dddd <b>eeee ffff gggg</b>", u"next"});
  ASSERT_EQ(Layout.Lines().size(), 4u);
  bool continues = false;
  std::u16string rest = Layout.GetOutBoundsText(continues);
  EXPECT_TRUE(continues);
  EXPECT_EQ(Layout.Lines().size(), 2u);
  EXPECT_EQ(rest, u"<b><font color=\"#000000\">gggg</b>\r\nnext\r\n");
  EXPECT_EQ(Layout.SourceText(), u"aaaa bbbb cccc dddd <b>eeee ffff ");
}

TEST(HTMLTags, ExpandsMarkupAndCountsPositions) {
  TqdxHTMLTagsList tags;
  tags.SetDefaults(clBlack, 10, 0);
  std::u16string text = u"a<b>b</b>c";
  tags.ExpandHTMLTags(text);
  EXPECT_EQ(text, u"abc");
  const TqdxHTMLTags& line = tags.Items(0);
  ASSERT_EQ(line.size(), 3u);
  EXPECT_EQ(line[0].CharPos, 1);
  EXPECT_EQ(line[1].CharPos, 5);
  EXPECT_EQ(line[2].CharPos, 10);
  EXPECT_EQ(line[1].FontStyle, qdxBit(fsBold));
  EXPECT_TRUE(line[0].SameAsPrevious);
  EXPECT_FALSE(line[1].SameAsPrevious);
  EXPECT_FALSE(line[2].SameAsPrevious);

  TqdxHTMLTagsList off;
  off.TagsEnabled = false;
  off.SetDefaults(clBlack, 10, 0);
  std::u16string literal = u"a<b>b</b>c";
  off.ExpandHTMLTags(literal);
  EXPECT_EQ(literal, u"a<b>b</b>c");
}

// A paragraph's tag line is cut into lines in one pass; each new line's
// first tag compares with the defaults, the others keep their flags, and a
// hyphen repeats the tag before it.
TEST(HTMLTags, CuttingALineKeepsEveryTagAndFlag) {
  for (bool enabled : {true, false}) {
    TqdxHTMLTagsList tags;
    tags.TagsEnabled = enabled;
    tags.SetDefaults(clBlack, 10, 0);
    std::u16string text = u"ab<b>cd</b>ef<i>g</i>h<b>ij</b>klm<u>n</u>op";
    tags.ExpandHTMLTags(text);
    const TqdxHTMLTags whole = tags.Items(0);
    const std::vector<std::pair<int, bool>> cuts = {{3, true}, {0, false}, {4, false}, {2, true}, {99, false}};
    tags.SplitLines(cuts);
    ASSERT_EQ(tags.Count(), 6);
    size_t pos = 0;
    for (size_t k = 0; k <= cuts.size(); ++k) {
      SCOPED_TRACE(k);
      const TqdxHTMLTags& line = tags.Items(static_cast<int>(k));
      const size_t n = k < cuts.size() ? std::min<size_t>(static_cast<size_t>(cuts[k].first), whole.size() - pos)
                                       : whole.size() - pos;
      ASSERT_EQ(line.size(), n + (k < cuts.size() && cuts[k].second && n > 0 ? 1 : 0));
      for (size_t i = 0; i < n; ++i) {
        const TqdxHTMLTag& t = whole[pos + i];
        EXPECT_EQ(line[i].CharPos, t.CharPos);
        EXPECT_EQ(line[i].FontStyle, t.FontStyle);
        const bool expected = i > 0 ? t.SameAsPrevious : (!enabled || (t.FontStyle == 0 && t.FontColor == clBlack && t.FontSize == 10));
        EXPECT_EQ(line[i].SameAsPrevious, expected) << i;
      }
      if (line.size() > n) {
        EXPECT_EQ(line.back().CharPos, line[n - 1].CharPos);
        EXPECT_EQ(line.back().SameAsPrevious, line[n - 1].SameAsPrevious);
      }
      pos += n;
    }
  }
}

TEST(HTMLTags, FontColours) {
  struct {
    std::u16string In, Out;
    TqdxColor Color;
  } cases[] = {
      {u"<font color=\"#FF0000\">x</font>", u"x", 255},
      {u"<font color=red>x</font>", u"x", 255},
      {u"<font color=  \"#0000FF\">x", u"x", 0xFF0000},
      {u"<font color=\"red\">x", u"<font color=\"red\">x", clBlack},
      {u"<font color=nosuch>x", u"<font color=nosuch>x", clBlack},
  };
  for (const auto& c : cases) {
    TqdxHTMLTagsList tags;
    tags.SetDefaults(clBlack, 10, 0);
    std::u16string text = c.In;
    tags.ExpandHTMLTags(text);
    EXPECT_EQ(text, c.Out);
    EXPECT_EQ(tags.Items(0).back().FontColor, c.Color);
  }
}

TEST(HTMLTags, SubAndSuperscriptReduceTheSize) {
  TqdxHTMLTagsList tags;
  tags.SetDefaults(clBlack, 12, 0);
  std::u16string text = u"H<sub>2</sub>O<sup>+</sup>";
  tags.ExpandHTMLTags(text);
  EXPECT_EQ(text, u"H2O+");
  const TqdxHTMLTags& t = tags.Items(0);
  EXPECT_EQ(t[1].FontSize, 8);
  EXPECT_EQ(t[1].Lowered, 1);
  EXPECT_TRUE(t[1].Reduced);
  EXPECT_EQ(t[2].FontSize, 12);
  EXPECT_EQ(t[3].Script, TqdxScript::Superscript);
  EXPECT_EQ(t[3].Lowered, 0);
}

TEST(Hyphenation, CyrillicSyllables) {
  EXPECT_EQ(qdxHyphenPositions(u"переменчивость"), (std::vector<int>{2, 4, 6, 7, 9}));
  EXPECT_EQ(qdxHyphenPositions(u"дом"), std::vector<int>{});
  EXPECT_EQ(qdxHyphenPositions(u"house"), std::vector<int>{});
  EXPECT_EQ(qdxHyphenateAt(u"переменчивость, и", 9), 7);
}

}  // namespace

TEST(DrawTextFonts, InstalledFontsMeasureTheLayout) {
  // Arial (its metric-compatible face) gives "Hello" 188 units at 600 ppi.
  TqdxDrawText layout;
  TqdxFont f;
  f.SetName("Arial");
  f.SetSize(10);
  layout.SetFont(f);
  layout.SetOptions(true, false, 0, true, true, false, false);
  layout.SetGaps(2, 0, 0);
  layout.SetDimensions({0, 0, 200, 100}, {0, 0, 200, 100});
  layout.SetText({u"Hello"});
  EXPECT_NEAR(layout.CalcWidth(), 188 / 6.25, 1e-9);
  // Ten words of about 30 pixels do not fit 200 pixels.
  layout.SetText({u"Hello Hello Hello Hello Hello Hello Hello Hello Hello Hello"});
  EXPECT_EQ(layout.Lines().size(), 2u);
  EXPECT_LE(layout.CalcWidth(), 200.0);
}
