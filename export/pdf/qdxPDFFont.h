#pragma once
// A font of the PDF file: one composite font (Type0, Identity-H) over a
// CIDFontType2 whose CIDs are the glyph ids of the installed face, with a
// ToUnicode map and, when fonts are embedded, the TrueType program cut down
// to the glyphs the document draws.
//
// Text is converted line by line into glyph ids through the platform's
// shaper (bidirectional runs in visual order, ligatures and contextual forms,
// combining marks); the glyphs used anywhere in the file are collected and
// written once, at the end of the document.
//
// Widths are in thousandths of an em, the unit of PDF glyph widths: the face
// is measured at an em of 1000 pixels. A glyph's width is its advance in the
// font program (hmtx advance x 1000 / units per em), never one changed by
// kerning, so the width a viewer draws with equals the width measured here.

#include "export/pdf/qdxPDFDocument.h"
#include "platform/Font.h"
#include "platform/GraphicsTypes.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// One converted line.
struct TShapedGlyph;

struct TRemapedString {
  std::u16string Glyphs;        // glyph ids, one code unit each, in visual order
  int64_t TotalWidth = 0;       // sum of the widths that are not -1
  int SpaceCount = 0;           // glyphs that stand for a space character
  bool Small = true;            // every width below 65535
  std::vector<int32_t> Widths;  // per glyph of Glyphs; -1 for a mark drawn without advance
  std::vector<bool> Spaces;     // per glyph of Glyphs: stands for a space character
  bool Ligated = false;         // fewer glyphs than characters
};

// Receives messages for the export run's error list (a font that cannot be
// embedded); the file is still written.
using TqdxPDFFontErrorSink = std::function<void(const std::string& message)>;

class TqdxPDFFont : public TPDFFontResource {
public:
  // The document's font for a report font, made on first use. Fonts are the
  // same when face name, bold and italic are, and the installed face found
  // for them is; size, colour, underline and strike-out do not count.
  static TqdxPDFFont& Use(TqdxPDFDocument& doc, const TFontDesc& font,
                          TqdxPDFFontErrorSink errors = {});

  TqdxPDFFont(TqdxPDFDocument& doc, const TFontDesc& font, TqdxPDFFontErrorSink errors);

  // Index in the document's fonts and the resource name ("/F" and the
  // index), the operand of "Tf".
  int Index() const { return FIndex; }
  std::string Name() const { return TqdxPDFDocument::FontResourceName(FIndex); }
  // The report font measured at an em of 1000 pixels.
  const TFont& SourceFont() const { return FSource; }
  // The font's PDF name before escaping: face name, then ",Bold",
  // ",Italic" or ",BoldItalic" for styles the face has itself.
  std::string FontName() const;

  // Converts one line. rtl is the paragraph direction; in glyph mode the
  // text holds glyph ids already.
  TRemapedString RemapString(std::u16string_view text, bool rtl, bool glyphMode = false);

  // Styles the face lacks, drawn by the content stream.
  bool BoldSimulated() const { return FSource.SimulatedBold(); }
  bool ItalicSimulated() const { return FSource.SimulatedItalic(); }
  // Inside the text object, before the text: fill and stroke with a line of
  // size / 35 in the text colour ("2 Tr 0.34 w 1 0 0 RG"); "0 Tr" ends it
  // after the text. Empty when bold is not simulated.
  std::string BoldSimulation(double size, TColor color) const;
  static std::string BoldSimulationEnd() { return "0 Tr"; }
  // The text matrix that slants the text at (x, y) points, in place of
  // "Td" positioning. Empty when italic is not simulated.
  std::string ItalicSimulation(double x, double y) const;

  // The shift of each space, in thousandths of an em, that makes the line
  // lineWidthPt wide at fontSize: positive moves left (the TJ sense).
  static double SpaceAdjust(const TRemapedString& line, double fontSize, double lineWidthPt);
  // "<" the glyph ids as four uppercase hexadecimal digits each ">", for Tj.
  static std::string HexGlyphs(const TRemapedString& line);
  // "[<" ... ">]" for TJ: after each space glyph the adjustment, with the
  // fractions carried on so that the written numbers add up to the total.
  static std::string JustifiedGlyphs(const TRemapedString& line, double adjust);

  // Size and colour of the last use (for "Tf" and the fill colour).
  double TextSize = 0;
  TColor TextColor = 0;

  // The glyphs used anywhere in the file, in order of first use, with their
  // widths (-1: drawn without advance) and the text each stands for.
  const std::vector<uint16_t>& UsedGlyphs() const { return FUsedGlyphs; }
  const std::vector<int32_t>& UsedWidths() const { return FUsedWidths; }
  const std::vector<std::u16string>& UsedChars() const { return FUsedChars; }
  // The substitution note added to the document keywords, or empty.
  const std::u16string& FontNote() const { return FNote; }

  // The font file to embed instead of the face's own file (the whole
  // collection when the face lives in one). Empty data: nothing to embed.
  void SetFontData(std::vector<uint8_t> data, int faceIndex);

  void WriteObjects(TPDFObjectsHelper& objects, int reference) override;

private:
  int32_t GlyphWidth(uint32_t glyph) const;
  // The glyphs of a left-to-right Latin text straight from the character map,
  // when shaping could not change them; false when the text needs shaping.
  bool PlainGlyphs(std::u16string_view text, std::vector<TShapedGlyph>& glyphs);
  std::u16string GlyphText(uint32_t glyph);
  void Record(uint16_t glyph, int32_t width, const std::u16string& text);
  // The subset font program, or empty (with the reason sent to the error sink).
  std::vector<uint8_t> FontProgram();
  void Error(const std::string& message);

  TqdxPDFDocument& FDoc;
  TFont FSource;
  TqdxPDFFontErrorSink FErrors;
  int FIndex = 0;
  bool FNoLigatures = false;
  std::u16string FNote;

  std::mutex FMutex;
  std::vector<uint16_t> FUsedGlyphs;
  std::vector<int32_t> FUsedWidths;
  std::vector<std::u16string> FUsedChars;
  std::map<uint16_t, size_t> FUsedIndex;
  // Advances by glyph id, filled as glyphs are met (the face's lookup locks
  // and converts each time).
  mutable std::vector<int32_t> FAdvances;
  int FPlainFace = -1;               // no glyph substitutions at all: 1; unknown: -1
  bool FGlyphClasses = false;        // the face classifies its glyphs (marks)
  std::vector<uint32_t> FLatinGlyphs;  // character map below U+0250; unknown: UINT32_MAX
  std::map<uint32_t, char32_t> FReverseCmap;  // for glyph mode, made on first need
  bool FReverseCmapDone = false;

  bool FDataSet = false;
  std::vector<uint8_t> FData;
  int FDataFace = 0;
};
