#include "platform/TextMeasure.h"

#include <gtest/gtest.h>

#include "platform/Font.h"
#include "platform/TextShaper.h"

namespace {
TFont MakeFont(const char* name, int32_t height) {
  TFontDesc d;
  d.FaceName = name;
  d.Height = height;
  return TFont(d);
}
}  // namespace

TEST(TextMeasure, CumulativeAdvancesAtScreenAndLayoutResolution) {
  struct {
    const char* Name;
    int Ppi;
    std::vector<int32_t> Extents;
  } cases[] = {
      {"Arial", 96, {9, 16, 19, 22, 29}},
      {"Arial", 600, {60, 106, 124, 142, 188}},
      {"Times New Roman", 600, {60, 97, 120, 143, 185}},
      {"Courier New", 600, {50, 100, 150, 200, 250}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Name) + " " + std::to_string(c.Ppi));
    TFont font = MakeFont(c.Name, FontHeightFromPoints(10, c.Ppi));
    std::vector<int32_t> extents{-1};
    EXPECT_EQ(TextPartialExtents(font, u"Hello", extents), c.Extents.back());
    EXPECT_EQ(extents, c.Extents);
    EXPECT_EQ(TextExtent(font, u"Hello"), (TTextSize{c.Extents.back(), font.TextMetrics().Height}));
  }
}

TEST(TextMeasure, WidthsAddUpAndIgnoreKerning) {
  // "AV" and "To" kern in the face (the shaper moves them closer); extents
  // do not.
  TFont font = MakeFont("Arial", -83);
  for (std::u16string_view s : {u"AV", u"To", u"Hello, world"}) {
    int32_t sum = 0;
    for (char16_t c : s) sum += TextExtent(font, std::u16string(1, c)).Width;
    EXPECT_EQ(TextExtent(font, s).Width, sum);
  }
  int32_t shaped = 0;
  for (const auto& g : ShapeRun(font, u"AV", false)) shaped += g.XAdvance;
  EXPECT_EQ(shaped, 104);
  EXPECT_EQ(TextExtent(font, u"AV").Width, 110);
  EXPECT_EQ(TextExtent(font, u""), (TTextSize{0, 93}));
  std::vector<int32_t> extents{1, 2, 3};
  EXPECT_EQ(TextPartialExtents(font, u"", extents), 0);
  EXPECT_TRUE(extents.empty());
}

TEST(TextMeasure, SurrogatesMissingCharactersAndFallback) {
  TFont arial = MakeFont("Arial", -1000);
  TFont dejavu = MakeFont("DejaVu Sans", -1000);
  const TFontFace& face = arial.Face();
  int32_t a = TextExtent(arial, u"a").Width;
  int32_t missing = arial.ToPixels(face.GlyphAdvance(0));
  ASSERT_EQ(missing, 365);

  // Hebrew is not in the face: measured (and drawn) with DejaVu Sans's glyph.
  TFontFace::TGlyph shin = face.Glyph(U'\u05E9');
  EXPECT_EQ(shin.Face, &dejavu.Face());
  EXPECT_NE(shin.Id, 0u);
  int32_t shinWidth = TextExtent(dejavu, u"\u05E9").Width;
  EXPECT_EQ(TextExtent(arial, u"\u05E9").Width, shinWidth);

  // A pair counts two units, the second repeating the first's total; a
  // lone surrogate, a control character and a character no face has take
  // the face's missing glyph.
  std::u16string text = u"a\U0001F600a?\u0001\U0010FFFD";
  text[4] = 0xD800;
  std::vector<int32_t> e;
  TextPartialExtents(arial, text, e);
  ASSERT_EQ(e.size(), 8u);
  int32_t emoji = e[1] - a;
  EXPECT_GT(emoji, 0);
  EXPECT_EQ(e[2], e[1]);
  EXPECT_EQ(e[3], e[2] + a);
  EXPECT_EQ(e[4], e[3] + missing);
  EXPECT_EQ(e[5] - e[4], arial.ToPixels(face.Glyph(1).Advance));
  EXPECT_EQ(e[6], e[5] + missing);
  EXPECT_EQ(e[7], e[6]);
}
