#pragma once
// A font at a size: the face found for a description, its GDI text metrics at
// the requested pixel height, and the scale from design units to pixels that
// measuring, shaping and drawing share.
//
// All pixel values come from unhinted design units scaled with one rounding
// (half away from zero, on exact integers), so they are the same on every
// machine with the same font files.

#include <cstdint>

#include "platform/FontDesc.h"
#include "platform/FontFace.h"
#include "platform/FontLocator.h"
#include "platform/FontMetrics.h"

class TFont {
public:
  // Throws std::runtime_error when no font is installed at all.
  explicit TFont(const TFontDesc& desc);

  const TFontDesc& Desc() const { return FDesc; }
  const TFontMatch& Match() const { return FMatch; }
  const TFontFace& Face() const { return *FFace; }
  const TFontTextMetrics& TextMetrics() const { return FMetrics; }
  const TFontOutlineMetrics& OutlineMetrics() const { return FFace->Outline(); }
  // The face lacks the requested weight or slant, so drawing must embolden
  // (by TextMetrics().Overhang per glyph) or slant it.
  bool SimulatedBold() const { return FSimBold; }
  bool SimulatedItalic() const { return FSimItalic; }

  // The em in pixels: EmNumerator / EmDenominator.
  int64_t EmNumerator() const { return FEmNum; }
  int64_t EmDenominator() const { return FEmDen; }
  // Design units of a face with unitsPerEm to pixels at this font's em.
  int32_t ToPixels(int64_t designUnits, int32_t unitsPerEm) const;
  int32_t ToPixels(int64_t designUnits) const { return ToPixels(designUnits, FFace->UnitsPerEm()); }
  // A glyph's advance in pixels, the simulated-bold overhang included.
  int32_t Advance(const TFontFace::TGlyph& glyph) const {
    return ToPixels(glyph.Advance, glyph.Face->UnitsPerEm()) + FMetrics.Overhang;
  }

private:
  TFontDesc FDesc;
  TFontMatch FMatch;
  const TFontFace* FFace;
  TFontTextMetrics FMetrics;
  int64_t FEmNum = 16;
  int64_t FEmDen = 1;
  bool FSimBold = false;
  bool FSimItalic = false;
};
