#pragma once
// Shaping and bidirectional ordering of a line of text for the PDF export.
//
// Levels come from the Unicode bidirectional algorithm (FriBidi), with the
// line rule for trailing white space applied; runs are split where the level
// or the script changes; glyphs come from HarfBuzz over the font's own face
// (no fallback faces here: a PDF font holds the glyphs of one face, so a
// missing character shapes as glyph 0).
//
// Pixel values are the font's, scaled from design units with the rounding of
// TFont: a font with a height of -1000 gives thousandths of an em.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

class TFont;

struct TShapedGlyph {
  uint32_t Glyph = 0;    // glyph id in the font's face
  uint32_t Cluster = 0;  // UTF-16 index of the first character it stands for
  int32_t XAdvance = 0;
  int32_t YAdvance = 0;
  int32_t XOffset = 0;  // placement relative to the pen, y upwards
  int32_t YOffset = 0;
  bool Mark = false;  // a combining mark placed over or under the glyph before it
};

// One run in one direction and script; glyphs in visual order (left to
// right). Without ligatures the optional ones (liga, clig) are off; the
// ligatures a script requires stay.
std::vector<TShapedGlyph> ShapeRun(const TFont& font, std::u16string_view text, bool rtl,
                                   bool ligatures = true);

// Embedding level of every UTF-16 unit (even: left to right); both units of
// a surrogate pair get the pair's level.
std::vector<uint8_t> BidiLevels(std::u16string_view text, bool baseRtl);

struct TTextRun {
  size_t Start = 0;
  size_t Length = 0;
  uint8_t Level = 0;
  bool Rtl() const { return (Level & 1) != 0; }
  friend bool operator==(const TTextRun&, const TTextRun&) = default;
};
// Runs of one level and script in logical order, covering the whole text.
std::vector<TTextRun> ItemizeText(std::u16string_view text, bool baseRtl);

// For a sequence of levels (of characters or of runs), the logical index at
// each visual position, left to right: from the highest level down to the
// lowest odd one, every stretch at that level or above is reversed.
std::vector<size_t> VisualOrder(std::span<const uint8_t> levels);

// A whole line: itemized, runs in visual order, each run shaped; clusters
// index the line.
std::vector<TShapedGlyph> ShapeLine(const TFont& font, std::u16string_view text,
                                    bool baseRtl, bool ligatures = true);
