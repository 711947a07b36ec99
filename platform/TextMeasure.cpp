#include "platform/TextMeasure.h"

#include "platform/Font.h"

int32_t TextPartialExtents(const TFont& font, std::u16string_view text, int32_t* extents) {
  // Characters go to the face in chunks, so a long line takes few locks and
  // no allocation.
  constexpr size_t Chunk = 256;
  char32_t chars[Chunk];
  size_t units[Chunk];  // UTF-16 units of each character (1 or 2)
  TFontFace::TGlyph glyphs[Chunk];
  const TFontFace& face = font.Face();
  int32_t total = 0;
  size_t i = 0;
  while (i < text.size()) {
    size_t n = 0;
    size_t start = i;
    while (n < Chunk && i < text.size()) {
      char32_t c = text[i];
      size_t len = 1;
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
          text[i + 1] < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        len = 2;
      }
      chars[n] = c;
      units[n++] = len;
      i += len;
    }
    face.Glyphs(chars, n, glyphs);
    size_t pos = start;
    for (size_t k = 0; k < n; ++k) {
      total += font.Advance(glyphs[k]);
      for (size_t u = 0; u < units[k]; ++u) extents[pos++] = total;
    }
  }
  return total;
}

int32_t TextPartialExtents(const TFont& font, std::u16string_view text,
                           std::vector<int32_t>& extents) {
  extents.resize(text.size());
  return TextPartialExtents(font, text, extents.data());
}

TTextSize TextExtent(const TFont& font, std::u16string_view text) {
  std::vector<int32_t> extents;
  return TTextSize{TextPartialExtents(font, text, extents), font.TextMetrics().Height};
}
