#include "platform/Font.h"

#include <algorithm>

namespace {
// a / b rounded half away from zero; b > 0.
int64_t DivRound(int64_t a, int64_t b) { return a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b); }
}  // namespace

TFont::TFont(const TFontDesc& desc) : FDesc(desc) {
  FMatch = LocateFont(desc.FaceName, desc.Weight, desc.Italic, desc.CharSet);
  FFace = &TFontFace::Open(FMatch);
  const TFontOutlineMetrics& o = FFace->Outline();
  int32_t weight = desc.Weight > 0 ? desc.Weight : FontWeightNormal;
  FSimBold = desc.IsBold() && o.WeightClass < 600;
  FSimItalic = desc.Italic && !o.Italic && !FMatch.Italic;

  // A negative height is the em; a positive one the cell of usWinAscent +
  // usWinDescent, so the em is height * unitsPerEm / cell.
  int32_t cell = o.WinAscent + o.WinDescent;
  if (desc.Height < 0) {
    FEmNum = -static_cast<int64_t>(desc.Height);
    FEmDen = 1;
  } else if (desc.Height > 0 && cell > 0) {
    FEmNum = static_cast<int64_t>(desc.Height) * o.UnitsPerEm;
    FEmDen = cell;
  } else {
    FEmNum = desc.Height > 0 ? desc.Height : 16;
    FEmDen = 1;
  }

  TFontTextMetrics& m = FMetrics;
  m.Ascent = ToPixels(o.WinAscent);
  m.Descent = ToPixels(o.WinDescent);
  m.Height = m.Ascent + m.Descent;
  m.InternalLeading = m.Height - static_cast<int32_t>(DivRound(FEmNum, FEmDen));
  m.ExternalLeading =
      ToPixels(std::max(0, o.LineGap - (cell - (o.Ascender - o.Descender))));
  m.AveCharWidth = ToPixels(o.AvgCharWidth);
  m.MaxCharWidth = ToPixels(o.MaxAdvance);
  m.Weight = FSimBold ? weight : o.WeightClass;
  // Simulated bold widens every glyph by a 24th of the em, at least a pixel.
  m.Overhang = FSimBold ? std::max<int32_t>(1, static_cast<int32_t>(DivRound(FEmNum, FEmDen * 24)))
                        : 0;
  m.Italic = desc.Italic;
  m.Underlined = desc.Underline;
  m.StruckOut = desc.StrikeOut;
  m.FixedPitch = o.FixedPitch;
  m.CharSet = o.Symbolic ? FontCharset::Symbol
              : desc.CharSet == FontCharset::Default ? FontCharset::Ansi
                                                      : desc.CharSet;
  m.FirstChar = o.FirstChar;
  m.LastChar = o.LastChar;
  m.DefaultChar = o.DefaultChar;
  m.BreakChar = o.BreakChar;
}

int32_t TFont::ToPixels(int64_t designUnits, int32_t unitsPerEm) const {
  return static_cast<int32_t>(DivRound(designUnits * FEmNum, FEmDen * unitsPerEm));
}
