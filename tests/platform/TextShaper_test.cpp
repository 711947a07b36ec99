#include "platform/TextShaper.h"

#include <gtest/gtest.h>

#include "platform/Font.h"

namespace {
TFont MakeFont(const char* name) {
  TFontDesc d;
  d.FaceName = name;
  d.Height = -1000;  // advances in thousandths of an em
  return TFont(d);
}
std::vector<uint32_t> Clusters(const std::vector<TShapedGlyph>& glyphs) {
  std::vector<uint32_t> c;
  for (const auto& g : glyphs) c.push_back(g.Cluster);
  return c;
}
}  // namespace

TEST(TextShaper, LigaturesCanBeTurnedOff) {
  TFont font = MakeFont("DejaVu Sans");
  auto fi = ShapeRun(font, u"fi", false);
  ASSERT_EQ(fi.size(), 1u);  // the fi ligature
  EXPECT_EQ(fi[0].Cluster, 0u);
  EXPECT_NE(fi[0].Glyph, 0u);
  auto apart = ShapeRun(font, u"fi", false, false);
  ASSERT_EQ(apart.size(), 2u);
  EXPECT_EQ(Clusters(apart), (std::vector<uint32_t>{0, 1}));
  EXPECT_EQ(apart[0].Glyph, font.Face().GlyphIndex(U'f'));
  EXPECT_EQ(apart[1].Glyph, font.Face().GlyphIndex(U'i'));
  // Advances agree with measuring.
  EXPECT_EQ(apart[0].XAdvance, font.Advance(font.Face().Glyph(U'f')));
}

TEST(TextShaper, RightToLeftScriptsComeOutInVisualOrder) {
  TFont font = MakeFont("DejaVu Sans");
  // Hebrew "shalom": one glyph per letter, last letter leftmost.
  auto hebrew = ShapeLine(font, u"\u05E9\u05DC\u05D5\u05DD", true);
  EXPECT_EQ(Clusters(hebrew), (std::vector<uint32_t>{3, 2, 1, 0}));
  for (const auto& g : hebrew) {
    EXPECT_NE(g.Glyph, 0u);
    EXPECT_GT(g.XAdvance, 0);
  }
  EXPECT_EQ(hebrew[3].Glyph, font.Face().GlyphIndex(U'\u05E9'));
  // Arabic "salam": joined forms (not the isolated letters) and the lam-alef
  // ligature, rightmost glyph first in logical order.
  auto arabic = ShapeLine(font, u"\u0633\u0644\u0627\u0645", true);
  ASSERT_EQ(arabic.size(), 3u);
  EXPECT_EQ(Clusters(arabic), (std::vector<uint32_t>{3, 1, 0}));
  EXPECT_NE(arabic[2].Glyph, font.Face().GlyphIndex(U'\u0633'));  // initial form
  for (const auto& g : arabic) EXPECT_NE(g.Glyph, 0u);
}

TEST(TextShaper, MixedLineRunsAndVisualOrder) {
  TFont font = MakeFont("DejaVu Sans");
  std::u16string_view text = u"abc \u05E9\u05DC\u05D5\u05DD 123 def";
  EXPECT_EQ(ItemizeText(text, false),
            (std::vector<TTextRun>{{0, 4, 0}, {4, 5, 1}, {9, 3, 2}, {12, 4, 0}}));
  auto glyphs = ShapeLine(font, text, false);
  EXPECT_EQ(Clusters(glyphs), (std::vector<uint32_t>{0, 1, 2, 3, 9, 10, 11, 8, 7, 6, 5, 4, 12,
                                                     13, 14, 15}));
  // A script change splits a run of one level.
  EXPECT_EQ(ItemizeText(u"ab\u0416\u0436 cd", false),
            (std::vector<TTextRun>{{0, 2, 0}, {2, 3, 0}, {5, 2, 0}}));
  EXPECT_TRUE(ItemizeText(u"", true).empty());
}

TEST(TextShaper, BidiLevels) {
  struct {
    std::u16string Text;
    bool BaseRtl;
    std::vector<uint8_t> Levels;
  } cases[] = {
      {u"abc", false, {0, 0, 0}},
      {u"abc", true, {2, 2, 2}},
      {u"\u05D0\u05D1 12", true, {1, 1, 1, 2, 2}},
      {u"a \u05D0 ", false, {0, 0, 1, 0}},  // trailing space back to the base level
      {u"\U0001F600\u05D0", true, {1, 1, 1}},  // both units of a pair
      {u"", false, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(BidiLevels(c.Text, c.BaseRtl), c.Levels);
}

TEST(TextShaper, VisualOrderReversesFromTheHighestLevelDown) {
  struct {
    std::vector<uint8_t> Levels;
    std::vector<size_t> Order;
  } cases[] = {
      {{0, 0, 0}, {0, 1, 2}},
      {{1, 1, 1}, {2, 1, 0}},
      {{0, 1, 1, 0}, {0, 2, 1, 3}},
      {{1, 2, 2, 1}, {3, 1, 2, 0}},
      {{2, 2, 2}, {0, 1, 2}},
      {{}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(VisualOrder(c.Levels), c.Order);
}

TEST(TextShaper, CombiningMarksAndMissingGlyphs) {
  TFont font = MakeFont("DejaVu Sans");
  // x with an acute accent has no precomposed form: the accent is a mark.
  auto glyphs = ShapeRun(font, u"x\u0301", false);
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_FALSE(glyphs[0].Mark);
  EXPECT_TRUE(glyphs[1].Mark);
  EXPECT_EQ(glyphs[1].XAdvance, 0);
  // The PDF font holds one face: a character it lacks shapes as glyph 0.
  auto missing = ShapeRun(MakeFont("Arial"), u"\u05E9", true);
  ASSERT_EQ(missing.size(), 1u);
  EXPECT_EQ(missing[0].Glyph, 0u);
  EXPECT_TRUE(ShapeRun(font, u"", false).empty());
}
