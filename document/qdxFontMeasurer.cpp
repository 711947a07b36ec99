#include "document/qdxFontMeasurer.h"

#include "document/qdxGraphics.h"
#include "platform/Font.h"
#include "platform/TextMeasure.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

TFontDesc qdxFontDescOf(const TqdxTextFont& font) {
  TFontDesc d;
  d.FaceName = font.Name;
  d.Height = font.Height;
  d.Weight = (font.Style & qdxBit(fsBold)) ? FontWeightBold : FontWeightNormal;
  d.Italic = (font.Style & qdxBit(fsItalic)) != 0;
  d.Underline = (font.Style & qdxBit(fsUnderline)) != 0;
  d.StrikeOut = (font.Style & qdxBit(fsStrikeOut)) != 0;
  d.CharSet = font.Charset;
  d.Escapement = d.Orientation = font.Escapement;
  return d;
}

namespace {

// Layout measures line after line, object after object, in the same few
// fonts; opening one (matching the face, reading its metrics) costs more than
// measuring a cell's text. A few recent fonts are kept per thread.
bool SameFont(const TqdxTextFont& a, const TqdxTextFont& b) {
  return a.Height == b.Height && a.Style == b.Style && a.Charset == b.Charset && a.Escapement == b.Escapement &&
         a.Name == b.Name;
}

// Asked twice for every text object measured: the few fonts of a report are
// kept by their report description, most recent first, so that a hit costs
// a comparison rather than building a platform description.
const TFont& CachedFont(const TqdxTextFont& font) {
  constexpr size_t Size = 8;
  thread_local std::vector<std::pair<TqdxTextFont, std::unique_ptr<TFont>>> cache;
  for (size_t i = 0; i < cache.size(); ++i)
    if (SameFont(cache[i].first, font)) {
      if (i) std::rotate(cache.begin(), cache.begin() + static_cast<std::ptrdiff_t>(i),
                         cache.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      return *cache.front().second;
    }
  auto f = std::make_unique<TFont>(qdxFontDescOf(font));
  if (cache.size() == Size) cache.pop_back();
  cache.insert(cache.begin(), {font, std::move(f)});
  return *cache.front().second;
}

}  // namespace

void TqdxFontMeasurer::Cumulative(const TqdxTextFont& font, std::u16string_view text, std::vector<int>& out) {
  out.resize(text.size());
  if (text.empty()) return;
  TextPartialExtents(CachedFont(font), text, out.data());
}

int TqdxFontMeasurer::TextMetricHeight(const TqdxTextFont& font) { return CachedFont(font).TextMetrics().Height; }
