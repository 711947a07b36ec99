#include "platform/VectorCanvas.h"

#include "platform/Font.h"

#include <numeric>

int TVector_ExtTextOut::Width() const { return std::accumulate(Advances.begin(), Advances.end(), 0); }

void TVectorCanvas::Fill(TVector_ExtTextOut& r, int x, int y, const TFontDesc& font, std::span<const int> advances,
                         const TTextRunOptions& options) const {
  r.X = x;
  r.Y = y;
  r.Font = font;
  // The run's escapement is the angle the exports turn it by.
  if (options.Escapement != 0) r.Font.Escapement = r.Font.Orientation = options.Escapement;
  r.Color = State().TextColor;
  r.Rect = options.Rect;
  r.Opaque = options.Opaque;
  r.Clipped = options.Clipped;
  r.RtlReading = options.RtlReading;
  r.GlyphIndices = options.GlyphIndices;
  r.AlignH = State().TextHAlign;
  r.AlignV = State().TextVAlign;
  r.Advances.assign(advances.begin(), advances.end());
}

void TVectorCanvas::TextOutRun(int x, int y, const TFont& font, std::u16string_view text,
                               std::span<const int> advances, const TTextRunOptions& options) {
  TVector_ExtTextOutW r;
  Fill(r, x, y, font.Desc(), advances, options);
  r.Text.assign(text);
  FRecords.emplace_back(std::move(r));
}

void TVectorCanvas::TextOutRunA(int x, int y, const TFontDesc& font, std::string_view text, uint16_t codePage,
                                std::span<const int> advances, const TTextRunOptions& options) {
  TVector_ExtTextOutA r;
  Fill(r, x, y, font, advances, options);
  r.Text.assign(text);
  r.CodePage = codePage;
  FRecords.emplace_back(std::move(r));
}
