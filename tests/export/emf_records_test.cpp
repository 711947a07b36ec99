// Metafile records played into PDF content: each record kind the metafile
// canvas writes (and the mapping records around them) gives the expected
// operators, damaged metafiles are refused safely, and the content stays
// well formed.

#include "tests/export/emf_test_support.h"

#include "platform/Font.h"
#include "platform/FontFace.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace emftest;
using namespace Emf;

namespace {

int32_t StockOf(uint32_t v) { return int32_t(0x80000000u | v); }

// Pen 1 (width, style, colour) and brush 2 (style, colour, hatch) selected.
TEmfBuilder WithPenAndBrush(int32_t penStyle = PS_SOLID, int32_t width = 1, int32_t brushStyle = BS_SOLID,
                            int32_t hatch = 0) {
  TEmfBuilder b;
  b.Rec(EMR_CREATEPEN, {1, penStyle, width, 0, 0x0000FF})
      .Rec(EMR_SELECTOBJECT, {1})
      .Rec(EMR_CREATEBRUSHINDIRECT, {2, brushStyle, 0x00FF00, hatch})
      .Rec(EMR_SELECTOBJECT, {2});
  return b;
}

struct TCase {
  const char* Name;
  std::string Emf;
  std::vector<std::string> Expected;  // in this order
  std::vector<std::string> Absent;
};

std::vector<TCase> Cases() {
  std::vector<TCase> c;
  const std::string clip = "q\r\n0 0 75 75 re\r\nW* n\r\n";
  c.push_back({"RectangleWithPenAndBrush",
               WithPenAndBrush().Rec(EMR_RECTANGLE, {10, 10, 50, 30}).Finish(),
               {clip, "q\r\n", "0 1 0 rg", "[] 0 d", "1 0 0 RG", "0.75 w", "4 M", "1 J", "1 j",
                "7.5 52.5 30 15 re\r\nB*\r\nQ\r\nQ\r\n"},
               {}});
  c.push_back({"NullBrushStrokesOnly",
               WithPenAndBrush().Rec(EMR_SELECTOBJECT, {StockOf(NULL_BRUSH)}).Rec(EMR_RECTANGLE, {10, 10, 50, 30}).Finish(),
               {"re\r\nS\r\n"},
               {" rg", "B*", "f*"}});
  c.push_back({"NullPenFillsOnly",
               WithPenAndBrush().Rec(EMR_SELECTOBJECT, {StockOf(NULL_PEN)}).Rec(EMR_RECTANGLE, {10, 10, 50, 30}).Finish(),
               {"0 1 0 rg", "re\r\nf*\r\n"},
               {" RG", "B*"}});
  c.push_back({"WindingFillRule",
               WithPenAndBrush().Rec(EMR_SETPOLYFILLMODE, {WINDING}).Rec(EMR_RECTANGLE, {10, 10, 50, 30}).Finish(),
               {"re\r\nB\r\n"},
               {"B*"}});
  // Dashes: d = 6w, t = 2w with w = 0.75 points.
  for (auto [style, dash] : std::vector<std::pair<int32_t, std::string>>{
           {PS_DASH, "[4.5] 0 d"}, {PS_DOT, "[1.5 4.5] 0 d"}, {PS_DASHDOT, "[4.5 4.5 1.5 4.5] 0 d"},
           {PS_DASHDOTDOT, "[4.5 4.5 1.5 4.5 1.5 4.5] 0 d"}, {PS_ALTERNATE, "[1.5 1.5] 0 d"}})
    c.push_back({"Dash", WithPenAndBrush(style).Rec(EMR_RECTANGLE, {10, 10, 50, 30}).Finish(), {dash}, {}});
  c.push_back({"FlatCapsBevelJoins",
               WithPenAndBrush(PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_BEVEL).Rec(EMR_RECTANGLE, {10, 10, 50, 30}).Finish(),
               {"0 J", "2 j"},
               {}});
  c.push_back({"MoveAndLine",
               WithPenAndBrush().Rec(EMR_MOVETOEX, {0, 0}).Rec(EMR_LINETO, {20, 20}).Finish(),
               {"q\r\n", "1 0 0 RG", "0 75 m\r\n15 60 l\r\nS\r\nQ\r\n", "15 60 m\r\nn\r\n"},
               {}});
  c.push_back({"LineWithoutMoveStartsAtCurrentPoint",
               WithPenAndBrush().Rec(EMR_LINETO, {20, 20}).Finish(),
               {"0 75 m\r\n15 60 l\r\nS\r\n"},
               {}});
  c.push_back({"PathBracketFilledLater",
               WithPenAndBrush()
                   .Rec(EMR_BEGINPATH, {})
                   .Rec(EMR_RECTANGLE, {10, 10, 50, 30})
                   .Rec(EMR_ENDPATH, {})
                   .Rec(EMR_FILLPATH, {0, 0, 100, 100})
                   .Finish(),
               {clip + "0 1 0 rg\r\n7.5 52.5 30 15 re\r\nf*\r\nQ\r\n"},
               {"B*"}});
  // A null brush fills nothing, also through a path.
  c.push_back({"FillPathWithNullBrush",
               WithPenAndBrush()
                   .Rec(EMR_SELECTOBJECT, {StockOf(NULL_BRUSH)})
                   .Rec(EMR_BEGINPATH, {})
                   .Rec(EMR_RECTANGLE, {10, 10, 50, 30})
                   .Rec(EMR_ENDPATH, {})
                   .Rec(EMR_STROKEANDFILLPATH, {0, 0, 100, 100})
                   .Finish(),
               {"re\r\nS\r\n"},
               {" rg", "f*", "B*"}});
  c.push_back({"ClipPath",
               WithPenAndBrush()
                   .Rec(EMR_SAVEDC, {})
                   .Rec(EMR_BEGINPATH, {})
                   .Rec(EMR_RECTANGLE, {10, 10, 50, 30})
                   .Rec(EMR_ENDPATH, {})
                   .Rec(EMR_SELECTCLIPPATH, {RGN_COPY})
                   .Rec(EMR_RESTOREDC, {-1})
                   .Finish(),
               {"q\r\n7.5 52.5 30 15 re\r\nW*\r\nn\r\nQ\r\n"},
               {}});
  // Mapping modes and transforms: each maps the box to pixels 10..50 x 10..30.
  c.push_back({"Anisotropic",
               WithPenAndBrush()
                   .Rec(EMR_SETMAPMODE, {MM_ANISOTROPIC})
                   .Rec(EMR_SETWINDOWEXTEX, {200, 400})
                   .Rec(EMR_SETVIEWPORTEXTEX, {100, 100})
                   .Rec(EMR_RECTANGLE, {20, 40, 100, 120})
                   .Finish(),
               {"7.5 52.5 30 15 re"},
               {}});
  c.push_back({"WindowAndViewportOrigins",
               WithPenAndBrush()
                   .Rec(EMR_SETWINDOWORGEX, {100, 100})
                   .Rec(EMR_SETVIEWPORTORGEX, {5, 5})
                   .Rec(EMR_RECTANGLE, {105, 105, 145, 125})
                   .Finish(),
               {"7.5 52.5 30 15 re"},
               {}});
  c.push_back({"Isotropic keeps the aspect",
               WithPenAndBrush()
                   .Rec(EMR_SETMAPMODE, {MM_ISOTROPIC})
                   .Rec(EMR_SETWINDOWEXTEX, {200, 200})
                   .Rec(EMR_SETVIEWPORTEXTEX, {100, 400})
                   .Rec(EMR_RECTANGLE, {20, 20, 100, 60})
                   .Finish(),
               {"7.5 52.5 30 15 re"},
               {}});
  // 100 units of 0.1 mm are 100 pixels of the 10-per-millimetre device; y runs upwards.
  c.push_back({"LoMetric",
               WithPenAndBrush().Rec(EMR_SETMAPMODE, {MM_LOMETRIC}).Rec(EMR_RECTANGLE, {0, 0, 100, -100}).Finish(),
               {"0 0 75 75 re"},
               {}});
  c.push_back({"WorldScale",
               WithPenAndBrush().Floats(EMR_SETWORLDTRANSFORM, {2, 0, 0, 2, 0, 0}).Rec(EMR_RECTANGLE, {5, 5, 25, 15}).Finish(),
               {"7.5 52.5 30 15 re"},
               {}});
  // The world transform applies before the window-to-viewport mapping:
  // (0, 0) moves by 20 logical units, which the mapping halves.
  c.push_back({"WorldBeforeMapping",
               WithPenAndBrush()
                   .Rec(EMR_SETMAPMODE, {MM_ANISOTROPIC})
                   .Rec(EMR_SETWINDOWEXTEX, {200, 200})
                   .Rec(EMR_SETVIEWPORTEXTEX, {100, 100})
                   .Floats(EMR_SETWORLDTRANSFORM, {1, 0, 0, 1, 20, 0})
                   .Rec(EMR_RECTANGLE, {0, 0, 40, 20})
                   .Finish(),
               {"7.5 67.5 15 7.5 re"},
               {}});
  c.push_back({"ModifyWorldTransformMultiplies",
               WithPenAndBrush()
                   .Floats(EMR_MODIFYWORLDTRANSFORM, {2, 0, 0, 2, 0, 0}, {MWT_SET})
                   .Floats(EMR_MODIFYWORLDTRANSFORM, {1, 0, 0, 1, 5, 5}, {MWT_LEFTMULTIPLY})
                   .Rec(EMR_RECTANGLE, {0, 0, 20, 10})
                   .Finish(),
               {"7.5 52.5 30 15 re"},
               {}});
  // A quarter turn keeps the pen's width (4 pixels, 3 points).
  c.push_back({"RotatedPenWidth",
               WithPenAndBrush(PS_SOLID, 4)
                   .Floats(EMR_SETWORLDTRANSFORM, {0, 1, -1, 0, 60, 0})
                   .Rec(EMR_RECTANGLE, {10, 10, 50, 30})
                   .Finish(),
               {"\r\n3 w\r\n", "h\r\nB*"},
               {"\r\n0 w\r\n"}});
  c.push_back({"RegionClipInSavedState",
               WithPenAndBrush()
                   .Rec(EMR_SAVEDC, {})
                   .Rec(EMR_EXTSELECTCLIPRGN, {48, RGN_COPY, 32, 1, 1, 16, 0, 0, 100, 100, 10, 10, 50, 30})
                   .Rec(EMR_RECTANGLE, {0, 0, 100, 100})
                   .Rec(EMR_RESTOREDC, {-1})
                   .Rec(EMR_RECTANGLE, {0, 0, 10, 10})
                   .Finish(),
               {clip + "q\r\nq\r\n7.5 52.5 30 15 re\r\nW*\r\nn\r\n", "B*\r\nQ\r\nQ\r\nQ\r\nq\r\n"},
               {}});
  c.push_back({"SecondRegionClipClosesFirst",
               WithPenAndBrush()
                   .Rec(EMR_EXTSELECTCLIPRGN, {48, RGN_COPY, 32, 1, 1, 16, 0, 0, 100, 100, 10, 10, 50, 30})
                   .Rec(EMR_EXTSELECTCLIPRGN, {48, RGN_COPY, 32, 1, 1, 16, 0, 0, 100, 100, 0, 0, 20, 20})
                   .Finish(),
               {"W*\r\nn\r\nQ\r\nq\r\n0 60 15 15 re\r\nW*\r\nn\r\n"},
               {}});
  c.push_back({"IntersectClipRectClips",
               WithPenAndBrush().Rec(EMR_INTERSECTCLIPRECT, {10, 10, 50, 30}).Finish(),
               {"q\r\n7.5 52.5 30 15 re\r\nW*\r\nn\r\n"},
               {}});
  c.push_back({"RestoreTwoLevelsAfterOneSave",
               WithPenAndBrush().Rec(EMR_SAVEDC, {}).Rec(EMR_RESTOREDC, {-2}).Finish(),
               {clip + "q\r\nQ\r\nQ\r\n"},
               {}});
  c.push_back({"HatchedBrush",
               WithPenAndBrush(PS_SOLID, 1, BS_HATCHED, HS_CROSS).Rec(EMR_RECTANGLE, {10, 10, 50, 30}).Finish(),
               {"1 1 1 rg\r\n7.5 52.5 30 15 re\r\nf*", "q\r\n7.5 52.5 30 15 re\r\nW* n", "0 1 0 RG", " l\r\nS\r\nQ",
                "1 0 0 RG", "re\r\nS\r\n"},
               {"B*"}});
  c.push_back({"TransparentHatchHasNoBackground",
               WithPenAndBrush(PS_SOLID, 1, BS_HATCHED, HS_BDIAGONAL)
                   .Rec(EMR_SETBKMODE, {TRANSPARENT})
                   .Rec(EMR_RECTANGLE, {10, 10, 50, 30})
                   .Finish(),
               {"W* n"},
               {"1 1 1 rg"}});
  c.push_back({"PieWithPen",
               WithPenAndBrush().Rec(EMR_PIE, {0, 0, 40, 40, 40, 20, 20, 0}).Finish(),
               {" m\r\n", " c\r\n", "15 60 l\r\nh\r\n", "b*\r\n"},
               {}});
  c.push_back({"PieWithoutPen",
               WithPenAndBrush().Rec(EMR_SELECTOBJECT, {StockOf(NULL_PEN)}).Rec(EMR_PIE, {0, 0, 40, 40, 40, 20, 20, 0}).Finish(),
               {"f*\r\n"},
               {"b*", " RG"}});
  c.push_back({"Ellipse",
               WithPenAndBrush().Rec(EMR_ELLIPSE, {10, 10, 50, 30}).Finish(),
               {"22.5 52.5 m", "  c", "B*"},
               {}});
  c.push_back({"PolygonAndPolyline16",
               WithPenAndBrush()
                   .Rec(EMR_POLYGON16, {0, 0, 0, 0, 3, 0, 20 | (20 << 16), 20})
                   .Rec(EMR_POLYLINE16, {0, 0, 0, 0, 2, 0, 20})
                   .Finish(),
               {"0 75 m\r\n15 60 l\r\n15 75 l\r\nh\r\nB*", "0 75 m\r\n15 75 l\r\nS"},
               {}});
  c.push_back({"PolyBezier",
               WithPenAndBrush().Rec(EMR_POLYBEZIER, {0, 0, 0, 0, 4, 0, 0, 10, 0, 10, 10, 20, 20}).Finish(),
               {"0 75 m\r\n7.5 75 7.5 67.5 15 60 c\r\nS"},
               {}});
  c.push_back({"PolyPolygonCountsShareThePoints",
               WithPenAndBrush()
                   .Rec(EMR_POLYPOLYGON, {0, 0, 0, 0, 2, 6, 3, 3, 0, 0, 20, 0, 0, 20, 40, 40, 60, 40, 40, 60})
                   .Finish(),
               {"0 75 m", "h\r\n30 45 m", "h\r\nB*"},
               {}});
  return c;
}

class EmfRecord : public ::testing::TestWithParam<TCase> {};

TEST_P(EmfRecord, GivesOperators) {
  const TCase& tc = GetParam();
  TPlayed p = Play(tc.Emf);
  EXPECT_EQ(MissingInOrder(p.Content, tc.Expected), "") << p.Content;
  for (const std::string& a : tc.Absent) EXPECT_EQ(p.Content.find(a), std::string::npos) << a << "\n" << p.Content;
  EXPECT_EQ(CheckContent(p.Content), "") << p.Content;
}

INSTANTIATE_TEST_SUITE_P(Records, EmfRecord, ::testing::ValuesIn(Cases()), [](const auto& info) {
  std::string n = info.param.Name;
  for (char& ch : n)
    if (!std::isalnum(uint8_t(ch))) ch = '_';
  return n + "_" + std::to_string(info.index);
});

// --- text ---

TEST(EmfText, SpacingFontAndAlignment) {
  TEmfBuilder b = WithPenAndBrush();
  b.Raw(FontRecord(3, -16)).Rec(EMR_SELECTOBJECT, {3}).Rec(EMR_SETTEXTALIGN, {TA_BASELINE}).Rec(EMR_SETTEXTCOLOR, {0xFF});
  b.Raw(TextRecord(10, 40, u"AV", {20, 9}));
  TPlayed p = Play(b.Finish());
  EXPECT_EQ(MissingInOrder(p.Content, {"q\r\nBT\r\n/F0 12 Tf\r\n[] 0 d\r\n1 0 0 rg\r\n7.5 45 Td\r\n[<", ">] TJ", "ET\r\nQ"}),
            "")
      << p.Content;
  // The first glyph is followed by the adjustment that stretches it to 20 pixels.
  EXPECT_NE(p.Content.find(">-"), std::string::npos) << p.Content;
  EXPECT_EQ(CheckContent(p.Content), "");
}

TEST(EmfText, EscapementRotatesUnderlineFollows) {
  TEmfBuilder b;
  b.Raw(FontRecord(3, -16, 900, "Arial", true)).Rec(EMR_SELECTOBJECT, {3}).Rec(EMR_SETTEXTALIGN, {TA_BASELINE});
  b.Raw(TextRecord(40, 40, u"Hi", {8, 4}));
  TPlayed p = Play(b.Finish());
  EXPECT_EQ(MissingInOrder(p.Content, {"0.00 1.00 -1.00 0.00 0.00 0.00 cm\r\nBT", "ET", " w\r\n", " l\r\nS", "Q"}), "")
      << p.Content;
}

TEST(EmfText, TinyFontIsClampedNotDividedByZero) {
  TEmfBuilder b;
  b.Raw(FontRecord(3, -0)).Rec(EMR_SELECTOBJECT, {3}).Raw(FontRecord(4, -1)).Rec(EMR_SELECTOBJECT, {4});
  b.Raw(TextRecord(10, 40, u"x", {3}));
  TPlayed p = Play(b.Finish(), 0, 0.75, 0.75, 0);  // one pixel to 0.0075 points
  EXPECT_NE(p.Content.find(" 1 Tf"), std::string::npos) << p.Content;
  EXPECT_EQ(CheckContent(p.Content), "") << p.Content;
}

TEST(EmfText, GlyphIndicesBecomeCharacters) {
  TFontDesc desc;
  desc.FaceName = "Arial";
  TFont font(desc);
  const uint32_t a = font.Face().GlyphIndex(U'A'), b = font.Face().GlyphIndex(U'b');
  ASSERT_NE(a, 0u);
  TEmfBuilder e;
  e.Raw(FontRecord(3, -16)).Rec(EMR_SELECTOBJECT, {3});
  e.Raw(TextRecord(10, 40, std::u16string{char16_t(a), char16_t(b)}, {10, 10}, ETO_GLYPH_INDEX));
  TPlayed p = Play(e.Finish());
  char hex[16];
  std::snprintf(hex, sizeof hex, "%04X", a);
  EXPECT_NE(p.Content.find(hex), std::string::npos) << p.Content;
  // The text of the page is the characters again.
  const auto dir = std::filesystem::temp_directory_path() / "qdx_emf_glyphs.pdf";
  std::ofstream(dir, std::ios::binary) << p.Pdf;
  FILE* pipe = popen(("pdftotext " + dir.string() + " - 2>&1").c_str(), "r");
  std::string text;
  std::array<char, 256> buf;
  while (size_t n = fread(buf.data(), 1, buf.size(), pipe)) text.append(buf.data(), n);
  pclose(pipe);
  std::filesystem::remove(dir);
  EXPECT_NE(text.find("Ab"), std::string::npos) << text;
}

// --- bitmaps ---

TEST(EmfBitmap, CopyAlphaAndRefusedOperations) {
  struct {
    const char* Name;
    std::string Record;
    std::string Expected;
    bool Image;
  } cases[] = {
      {"StretchDIBits", BitmapRecord(EMR_STRETCHDIBITS, 10, 10, 40, 20, 2, 2, 0xFF0000FF, SRCCOPY),
       "q\r\n30 0 0 15 7.5 52.5 cm\r\n/Im0 Do\r\nQ", true},
      {"AlphaBlendPerPixel", BitmapRecord(EMR_ALPHABLEND, 10, 10, 40, 20, 2, 2, 0x80000080, 0x01FF0000),
       "/Im0 Do", true},
      {"AlphaBlendConstantAlpha", BitmapRecord(EMR_ALPHABLEND, 10, 10, 40, 20, 2, 2, 0x80000080, 0x01800000),
       "%-- Unsupported dwRop: 25165824", false},
      {"OtherRop", BitmapRecord(EMR_STRETCHDIBITS, 10, 10, 40, 20, 2, 2, 0xFF0000FF, 0x00330008),
       "%-- Unsupported dwRop: 3342344", false},
  };
  for (const auto& c : cases) {
    TEmfBuilder b;
    b.Raw(c.Record);
    TPlayed p = Play(b.Finish());
    EXPECT_NE(p.Content.find(c.Expected), std::string::npos) << c.Name << "\n" << p.Content;
    EXPECT_EQ(p.Pdf.find("/Subtype /Image") != std::string::npos, c.Image) << c.Name;
    EXPECT_EQ(CheckContent(p.Content), "") << c.Name;
  }
  // The blended bitmap keeps its alpha as a soft mask, colours un-premultiplied.
  TEmfBuilder b;
  b.Raw(BitmapRecord(EMR_ALPHABLEND, 10, 10, 40, 20, 2, 2, 0x80000080, 0x01FF0000));
  EXPECT_NE(Play(b.Finish()).Pdf.find("/SMask"), std::string::npos);
}

// --- damaged and unusual metafiles ---

TEST(EmfDamaged, RefusedSafely) {
  auto withBadSize = [](uint32_t size) {
    std::string e = WithPenAndBrush().Rec(EMR_RECTANGLE, {10, 10, 50, 30}).Finish();
    std::string h = TEmfBuilder().Header;
    const size_t at = e.size() - 20 - 24;  // the rectangle record
    for (int i = 0; i < 4; ++i) e[at + 4 + size_t(i)] = char((size >> (8 * i)) & 0xFF);
    return e;
  };
  struct {
    const char* Name;
    std::string Emf;
    bool Drawn;  // a shape reaches the content
  } cases[] = {
      {"size0", withBadSize(0), false},
      {"sizeOdd", withBadSize(22), false},
      {"sizePastEnd", withBadSize(1 << 30), false},
      {"handleOutsideTable", TEmfBuilder().Rec(EMR_CREATEPEN, {5000, 0, 1, 0, 0}).Rec(EMR_SELECTOBJECT, {5000}).Rec(EMR_RECTANGLE, {1, 1, 5, 5}).Finish(), true},
      {"polyCountPastRecord", WithPenAndBrush().Rec(EMR_POLYGON, {0, 0, 0, 0, 1000000, 1, 2}).Finish(), false},
      {"polyPolyCountsDisagree", WithPenAndBrush().Rec(EMR_POLYPOLYGON16, {0, 0, 0, 0, 2, 3, 2, 5, 0, 0, 0}).Finish(), false},
      {"textCountPastRecord", [] {
         std::string t = TextRecord(1, 1, u"ab", {1, 1});
         t[44] = char(0xFF);
         t[45] = char(0xFF);
         return TEmfBuilder().Raw(FontRecord(3, -16)).Rec(EMR_SELECTOBJECT, {3}).Raw(t).Finish();
       }(), false},
      {"regionCountPastData", WithPenAndBrush().Rec(EMR_EXTSELECTCLIPRGN, {48, RGN_COPY, 32, 1, 1000, 16, 0, 0, 100, 100, 10, 10, 50, 30}).Finish(), false},
      {"zeroExtents", WithPenAndBrush().Rec(EMR_SETMAPMODE, {MM_ANISOTROPIC}).Rec(EMR_SETWINDOWEXTEX, {0, 0}).Rec(EMR_SETVIEWPORTEXTEX, {0, 5}).Rec(EMR_SCALEWINDOWEXTEX, {1, 0, 1, 0}).Rec(EMR_RECTANGLE, {1, 1, 5, 5}).Finish(), true},
      {"nanTransform", WithPenAndBrush().Floats(EMR_SETWORLDTRANSFORM, {NAN, 0, 0, INFINITY, 0, 0}).Rec(EMR_RECTANGLE, {1, 1, 5, 5}).Finish(), true},
      {"noEndRecord", WithPenAndBrush().Rec(EMR_SAVEDC, {}).Rec(EMR_EXTSELECTCLIPRGN, {48, RGN_COPY, 32, 1, 1, 16, 0, 0, 100, 100, 10, 10, 50, 30}).Rec(EMR_BEGINPATH, {}).Rec(EMR_MOVETOEX, {1, 1}).Rec(EMR_RECTANGLE, {1, 1, 5, 5}).Finish(false), false},
      {"bitmapOffsetsOutside", [] {
         std::string r = BitmapRecord(EMR_STRETCHDIBITS, 1, 1, 4, 4, 2, 2, 0, SRCCOPY);
         r[56] = char(0xF0);  // offBitsSrc
         r[57] = char(0xFF);
         return TEmfBuilder().Raw(r).Finish();
       }(), false},
      {"notAMetafile", std::string("hello world, not a metafile at all"), false},
  };
  for (const auto& c : cases) {
    TPlayed p = Play(c.Emf);
    EXPECT_EQ(CheckContent(p.Content), "") << c.Name << "\n" << p.Content;
    EXPECT_EQ(p.Content.find("re\r\nB*") != std::string::npos || p.Content.find("re\r\nS") != std::string::npos ||
                  p.Content.find("Do\r\n") != std::string::npos || p.Content.find("TJ") != std::string::npos ||
                  p.Content.find("h\r\nB*") != std::string::npos,
              c.Drawn)
        << c.Name << "\n" << p.Content;
    if (!c.Drawn && std::string(c.Name) != "polyCountPastRecord" && std::string(c.Name) != "bitmapOffsetsOutside" &&
        std::string(c.Name) != "polyPolyCountsDisagree" && std::string(c.Name) != "textCountPastRecord" &&
        std::string(c.Name) != "regionCountPastData") {
      EXPECT_FALSE(p.Errors.empty()) << c.Name;
    }
  }
}

TEST(EmfDamaged, EmptyFrameOrDeviceIsSkipped) {
  for (size_t field : {size_t(Header::Frame + 8), size_t(Header::Millimeters), size_t(Header::Device)}) {
    TEmfBuilder b = WithPenAndBrush();
    b.Rec(EMR_RECTANGLE, {10, 10, 50, 30});
    // The frame's right edge onto its left one; or a zero size.
    std::string& h = b.Header;
    for (int i = 0; i < 4; ++i) h[field + size_t(i)] = field == Header::Frame + 8 ? h[Header::Frame + size_t(i)] : 0;
    TPlayed p = Play(b.Finish());
    EXPECT_EQ(p.Content, "q\r\n0 0 75 75 re\r\nW* n\r\nQ\r\n") << field;
    EXPECT_FALSE(p.Errors.empty());
  }
}

// Inputs that once made the fuzzer report a fault; each must play safely.
TEST(EmfDamaged, FuzzRegressions) {
  const std::filesystem::path dir = std::filesystem::path(QDX_SOURCE_DIR) / "tests/fuzz/emf_crashes";
  if (!std::filesystem::exists(dir)) GTEST_SKIP();
  for (const auto& f : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(f.path(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    TPlayed p;
    try {
      p = Play(bytes);
    } catch (const std::exception&) {
      continue;
    }
    EXPECT_EQ(CheckContent(p.Content), "") << f.path();
  }
}

// Whole files with played metafiles pass an independent content parser: every
// resource named in the content is defined and the operators parse.
TEST(EmfContent, PassesIndependentParser) {
  TEmfBuilder b = WithPenAndBrush(PS_DOT, 2, BS_HATCHED, HS_DIAGCROSS);
  b.Rec(EMR_RECTANGLE, {10, 10, 50, 30}).Rec(EMR_SAVEDC, {});
  b.Rec(EMR_EXTSELECTCLIPRGN, {48, RGN_COPY, 32, 1, 1, 16, 0, 0, 100, 100, 0, 0, 90, 90});
  b.Raw(FontRecord(3, -16)).Rec(EMR_SELECTOBJECT, {3}).Raw(TextRecord(10, 40, u"Text", {8, 8, 8, 8}));
  b.Raw(BitmapRecord(EMR_ALPHABLEND, 10, 60, 40, 20, 2, 2, 0x80000080, 0x01FF0000));
  b.Rec(EMR_RESTOREDC, {-1});
  TPlayed p = Play(b.Finish());
  const auto file = std::filesystem::temp_directory_path() / "qdx_emf_parser.pdf";
  std::ofstream(file, std::ios::binary) << p.Pdf;
  const std::string script =
      "import pikepdf,sys\n"
      "pdf=pikepdf.open(sys.argv[1])\n"
      "page=pdf.pages[0]\n"
      "res=page.Resources\n"
      "depth=0;text=False\n"
      "for operands,op in pikepdf.parse_content_stream(page):\n"
      "  o=str(op)\n"
      "  if o=='q': depth+=1\n"
      "  if o=='Q':\n"
      "    depth-=1\n"
      "    assert depth>=0,'Q without q'\n"
      "  if o=='BT': assert not text; text=True\n"
      "  if o=='ET': assert text; text=False\n"
      "  if o=='Tf': assert str(operands[0]) in res.Font, operands\n"
      "  if o=='Do': assert str(operands[0]) in res.XObject, operands\n"
      "  for x in operands:\n"
      "    if isinstance(x,(int,float)) or type(x).__name__=='Decimal': assert str(x) not in ('nan','inf')\n"
      "assert depth==0 and not text\n"
      "print('ok')\n";
  const auto py = std::filesystem::temp_directory_path() / "qdx_emf_parser.py";
  std::ofstream(py) << script;
  FILE* pipe = popen(("/usr/bin/python3 " + py.string() + " " + file.string() + " 2>&1").c_str(), "r");
  std::string out;
  std::array<char, 512> buf;
  while (size_t n = fread(buf.data(), 1, buf.size(), pipe)) out.append(buf.data(), n);
  pclose(pipe);
  std::filesystem::remove(file);
  std::filesystem::remove(py);
  EXPECT_EQ(out, "ok\n") << p.Content;
}

}  // namespace

namespace {
// Writes the metafiles of the record cases as the fuzzer's seed corpus
// (tests/fuzz/emf_corpus) when QDX_EMF_SEED_DIR names a folder.
TEST(EmfCorpus, WriteSeeds) {
  const char* dir = std::getenv("QDX_EMF_SEED_DIR");
  if (!dir) GTEST_SKIP() << "QDX_EMF_SEED_DIR not set";
  int i = 0;
  for (const TCase& c : Cases()) {
    std::ofstream(std::filesystem::path(dir) / ("seed_" + std::to_string(i++) + ".emf"), std::ios::binary) << c.Emf;
  }
  TEmfBuilder b = WithPenAndBrush(PS_DOT, 2, BS_HATCHED, HS_DIAGCROSS);
  b.Raw(FontRecord(3, -16, 450, "Arial", true)).Rec(EMR_SELECTOBJECT, {3}).Raw(TextRecord(10, 40, u"Text", {8, 8, 8, 8}, ETO_OPAQUE | ETO_CLIPPED));
  b.Raw(BitmapRecord(EMR_ALPHABLEND, 10, 60, 40, 20, 2, 2, 0x80000080, 0x01FF0000));
  b.Raw(BitmapRecord(EMR_STRETCHDIBITS, 10, 60, 40, 20, 2, 2, 0x80000080, SRCCOPY));
  std::ofstream(std::filesystem::path(dir) / "seed_text_bitmaps.emf", std::ios::binary) << b.Finish();
}
}  // namespace
