#pragma once
// The text layout's measurer over the platform's fonts: unhinted advances of
// the installed faces, the same on every machine with the same fonts.

#include "document/qdxTextMeasurer.h"

struct TFontDesc;

class TqdxFontMeasurer : public TqdxTextMeasurer {
public:
  void Cumulative(const TqdxTextFont& font, std::u16string_view text, std::vector<int>& out) override;
  int TextMetricHeight(const TqdxTextFont& font) override;
};

// The platform description of a layout font.
TFontDesc qdxFontDescOf(const TqdxTextFont& font);
