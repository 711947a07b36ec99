#include "platform/FontLocator.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(FontLocator, WindowsFacesResolveToMetricCompatibleTrueTypeFaces) {
  struct {
    const char* Name;
    int32_t Weight;
    bool Italic;
    const char* Family;
    const char* FileName;
  } cases[] = {
      {"Arial", 400, false, "Liberation Sans", "LiberationSans-Regular.ttf"},
      {"arial", 700, false, "Liberation Sans", "LiberationSans-Bold.ttf"},
      {"Times New Roman", 400, true, "Liberation Serif", "LiberationSerif-Italic.ttf"},
      {"Courier New", 700, true, "Liberation Mono", "LiberationMono-BoldItalic.ttf"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TFontMatch m = LocateFont(c.Name, c.Weight, c.Italic);
    EXPECT_EQ(m.Family, c.Family);
    EXPECT_EQ(std::filesystem::path(m.File).filename(), c.FileName);
    EXPECT_TRUE(m.TrueType);
    EXPECT_TRUE(m.MetricCompatible);
    EXPECT_FALSE(m.Substituted);
    EXPECT_EQ(m.Note(), "");
    EXPECT_EQ(m.Weight >= 600, c.Weight >= 600);
    EXPECT_EQ(m.Italic, c.Italic);
    EXPECT_EQ(m.FaceIndex(), 0);
  }
}

TEST(FontLocator, InstalledFamilyIsFoundByItsOwnName) {
  TFontMatch m = LocateFont("DejaVu Serif", 400, false);
  EXPECT_EQ(m.Family, "DejaVu Serif");
  EXPECT_FALSE(m.Substituted);
  EXPECT_FALSE(m.MetricCompatible);
}

TEST(FontLocator, UnknownNameFallsBackToTheSansFaceAndSaysSo) {
  TFontMatch sans = LocateFont("sans-serif", 400, false);
  for (const char* name : {"No Such Face 12345", ""}) {
    TFontMatch m = LocateFont(name, 400, false);
    EXPECT_TRUE(m.Substituted);
    EXPECT_EQ(m.Family, sans.Family);
    EXPECT_EQ(m.File, sans.File);
    EXPECT_EQ(m.Note(), std::string(name) + " -> " + sans.Family);
  }
}

TEST(FontLocator, FaceForAMissingCharacter) {
  auto hebrew = LocateFontForChar(U'\u05E9', 400, false);
  ASSERT_TRUE(hebrew.has_value());
  EXPECT_EQ(hebrew->Family, "DejaVu Sans");
  // No installed face covers this private-use character.
  EXPECT_FALSE(LocateFontForChar(U'\U0010FFFD', 400, false).has_value());
}

TEST(FontLocator, MetricCompatibleTable) {
  EXPECT_STREQ(MetricCompatibleFamily("TIMES NEW ROMAN"), "Liberation Serif");
  EXPECT_STREQ(MetricCompatibleFamily("Courier New"), "Liberation Mono");
  EXPECT_EQ(MetricCompatibleFamily("Tahoma"), nullptr);
}
