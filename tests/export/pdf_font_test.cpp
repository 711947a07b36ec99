// PDF fonts: the TrueType reader and subsetter over the installed fonts and
// damaged copies of them, the conversion of lines into glyph ids, the font
// objects, and whole files checked by pdffonts, pdftotext, qpdf and
// fontTools.

#include "export/pdf/qdxPDFFont.h"
#include "export/pdf/qdxTrueTypeCollection.h"
#include "platform/CodePage.h"
#include "platform/FontFace.h"
#include "platform/FontLocator.h"
#include "platform/MessageBox.h"
#include "platform/TextShaper.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <sys/wait.h>

namespace {


int Occurrences(const std::string& s, const std::string& what) {
  int n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

std::string FontFile(const std::string& family, bool bold = false, bool italic = false) {
  return LocateFont(family, bold ? 700 : 400, italic).File;
}

TTFBytes FileBytes(const std::string& file) {
  std::string s = ReadWholeFile(file);
  return TTFBytes(s.begin(), s.end());
}

uint32_t GlyphOf(const std::string& file, char32_t c) { return TFontFace::Open(file, 0).GlyphIndex(c); }

// A collection of whole font files: the header, then each font with its
// table offsets moved to count from the start of the collection.
TTFBytes MakeCollection(const std::vector<TTFBytes>& fonts, uint32_t version = 0x00010000) {
  TTFBytes out;
  TTF_Helpers::AppendU32(out, TTF_Helpers::Tag("ttcf"));
  TTF_Helpers::AppendU32(out, version);
  TTF_Helpers::AppendU32(out, uint32_t(fonts.size()));
  out.resize(12 + 4 * fonts.size());
  for (size_t i = 0; i < fonts.size(); ++i) {
    uint32_t start = uint32_t(out.size());
    TTF_Helpers::PutU32(out, 12 + 4 * i, start);
    TTFBytes f = fonts[i];
    uint16_t count = TTF_Helpers::U16(f, 4);
    for (size_t t = 0; t < count; ++t)
      TTF_Helpers::PutU32(f, 12 + 16 * t + 8, TTF_Helpers::U32(f, 12 + 16 * t + 8) + start);
    out.insert(out.end(), f.begin(), f.end());
    while (out.size() % 4) out.push_back(0);
  }
  return out;
}

// Offset of a table in a single font file.
size_t TableOffset(const TTFBytes& f, const char* tag) {
  uint16_t count = TTF_Helpers::U16(f, 4);
  for (size_t t = 0; t < count; ++t)
    if (TTF_Helpers::U32(f, 12 + 16 * t) == TTF_Helpers::Tag(tag)) return TTF_Helpers::U32(f, 12 + 16 * t + 8);
  return 0;
}

// Everything a valid subset must satisfy, by our own reader.
void ExpectSoundFile(const TTFBytes& file) {
  ASSERT_GE(file.size(), 12u);
  EXPECT_EQ(TTF_Helpers::CheckSum(file), 0xB1B0AFBAu);
  uint16_t count = TTF_Helpers::U16(file, 4);
  uint16_t selector = 0;
  while ((2u << selector) <= count) ++selector;
  EXPECT_EQ(TTF_Helpers::U16(file, 6), 16u << selector);
  EXPECT_EQ(TTF_Helpers::U16(file, 8), selector);
  EXPECT_EQ(TTF_Helpers::U16(file, 10), count * 16 - (16u << selector));
  for (size_t t = 1; t < count; ++t)
    EXPECT_LT(TTF_Helpers::U32(file, 12 + 16 * (t - 1)), TTF_Helpers::U32(file, 12 + 16 * t));
  TrueTypeFont font;
  font.Load(file);
  for (const auto& w : font.Warnings) ADD_FAILURE() << w.Title << ": " << w.Text;
  for (const auto& t : font.Tables) EXPECT_EQ(t->Offset % 4, 0u) << t->TagName();
  EXPECT_EQ(font.Find("DSIG"), nullptr);
  ASSERT_NE(font.Post, nullptr);
  EXPECT_EQ(font.Post->Data.size(), 32u);
  EXPECT_EQ(TTF_Helpers::U32(font.Post->Data, 0), 0x00030000u);
}

}  // namespace

// ---------------------------------------------------------------------------
// TrueType reader and subsetter

struct TFaceCase {
  const char* Family;
  const char* FullName;
  int16_t LocaFormat;
  char32_t Nested;  // a character whose glyph is a composite of composites
};

class TrueTypeFaces : public ::testing::TestWithParam<TFaceCase> {};

TEST_P(TrueTypeFaces, ReadsTheFaceAndSubsetsItWithEveryComponent) {
  const TFaceCase& c = GetParam();
  std::string file = FontFile(c.Family);
  TTFBytes bytes = FileBytes(file);
  TrueTypeCollection ttc;
  ttc.Load(bytes);
  ASSERT_EQ(ttc.FaceCount(), 1);
  TrueTypeFont& face = ttc.Face(0);
  EXPECT_TRUE(face.Warnings.empty());
  EXPECT_EQ(face.FullName(), c.FullName);
  EXPECT_EQ(face.FamilyName(), c.Family);
  EXPECT_EQ(face.Head->IndexToLocFormat, c.LocaFormat);
  EXPECT_FALSE(face.HasCFFOutlines());

  uint32_t a = GlyphOf(file, 'A'), nested = GlyphOf(file, c.Nested);
  // Advances in thousandths of an em, as FreeType reads them.
  const TFontFace& ff = TFontFace::Open(file, 0);
  EXPECT_EQ(face.AdvanceWidth(a), (ff.GlyphAdvance(a) * 1000 + ff.UnitsPerEm() / 2) / ff.UnitsPerEm());

  // The composite's components, and theirs, are all kept.
  std::vector<uint16_t> closure = face.GlyphClosure({nested});
  std::vector<uint16_t> direct = GlyphTableClass::Components(face.GlyphData(nested));
  ASSERT_FALSE(direct.empty());
  bool deeper = false;
  for (uint16_t d : direct)
    for (uint16_t dd : GlyphTableClass::Components(face.GlyphData(d))) {
      deeper = true;
      EXPECT_TRUE(std::binary_search(closure.begin(), closure.end(), dd)) << dd;
    }
  EXPECT_TRUE(deeper);

  TTFBytes subset = face.Subset({a, nested});
  ExpectSoundFile(subset);
  EXPECT_LT(subset.size(), bytes.size());
  TrueTypeFont back;
  back.Load(subset);
  EXPECT_EQ(back.NumGlyphs(), face.NumGlyphs());  // ids keep their numbers
  EXPECT_EQ(back.Head->IndexToLocFormat, c.LocaFormat);
  for (uint32_t g = 0; g < face.NumGlyphs(); ++g) {
    bool kept = g == 0 || g == a || std::binary_search(closure.begin(), closure.end(), g);
    TTFView was = face.GlyphData(g), now = back.GlyphData(g);
    if (kept)
      EXPECT_TRUE(std::equal(was.begin(), was.end(), now.begin())) << "glyph " << g;
    else
      EXPECT_TRUE(now.empty()) << "glyph " << g;
  }
}

INSTANTIATE_TEST_SUITE_P(Installed, TrueTypeFaces,
                         ::testing::Values(TFaceCase{"Liberation Sans", "Liberation Sans", 0, 0x0400},
                                           TFaceCase{"DejaVu Sans", "DejaVu Sans", 1, 0x01C4}));

TEST(TrueType, CollectionFacesAreFoundByIndexAndName) {
  TTFBytes sans = FileBytes(FontFile("Liberation Sans"));
  TTFBytes serif = FileBytes(FontFile("DejaVu Serif", true));
  TTFBytes ttc = MakeCollection({sans, serif}, 0x00020000);
  TrueTypeCollection file;
  file.Load(ttc);
  EXPECT_TRUE(file.IsCollection());
  ASSERT_EQ(file.FaceCount(), 2);
  EXPECT_EQ(file.Face(1).FullName(), "DejaVu Serif Bold");
  EXPECT_TRUE(file.Face(1).Warnings.empty());
  EXPECT_EQ(file.FindFace("Liberation Sans"), 0);
  EXPECT_EQ(file.FindFace("DejaVu Serif Bold"), 1);
  EXPECT_EQ(file.FindFace("Tahoma"), -1);
  EXPECT_THROW(file.Face(2), ETrueTypeError);
  ExpectSoundFile(file.Face(1).Subset({36, 37}));
}

TEST(TrueType, MalformedFilesRaiseTheirMessages) {
  TTFBytes sans = FileBytes(FontFile("Liberation Sans"));
  TTFBytes badLoca = sans;
  TTF_Helpers::PutU16(badLoca, TableOffset(badLoca, "head") + 50, 2);
  TTFBytes cff;  // an OpenType face with PostScript outlines
  TTF_Helpers::AppendU32(cff, TTF_Helpers::Tag("OTTO"));
  for (uint16_t v : {1, 16, 0, 0}) TTF_Helpers::AppendU16(cff, v);
  for (uint32_t v : {TTF_Helpers::Tag("CFF "), 0x01020304u, 28u, 4u}) TTF_Helpers::AppendU32(cff, v);
  TTF_Helpers::AppendU32(cff, 0x01020304u);
  TTFBytes manyTables(sans.begin(), sans.begin() + 64);
  TTF_Helpers::PutU16(manyTables, 4, 0xFFFF);
  TTFBytes manyFaces = MakeCollection({sans});
  TTF_Helpers::PutU32(manyFaces, 8, 0x40000000);

  struct TCase {
    const char* Name;
    TTFBytes Data;
    const char* Message;  // raised by loading, else by subsetting
  } cases[] = {
      {"not a font", {'a', 'b', 'c', 'd', 0, 0, 0, 0}, "TrueType font format error"},
      {"too short", {0, 1}, "TrueType font format error"},
      {"collection version", MakeCollection({sans}, 0x00030000), "Unknown font collection version"},
      {"collection face count", manyFaces, "outside the font data"},
      {"table count", manyTables, "outside the font data"},
      {"loca format", badLoca, "Unsupported Index to Location format"},
      {"CFF outlines", cff, "PostScript (CFF)"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    try {
      TrueTypeCollection file;
      file.Load(c.Data);
      file.Face(0).Subset({1, 2, 3});
      ADD_FAILURE() << "no error";
    } catch (const ETrueTypeError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
    }
  }
}

TEST(TrueType, DamagedTablesAreSkippedAndChecksumsReported) {
  TTFBytes sans = FileBytes(FontFile("Liberation Sans"));
  // A glyph outline changed: its table's checksum no longer matches.
  TTFBytes changed = sans;
  changed[TableOffset(changed, "glyf") + 100] ^= 0x55;
  TrueTypeFont face;
  face.Load(changed);
  ASSERT_EQ(face.Warnings.size(), 1u);
  EXPECT_EQ(face.Warnings[0].Title, "Font table checksum error");
  EXPECT_EQ(face.Warnings[0].Text.rfind("Table ID \"glyf\" checksum error.", 0), 0u) << face.Warnings[0].Text;
  ExpectSoundFile(face.Subset({36}));  // the subset's own checksums are computed anew

  // A table pointing past the end is skipped; without glyf nothing is subset.
  TTFBytes cut(sans.begin(), sans.begin() + TableOffset(sans, "glyf") + 10);
  TrueTypeFont half;
  half.Load(cut);
  EXPECT_FALSE(half.Warnings.empty());
  EXPECT_EQ(half.Warnings[0].Title, "Font format error");
  EXPECT_EQ(half.Glyf, nullptr);
  try {
    half.Subset({36});
    ADD_FAILURE() << "no error";
  } catch (const ETrueTypeError& e) {
    EXPECT_STREQ(e.what(), "Glyph table not found");
  }
}

TEST(TrueType, CompositeCyclesAndForeignIdsEndTheWalk) {
  std::string file = FontFile("Liberation Sans");
  TTFBytes sans = FileBytes(file);
  TrueTypeFont face;
  face.Load(sans);
  uint32_t g = GlyphOf(file, 0x00E9);  // composite: e and an acute
  std::vector<uint16_t> parts = GlyphTableClass::Components(face.GlyphData(g));
  ASSERT_EQ(parts.size(), 2u);
  // Point the first component at the glyph itself and the second past the
  // last glyph id.
  TTFBytes bad = sans;
  size_t at = TableOffset(bad, "glyf") + face.Loca->Offsets[g] + 10;
  TTF_Helpers::PutU16(bad, at + 2, uint16_t(g));
  uint16_t flags = TTF_Helpers::U16(bad, at);
  size_t second = at + 4 + ((flags & 1) ? 4 : 2) + ((flags & 8) ? 2 : (flags & 0x40) ? 4 : (flags & 0x80) ? 8 : 0);
  TTF_Helpers::PutU16(bad, second + 2, 0xFFF0);
  TrueTypeFont damaged;
  damaged.Load(bad);
  EXPECT_EQ(damaged.GlyphClosure({g}), std::vector<uint16_t>{uint16_t(g)});
  ExpectSoundFile(damaged.Subset({g}));
}

// Random damage anywhere must give an error or a file, never a read outside
// the data (the sanitizer build checks).
TEST(TrueType, RandomDamageNeverReadsOutside) {
  TTFBytes sans = FileBytes(FontFile("Liberation Sans"));
  TrueTypeFont clean;
  clean.Load(sans);
  size_t locaAt = TableOffset(sans, "loca");
  std::mt19937 random(1234);
  int loaded = 0;
  for (int round = 0; round < 160; ++round) {
    TTFBytes bad = sans;
    // Mostly the directory, the head and the offsets, where damage matters.
    for (int k = 0; k < 6; ++k) {
      size_t where;
      switch (random() % 3) {
        case 0: where = random() % (12 + 16 * size_t(TTF_Helpers::U16(sans, 4))); break;
        case 1: where = locaAt + random() % clean.Loca->Data.size(); break;
        default: where = random() % bad.size(); break;
      }
      bad[where] = uint8_t(random());
    }
    if (round % 4 == 0) bad.resize(random() % bad.size());
    try {
      TrueTypeCollection file;
      file.Load(bad);
      std::vector<uint32_t> glyphs;
      for (int i = 0; i < 40; ++i) glyphs.push_back(uint32_t(random() % 800));
      TTFBytes subset = file.Face(0).Subset(glyphs);
      EXPECT_EQ(TTF_Helpers::CheckSum(subset), 0xB1B0AFBAu);
      ++loaded;
    } catch (const ETrueTypeError&) {
    }
  }
  EXPECT_GT(loaded, 0);
}

// ---------------------------------------------------------------------------
// Converting lines

namespace {

TFontDesc Desc(const std::string& face, bool bold = false, bool italic = false) {
  TFontDesc d;
  d.FaceName = face;
  d.Height = -16;
  d.Weight = bold ? 700 : 400;
  d.Italic = italic;
  return d;
}

int32_t Thousandths(const TqdxPDFFont& font, char32_t c) {
  const TFontFace& face = font.SourceFont().Face();
  int64_t a = face.GlyphAdvance(face.GlyphIndex(c));
  return int32_t((a * 1000 + face.UnitsPerEm() / 2) / face.UnitsPerEm());
}

}  // namespace

TEST(PdfFont, LatinLineWidthsSpacesAndUsedGlyphs) {
  TqdxPDFDocument doc;
  TqdxPDFFont& font = TqdxPDFFont::Use(doc, Desc("Arial"));
  EXPECT_EQ(&TqdxPDFFont::Use(doc, Desc("Arial")), &font);  // size and colour do not count
  EXPECT_NE(&TqdxPDFFont::Use(doc, Desc("Arial", true)), &font);
  EXPECT_EQ(font.Name(), "/F0");
  EXPECT_TRUE(font.FontNote().empty());  // Arial's metric twin is no substitution

  EXPECT_TRUE(font.RemapString(u"", false).Glyphs.empty());
  // "AV" kerns in the face; the widths stay the advances.
  TRemapedString r = font.RemapString(u"AV To a", false);
  ASSERT_EQ(r.Glyphs.size(), 7u);
  EXPECT_EQ(r.SpaceCount, 2);
  EXPECT_FALSE(r.Ligated);
  EXPECT_EQ(r.Spaces, (std::vector<bool>{false, false, true, false, false, true, false}));
  int64_t sum = 0;
  for (char32_t c : std::u32string(U"AV To a")) sum += Thousandths(font, c);
  EXPECT_EQ(r.TotalWidth, sum);
  EXPECT_EQ(r.Widths[0], Thousandths(font, 'A'));
  EXPECT_EQ(r.Widths[0], 667);  // 1366 / 2048 em
  // Glyph 0 and every glyph that turns up, however often, are kept once.
  font.RemapString(u"a A \u4E00", false);
  EXPECT_EQ(font.UsedGlyphs().size(), 7u);  // A V space T o a, then the missing glyph
  EXPECT_EQ(font.UsedGlyphs().back(), 0);
  EXPECT_EQ(font.UsedChars()[0], u"A");
  EXPECT_TRUE(font.UsedChars().back().empty());
}

// Plain Latin text in a face without substitutions skips shaping; the glyphs
// must be the ones shaping gives, and text that needs shaping still gets it.
TEST(PdfFont, CharacterMapShortcutGivesTheShapedGlyphs) {
  TqdxPDFDocument doc;
  for (const char* face : {"Arial", "Times New Roman", "DejaVu Sans"}) {
    TqdxPDFFont& font = TqdxPDFFont::Use(doc, Desc(face));
    for (std::u16string text : {std::u16string(u"Total: 383.74 GBP"), std::u16string(u"fi fl ffi office"),
                                std::u16string(u"\u00C9lodie Marchand \u00E6\u0153\u00DF"),
                                std::u16string(u"no\u00A0break soft\u00ADhyphen"), std::u16string(u"e\u0301 combined"),
                                std::u16string(u"\u0141\u00F3d\u017A \u0219\u021B"), std::u16string(u"\u4E00 missing")}) {
      SCOPED_TRACE(std::string(face) + ": " + Utf16ToUtf8(text));
      std::vector<TShapedGlyph> shaped = ShapeLine(font.SourceFont(), text, false, true);
      std::u16string expected;
      for (const TShapedGlyph& g : shaped) expected += char16_t(g.Glyph);
      EXPECT_EQ(font.RemapString(text, false).Glyphs, expected);
    }
  }
}

TEST(PdfFont, ShapingCases) {
  struct TCase {
    const char* Name;
    const char* Face;
    std::u16string Text;
    bool Rtl;
    size_t Glyphs;
    bool Ligated;
    std::vector<int> NoAdvance;  // glyph positions with width -1
    std::u16string FirstChars;   // text of the first glyph
  } cases[] = {
      {"combining accent", "DejaVu Sans", u"q\u0301t", false, 3, false, {1}, u"q"},
      {"precomposed", "DejaVu Sans", u"\u00E9t", false, 2, false, {}, u"\u00E9"},
      {"ligature", "DejaVu Serif", u"fil", false, 2, true, {}, u"fi"},
      {"no ligature face", "Calibri", u"fil", false, 3, false, {}, u"f"},
      {"hebrew, visual order", "DejaVu Sans", u"\u05E9\u05DC\u05D5\u05DD", true, 4, false, {}, u"\u05DD"},
      {"arabic lam-alef", "DejaVu Sans", u"\u0644\u0627", true, 1, true, {}, u"\u0644\u0627"},
      {"astral", "DejaVu Sans", u"x\U0001D400", false, 2, true, {}, u"x"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TqdxPDFDocument doc;
    TqdxPDFFont& font = TqdxPDFFont::Use(doc, Desc(c.Face));
    TRemapedString r = font.RemapString(c.Text, c.Rtl);
    ASSERT_EQ(r.Glyphs.size(), c.Glyphs);
    EXPECT_EQ(r.Ligated, c.Ligated);
    std::vector<int> none;
    int64_t total = 0;
    for (size_t i = 0; i < r.Widths.size(); ++i) {
      if (r.Widths[i] == -1) none.push_back(int(i));
      else total += r.Widths[i];
    }
    EXPECT_EQ(none, c.NoAdvance);
    EXPECT_EQ(r.TotalWidth, total);
    EXPECT_EQ(font.UsedChars()[0], c.FirstChars);
  }
}

TEST(PdfFont, GlyphModeFindsTheCharactersOfGlyphs) {
  TqdxPDFDocument doc;
  TqdxPDFFont& font = TqdxPDFFont::Use(doc, Desc("DejaVu Sans"));
  const TFontFace& face = font.SourceFont().Face();
  std::u16string ids = {char16_t(face.GlyphIndex('Q')), char16_t(face.GlyphIndex(0x0416))};
  TRemapedString r = font.RemapString(ids, false, true);
  EXPECT_EQ(r.Glyphs, ids);
  EXPECT_EQ(font.UsedChars(), (std::vector<std::u16string>{u"Q", u"\u0416"}));
  EXPECT_EQ(r.TotalWidth, Thousandths(font, 'Q') + Thousandths(font, 0x0416));
}

TEST(PdfFont, NamesAndSimulatedStyles) {
  TqdxPDFDocument doc;
  TqdxPDFFont& real = TqdxPDFFont::Use(doc, Desc("Times New Roman", true, true));
  EXPECT_FALSE(real.BoldSimulated());
  EXPECT_EQ(real.FontName(), "Times New Roman,BoldItalic");
  EXPECT_EQ(real.BoldSimulation(12, 0), "");
  EXPECT_EQ(real.ItalicSimulation(10, 20), "");

  // A family with one upright regular face only.
  TqdxPDFFont& sim = TqdxPDFFont::Use(doc, Desc("DejaVu Math TeX Gyre", true, true));
  ASSERT_TRUE(sim.BoldSimulated());
  ASSERT_TRUE(sim.ItalicSimulated());
  EXPECT_EQ(sim.FontName(), "DejaVu Math TeX Gyre");
  EXPECT_EQ(sim.BoldSimulation(14, RGBColor(255, 0, 128)), "2 Tr 0.40 w 1 0 0.502 RG");
  EXPECT_EQ(sim.ItalicSimulation(10.5, 700.1234), "1 0 0.25 1 10.5 700.123 Tm");

  // A face that is not installed is named in the keywords.
  TqdxPDFFont& missing = TqdxPDFFont::Use(doc, Desc("Qdx No Such Face", true));
  EXPECT_EQ(Utf16ToUtf8(missing.FontNote()).rfind("Qdx No Such Face Bold - ", 0), 0u);
  EXPECT_NE(Utf16ToUtf8(doc.EffectiveKeywords()).find("Qdx No Such Face Bold - "), std::string::npos);
}

TEST(PdfFont, JustificationAddsUpToTheWidth) {
  TRemapedString r;
  r.Glyphs = u"\u0001\u0003\u0002\u0003\u0002\u0003\u0004";
  r.Spaces = {false, true, false, true, false, true, false};
  r.SpaceCount = 3;
  r.TotalWidth = 3000;
  // 12 pt text to fill 40 pt: 3333.33 thousandths, 111.11 more per space.
  double adjust = TqdxPDFFont::SpaceAdjust(r, 12, 40);
  EXPECT_NEAR(adjust, -111.111, 0.001);
  EXPECT_EQ(TqdxPDFFont::JustifiedGlyphs(r, adjust), "[<00010003>-111<00020003>-111<00020003>-111<0004>]");
  // Fractions are carried until they make a whole unit.
  EXPECT_EQ(TqdxPDFFont::JustifiedGlyphs(r, 0.4), "[<000100030002000300020003>1<0004>]");
  EXPECT_EQ(TqdxPDFFont::JustifiedGlyphs(r, -0.5), "[<0001000300020003>-1<000200030004>]");
  EXPECT_EQ(TqdxPDFFont::JustifiedGlyphs(r, 0.2), "[<0001000300020003000200030004>]");
  EXPECT_EQ(TqdxPDFFont::HexGlyphs(r), "<0001000300020003000200030004>");
  r.SpaceCount = 0;
  EXPECT_EQ(TqdxPDFFont::SpaceAdjust(r, 12, 40), 0);
}

// ---------------------------------------------------------------------------
// Font objects

namespace {

struct TWritten {
  std::string Pdf;
  std::vector<std::string> Errors;
};

// One page with a line of text in a font; font data replaced when given.
TWritten WriteOne(const TFontDesc& desc, const std::u16string& text, bool embed,
                  const TTFBytes* data = nullptr) {
  TqdxPDFOptions o;
  o.Compressed = false;
  o.EmbeddedFonts = embed;
  TqdxPDFDocument doc(o);
  doc.SetFixedFileID("0123456789abcdef0123456789abcdef");
  TWritten w;
  TMemoryStream out;
  doc.BeginDocument(out);
  TqdxPDFPage& page = doc.AddPage(595, 842);
  TqdxPDFFont& font = TqdxPDFFont::Use(doc, desc, [&w](const std::string& m) { w.Errors.push_back(m); });
  if (data) font.SetFontData(*data, 0);
  page.WriteLine("BT " + font.Name() + " 12 Tf 50 700 Td " + TqdxPDFFont::HexGlyphs(font.RemapString(text, false)) +
                 " Tj ET");
  doc.EndDocument();
  w.Pdf = out.Data();
  return w;
}

std::string Between(const std::string& s, const std::string& from, const std::string& to) {
  size_t a = s.find(from);
  if (a == std::string::npos) return {};
  a += from.size();
  return s.substr(a, s.find(to, a) - a);
}

}  // namespace

TEST(PdfFont, ObjectsOfAnEmbeddedFont) {
  std::u16string text;
  for (char16_t c = 0x410; c < 0x450; ++c) text += c;  // 64 Cyrillic letters
  for (char16_t c = 0x3B1; c < 0x3CA; ++c) text += c;  // 25 Greek letters
  text += u"ABCDEFGHIJKLMNOPQRSTUVWXYZ q\u0301";
  TWritten w = WriteOne(Desc("DejaVu Sans"), text, true);
  EXPECT_TRUE(w.Errors.empty());
  const std::string& s = w.Pdf;
  // The subset is named with a tag; the file stream states its length.
  std::string base = Between(s, "/Subtype /Type0\r\n/BaseFont /", "\r\n");
  ASSERT_EQ(base.size(), 6 + 1 + std::string("DejaVu#20Sans").size()) << base;
  EXPECT_EQ(base.substr(6), "+DejaVu#20Sans");
  EXPECT_NE(s.find("/FontName /" + base + "\r\n"), std::string::npos);
  EXPECT_NE(s.find("<</Length1 "), std::string::npos);
  EXPECT_NE(s.find("/FontFile2 "), std::string::npos);
  EXPECT_NE(s.find("/MaxWidth "), std::string::npos);
  EXPECT_NE(s.find("/Descent -"), std::string::npos);
  EXPECT_NE(s.find("/CMapName /" + base.substr(0, 6) + "+DejaVu#20Sans def"), std::string::npos);
  EXPECT_EQ(Occurrences(s, "/Ordering (UCS)"), 1);
  EXPECT_EQ(Occurrences(s, "/Registry (Adobe) /Ordering (Identity) /Supplement 0"), 1);
  // 118 glyphs with text (the mark too): blocks of 100 and 18.
  EXPECT_NE(s.find("100 beginbfchar"), std::string::npos);
  EXPECT_NE(s.find("18 beginbfchar"), std::string::npos);
  // Widths are the advances; the mark has none.
  TqdxPDFDocument probe;
  TqdxPDFFont& font = TqdxPDFFont::Use(probe, Desc("DejaVu Sans"));
  const TFontFace& face = font.SourceFont().Face();
  std::string widths = Between(s, "/W [ ", "\r\n");
  EXPECT_NE(widths.find(std::to_string(face.GlyphIndex(0x416)) + " [" + std::to_string(Thousandths(font, 0x416)) + "] "),
            std::string::npos);
  EXPECT_NE(widths.find(std::to_string(face.GlyphIndex(0x301)) + " [0] "), std::string::npos);
}

TEST(PdfFont, FontsThatAreNotEmbedded) {
  TTFBytes cff;
  TTF_Helpers::AppendU32(cff, TTF_Helpers::Tag("OTTO"));
  for (uint16_t v : {1, 16, 0, 0}) TTF_Helpers::AppendU16(cff, v);
  for (uint32_t v : {TTF_Helpers::Tag("CFF "), 0x01020304u, 28u, 4u, 0x01020304u}) TTF_Helpers::AppendU32(cff, v);
  TTFBytes none;
  struct TCase {
    const char* Name;
    bool Embed;
    const TTFBytes* Data;
    const char* Error;
  } cases[] = {
      {"not asked for", false, nullptr, nullptr},
      {"no bytes", true, &none, "could not be read and is not embedded"},
      {"PostScript outlines", true, &cff, "has PostScript (CFF) outlines and is not embedded"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TWritten w = WriteOne(Desc("Arial"), u"Text", c.Embed, c.Data);
    EXPECT_EQ(w.Pdf.find("/FontFile2"), std::string::npos);
    EXPECT_EQ(w.Pdf.find("/Length1"), std::string::npos);
    EXPECT_NE(w.Pdf.find("/BaseFont /Arial\r\n"), std::string::npos);  // no subset tag
    EXPECT_NE(w.Pdf.find("/ToUnicode "), std::string::npos);
    if (c.Error) {
      ASSERT_EQ(w.Errors.size(), 1u);
      EXPECT_NE(w.Errors[0].find(c.Error), std::string::npos) << w.Errors[0];
    } else {
      EXPECT_TRUE(w.Errors.empty());
    }
  }
}

// ---------------------------------------------------------------------------
// Whole files read by independent tools

namespace {

const char* const SubsetCheckScript = R"PY(
import io, sys
from pypdf import PdfReader
from fontTools.ttLib import TTFont
r = PdfReader(sys.argv[1], password=sys.argv[2] if len(sys.argv) > 2 else None)
seen = set()
for page in r.pages:
    fonts = page["/Resources"]["/Font"]
    for key in fonts:
        f = fonts[key].get_object()
        d = f["/DescendantFonts"][0].get_object()["/FontDescriptor"].get_object()
        if f["/BaseFont"] in seen:
            continue
        seen.add(f["/BaseFont"])
        data = d["/FontFile2"].get_object().get_data()
        assert int(d["/FontFile2"].get_object()["/Length1"]) == len(data)
        font = TTFont(io.BytesIO(data), checkChecksums=2)
        total = 0
        padded = data + b"\0" * (-len(data) % 4)
        for i in range(0, len(padded), 4):
            total = (total + int.from_bytes(padded[i:i+4], "big")) & 0xFFFFFFFF
        assert total == 0xB1B0AFBA, hex(total)
        glyf = font["glyf"]
        outlines = 0
        for name in font.getGlyphOrder():
            g = glyf[name]
            if g.numberOfContours != 0:
                outlines += 1
            if g.isComposite():
                for c in g.components:
                    assert glyf[c.glyphName].numberOfContours != 0, c.glyphName
        print("SUBSET|%s|%d|%d" % (f["/BaseFont"], outlines, len(font.getGlyphOrder())))
)PY";

struct TLine {
  const char* Face;
  bool Bold, Italic, Rtl;
  std::u16string Text;
  std::string Expect;  // what pdftotext gives back
};

}  // namespace

class PdfFontFile : public ::testing::TestWithParam<bool> {};

TEST_P(PdfFontFile, IndependentReadersSeeEmbeddedSubsetsAndGetTheTextBack) {
  bool encrypted = GetParam();
  std::vector<TLine> lines = {
      {"Arial", false, false, false, u"Gr\u00FC\u00DFe aus K\u00F6ln, \u00C7a va? \u00C6r\u00F8sk\u00F8bing", "Grüße aus Köln, Ça va? Ærøskøbing"},
      {"Times New Roman", true, true, false, u"Na\u00EFve caf\u00E9 \u2013 fine", "Naïve café – fine"},
      {"DejaVu Sans", false, false, false, u"\u0421\u044A\u0435\u0448\u044C \u0436\u0435 \u0435\u0449\u0451", "Съешь же ещё"},
      {"DejaVu Sans", false, false, false, u"\u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1 \u03BA\u03CC\u03C3\u03BC\u03B5", "Καλημέρα κόσμε"},
      {"DejaVu Sans", false, false, true, u"\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD", "שלום עולם"},
      {"DejaVu Sans", false, false, true, u"\u0645\u0631\u062D\u0628\u0627", "مرحبا"},
      {"DejaVu Math TeX Gyre", true, false, false, u"Simulated bold", "Simulated bold"},
  };
  // A CJK line when a face for it is installed.
  if (auto cjk = LocateFontForChar(0x4E2D, 400, false); cjk && cjk->TrueType)
    lines.push_back({nullptr, false, false, false, u"\u4E2D\u6587\u6D4B\u8BD5", "中文测试"});
  std::string cjkFamily;
  if (auto cjk = LocateFontForChar(0x4E2D, 400, false)) cjkFamily = cjk->Family;

  TTempDir dir;
  std::string file = dir / "fonts.pdf";
  TqdxPDFOptions o;
  o.EmbeddedFonts = true;
  o.Compressed = !encrypted;
  if (encrypted) o.UserPassword = "user";
  TqdxPDFDocument doc(o);
  std::vector<std::string> errors;
  {
    TFileStream out(file, TFileMode::fmCreate);
    doc.BeginDocument(out);
    for (int p = 0; p < 2; ++p) {  // fonts are shared by both pages
      TqdxPDFPage& page = doc.AddPage(595, 842);
      double y = 800;
      for (const TLine& l : lines) {
        TFontDesc d = Desc(l.Face ? l.Face : cjkFamily, l.Bold, l.Italic);
        TqdxPDFFont& font = TqdxPDFFont::Use(doc, d, [&errors](const std::string& m) { errors.push_back(m); });
        TRemapedString r = font.RemapString(l.Text, l.Rtl);
        std::string at = FloatToPdf(50) + " " + FloatToPdf(y) + " Td ";
        std::string italic = font.ItalicSimulation(50, y);
        page.WriteLine("BT " + font.Name() + " 14 Tf " + (italic.empty() ? at : italic + " "));
        if (font.BoldSimulated()) page.WriteLine(font.BoldSimulation(14, 0));
        // The second page widens every space of its lines by 3 points.
        if (p == 1 && r.SpaceCount > 0)
          page.WriteLine(TqdxPDFFont::JustifiedGlyphs(
                             r, TqdxPDFFont::SpaceAdjust(r, 14, double(r.TotalWidth) * 14 / 1000 + 3 * r.SpaceCount)) +
                         " TJ ET");
        else
          page.WriteLine(TqdxPDFFont::HexGlyphs(r) + " Tj ET");
        if (font.BoldSimulated()) page.WriteLine(TqdxPDFFont::BoldSimulationEnd());
        y -= 30;
      }
    }
    doc.EndDocument();
  }
  EXPECT_TRUE(errors.empty()) << errors.front();
  std::string pw = encrypted ? " -upw user" : "";

  TShellRun q = RunShell("qpdf --check " + std::string(encrypted ? "--password=user " : "") + file);
  EXPECT_EQ(q.Code, 0) << q.Output;
  EXPECT_EQ(q.Output.find("WARNING"), std::string::npos) << q.Output;

  TShellRun fonts = RunShell("pdffonts" + pw + " " + file);
  ASSERT_EQ(fonts.Code, 0) << fonts.Output;
  int rows = 0;
  for (size_t at = fonts.Output.find('\n', fonts.Output.find("----")); at != std::string::npos;
       at = fonts.Output.find('\n', at + 1)) {
    std::string row = fonts.Output.substr(at + 1, fonts.Output.find('\n', at + 1) - at - 1);
    if (row.empty()) continue;
    ++rows;
    EXPECT_NE(row.find("CID TrueType"), std::string::npos) << row;
    EXPECT_NE(row.find("Identity-H "), std::string::npos) << row;
    EXPECT_NE(row.find(" yes yes yes "), std::string::npos) << row;  // embedded, subset, ToUnicode
    EXPECT_EQ(row[6], '+') << row;
  }
  EXPECT_EQ(rows, int(lines.size()) - 3) << fonts.Output;  // DejaVu Sans serves four lines

  TShellRun text = RunShell("pdftotext" + pw + " -enc UTF-8 " + file + " -");
  ASSERT_EQ(text.Code, 0) << text.Output;
  for (const TLine& l : lines) EXPECT_EQ(Occurrences(text.Output, l.Expect), 2) << l.Expect << "\n" << text.Output;

  WriteWholeFile(dir / "subsets.py", SubsetCheckScript);
  TShellRun check = RunShell("/usr/bin/python3 " + dir / "subsets.py" + " " + file + (encrypted ? " user" : ""));
  EXPECT_EQ(check.Code, 0) << check.Output;
  EXPECT_EQ(Occurrences(check.Output, "SUBSET|"), rows) << check.Output;
}

INSTANTIATE_TEST_SUITE_P(PlainAndEncrypted, PdfFontFile, ::testing::Bool());
