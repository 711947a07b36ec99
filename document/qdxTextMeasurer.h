#pragma once
// How the text layout measures: cumulative advances of a run of text in one
// font, and the font's text-metric height. The platform's fonts answer it;
// tests may use a fixed-width stand-in.

#include "document/qdxFont.h"

#include <string>
#include <string_view>
#include <vector>

struct TqdxTextFont {
  std::string Name = "Arial";
  int Height = -83;  // pixels at the measuring resolution; negative: character height
  TqdxFontStyles Style = 0;
  uint8_t Charset = DEFAULT_CHARSET;
  int Escapement = 0;  // tenths of a degree
};

class TqdxTextMeasurer {
public:
  virtual ~TqdxTextMeasurer() = default;
  // out[i] is the advance from the run's start to the end of character i.
  virtual void Cumulative(const TqdxTextFont& font, std::u16string_view text, std::vector<int>& out) = 0;
  // The font's cell height (ascent + descent) in pixels.
  virtual int TextMetricHeight(const TqdxTextFont& font) = 0;
};

// The measurer the layout uses unless told otherwise: the installed fonts,
// unless another one was set (tests measure with fixed widths).
TqdxTextMeasurer& qdxDefaultTextMeasurer();
void qdxSetDefaultTextMeasurer(TqdxTextMeasurer* measurer);

// Every character advances by a fixed fraction of the font height: layout
// tests that must not depend on fonts use it.
class TqdxFixedTextMeasurer : public TqdxTextMeasurer {
public:
  explicit TqdxFixedTextMeasurer(double widthPerHeight = 0.5) : FRatio(widthPerHeight) {}
  void Cumulative(const TqdxTextFont& font, std::u16string_view text, std::vector<int>& out) override;
  int TextMetricHeight(const TqdxTextFont& font) override;

private:
  double FRatio;
};
