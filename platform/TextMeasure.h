#pragma once
// Measuring text in a font, in the font's device pixels.
//
// Each character advances by its glyph's unhinted advance rounded to whole
// pixels; extents are sums of those, so the width of a string is the sum of
// the widths of its parts and line breaks do not depend on the device. No
// kerning is applied. A surrogate pair is one character: its first unit gets
// the advance, the second the same cumulative value. Characters the face
// lacks are measured as the fallback face draws them (see TFontFace).

#include <cstdint>
#include <string_view>
#include <vector>

class TFont;

// Writes the cumulative advance after every UTF-16 unit of text into
// extents[0 .. text.size() - 1] and returns the total width.
int32_t TextPartialExtents(const TFont& font, std::u16string_view text, int32_t* extents);
int32_t TextPartialExtents(const TFont& font, std::u16string_view text,
                           std::vector<int32_t>& extents);

struct TTextSize {
  int32_t Width = 0;
  int32_t Height = 0;  // the font's text-metric height, also for empty text
  friend bool operator==(const TTextSize&, const TTextSize&) = default;
};
TTextSize TextExtent(const TFont& font, std::u16string_view text);
