#include "export/pdf/qdxPDFFont.h"

#include "export/pdf/qdxTrueTypeCollection.h"
#include "platform/CodePage.h"
#include "platform/MessageBox.h"
#include "platform/TextShaper.h"

#include <hb-ot.h>
#include <hb.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <set>
#include <strings.h>

namespace {

// Faces whose optional ligatures would merge characters the layout measured
// one by one.
bool NoLigatureFace(const std::string& face) {
  static const char* const Names[] = {"CADiagram", "Calibri",   "Calibri Light", "Carlito",
                                      "EmojiOne Color", "Gabriola", "OpenSymbol", "Segoe Script",
                                      "ZWAdobeF"};
  for (const char* n : Names)
    if (strcasecmp(face.c_str(), n) == 0) return true;
  return false;
}

std::string Hex4(uint32_t v) {
  static const char Hex[] = "0123456789ABCDEF";
  std::string s(4, '0');
  for (int i = 3; i >= 0; --i, v >>= 4) s[size_t(i)] = Hex[v & 15];
  return s;
}

std::string ColorText(TColor c) {
  return FloatToPdfCompact(GetRValue(c) / 255.0, 3) + " " + FloatToPdfCompact(GetGValue(c) / 255.0, 3) +
         " " + FloatToPdfCompact(GetBValue(c) / 255.0, 3);
}

void AppendUtf16(std::u16string& s, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    s += char16_t(0xD800 + (c >> 10));
    s += char16_t(0xDC00 + (c & 0x3FF));
  } else {
    s += char16_t(c);
  }
}

}  // namespace

TqdxPDFFont& TqdxPDFFont::Use(TqdxPDFDocument& doc, const TFontDesc& font, TqdxPDFFontErrorSink errors) {
  TFontMatch match = LocateFont(font.FaceName, font.Weight, font.Italic, font.CharSet);
  std::string key = "TqdxPDFFont\x1F" + font.FaceName + "\x1F" + (font.IsBold() ? "B" : "") +
                    (font.Italic ? "I" : "") + "\x1F" + match.File + "\x1F" + std::to_string(match.Index);
  bool made = false;
  int index = doc.FontIndex(key, [&] {
    made = true;
    return std::make_unique<TqdxPDFFont>(doc, font, errors);
  });
  auto* result = dynamic_cast<TqdxPDFFont*>(&doc.Font(index));
  if (!result) throw EPDFError("The font " + font.FaceName + " is not a composite font");
  if (made) result->FIndex = index;
  return *result;
}

namespace {
TFontDesc MeasuringDesc(const TFontDesc& font) {
  TFontDesc d = font;
  d.Height = -1000;  // an em of 1000 pixels: metrics in thousandths of an em
  d.Underline = d.StrikeOut = false;
  d.Escapement = d.Orientation = 0;
  return d;
}
}  // namespace

TqdxPDFFont::TqdxPDFFont(TqdxPDFDocument& doc, const TFontDesc& font, TqdxPDFFontErrorSink errors)
    : FDoc(doc), FSource(MeasuringDesc(font)), FErrors(std::move(errors)) {
  FNoLigatures = NoLigatureFace(font.FaceName);
  // A face that stands in for one not installed is named in the keywords.
  if (FSource.Match().Substituted) {
    std::string searched = font.FaceName;
    if (font.IsBold()) searched += " Bold";
    if (font.Italic) searched += " Italic";
    std::string used = FSource.OutlineMetrics().FullName;
    if (used.empty()) used = FSource.Match().Family;
    FNote = Utf8ToUtf16(searched + " - " + used);
    doc.AddFontNote(FNote);
  }
}

std::string TqdxPDFFont::FontName() const {
  std::string suffix;
  if (FSource.Desc().IsBold() && !BoldSimulated()) suffix += "Bold";
  if (FSource.Desc().Italic && !ItalicSimulated()) suffix += "Italic";
  return suffix.empty() ? FSource.Desc().FaceName : FSource.Desc().FaceName + "," + suffix;
}

int32_t TqdxPDFFont::GlyphWidth(uint32_t glyph) const {
  constexpr int32_t Unknown = INT32_MIN;
  if (glyph > 0xFFFF) return FSource.ToPixels(FSource.Face().GlyphAdvance(glyph));
  if (glyph >= FAdvances.size()) FAdvances.resize(std::max<size_t>(glyph + 1, FAdvances.size() * 2), Unknown);
  int32_t& width = FAdvances[glyph];
  if (width == Unknown) width = FSource.ToPixels(FSource.Face().GlyphAdvance(glyph));
  return width;
}

std::u16string TqdxPDFFont::GlyphText(uint32_t glyph) {
  if (!FReverseCmapDone) {
    FReverseCmapDone = true;
    TFontFace::TAccess access(FSource.Face());
    FT_Face face = access.Face();
    FT_UInt id = 0;
    FT_ULong c = FT_Get_First_Char(face, &id);
    while (id != 0) {
      // The lowest character wins: it is the usual one for a shared glyph.
      FReverseCmap.emplace(id, char32_t(c));
      c = FT_Get_Next_Char(face, c, &id);
    }
  }
  std::u16string s;
  if (auto it = FReverseCmap.find(glyph); it != FReverseCmap.end()) {
    char32_t c = it->second;
    // Symbol faces map their characters at U+F020..U+F0FF.
    if (FSource.OutlineMetrics().Symbolic && c >= 0xF000 && c <= 0xF0FF) c &= 0xFF;
    AppendUtf16(s, c);
  }
  return s;
}

void TqdxPDFFont::Record(uint16_t glyph, int32_t width, const std::u16string& text) {
  auto [it, added] = FUsedIndex.emplace(glyph, FUsedGlyphs.size());
  if (added) {
    FUsedGlyphs.push_back(glyph);
    FUsedWidths.push_back(width);
    FUsedChars.push_back(text);
  } else if (FUsedChars[it->second].empty() && !text.empty()) {
    // A glyph first met without text of its own (a second glyph of one
    // character) takes the text of a later use.
    FUsedChars[it->second] = text;
  }
}

bool TqdxPDFFont::PlainGlyphs(std::u16string_view text, std::vector<TShapedGlyph>& glyphs) {
  constexpr char16_t LatinEnd = 0x250;
  if (FPlainFace < 0) {
    hb_face_t* face = hb_font_get_face(FSource.Face().HarfBuzzFont());
    // Without substitution features shaping maps each character to its glyph
    // of the character map; positioning does not matter here (widths come
    // from the advances).
    FPlainFace = hb_ot_layout_table_get_feature_tags(face, HB_OT_TAG_GSUB, 0, nullptr, nullptr) == 0 ? 1 : 0;
    FGlyphClasses = hb_ot_layout_has_glyph_classes(face);
    FLatinGlyphs.assign(LatinEnd, UINT32_MAX);
  }
  if (FPlainFace != 1) return false;
  glyphs.resize(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    // Controls, the soft hyphen and combining marks are handled by shaping.
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xAD || c >= LatinEnd) return false;
    uint32_t& id = FLatinGlyphs[c];
    if (id == UINT32_MAX) id = FSource.Face().GlyphIndex(c);
    // A missing glyph may be composed or stood in for by shaping.
    if (id == 0) return false;
    TShapedGlyph& g = glyphs[i];
    g = TShapedGlyph{};
    g.Glyph = id;
    g.Cluster = uint32_t(i);
    if (FGlyphClasses)
      g.Mark = hb_ot_layout_get_glyph_class(hb_font_get_face(FSource.Face().HarfBuzzFont()), id) ==
               HB_OT_LAYOUT_GLYPH_CLASS_MARK;
  }
  return true;
}

TRemapedString TqdxPDFFont::RemapString(std::u16string_view text, bool rtl, bool glyphMode) {
  TRemapedString r;
  if (text.empty()) return r;
  std::vector<TShapedGlyph> glyphs;
  if (glyphMode) {
    for (size_t i = 0; i < text.size(); ++i) {
      TShapedGlyph g;
      g.Glyph = text[i];
      g.Cluster = uint32_t(i);
      glyphs.push_back(g);
    }
  } else {
    bool plain = false;
    if (!rtl) {
      std::lock_guard<std::mutex> lock(FMutex);
      plain = PlainGlyphs(text, glyphs);
    }
    if (!plain) glyphs = ShapeLine(FSource, text, rtl, !FNoLigatures);
  }

  // Each cluster's characters go with the first glyph of the cluster (a
  // ligature stands for all of them, a contextual form for its one). Most
  // lines map one character to one glyph in order, which needs no search.
  bool oneToOne = !glyphMode && glyphs.size() == text.size();
  for (size_t j = 0; oneToOne && j < glyphs.size(); ++j) oneToOne = glyphs[j].Cluster == j;
  std::vector<uint32_t> starts;
  std::set<uint32_t> given;
  if (!oneToOne && !glyphMode) {
    for (const TShapedGlyph& g : glyphs) starts.push_back(g.Cluster);
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  }

  std::lock_guard<std::mutex> lock(FMutex);
  r.Ligated = glyphs.size() < text.size();
  r.Glyphs.reserve(glyphs.size());
  r.Widths.reserve(glyphs.size());
  r.Spaces.reserve(glyphs.size());
  std::u16string chars;
  for (size_t j = 0; j < glyphs.size(); ++j) {
    const TShapedGlyph& g = glyphs[j];
    uint16_t id = uint16_t(std::min<uint32_t>(g.Glyph, 0xFFFF));
    // A mark sits on the glyph before it and adds no width of its own.
    int32_t width = (g.Mark && j > 0) ? -1 : GlyphWidth(id);
    chars.clear();
    if (oneToOne) {
      chars.assign(1, text[j]);
    } else if (glyphMode) {
      chars = GlyphText(id);
    } else if (given.insert(g.Cluster).second) {
      auto next = std::upper_bound(starts.begin(), starts.end(), g.Cluster);
      size_t end = next == starts.end() ? text.size() : *next;
      if (g.Cluster < end) chars.assign(text.substr(g.Cluster, end - g.Cluster));
    }
    bool space = chars == u" ";
    r.Glyphs += char16_t(id);
    r.Widths.push_back(width);
    r.Spaces.push_back(space);
    if (width >= 65535) r.Small = false;
    if (width != -1) r.TotalWidth += width;
    if (space) ++r.SpaceCount;
    // .notdef stands for every character the face lacks: no text of its own.
    static const std::u16string none;
    Record(id, width, id == 0 ? none : chars);
  }
  return r;
}

std::string TqdxPDFFont::BoldSimulation(double size, TColor color) const {
  if (!BoldSimulated()) return {};
  return "2 Tr " + FloatToPdf(size / 35) + " w " + ColorText(color) + " RG";
}

std::string TqdxPDFFont::ItalicSimulation(double x, double y) const {
  if (!ItalicSimulated()) return {};
  return "1 0 0.25 1 " + FloatToPdfCompact(x, 3) + " " + FloatToPdfCompact(y, 3) + " Tm";
}

double TqdxPDFFont::SpaceAdjust(const TRemapedString& line, double fontSize, double lineWidthPt) {
  if (line.SpaceCount == 0 || fontSize <= 0) return 0;
  return (double(line.TotalWidth) - lineWidthPt * 1000 / fontSize) / line.SpaceCount;
}

std::string TqdxPDFFont::HexGlyphs(const TRemapedString& line) {
  std::string s = "<";
  for (char16_t g : line.Glyphs) s += Hex4(g);
  return s + ">";
}

std::string TqdxPDFFont::JustifiedGlyphs(const TRemapedString& line, double adjust) {
  std::string s = "[<";
  double carry = 0;
  for (size_t i = 0; i < line.Glyphs.size(); ++i) {
    s += Hex4(line.Glyphs[i]);
    if (i < line.Spaces.size() && line.Spaces[i]) {
      double total = adjust + carry;
      double whole = std::trunc(total);
      carry = total - whole;
      if (whole != 0) s += ">" + std::to_string(int64_t(whole)) + "<";
    }
  }
  return s + ">]";
}

void TqdxPDFFont::SetFontData(std::vector<uint8_t> data, int faceIndex) {
  FData = std::move(data);
  FDataFace = faceIndex;
  FDataSet = true;
}

void TqdxPDFFont::Error(const std::string& message) {
  if (FErrors) FErrors(message);
}

std::vector<uint8_t> TqdxPDFFont::FontProgram() {
  const TFontFace& face = FSource.Face();
  std::string what = "The font \"" + FontName() + "\" (" + face.File() + ")";
  if (!FDataSet) {
    // PostScript outlines cannot be written as a TrueType program; the
    // locator already preferred a TrueType face.
    if (!face.IsTrueType()) {
      Error(what + " has PostScript (CFF) outlines and is not embedded");
      return {};
    }
    SetFontData(face.FileBytes(), face.FaceIndex());
  }
  if (FData.empty()) {
    Error(what + " could not be read and is not embedded");
    return {};
  }
  try {
    TrueTypeCollection file;
    file.Load(FData);
    TrueTypeFont& ttf = file.Face(FDataFace < file.FaceCount() ? FDataFace : 0);
    for (const TTrueTypeWarning& w : ttf.Warnings)
      ShowMessageBox(what + ": " + w.Text, w.Title, TMessageKind::mkWarning);
    if (ttf.HasCFFOutlines()) {
      Error(what + " has PostScript (CFF) outlines and is not embedded");
      return {};
    }
    std::vector<uint32_t> used(FUsedGlyphs.begin(), FUsedGlyphs.end());
    return ttf.Subset(used);
  } catch (const ETrueTypeError& e) {
    Error(what + " is not embedded: " + e.what());
    return {};
  }
}

void TqdxPDFFont::WriteObjects(TPDFObjectsHelper& objects, int reference) {
  std::lock_guard<std::mutex> lock(FMutex);
  bool compress = FDoc.Options().Compressed;
  std::vector<uint8_t> program;
  if (FDoc.EmbeddedFonts()) program = FontProgram();
  // Subsetting is done once; the bytes of the whole file are no longer needed.
  FData.clear();
  FData.shrink_to_fit();

  std::string name = FontName();
  if (!program.empty()) {
    // A subset is named with a tag of six capital letters that differs
    // between subsets of one font.
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint8_t b) { h = (h ^ b) * 1099511628211ull; };
    for (char c : name) mix(uint8_t(c));
    for (uint16_t g : FUsedGlyphs) mix(uint8_t(g >> 8)), mix(uint8_t(g));
    std::string tag;
    for (int i = 0; i < 6; ++i, h /= 26) tag += char('A' + h % 26);
    name = tag + "+" + name;
  }
  std::string pdfName = PdfName(name);
  std::string cmapName = name;
  std::replace(cmapName.begin(), cmapName.end(), ',', '+');

  int fileNumber = 0;
  if (!program.empty()) {
    fileNumber = objects.StartNewObject();
    objects.WriteRaw("<</Length1 " + std::to_string(program.size()));
    TPDFStreamFlags flags;
    flags.OpenDict = false;
    flags.Compress = compress;
    flags.Encrypt = true;
    objects.WriteStreamObject(std::string_view(reinterpret_cast<const char*>(program.data()), program.size()),
                              flags, fileNumber);
  }

  const TFontOutlineMetrics& o = FSource.OutlineMetrics();
  const TFontTextMetrics& tm = FSource.TextMetrics();
  int flagsValue = (o.FixedPitch ? 1 : 0) | (o.Serif ? 2 : 0) | (o.Symbolic ? 4 : 32) |
                   ((o.Italic || FSource.Desc().Italic) ? 64 : 0);
  double stem = double(tm.Weight) / 65;
  int descriptor = objects.StartNewObject();
  objects.WriteLine("<<");
  objects.WriteLine("/Type /FontDescriptor");
  objects.WriteLine("/FontName " + pdfName);
  objects.WriteLine("/Flags " + std::to_string(flagsValue));
  objects.WriteLine("/FontBBox [" + std::to_string(FSource.ToPixels(o.XMin)) + " " +
                    std::to_string(FSource.ToPixels(o.YMin)) + " " + std::to_string(FSource.ToPixels(o.XMax)) +
                    " " + std::to_string(FSource.ToPixels(o.YMax)) + " ]");
  objects.WriteLine("/ItalicAngle " + std::to_string(PdfRound(o.ItalicAngle)));
  objects.WriteLine("/Ascent " + std::to_string(tm.Ascent));
  objects.WriteLine("/Descent " + std::to_string(-tm.Descent));
  objects.WriteLine("/Leading " + std::to_string(tm.InternalLeading));
  objects.WriteLine("/CapHeight " + std::to_string(FSource.ToPixels(o.CapHeight)));
  objects.WriteLine("/StemV " + std::to_string(PdfRound(stem * stem) + 50));
  objects.WriteLine("/AvgWidth " + std::to_string(tm.AveCharWidth));
  objects.WriteLine("/MaxWidth " + std::to_string(tm.MaxCharWidth));
  objects.WriteLine("/MissingWidth " + std::to_string(tm.AveCharWidth));
  if (fileNumber) objects.WriteLine("/FontFile2 " + PdfRef(fileNumber));
  objects.WriteLine(">>");
  objects.WriteLine("endobj");

  std::string cmap =
      "/CIDInit /ProcSet findresource begin\r\n12 dict begin\r\nbegincmap\r\n/CIDSystemInfo\r\n"
      "<< /Registry (Adobe)\r\n/Ordering (UCS)\r\n/Supplement 0\r\n>> def\r\n"
      "/CMapName " + PdfName(cmapName) + " def\r\n/CMapType 2 def\r\n"
      "1 begincodespacerange\r\n<0000> <FFFF>\r\nendcodespacerange\r\n";
  std::vector<std::string> entries;
  for (size_t i = 0; i < FUsedGlyphs.size(); ++i) {
    if (FUsedChars[i].empty()) continue;
    std::string e = "<" + Hex4(FUsedGlyphs[i]) + "> <";
    for (char16_t c : FUsedChars[i]) e += Hex4(c);
    entries.push_back(e + ">");
  }
  // A bfchar block holds at most 100 entries.
  for (size_t i = 0; i < entries.size(); i += 100) {
    size_t n = std::min<size_t>(100, entries.size() - i);
    cmap += std::to_string(n) + " beginbfchar\r\n";
    for (size_t k = i; k < i + n; ++k) cmap += entries[k] + "\r\n";
    cmap += "endbfchar\r\n";
  }
  cmap += "endcmap\r\nCMapName currentdict /CMap defineresource pop\r\nend\r\nend\r\n";
  int toUnicode = objects.StartNewObject();
  TPDFStreamFlags cmapFlags;
  cmapFlags.Compress = compress;
  cmapFlags.Encrypt = true;
  objects.WriteStreamObject(cmap, cmapFlags, toUnicode);

  int systemInfo = objects.StartNewObject();
  objects.WriteLine("<<");
  objects.WriteLine("/Registry (Adobe) /Ordering (Identity) /Supplement 0");
  objects.WriteLine(">>");
  objects.WriteLine("endobj");

  int descendant = objects.StartNewObject();
  objects.WriteLine("<<");
  objects.WriteLine("/Type /Font");
  objects.WriteLine("/Subtype /CIDFontType2");
  objects.WriteLine("/BaseFont " + pdfName);
  objects.WriteLine("/CIDToGIDMap /Identity");
  objects.WriteLine("/CIDSystemInfo " + PdfRef(systemInfo));
  objects.WriteLine("/FontDescriptor " + PdfRef(descriptor));
  std::string widths = "/W [ ";
  for (size_t i = 0; i < FUsedGlyphs.size(); ++i)
    widths += std::to_string(FUsedGlyphs[i]) + " [" + std::to_string(std::max(0, FUsedWidths[i])) + "] ";
  objects.WriteLine(widths + "]");
  objects.WriteLine(">>");
  objects.WriteLine("endobj");

  objects.StartObject(reference);
  objects.WriteLine("<<");
  objects.WriteLine("/Type /Font");
  objects.WriteLine("/Subtype /Type0");
  objects.WriteLine("/BaseFont " + pdfName);
  objects.WriteLine("/Encoding /Identity-H");
  objects.WriteLine("/DescendantFonts [" + PdfRef(descendant) + "]");
  objects.WriteLine("/ToUnicode " + PdfRef(toUnicode));
  objects.WriteLine(">>");
  objects.WriteLine("endobj");
}
