#include "document/qdxFontMeasurer.h"

#include "document/qdxGraphics.h"
#include "platform/Font.h"
#include "platform/TextMeasure.h"

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

void TqdxFontMeasurer::Cumulative(const TqdxTextFont& font, std::u16string_view text, std::vector<int>& out) {
  out.resize(text.size());
  if (text.empty()) return;
  TFont f(qdxFontDescOf(font));
  TextPartialExtents(f, text, out.data());
}

int TqdxFontMeasurer::TextMetricHeight(const TqdxTextFont& font) {
  TFont f(qdxFontDescOf(font));
  return f.TextMetrics().Height;
}
