#include "document/qdxTextMeasurer.h"

#include "document/qdxFontMeasurer.h"

#include <atomic>
#include <cmath>
#include <cstdlib>

namespace {
std::atomic<TqdxTextMeasurer*> DefaultMeasurer{nullptr};
}

TqdxTextMeasurer& qdxDefaultTextMeasurer() {
  static TqdxFontMeasurer fallback;
  TqdxTextMeasurer* m = DefaultMeasurer.load();
  return m ? *m : fallback;
}

void qdxSetDefaultTextMeasurer(TqdxTextMeasurer* measurer) { DefaultMeasurer.store(measurer); }

void TqdxFixedTextMeasurer::Cumulative(const TqdxTextFont& font, std::u16string_view text, std::vector<int>& out) {
  out.resize(text.size());
  const int w = static_cast<int>(std::nearbyint(std::abs(font.Height) * FRatio * ((font.Style & 1) ? 1.1 : 1.0)));
  int sum = 0;
  for (size_t i = 0; i < text.size(); ++i) out[i] = sum += w;
}

int TqdxFixedTextMeasurer::TextMetricHeight(const TqdxTextFont& font) {
  return static_cast<int>(std::nearbyint(std::abs(font.Height) * 1.15));
}
