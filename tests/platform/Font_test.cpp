#include "platform/Font.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/TextMeasure.h"

namespace {
TFontDesc Desc(const char* name, int32_t height, int32_t weight = FontWeightNormal,
               bool italic = false) {
  TFontDesc d;
  d.FaceName = name;
  d.Height = height;
  d.Weight = weight;
  d.Italic = italic;
  return d;
}
}  // namespace

TEST(Font, TextMetricsOfTenPointFacesAt600Ppi) {
  // 10 points at 600 ppi: the em is -MulDiv(10, 600, 72) = -83 pixels.
  ASSERT_EQ(FontHeightFromPoints(10, 600), -83);
  struct {
    const char* Name;
    int32_t Height, Ascent, Descent, InternalLeading, ExternalLeading, AveCharWidth, MaxCharWidth;
    bool FixedPitch;
  } cases[] = {
      {"Arial", 93, 75, 18, 10, 3, 49, 91, false},
      {"Times New Roman", 92, 74, 18, 9, 4, 47, 87, false},
      {"Courier New", 94, 69, 25, 11, 0, 50, 50, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TFont font(Desc(c.Name, -83));
    const TFontTextMetrics& m = font.TextMetrics();
    EXPECT_EQ(m.Height, c.Height);
    EXPECT_EQ(m.Ascent, c.Ascent);
    EXPECT_EQ(m.Descent, c.Descent);
    EXPECT_EQ(m.InternalLeading, c.InternalLeading);
    EXPECT_EQ(m.ExternalLeading, c.ExternalLeading);
    EXPECT_EQ(m.AveCharWidth, c.AveCharWidth);
    EXPECT_EQ(m.MaxCharWidth, c.MaxCharWidth);
    EXPECT_EQ(m.Weight, 400);
    EXPECT_EQ(m.FixedPitch, c.FixedPitch);
    EXPECT_EQ(m.Overhang, 0);
    EXPECT_FALSE(font.SimulatedBold());
  }
}

TEST(Font, HeightConventions) {
  struct {
    int32_t Height;
    int64_t EmNum, EmDen;  // the em in pixels as a fraction
    int32_t MetricHeight;
  } cases[] = {
      {-13, 13, 1, 15},           // character height: the em
      {-1000, 1000, 1, 1117},     // the size the PDF export measures at
      {93, 93 * 2048, 2288, 93},  // cell height: usWinAscent + usWinDescent = 2288
      {0, 16, 1, 17},             // default: 12 points at 96 ppi
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Height);
    TFont font(Desc("Arial", c.Height));
    EXPECT_EQ(font.EmNumerator() * c.EmDen, c.EmNum * font.EmDenominator());
    EXPECT_EQ(font.TextMetrics().Height, c.MetricHeight);
  }
  EXPECT_EQ(FontHeightFromPoints(10, 96), -13);
  EXPECT_EQ(FontHeightFromPoints(750, 96), -1000);
  EXPECT_EQ(FontHeightFromPoints(7.5, 96), -10);  // 10 exactly
  EXPECT_EQ(FontHeightFromPoints(2.25, 96), -3);  // 3 exactly
  EXPECT_EQ(FontHeightFromPoints(0.375, 96), 0);  // 0.5 ties to even
}

TEST(Font, OutlineMetricsForEmbedding) {
  struct {
    const char* Name;
    bool Italic;
    int32_t CapHeight;
    double ItalicAngle;
    bool Serif, FixedPitch;
  } cases[] = {
      {"Arial", false, 1409, 0, false, false},
      {"Times New Roman", false, 1341, 0, true, false},
      {"Courier New", false, 1349, 0, false, true},
      {"Arial", true, 1409, -12, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TFont font(Desc(c.Name, -1000, FontWeightNormal, c.Italic));
    const TFontOutlineMetrics& o = font.OutlineMetrics();
    EXPECT_EQ(o.UnitsPerEm, 2048);
    EXPECT_EQ(o.CapHeight, c.CapHeight);
    EXPECT_DOUBLE_EQ(o.ItalicAngle, c.ItalicAngle);
    EXPECT_EQ(o.Serif, c.Serif);
    EXPECT_EQ(o.FixedPitch, c.FixedPitch);
    EXPECT_EQ(o.Italic, c.Italic);
    EXPECT_LT(o.XMin, 0);
    EXPECT_LT(o.YMin, 0);
    EXPECT_GT(o.XMax, o.UnitsPerEm / 2);
    EXPECT_GT(o.YMax, o.CapHeight);
    EXPECT_GT(o.Ascender, 0);
    EXPECT_LT(o.Descender, 0);
    EXPECT_FALSE(o.FullName.empty());
  }
  const TFontOutlineMetrics& arial = TFont(Desc("Arial", -1000)).OutlineMetrics();
  EXPECT_EQ(arial.XMin, -416);
  EXPECT_EQ(arial.YMin, -621);
  EXPECT_EQ(arial.XMax, 2151);
  EXPECT_EQ(arial.YMax, 1864);
  EXPECT_EQ(arial.WinAscent, 1854);
  EXPECT_EQ(arial.WinDescent, 434);
  EXPECT_EQ(arial.FullName, "Liberation Sans");
  EXPECT_EQ(arial.PostScriptName, "LiberationSans");
}

TEST(Font, FileBytesStartWithATrueTypeHeader) {
  for (const char* name : {"Arial", "Times New Roman", "Courier New", "No Such Face"}) {
    SCOPED_TRACE(name);
    TFont font(Desc(name, -83));
    std::vector<uint8_t> bytes = font.Face().FileBytes();
    ASSERT_GT(bytes.size(), 12u);
    std::string tag(bytes.begin(), bytes.begin() + 4);
    EXPECT_TRUE(tag == std::string("\0\1\0\0", 4) || tag == "true" || tag == "ttcf") << tag;
    EXPECT_EQ(font.Face().InCollection(), tag == "ttcf");
    EXPECT_TRUE(font.Face().IsTrueType());
  }
}

TEST(Font, BoldAndItalicUseRealFacesAndSimulateOnlyWhenMissing) {
  TFont bold(Desc("Arial", -83, FontWeightBold));
  EXPECT_FALSE(bold.SimulatedBold());
  EXPECT_EQ(bold.TextMetrics().Weight, 700);
  EXPECT_EQ(bold.OutlineMetrics().FullName, "Liberation Sans Bold");
  // DejaVu Sans Mono has bold faces but DejaVu Math TeX Gyre has only one.
  TFont math(Desc("DejaVu Math TeX Gyre", -83, FontWeightBold, true));
  EXPECT_TRUE(math.SimulatedBold());
  EXPECT_TRUE(math.SimulatedItalic());
  EXPECT_EQ(math.TextMetrics().Weight, 700);
  EXPECT_EQ(math.TextMetrics().Overhang, 3);  // 83 / 24 rounded
  TFont plain(Desc("DejaVu Math TeX Gyre", -83));
  EXPECT_EQ(TextExtent(math, u"ab").Width, TextExtent(plain, u"ab").Width + 2 * 3);
}

TEST(Font, FacesAreSharedAndSafeAcrossThreads) {
  TFont a(Desc("Arial", -83)), b(Desc("Arial", -13));
  EXPECT_EQ(&a.Face(), &b.Face());
  std::u16string text = u"Concurrent exports measure the same text \u05E9\u05DC\u05D5\u05DD";
  std::vector<int32_t> expected;
  TextPartialExtents(a, text, expected);
  std::vector<std::vector<int32_t>> results(4);
  std::vector<std::thread> threads;
  for (auto& r : results)
    threads.emplace_back([&r, &text] {
      for (int i = 0; i < 50; ++i) {
        // Fresh fonts and glyph lookups race on the shared caches.
        TFont f(Desc(i % 2 ? "Arial" : "Times New Roman", -83));
        TextPartialExtents(f, text, r);
      }
      TextPartialExtents(TFont(Desc("Arial", -83)), text, r);
    });
  for (auto& t : threads) t.join();
  for (const auto& r : results) EXPECT_EQ(r, expected);
}
